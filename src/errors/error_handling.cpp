#include "pelt/errors/error_handling.h"

#include <charconv>
#include <initializer_list>

#include "errors/messages.h"
#include "pelt/ui/message_boxes.h"
#include "pelt/value/text.h"

namespace pelt::errors {
namespace {

thread_local bool t_description_formatted = false;

constexpr std::u16string_view kCrLf = u"\r\n";
constexpr std::u16string_view kTab = u"\t";

// In decimal, with a minus sign when negative.
std::u16string NumberText(std::int32_t number) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  std::u16string text;
  value::AppendAscii(text, std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
  return text;
}

std::u16string Joined(std::initializer_list<std::u16string_view> pieces) {
  std::u16string out;
  for (const std::u16string_view piece : pieces) out += piece;
  return out;
}

// The block that describes a failure once: its number and its description,
// each under its heading.
std::u16string FormattedDescription(std::int32_t number, std::u16string_view description) {
  return Joined({kCrLf, MessageText(MessageId::kErrorNumberHeading), kCrLf, kTab,
                 NumberText(number), kCrLf, MessageText(MessageId::kErrorDescriptionHeading), kCrLf,
                 kTab, description, kCrLf, kCrLf});
}

}  // namespace

namespace ErrorHandling {

std::u16string LineLabel(std::int32_t lineNumber) {
  if (lineNumber == 0) return u"";
  return Joined({MessageText(MessageId::kLineLabelOpening), NumberText(lineNumber)});
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
  Raise(Status(number, std::u16string(source), Joined({kTab, callStack, kCrLf, text})));
}

void ShowErrorReport(std::u16string_view callStack, std::u16string_view description) {
  const std::u16string text = Joined({MessageText(MessageId::kErrorReportOpening), kCrLf,
                                      MessageText(MessageId::kErrorReportRecordHint), kCrLf, kCrLf,
                                      MessageText(MessageId::kErrorReportCallStack), kCrLf, kTab,
                                      callStack, kCrLf, description});
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
