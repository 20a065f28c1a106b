#include "prepared_expression.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <utility>

#include "frame_labels.h"
#include "label_output.h"
#include "pelt/adapters/gdal/run_words.h"
#include "pelt/value/text.h"
#include "python_columns.h"
#include "python_errors.h"
#include "python_values.h"
#include "reserved_words.h"
#include "without_python.h"

namespace pelt::python {
namespace {

constexpr const char* kWordGivenTwice =
    "reserved_words names a word twice (names match regardless of case)";

std::vector<host::FieldSpec> FieldSpecs(const std::vector<py::tuple>& fields) {
  std::vector<host::FieldSpec> columns;
  columns.reserve(fields.size());
  for (const py::tuple& field : fields) {
    columns.push_back({Utf16(field[0].cast<py::str>()),
                     static_cast<host::FieldType>(field[1].cast<std::int32_t>())});
  }
  return columns;
}

bool SameFolded(const std::u16string& a, const std::u16string& b) {
  return value::CaseFold(a) == value::CaseFold(b);
}

void AddOnce(std::vector<std::u16string>& names, const std::u16string& name) {
  const bool known = std::any_of(names.begin(), names.end(), [&](const std::u16string& seen) {
    return SameFolded(seen, name);
  });
  if (!known) names.push_back(name);
}

// The words a label is given: the caller's, then DATE and TIME of now.
void StartRowWords(gdal::RunWords& run, const PythonWords& words) {
  GivenWords given;
  for (const auto& [key, word] : words) given.emplace_back(Utf16(key), word);
  if (!StartWords(run, given, std::time(nullptr))) throw py::value_error(kWordGivenTwice);
}

py::list Strings(const std::vector<std::u16string>& texts) {
  py::list strings;
  for (const std::u16string& text : texts) strings.append(PythonString(text));
  return strings;
}

}  // namespace

PreparedExpression::PreparedExpression(const py::str& expression,
                                       const std::vector<py::tuple>& fields,
                                       const std::optional<std::string>& locale_id,
                                       py::object to_value)
    : expression_(Utf16(expression)),
      table_(FieldSpecs(fields)),
      field_count_(fields.size()),
      read_(fields.size(), false),
      locale_(locale_id ? &value::LocaleDataFor(*locale_id) : nullptr),
      to_value_(std::move(to_value)) {
  bool valid = false;
  std::u16string refusal;
  {
    WithoutPython released(locale_);
    valid = evaluator_.VerifyExpression(&table_, expression_) != evaluator::kFalse;
    if (!valid) refusal = evaluator_.Message();
    for (const language::Token& token : evaluator_.Tokens()) {
      std::int32_t index = -1;
      if (token.kind == language::TokenKind::kField) {
        AddOnce(fields_used_, token.text);
        if (table_.IndexOfField(token.text, index).ok() && index >= 0) {
          read_.at(static_cast<std::size_t>(index)) = true;
        }
      }
      if (token.kind == language::TokenKind::kReservedWord) AddOnce(words_used_, token.text);
    }
  }
  if (!valid) throw InvalidExpressionError(value::ToUtf8(refusal));
}

py::list PreparedExpression::FieldsUsed() const { return Strings(fields_used_); }
py::list PreparedExpression::WordsUsed() const { return Strings(words_used_); }

value::Variant PreparedExpression::CellValue(const py::handle& cell) {
  // The common kinds are read here; the rest as the package reads them.
  PyObject* object = cell.ptr();
  if (object == Py_None) return value::Variant::Null();
  if (PyBool_Check(object)) return value::Variant::FromBoolean(object == Py_True);
  if (PyLong_CheckExact(object)) {
    int overflow = 0;
    const long long number = PyLong_AsLongLongAndOverflow(object, &overflow);
    if (overflow == 0 && !(number == -1 && PyErr_Occurred())) {
      return ValueBuilders::Integer(number);
    }
    PyErr_Clear();
  } else if (PyFloat_CheckExact(object)) {
    const double number = PyFloat_AS_DOUBLE(object);
    return std::isnan(number) ? value::Variant::Null() : value::Variant::FromDouble(number);
  } else if (PyUnicode_CheckExact(object)) {
    std::u16string text;
    AppendUtf16(object, text);
    return value::Variant::FromText(std::move(text));
  }
  return to_value_(cell).cast<value::Variant>();
}

std::vector<value::Variant> PreparedExpression::RowValues(const py::handle& row) {
  const py::sequence cells = py::reinterpret_borrow<py::sequence>(row);
  if (static_cast<std::size_t>(py::len(cells)) != field_count_) {
    throw py::value_error("a row must hold one value per field (" + std::to_string(field_count_) +
                          "), not " + std::to_string(py::len(cells)));
  }
  std::vector<value::Variant> values;
  values.reserve(field_count_);
  for (const py::handle cell : cells) {
    values.push_back(read_[values.size()] ? CellValue(cell) : value::Variant::Null());
  }
  return values;
}

py::str PreparedExpression::Label(const py::sequence& values, const PythonWords& words) {
  host::MemoryRow row(RowValues(values));
  gdal::RunWords run;
  StartRowWords(run, words);
  std::u16string label;
  {
    WithoutPython released(locale_);
    const std::lock_guard<std::mutex> turn(evaluator_lock_);
    const std::u16string_view made =
        evaluator_.MakeLabelView(&table_, &row, expression_, run.collection());
    if (evaluator_.LastCallSucceeded()) label = made;
  }
  return ToPython(value::Variant::FromText(std::move(label)));
}

py::tuple PreparedExpression::LabelRows(const py::sequence& rows, const PythonWords& words,
                                        const std::optional<std::vector<std::int64_t>>& fids,
                                        std::int64_t first_row) {
  const std::size_t count = static_cast<std::size_t>(py::len(rows));
  if (fids && fids->size() != count) throw py::value_error("fids must hold one id per row");
  std::vector<host::MemoryRow> cells;
  cells.reserve(count);
  for (const py::handle row : rows) cells.emplace_back(RowValues(row));
  gdal::RunWords run;
  StartRowWords(run, words);
  if (fids) run.AddLayer("", "");
  Labels labels;
  {
    WithoutPython released(locale_);
    const std::lock_guard<std::mutex> turn(evaluator_lock_);
    UnreadDateCount unread(labels);
    labels.ends.reserve(count);
    (void)evaluator_.PrepareLabels(&table_, expression_, run.collection());
    for (std::size_t i = 0; i < count; ++i) {
      if (fids) run.SetFeature((*fids)[i], first_row + static_cast<std::int64_t>(i));
      unread.Start(static_cast<std::int64_t>(i));
      const std::u16string_view made = evaluator_.MakePreparedLabel(&cells[i]);
      if (evaluator_.LastCallSucceeded()) {
        labels.text += made;
      } else if (labels.failed++ == 0) {
        labels.first_failed_row = static_cast<std::int64_t>(i);
        labels.first_failure = value::ToUtf8(evaluator_.Message());
      }
      labels.ends.push_back(labels.text.size());
    }
    unread.Finish();
  }
  py::array out(py::dtype("object"), std::vector<py::ssize_t>{static_cast<py::ssize_t>(count)});
  const std::vector<Labels> batches{std::move(labels)};
  StoreLabels(batches, out, 0);
  return py::make_tuple(py::list(out), LabelSummary(batches));
}

}  // namespace pelt::python
