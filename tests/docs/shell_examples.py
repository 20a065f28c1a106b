"""Runs the shell examples of Markdown files as a reader would after the
README's two set-up commands, from the repository's root, and compares their
output where the text shows it.

    shell_examples.py SOURCE_DIR BUILD_DIR FILE...

Every ```sh block is an example. In a block of "$ command" lines, each
command runs on its own and the lines after it are its output: the lines
that begin with "pelt-label: " on standard error, the others on standard
output, either compared only when shown, and a last line "..." stands for
the rest. Any other block runs as one script, but for the lines that are
skipped. The root is a folder of links
to the checkout's files in which build-release is BUILD_DIR, with a home of
its own, so that nothing is written to the checkout or the user's home. A
command with a comment "# needs ..." (a display, a network) is skipped and
says so, as are the set-up commands.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

SETUP = ("./scripts/demo.sh", "./scripts/check.sh")
NEEDS = re.compile(r"#\s*(needs\b.*)$")


def blocks(path):
    """The ```sh blocks of a file: (line number, lines)."""
    found, current, start = [], None, 0
    for number, line in enumerate(open(path, encoding="utf-8"), 1):
        line = line.rstrip("\n")
        if current is None and line.strip() == "```sh":
            current, start = [], number + 1
        elif current is not None and line.strip() == "```":
            found.append((start, current))
            current = None
        elif current is not None:
            current.append(line)
    return found


def skip_reason(line):
    """Why a line of an example is not run, or None."""
    if line.strip().startswith(SETUP):
        return "a set-up command"
    needs = NEEDS.search(line)
    if needs:
        return "it " + needs.group(1)
    return None


def differs(what, actual, expected):
    """'' when actual is the expected lines ("..." last: starts with them)."""
    more = expected[-1:] == ["..."]
    if more:
        expected = expected[:-1]
    lines = actual.splitlines()
    if (lines[:len(expected)] if more else lines) == expected:
        return ""
    return f"{what}, expected:\n" + "\n".join(expected) + "\n--- but was:\n" + actual


def run(script, root, env):
    return subprocess.run(["bash", "-eo", "pipefail", "-c", script], cwd=root, env=env,
                          stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=600)


def check(where, script, shown, root, env):
    kept = []
    for line in script.splitlines():
        reason = skip_reason(line)
        if reason:
            print(f"{where}: skipped, {reason}: {line}")
        else:
            kept.append(line)
    script = "\n".join(kept)
    if not script.strip():
        return True
    outcome = run(script, root, env)
    problems = "" if outcome.returncode == 0 else f"exit status {outcome.returncode}\n"
    if shown is not None:
        errors = [line for line in shown if line.startswith("pelt-label: ")]
        outputs = [line for line in shown if not line.startswith("pelt-label: ")]
        if outputs:
            problems += differs("standard output", outcome.stdout, outputs)
        if errors:
            problems += differs("standard error", outcome.stderr, errors)
    if problems:
        print(f"{where}: FAILED: {script}\n{problems}\n(standard error: {outcome.stderr})")
        return False
    print(f"{where}: ok")
    return True


def main(source, build, files):
    work = tempfile.mkdtemp(prefix="pelt-examples-")
    try:
        root, home = os.path.join(work, "root"), os.path.join(work, "home")
        os.mkdir(root)
        os.mkdir(home, 0o700)
        for name in os.listdir(source):
            if not name.startswith(("build", ".git")):
                os.symlink(os.path.join(source, name), os.path.join(root, name))
        os.symlink(build, os.path.join(root, "build-release"))
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("LC_", "XDG_", "PELT_COMPONENT", "MANPATH"))}
        env.update(HOME=home, LANG="C", LC_ALL="C")
        ok = True
        for path in files:
            for start, lines in blocks(path):
                where = f"{os.path.relpath(path, source)}:{start}"
                if not any(line.startswith("$ ") for line in lines):
                    ok &= check(where, "\n".join(lines), None, root, env)
                    continue
                commands = []
                for offset, line in enumerate(lines):
                    if line.startswith("$ "):
                        commands.append((start + offset, line[2:], []))
                    elif commands:
                        commands[-1][2].append(line)
                for number, command, shown in commands:
                    where = f"{os.path.relpath(path, source)}:{number}"
                    ok &= check(where, command, shown, root, env)
        return 0 if ok else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), sys.argv[3:]))
