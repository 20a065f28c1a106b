#include "label_calls.h"

#include <algorithm>
#include <ctime>

#include "column_table.h"
#include "expression_warnings.h"
#include "frame_labels.h"
#include "label_output.h"
#include "pelt/adapters/gdal/layer_copy.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"
#include "python_columns.h"
#include "python_errors.h"
#include "python_values.h"
#include "reserved_words.h"
#include "source_labels.h"
#include "without_python.h"

namespace pelt::python {
namespace {

// A batch is short enough for Ctrl-C to answer within a fraction of a
// second, and long enough that starting its threads costs next to nothing.
constexpr std::size_t kRowsPerThreadInBatch = std::size_t{1} << 15;
constexpr std::size_t kFeaturesPerBatch = std::size_t{1} << 14;

constexpr const char* kWordGivenTwice =
    "reserved_words names a word twice (names match regardless of case)";

const value::LocaleData* LocaleFor(const std::optional<std::string>& id) {
  return id ? &value::LocaleDataFor(*id) : nullptr;
}

GivenWords Given(const PythonWords& words) {
  GivenWords given;
  for (const auto& [key, word] : words) given.emplace_back(Utf16(key), word);
  return given;
}

py::list PythonStrings(const std::vector<std::u16string>& texts) {
  py::list strings;
  for (const std::u16string& text : texts) strings.append(PythonString(text));
  return strings;
}

// Raises the exception a refusal stands for; returns for kLabelled.
void CheckOutcome(SourceLabeller::Outcome outcome, const std::string& message) {
  using Outcome = SourceLabeller::Outcome;
  switch (outcome) {
    case Outcome::kLabelled: return;
    case Outcome::kNotFound: Raise(PyExc_FileNotFoundError, message);
    case Outcome::kCannotOpen:
    case Outcome::kReadFailed: Raise(PyExc_OSError, message);
    case Outcome::kBadChoice:
    case Outcome::kFilterRefused: Raise(PyExc_ValueError, message);
    case Outcome::kInvalidExpression: throw InvalidExpressionError(message);
    case Outcome::kWordGivenTwice: throw py::value_error(kWordGivenTwice);
    case Outcome::kCopyRefused:
    case Outcome::kCopyFailed: break;
  }
}

// The exception a copy's refusal or failure stands for.
[[noreturn]] void RaiseCopyError(const gdal::CopyError& error) {
  switch (error.kind) {
    case gdal::CopyErrorKind::kOutputExists:
      Raise(PyExc_FileExistsError, error.message + " (pass overwrite=True to replace it)");
    case gdal::CopyErrorKind::kFieldExists:
      Raise(PyExc_ValueError, error.message + " (choose another field)");
    case gdal::CopyErrorKind::kUnknownDriver:
    case gdal::CopyErrorKind::kNotAFile:
    case gdal::CopyErrorKind::kSameAsSource:
    case gdal::CopyErrorKind::kBadFieldName: Raise(PyExc_ValueError, error.message);
    case gdal::CopyErrorKind::kWriteFailed: break;
  }
  Raise(PyExc_OSError, error.message);
}

SourceRequest MakeSourceRequest(const std::string& path, const py::object& layer,
                                const std::vector<std::string>& open_options,
                                const std::optional<std::string>& where,
                                const py::str& expression, const PythonWords& words,
                                std::int64_t now) {
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
  return request;
}

// Opens and verifies (warning through warn), then labels every feature in
// batches, into out and fids.
void LabelAllFeatures(SourceLabeller& labeller, const SourceRequest& request,
                      const value::LocaleData* locale, const py::object& warn,
                      const gdal::CopyOptions* copy, const std::string& to,
                      std::vector<Labels>& out, std::vector<std::int64_t>& fids) {
  SourceLabeller::Outcome outcome = SourceLabeller::Outcome::kLabelled;
  {
    WithoutPython released(locale);
    outcome = labeller.Open(request);
  }
  if (!labeller.warnings().empty()) warn(PythonStrings(labeller.warnings()));
  CheckOutcome(outcome, labeller.message());
  if (copy != nullptr) {
    {
      WithoutPython released(locale);
      outcome = labeller.StartCopy(to, *copy);
    }
    if (outcome != SourceLabeller::Outcome::kLabelled) RaiseCopyError(labeller.copy_error());
  }
  for (bool more = true; more;) {
    Labels& batch = out.emplace_back();
    {
      WithoutPython released(locale);
      more = labeller.LabelMore(kFeaturesPerBatch, batch, fids);
    }
    if (copy != nullptr) {
      // Written already: only the failure counts are kept.
      batch.text = {};
      batch.ends = {};
    }
    StopIfInterrupted();
  }
  {
    WithoutPython released(locale);
    outcome = labeller.Finish();
  }
  if (outcome == SourceLabeller::Outcome::kCopyFailed) RaiseCopyError(labeller.copy_error());
  CheckOutcome(outcome, labeller.message());
}

}  // namespace

py::tuple Verify(const py::str& expression, const std::vector<py::tuple>& fields,
                 const std::optional<std::string>& locale_id,
                 const std::optional<PythonWords>& words) {
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
    WithoutPython released(LocaleFor(locale_id));
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

py::tuple LabelFrame(const py::str& expression, const std::vector<py::tuple>& described,
                     std::size_t row_count, const PythonWords& words,
                     const std::optional<std::string>& locale_id, int jobs, std::int64_t now,
                     py::array out) {
  CheckLabelSlots(out, row_count);
  std::vector<py::object> owners;
  std::vector<Column> columns;
  for (const py::tuple& column : described) {
    columns.push_back(MakeColumn(column, row_count, owners));
  }
  ColumnTable table(std::move(columns));
  const std::u16string text = Utf16(expression);
  gdal::RunWords reserved;
  if (!StartWords(reserved, Given(words), static_cast<std::time_t>(now))) {
    throw py::value_error(kWordGivenTwice);
  }
  const value::LocaleData* locale = LocaleFor(locale_id);
  std::u16string refusal;
  bool valid = false;
  {
    WithoutPython released(locale);
    evaluator::PeltExpressionEvaluator evaluator;
    valid = evaluator.VerifyExpression(&table, text) != evaluator::kFalse;
    if (!valid) refusal = evaluator.Message();
  }
  if (!valid) throw InvalidExpressionError(value::ToUtf8(refusal));
  const std::size_t batch = kRowsPerThreadInBatch * static_cast<std::size_t>(std::max(jobs, 1));
  std::vector<Labels> summaries;
  for (std::size_t first = 0; first < row_count; first += batch) {
    const std::size_t end = std::min(row_count, first + batch);
    std::vector<Labels> labels;
    {
      WithoutPython released(locale);
      labels = LabelRows(table, first, end, text, reserved.collection(), jobs);
    }
    StoreLabels(labels, out, first);
    summaries.push_back(FailureSummary(labels));
    StopIfInterrupted();
  }
  return LabelSummary(summaries);
}

py::tuple LabelGdalSource(const std::string& path, const py::object& layer,
                          const std::vector<std::string>& open_options,
                          const std::optional<std::string>& where, const py::str& expression,
                          const PythonWords& words, const std::optional<std::string>& locale_id,
                          std::int64_t now, const py::object& warn) {
  const SourceRequest request =
      MakeSourceRequest(path, layer, open_options, where, expression, words, now);
  SourceLabeller labeller;
  std::vector<Labels> batches;
  std::vector<std::int64_t> fids;
  LabelAllFeatures(labeller, request, LocaleFor(locale_id), warn, nullptr, "", batches, fids);
  py::array labels(py::dtype("object"),
                   std::vector<py::ssize_t>{static_cast<py::ssize_t>(fids.size())});
  StoreLabels(batches, labels, 0);
  py::array_t<std::int64_t> ids(static_cast<py::ssize_t>(fids.size()), fids.data());
  return py::make_tuple(labels, ids, LabelSummary(batches));
}

py::tuple CopyGdalSource(const std::string& path, const py::object& layer,
                         const std::vector<std::string>& open_options,
                         const std::optional<std::string>& where, const py::str& expression,
                         const PythonWords& words, const std::optional<std::string>& locale_id,
                         std::int64_t now, const py::object& warn, const std::string& to,
                         const std::string& driver, const std::string& field, bool overwrite,
                         const std::string& layer_name) {
  const SourceRequest request =
      MakeSourceRequest(path, layer, open_options, where, expression, words, now);
  gdal::CopyOptions copy;
  copy.driver = driver;
  copy.text_field = field;
  copy.overwrite = overwrite;
  copy.layer_name = layer_name;
  SourceLabeller labeller;
  std::vector<Labels> batches;
  std::vector<std::int64_t> fids;
  LabelAllFeatures(labeller, request, LocaleFor(locale_id), warn, &copy, to, batches, fids);
  py::list renamed;
  for (const gdal::FieldRename& field_rename : labeller.renamed_fields()) {
    renamed.append(py::make_tuple(field_rename.asked, field_rename.written));
  }
  py::array_t<std::int64_t> ids(static_cast<py::ssize_t>(fids.size()), fids.data());
  return py::make_tuple(ids, LabelSummary(batches), renamed);
}

}  // namespace pelt::python
