// peltexpressions._core: the evaluator, the formatting functions and the
// GDAL adapter for the Python package, which sorts Python's values into the
// shapes taken here. Every call that makes labels releases the GIL
// (label_calls.h).

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "column_table.h"
#include "label_calls.h"
#include "label_output.h"
#include "pelt/adapters/gdal/output_formats.h"
#include "pelt/evaluator/apply_format.h"
#include "pelt/language/statements.h"
#include "pelt/value/conversion.h"
#include "pelt/value/did_you_mean.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"
#include "pelt/warnings/expression_warnings.h"
#include "python_columns.h"
#include "python_errors.h"
#include "prepared_expression.h"
#include "python_values.h"

namespace pelt::python {
namespace {

// "; did you mean 'en_GB'?" after the refusal of a locale ICU has no data
// for, or "".
std::string LocaleSuggestion(const std::string& id) {
  return value::DidYouMean(value::NearestKnownLocales(id));
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
  module.attr("__version__") = PELT_VERSION;
  RegisterExceptions(module);
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
  module.def("copy_source", &CopyGdalSource);
  module.def("driver_for_file_name", &pelt::gdal::DriverForFileName);
  module.def("apply_function", &ApplyFunction);
  module.def("text_not_date_warning", &TextNotDateWarning);
  py::class_<PreparedExpression>(module, "PreparedExpression")
      .def(py::init<const py::str&, const std::vector<py::tuple>&,
                    const std::optional<std::string>&, py::object>())
      .def("label", &PreparedExpression::Label)
      .def("label_rows", &PreparedExpression::LabelRows)
      .def_property_readonly("fields_used", &PreparedExpression::FieldsUsed)
      .def_property_readonly("words_used", &PreparedExpression::WordsUsed);
}
