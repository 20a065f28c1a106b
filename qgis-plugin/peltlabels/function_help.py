"""The help QGIS's expression dialog shows for pelt_label."""

from __future__ import annotations

import html
from pathlib import Path
from typing import List, Optional

_INTRO = """<h3>function pelt_label</h3>
<div class="description"><p>The label of the current feature made from a
PeltExpressions label expression: fields in brackets with formatting
statements, such as <code>[NAME].UCase - [POP].FormatNumber(0)</code>, and
reserved words <code>$$WORD</code>, which are the expression variables of that
name in any case (<code>$$LAYER_NAME</code> is <code>@layer_name</code>) and
$$DATE, $$TIME, $$FID, $$ROW, $$LAYER and $$SOURCE.</p></div>
<h4>Syntax</h4><div class="syntax"><code><span class="functionname">pelt_label</span>
(<span class="argument">expression</span>)</code></div>
<h4>Arguments</h4><div class="arguments"><table><tr><td class="argument">expression</td>
<td>the label expression, as text</td></tr></table></div>
<h4>Examples</h4><div class="examples"><ul>
<li><code>pelt_label('[NAME].UCase')</code> &rarr; <code>BERN</code></li>
<li><code>pelt_label('[NAME] ($$ROW)')</code> &rarr; <code>Bern (1)</code></li>
</ul></div>
"""


def _reference() -> Optional[Path]:
    """The language reference: beside the plugin in its zip, else in the source tree."""
    here = Path(__file__).resolve().parent
    for path in (here / "expressions.md", here.parent.parent / "docs" / "expressions.md"):
        if path.is_file():
            return path
    return None


def _markdown_html(text: str) -> str:
    """The reference's headings, paragraphs and tables as simple HTML."""
    out: List[str] = []
    table = False
    for line in text.splitlines():
        stripped = line.strip()
        if stripped.startswith("|") and set(stripped) <= set("|-: "):
            continue
        if stripped.startswith("|"):
            cells = [html.escape(cell.strip().replace("\\|", "|").replace("`", ""))
                     for cell in stripped.strip("|").split(" | ")]
            if not table:
                out.append("<table>")
                table = True
            out.append("<tr>" + "".join(f"<td>{cell}</td>" for cell in cells) + "</tr>")
            continue
        if table:
            out.append("</table>")
            table = False
        if stripped.startswith("#"):
            level = min(6, len(stripped) - len(stripped.lstrip("#")) + 2)
            out.append(f"<h{level}>{html.escape(stripped.lstrip('# '))}</h{level}>")
        elif stripped and not stripped.startswith("```"):
            out.append(html.escape(stripped.replace("`", "")) + " ")
        elif not stripped:
            out.append("<br>")
    if table:
        out.append("</table>")
    return "\n".join(out)


def help_text() -> str:
    reference = _reference()
    if reference is None:
        return _INTRO
    return _INTRO + "<h4>The expression language</h4>" + _markdown_html(
        reference.read_text(encoding="utf-8"))
