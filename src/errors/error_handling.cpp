#include "pelt/errors/error_handling.h"

#include <charconv>

#include "errors/messages.h"
#include "pelt/ui/message_boxes.h"
#include "pelt/value/text.h"

namespace pelt::errors {
namespace {

thread_local bool t_description_formatted = false;

constexpr std::u16string_view kCrLf = u"\r\n";

void AppendNumber(std::int32_t number, std::u16string& out) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  value::AppendAscii(out, std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

// CR LF, number heading, CR LF TAB number CR LF, description heading, CR LF
// TAB description CR LF CR LF
std::u16string FormattedDescription(std::int32_t number, std::u16string_view description) {
  std::u16string out;
  out += kCrLf;
  out += MessageText(MessageId::kErrorNumberHeading);
  out += kCrLf;
  out += u'\t';
  AppendNumber(number, out);
  out += kCrLf;
  out += MessageText(MessageId::kErrorDescriptionHeading);
  out += kCrLf;
  out += u'\t';
  out += description;
  out += kCrLf;
  out += kCrLf;
  return out;
}

}  // namespace

namespace ErrorHandling {

std::u16string LineLabel(std::int32_t lineNumber) {
  if (lineNumber == 0) return u"";
  std::u16string label(MessageText(MessageId::kLineLabelOpening));
  AppendNumber(lineNumber, label);
  return label;
}

void ReportError(bool showHere, std::u16string_view callStack, std::int32_t number,
                 std::u16string_view source, std::u16string_view description) {
  std::u16string text = t_description_formatted ? std::u16string(description)
                                                : FormattedDescription(number, description);
  if (showHere) {
    t_description_formatted = false;
    ShowErrorReport(callStack, text);
    return;
  }
  t_description_formatted = true;
  std::u16string passed;
  passed += u'\t';
  passed += callStack;
  passed += kCrLf;
  passed += text;
  Raise(Status(number, std::u16string(source), std::move(passed)));
}

void ShowErrorReport(std::u16string_view callStack, std::u16string_view description) {
  std::u16string text;
  text += MessageText(MessageId::kErrorReportOpening);
  text += kCrLf;
  text += MessageText(MessageId::kErrorReportRecordHint);
  text += kCrLf;
  text += kCrLf;
  text += MessageText(MessageId::kErrorReportCallStack);
  text += kCrLf;
  text += u'\t';
  text += callStack;
  text += kCrLf;
  text += description;
  ui::MessageBoxes& boxes = ui::ActiveMessageBoxes();
  boxes.Beep();
  boxes.Show(text, MessageText(MessageId::kErrorReportTitle), ui::MessageBoxStyle::kExclamation);
}

bool DescriptionFormatted() { return t_description_formatted; }

}  // namespace ErrorHandling

std::u16string CallStackLine(const ProcedureSite& site, std::int32_t line) {
  std::u16string out;
  out += site.procedure;
  out += site.module;
  out += u' ';
  out += ErrorHandling::LineLabel(line);
  return out;
}

void ReportCurrentFailure(const ProcedureSite& site, OnFailure on_failure) {
  const Status failure = CurrentFailure();
  if (on_failure == OnFailure::kPassUp) {
    ErrorHandling::ReportError(/*showHere=*/false, CallStackLine(site), failure.number(),
                               failure.source(), failure.description());
  }
  try {
    ErrorHandling::ReportError(/*showHere=*/true, CallStackLine(site), failure.number(),
                               failure.source(), failure.description());
  } catch (...) {
    // Showing the report is the last resort: when even that fails (no memory
    // for the text), the procedure still ends normally, as it must.
  }
}

}  // namespace pelt::errors
