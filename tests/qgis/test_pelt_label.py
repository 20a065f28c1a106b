import pytest
from conftest import pelt_labels, verify_message
from qgis.core import (
    QgsExpression,
    QgsExpressionContext,
    QgsExpressionContextScope,
    QgsExpressionContextUtils,
)

# Every field type of the sample, formatting statements, and the words
# pelt-label gives ($$DATE and $$TIME change too slowly to differ).
EXPRESSIONS = [
    "[NAME].UCase - [POPULATION].FormatNumber(0)",
    "[COUNTRY] [ELEVATION].Format(#,##0) [AREA_KM2].Round(1) [MEAN_TEMP]",
    "[CAPITAL] [SURVEYED] [UPDATED] [fid]",
    "$$FID: [NAME].Left(3) $$LAYER $$SOURCE $$DATE",
]


def evaluate(expression, layer, feature, scope=None):
    context = QgsExpressionContext(QgsExpressionContextUtils.globalProjectLayerScopes(layer))
    if scope is not None:
        context.appendScope(scope)
    context.setFeature(feature)
    parsed = QgsExpression(expression)
    return parsed.evaluate(context), parsed.evalErrorString()


@pytest.mark.parametrize("expression", EXPRESSIONS)
def test_pelt_label_gives_pelt_labels_text(sample_layer, expression):
    expected = pelt_labels(expression)
    quoted = "pelt_label(" + QgsExpression.quotedString(expression) + ")"
    got = {f.id(): evaluate(quoted, sample_layer, f)[0] for f in sample_layer.getFeatures()}
    assert got == expected and len(got) == sample_layer.featureCount()


# Variables reach reserved words whatever their case; a variable wins over
# pelt-label's own word.
VARIABLES = [
    ("$$LAYER_NAME $$layer_name", {}, "sample sample"),
    ("$$PROJECT_TITLE|$$Unknown_Word", {}, "|"),
    ("$$PAGE $$Fid", {"page": 4, "FID": "f"}, "4 f"),
    ("$$ROW $$WHEN", {"row_number": 12, "when": None}, "12 "),
]


@pytest.mark.parametrize("expression,variables,expected", VARIABLES)
def test_variables_reach_reserved_words(sample_layer, expression, variables, expected):
    scope = QgsExpressionContextScope()
    for name, value in variables.items():
        scope.setVariable(name, value)
    feature = next(sample_layer.getFeatures())
    quoted = "pelt_label(" + QgsExpression.quotedString(expression) + ")"
    assert evaluate(quoted, sample_layer, feature, scope) == (expected, "")


def test_invalid_expression_is_qgis_eval_error(sample_layer):
    message = verify_message("[MISSING].UCase")
    feature = next(sample_layer.getFeatures())
    assert evaluate("pelt_label('[MISSING].UCase')", sample_layer, feature) == (None, message)

