// Scans arbitrary text as a label expression, with the statement parser, and
// verifies it against a small table. Checks that nothing crashes or hangs,
// that every token's span lies inside the input and spells the token, that a
// failed scan always leaves a message, and that scanning the same input
// twice gives the same tokens. The warnings about the expression are found
// on every input too: each has a text and a span inside the input, and the
// same tokens give the same warnings.
//
// The input is read twice: as UTF-8 (ill-formed sequences become U+FFFD),
// and as raw UTF-16 units, which reach lone surrogates too.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "language/expression_scanner.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/ui/message_boxes.h"
#include "pelt/value/text.h"
#include "pelt/warnings/expression_warnings.h"
#include "support/dump.h"
#include "support/recording_message_boxes.h"

namespace {

using pelt::language::ScanOutcome;
using pelt::language::Token;
using pelt::language::TokenKind;

void CheckTokens(std::u16string_view expression, const ScanOutcome& outcome) {
  Check(pelt::testing::SpanProblems(expression, outcome.tokens).empty(),
        "every span inside the input, in order, spelling its token");
  for (const Token& token : outcome.tokens) {
    Check(!token.text.empty(), "item 2 never empty");
    Check(token.kind != TokenKind::kField || !token.formats.empty(),
          "a field has at least one entry");
  }
}

pelt::host::MemoryTable& Table() {
  static pelt::host::MemoryTable table({{u"A", pelt::host::FieldType::kString},
                                        {u"NAME", pelt::host::FieldType::kInteger},
                                        {u"SHAPE", pelt::host::FieldType::kGeometry}});
  return table;
}

void CheckWarnings(std::u16string_view expression, const pelt::language::TokenList& tokens) {
  pelt::warnings::WarningContext context;
  context.table = &Table();
  context.supplied_words = std::vector<std::u16string>{u"PAGE_NUMBER", u"DATE", u"ROW"};
  context.shell_process_ids = std::vector<std::int64_t>{8621, 1};
  const auto found = pelt::warnings::ExpressionWarnings(expression, tokens, context);
  for (const pelt::warnings::Warning& warning : found) {
    Check(!warning.text.empty(), "a warning has a text");
    Check(std::size_t{warning.offset} + warning.length <= expression.size(),
          "a warning's span lies inside the input");
  }
  Check(found == pelt::warnings::ExpressionWarnings(expression, tokens, context),
        "the same warnings twice");
  const std::u16string given[] = {u"PAGE_NUMBER", u"UNUSED"};
  for (const auto& unused : pelt::warnings::UnusedWordWarnings(tokens, given)) {
    Check(!unused.text.empty(), "an unused word's warning has a text");
  }
  if (const auto cut = pelt::warnings::PictureWarning(expression)) {
    Check(cut->offset < expression.size() && expression[cut->offset] == u')',
          "a cut picture's span starts at its ')'");
  }
}

void Exercise(const std::u16string& expression) {
  ScanOutcome first;
  const bool valid = pelt::language::ScanExpression(expression, first.Target());
  Check(valid == first.valid, "the result equals the valid flag");
  Check(!first.message.empty(), "a scan always leaves a message");
  if (valid) Check(!first.tokens.empty(), "a successful scan leaves tokens");
  CheckTokens(expression, first);

  ScanOutcome second;
  second.message = u"left over";
  const bool again = pelt::language::ScanExpression(expression, second.Target());
  Check(again == valid && second.message == first.message, "the same verdict twice");
  Check(second.tokens.Count() == first.tokens.Count() &&
            std::equal(first.tokens.begin(), first.tokens.end(), second.tokens.begin()),
        "the same tokens twice");

  static pelt::testing::RecordingMessageBoxes boxes;
  pelt::ui::ScopedMessageBoxes scope(boxes);
  pelt::evaluator::PeltExpressionEvaluator evaluator;
  evaluator.ShowMessages(pelt::evaluator::kTrue);
  const auto verified = evaluator.VerifyExpression(&Table(), expression);
  Check(!evaluator.Message().empty(), "verification always leaves a message");
  if (!valid) {
    Check(verified == pelt::evaluator::kFalse && evaluator.Message() == first.message,
          "a failed scan fails verification with its message");
  }
  Check(boxes.events().size() == 1, "one box per verification");
  boxes.Clear();

  CheckWarnings(expression, evaluator.Tokens());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Exercise(pelt::value::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size)));
  std::u16string units(size / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  Exercise(units);
  return 0;
}
