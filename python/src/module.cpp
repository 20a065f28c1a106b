// peltexpressions._core: the evaluator, the formatting functions and the
// GDAL adapter for the Python package, which sorts Python's values into the
// shapes taken here. Every call that makes labels releases the GIL.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <ctime>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "column_table.h"
#include "expression_warnings.h"
#include "frame_labels.h"
#include "label_output.h"
#include "locale_scope.h"
#include "pelt/evaluator/apply_format.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/language/statements.h"
#include "pelt/value/conversion.h"
#include "pelt/value/did_you_mean.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"
#include "pelt/warnings/expression_warnings.h"
#include "python_columns.h"
#include "python_values.h"
#include "reserved_words.h"
#include "source_labels.h"

namespace pelt::python {
namespace {

// nullptr for None: the environment's locale. The caller has checked the id.
const value::LocaleData* LocaleFor(const std::optional<std::string>& id) {
  return id ? &value::LocaleDataFor(*id) : nullptr;
}

// "; did you mean 'en_GB'?" after the refusal of a locale ICU has no data
// for, or "".
std::string LocaleSuggestion(const std::string& id) {
  return value::DidYouMean(value::NearestKnownLocales(id));
}

GivenWords Given(const std::vector<std::pair<py::str, value::Variant>>& words) {
  GivenWords given;
  for (const auto& [key, word] : words) given.emplace_back(Utf16(key), word);
  return given;
}

// Texts as Python strs.
py::list PythonStrings(const std::vector<std::u16string>& texts) {
  py::list strings;
  for (const std::u16string& text : texts) strings.append(PythonString(text));
  return strings;
}

// The verdict on an expression against fields given as (name, type code),
// the positions of the fields it names (only those need their cells), and
// the warnings about it. words: the caller's reserved words, which with
// DATE and TIME are those a label run supplies; None checks no word.
py::tuple Verify(const py::str& expression, const std::vector<py::tuple>& fields,
                 const std::optional<std::string>& locale_id,
                 const std::optional<std::vector<std::pair<py::str, value::Variant>>>& words) {
  std::optional<std::vector<std::u16string>> supplied;
  if (words) {
    gdal::RunWords run;
    // Names only; a word given twice is refused when labels are made.
    static_cast<void>(StartWords(run, Given(*words), 0));
    supplied = run.Names();
  }
  std::vector<py::object> owners;
  std::vector<Column> columns;
  for (const py::tuple& field : fields) {
    columns.push_back(
        MakeColumn(py::make_tuple(field[0], field[1], 0, py::none(), py::none()), 0, owners));
  }
  ColumnTable table(std::move(columns));
  const std::u16string text = Utf16(expression);
  evaluator::PeltExpressionEvaluator evaluator;
  bool valid = false;
  std::vector<std::int32_t> used;
  std::vector<std::u16string> warnings;
  {
    py::gil_scoped_release released;
    LocaleScope locale(LocaleFor(locale_id));
    valid = evaluator.VerifyExpression(&table, text) != evaluator::kFalse;
    warnings = ExpressionWarningTexts(text, evaluator, &table, std::move(supplied));
    for (const language::Token& token : evaluator.Tokens()) {
      std::int32_t index = -1;
      if (valid && token.kind == language::TokenKind::kField &&
          table.IndexOfField(token.text, index).ok() && index >= 0) {
        used.push_back(index);
      }
    }
  }
  return py::make_tuple(valid, ToPython(value::Variant::FromText(evaluator.Message())), used,
                        PythonStrings(warnings));
}

// Verifies once, then labels every row. ("invalid", message) or
// ("labelled", (failed, first failed row, its message)) with out filled.
py::tuple LabelFrame(const py::str& expression, const std::vector<py::tuple>& described,
                     std::size_t row_count,
                     const std::vector<std::pair<py::str, value::Variant>>& words,
                     const std::optional<std::string>& locale_id, int jobs, std::int64_t now,
                     py::array out) {
  std::vector<py::object> owners;
  std::vector<Column> columns;
  for (const py::tuple& column : described) {
    columns.push_back(MakeColumn(column, row_count, owners));
  }
  ColumnTable table(std::move(columns));
  const std::u16string text = Utf16(expression);
  gdal::RunWords reserved;
  if (!StartWords(reserved, Given(words), static_cast<std::time_t>(now))) {
    return py::make_tuple("word given twice", py::none());
  }
  std::vector<Labels> labels;
  std::u16string message;
  bool valid = false;
  {
    py::gil_scoped_release released;
    LocaleScope locale(LocaleFor(locale_id));
    evaluator::PeltExpressionEvaluator evaluator;
    valid = evaluator.VerifyExpression(&table, text) != evaluator::kFalse;
    if (valid) {
      labels = LabelRows(table, row_count, text, reserved.collection(), jobs);
    } else {
      message = evaluator.Message();
    }
  }
  if (!valid) {
    return py::make_tuple("invalid", ToPython(value::Variant::FromText(message)));
  }
  StoreLabels(labels, out);
  return py::make_tuple("labelled", LabelSummary(labels));
}

py::tuple LabelGdalSource(const std::string& path, const py::object& layer,
                          const std::vector<std::string>& open_options,
                          const std::optional<std::string>& where, const py::str& expression,
                          const std::vector<std::pair<py::str, value::Variant>>& words,
                          const std::optional<std::string>& locale_id, std::int64_t now) {
  SourceRequest request;
  request.path = path;
  if (py::isinstance<py::int_>(layer)) {
    request.layer = gdal::LayerChoice::AtIndex(layer.cast<std::int32_t>());
  } else if (!layer.is_none()) {
    request.layer = gdal::LayerChoice::Named(layer.cast<std::string>());
  }
  request.open_options = open_options;
  request.where = where;
  request.expression = Utf16(expression);
  request.words = Given(words);
  request.now = static_cast<std::time_t>(now);
  SourceLabels result;
  {
    py::gil_scoped_release released;
    LocaleScope locale(LocaleFor(locale_id));
    result = LabelSource(request);
  }
  const char* outcome = OutcomeName(result.outcome);
  if (result.outcome != SourceLabels::Outcome::kLabelled) {
    return py::make_tuple(outcome, result.message, PythonStrings(result.warnings));
  }
  py::array out(py::dtype("object"),
                std::vector<py::ssize_t>{static_cast<py::ssize_t>(result.fids.size())});
  std::vector<Labels> stretches(1);
  stretches[0] = std::move(result.labels);
  StoreLabels(stretches, out);
  py::array_t<std::int64_t> fids(static_cast<py::ssize_t>(result.fids.size()), result.fids.data());
  return py::make_tuple(outcome, py::make_tuple(out, fids, LabelSummary(stretches)),
                        PythonStrings(result.warnings));
}

// One formatting function on one value, as a label applies it: a function
// that does not apply leaves the value as it came. Gives the result and
// its text form (None for null).
py::tuple ApplyFunction(value::Variant input, const std::string& function,
                        const std::variant<std::int32_t, py::str>& argument,
                        const std::optional<std::string>& locale_id) {
  const std::optional<language::StatementId> id =
      language::StatementByName(value::FromUtf8(function));
  if (!id) throw py::value_error("unknown formatting function " + function);
  language::Argument first;
  if (const auto* decimals = std::get_if<std::int32_t>(&argument)) {
    first = *decimals;
  } else {
    first = Utf16(std::get<py::str>(argument));
  }
  // Not UserLocale(): another thread's LocaleScope may have set it.
  const value::LocaleData& locale =
      value::LocaleDataFor(locale_id ? *locale_id : value::LocaleIdFromEnvironment());
  evaluator::ApplyFormat(input, *id, first, language::Argument(), locale);
  std::u16string text;
  if (value::AppendText(input, locale, text) != value::ErrorCode::kNone) {
    return py::make_tuple(ToPython(input), py::none());
  }
  return py::make_tuple(ToPython(input), ToPython(value::Variant::FromText(std::move(text))));
}

// The warning for count texts a date picture showed as they are, the
// first described by first.
py::str TextNotDateWarning(std::int64_t count, const py::str& first) {
  return PythonString(warnings::TextNotDateWarning(count, Utf16(first)).text);
}

py::dict FieldTypes() {
  py::dict types;
#define PELT_FIELD_TYPE(id, code, name, use) \
  types[ToPython(value::Variant::FromText(std::u16string(name)))] = code;
#include "pelt/host/field_types.def"
#undef PELT_FIELD_TYPE
  return types;
}

py::dict CellKinds() {
  py::dict kinds;
#define PELT_CELL_KIND(id, name) kinds[name] = static_cast<int>(CellKind::id);
  PELT_CELL_KINDS(PELT_CELL_KIND)
#undef PELT_CELL_KIND
  return kinds;
}

}  // namespace
}  // namespace pelt::python

PYBIND11_MODULE(_core, module) {
  namespace py = pybind11;
  using namespace pelt::python;
  module.doc() = "The C++ core of peltexpressions; use the package's own functions.";
  py::class_<pelt::value::Variant>(module, "Value")
      .def_static("null", &ValueBuilders::Null)
      .def_static("boolean", &ValueBuilders::Boolean)
      .def_static("integer", &ValueBuilders::Integer)
      .def_static("double", &ValueBuilders::Double)
      .def_static("text", &ValueBuilders::Text)
      .def_static("date", &ValueBuilders::Date)
      .def("to_python", &ToPython);
  module.attr("FIELD_TYPES") = FieldTypes();
  module.attr("CELL_KINDS") = CellKinds();
  module.def("is_known_locale", &pelt::value::IsKnownLocale);
  module.def("locale_suggestion", &LocaleSuggestion);
  module.def("verify", &Verify);
  module.def("label_frame", &LabelFrame);
  module.def("label_source", &LabelGdalSource);
  module.def("apply_function", &ApplyFunction);
  module.def("text_not_date_warning", &TextNotDateWarning);
}
