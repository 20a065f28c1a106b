// peltexpressions._core: the evaluator, the formatting functions and the
// GDAL adapter for the Python package, which sorts Python's values into the
// shapes taken here. Every call that makes labels releases the GIL.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <bit>
#include <ctime>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "column_table.h"
#include "frame_labels.h"
#include "locale_scope.h"
#include "pelt/evaluator/apply_format.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/language/statements.h"
#include "pelt/value/conversion.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"
#include "python_values.h"
#include "reserved_words.h"
#include "source_labels.h"

namespace pelt::python {
namespace {

using WordList = std::vector<std::pair<std::u16string, value::Variant>>;

std::u16string Utf16(const py::str& text) {
  std::u16string out;
  AppendUtf16(text.ptr(), out);
  return out;
}

// nullptr for None: the environment's locale. The caller has checked the id.
const value::LocaleData* LocaleFor(const std::optional<std::string>& id) {
  return id ? &value::LocaleDataFor(*id) : nullptr;
}

ReservedWords::Given GivenWords(const std::vector<std::pair<py::str, value::Variant>>& words) {
  ReservedWords::Given given;
  for (const auto& [key, word] : words) given.emplace_back(Utf16(key), word);
  return given;
}

// A label as a Python str. Most labels hold no surrogates and are copied
// straight; a lone surrogate becomes U+FFFD, as in the library's UTF-8.
PyObject* PythonText(std::u16string_view text) {
  const bool plain = std::none_of(text.begin(), text.end(),
                                  [](char16_t c) { return c >= 0xD800 && c <= 0xDFFF; });
  if (plain) {
    return PyUnicode_FromKindAndData(PyUnicode_2BYTE_KIND, text.data(),
                                     static_cast<Py_ssize_t>(text.size()));
  }
  int byte_order = std::endian::native == std::endian::little ? -1 : 1;
  return PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(text.data()),
                               static_cast<Py_ssize_t>(text.size() * sizeof(char16_t)), "replace",
                               &byte_order);
}

// Writes the labels, stretch after stretch, into the slots of a numpy
// object array, replacing what the slots held.
void StoreLabels(const std::vector<Labels>& stretches, py::array& out) {
  std::size_t count = 0;
  for (const Labels& labels : stretches) count += labels.ends.size();
  if (out.dtype().kind() != 'O' || out.ndim() != 1 ||
      static_cast<std::size_t>(out.shape(0)) != count ||
      (out.flags() & py::array::c_style) == 0) {
    throw py::value_error("out must be a contiguous object array with one slot per row");
  }
  auto** slot = static_cast<PyObject**>(out.mutable_data());
  for (const Labels& labels : stretches) {
    std::size_t begin = 0;
    for (const std::size_t end : labels.ends) {
      PyObject* text = PythonText(std::u16string_view(labels.text).substr(begin, end - begin));
      if (text == nullptr) throw py::error_already_set();
      Py_XDECREF(*slot);
      *slot++ = text;
      begin = end;
    }
  }
}

py::tuple LabelSummary(const std::vector<Labels>& stretches) {
  const Labels summary = FailureSummary(stretches);
  return py::make_tuple(summary.failed, summary.first_failed_row, summary.first_failure);
}

// Every row reads a cell of every array, so a short array would read
// beyond its end.
void CheckLength(const py::array& cells, std::size_t row_count) {
  if (cells.ndim() != 1 || static_cast<std::size_t>(cells.shape(0)) != row_count) {
    throw py::value_error("a column's cells must be one per row");
  }
}

// A column as the Python side hands it over: (name, type code, cell kind,
// cells, missing). Numeric cells are kept in `owners` while the table lives.
Column MakeColumn(const py::tuple& spec, std::size_t row_count, std::vector<py::object>& owners) {
  Column column;
  column.name = Utf16(spec[0].cast<py::str>());
  column.type = static_cast<host::FieldType>(spec[1].cast<std::int32_t>());
  column.kind = static_cast<CellKind>(spec[2].cast<std::uint8_t>());
  const py::object cells = spec[3];
  if (!spec[4].is_none()) {
    auto missing = py::array_t<std::uint8_t, py::array::c_style | py::array::forcecast>(spec[4]);
    CheckLength(missing, row_count);
    column.missing = missing.data();
    owners.push_back(std::move(missing));
  }
  auto keep = [&](auto array) {
    CheckLength(array, row_count);
    column.cells = array.data();
    owners.push_back(std::move(array));
  };
  switch (column.kind) {
    case CellKind::kNone: break;
    case CellKind::kBoolean:
      keep(py::array_t<std::uint8_t, py::array::c_style | py::array::forcecast>(cells));
      break;
    case CellKind::kSmallInteger:
    case CellKind::kInteger:
    case CellKind::kDate:
      keep(py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>(cells));
      break;
    case CellKind::kReal:
      keep(py::array_t<double, py::array::c_style | py::array::forcecast>(cells));
      break;
    case CellKind::kText: {
      // Copied once, so that the labels are made without Python.
      const auto items = py::array::ensure(cells, py::array::c_style);
      if (!items || items.dtype().kind() != 'O') {
        throw py::type_error("text cells must be an object array");
      }
      CheckLength(items, row_count);
      const auto count = static_cast<std::size_t>(items.shape(0));
      auto* const* objects = static_cast<PyObject* const*>(items.data());
      // Sized once: a character beyond the BMP takes two units.
      std::size_t units = 0;
      for (std::size_t i = 0; i < count; ++i) {
        PyObject* item = objects[i];
        if (item == nullptr || PyUnicode_Check(item) == 0) continue;
        const auto length = static_cast<std::size_t>(PyUnicode_GET_LENGTH(item));
        units += PyUnicode_KIND(item) == PyUnicode_4BYTE_KIND ? 2 * length : length;
      }
      column.text.reserve(units);
      column.text_ends.reserve(count);
      column.text_null.reserve(count);
      for (std::size_t i = 0; i < count; ++i) {
        PyObject* item = objects[i];
        const bool is_text = item != nullptr && PyUnicode_Check(item) != 0;
        if (is_text) AppendUtf16(item, column.text);
        column.text_null.push_back(is_text ? 0 : 1);
        column.text_ends.push_back(column.text.size());
      }
      break;
    }
  }
  return column;
}

// The verdict on an expression against fields given as (name, type code),
// and the positions of the fields it names: only those need their cells.
py::tuple Verify(const py::str& expression, const std::vector<py::tuple>& fields,
                 const std::optional<std::string>& locale_id) {
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
  {
    py::gil_scoped_release released;
    LocaleScope locale(LocaleFor(locale_id));
    valid = evaluator.VerifyExpression(&table, text) != evaluator::kFalse;
    for (const language::Token& token : evaluator.Tokens()) {
      std::int32_t index = -1;
      if (valid && token.kind == language::TokenKind::kField &&
          table.IndexOfField(token.text, index).ok() && index >= 0) {
        used.push_back(index);
      }
    }
  }
  return py::make_tuple(valid, ToPython(value::Variant::FromText(evaluator.Message())), used);
}

// Verifies once, then labels every row. ("invalid", message) or
// ("labelled", (failed, first failed row, its message)) with out filled.
py::tuple LabelFrame(const py::str& expression, const std::vector<py::tuple>& specs,
                     std::size_t row_count,
                     const std::vector<std::pair<py::str, value::Variant>>& words,
                     const std::optional<std::string>& locale_id, int jobs, std::int64_t now,
                     py::array out) {
  std::vector<py::object> owners;
  std::vector<Column> columns;
  for (const py::tuple& spec : specs) columns.push_back(MakeColumn(spec, row_count, owners));
  ColumnTable table(std::move(columns));
  const std::u16string text = Utf16(expression);
  ReservedWords reserved;
  if (!reserved.Build(GivenWords(words), static_cast<std::time_t>(now))) {
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
  request.words = GivenWords(words);
  request.now = static_cast<std::time_t>(now);
  SourceLabels result;
  {
    py::gil_scoped_release released;
    LocaleScope locale(LocaleFor(locale_id));
    result = LabelSource(request);
  }
  static constexpr const char* kOutcomes[] = {
      "labelled", "not found",        "cannot open", "bad choice", "where refused",
      "invalid",  "word given twice", "read failed"};
  const char* outcome = kOutcomes[static_cast<int>(result.outcome)];
  if (result.outcome != SourceLabels::Outcome::kLabelled) {
    return py::make_tuple(outcome, result.message);
  }
  py::array out(py::dtype("object"),
                std::vector<py::ssize_t>{static_cast<py::ssize_t>(result.fids.size())});
  std::vector<Labels> stretches(1);
  stretches[0] = std::move(result.labels);
  StoreLabels(stretches, out);
  py::array_t<std::int64_t> fids(static_cast<py::ssize_t>(result.fids.size()), result.fids.data());
  return py::make_tuple(outcome, py::make_tuple(out, fids, LabelSummary(stretches)));
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
  const value::LocaleData& locale =
      locale_id ? value::LocaleDataFor(*locale_id) : value::UserLocale();
  evaluator::ApplyFormat(input, *id, first, language::Argument(), locale);
  std::u16string text;
  if (value::AppendText(input, locale, text) != value::ErrorCode::kNone) {
    return py::make_tuple(ToPython(input), py::none());
  }
  return py::make_tuple(ToPython(input), ToPython(value::Variant::FromText(std::move(text))));
}

py::dict FieldTypes() {
  py::dict types;
#define PELT_FIELD_TYPE(id, code, name) \
  types[ToPython(value::Variant::FromText(std::u16string(name)))] = code;
#include "pelt/host/field_types.def"
#undef PELT_FIELD_TYPE
  return types;
}

py::dict CellKinds() {
  py::dict kinds;
  kinds["none"] = static_cast<int>(CellKind::kNone);
  kinds["boolean"] = static_cast<int>(CellKind::kBoolean);
  kinds["small_integer"] = static_cast<int>(CellKind::kSmallInteger);
  kinds["integer"] = static_cast<int>(CellKind::kInteger);
  kinds["real"] = static_cast<int>(CellKind::kReal);
  kinds["date"] = static_cast<int>(CellKind::kDate);
  kinds["text"] = static_cast<int>(CellKind::kText);
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
  module.def("verify", &Verify);
  module.def("label_frame", &LabelFrame);
  module.def("label_source", &LabelGdalSource);
  module.def("apply_function", &ApplyFunction);
}
