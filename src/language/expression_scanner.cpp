#include "language/expression_scanner.h"

#include <limits>

#include "language/characters.h"
#include "language/messages.h"
#include "language/text_scanner.h"
#include "pelt/errors/failure.h"

namespace pelt::language {
namespace {

// The scan as a machine of three states over the expression's characters:
//
//   kNone   no bracket met yet
//   kOpen   inside a field name, since the "[" at open_
//   kClose  after a field and its statements, which end at close_
//
// Literal text is handed on when the next "[" comes or the expression ends;
// characters other than brackets are skipped in one sweep.
class Scanner {
 public:
  Scanner(std::u16string_view expression, ScanTarget target, ScanProcedures& procedures)
      : expression_(expression),
        target_(target),
        procedures_(procedures),
        allowance_(expression.size()) {}

  bool Run();

 private:
  enum class State { kNone, kOpen, kClose };

  bool Succeed() { return target_.valid = true; }
  bool Fail(MessageId id) {
    target_.message.assign(MessageText(id));
    return target_.valid = false;
  }

  // Hands expression[begin, end) to the text scanner; nothing when empty.
  void FlushText(std::size_t begin, std::size_t end);
  // At the "[" at index.
  bool OpenField(std::size_t index);
  // At the "]" at index; moves index to the field's last character.
  bool CloseField(std::size_t& index);

  std::u16string_view expression_;
  ScanTarget target_;
  ScanProcedures& procedures_;
  ArgumentAllowance allowance_;
  std::vector<Token> stretch_tokens_;  // reused for every stretch
  State state_ = State::kNone;
  std::size_t open_ = 0;   // index of the "[" of the current field
  std::size_t close_ = 0;  // index of the last character of the last field
};

void Scanner::FlushText(std::size_t begin, std::size_t end) {
  if (begin >= end) return;
  stretch_tokens_.clear();
  procedures_.ScanText(expression_, begin, end - begin, stretch_tokens_);
  target_.tokens.Append(std::move(stretch_tokens_));
}

bool Scanner::OpenField(std::size_t index) {
  switch (state_) {
    case State::kOpen: return Fail(MessageId::kNestedOpenBracket);
    case State::kClose: FlushText(close_ + 1, index); break;
    case State::kNone: FlushText(0, index); break;
  }
  state_ = State::kOpen;
  open_ = index;
  return true;
}

bool Scanner::CloseField(std::size_t& index) {
  if (state_ != State::kOpen) return Fail(MessageId::kNestedCloseBracket);
  if (index == open_ + 1) return Fail(MessageId::kEmptyFieldName);
  std::int32_t position = ToPosition(index);
  FormatParseResult result =
      procedures_.ParseStatements(expression_, position, ToPosition(open_), allowance_);
  if (!result.succeeded) {
    if (result.message.data() != target_.message.data()) target_.message.assign(result.message);
    return target_.valid = false;
  }
  // A result that does not describe a chain after this field cannot be
  // trusted to move the scan forward.
  if (result.position < ToPosition(index) || ToIndex(result.position) >= expression_.size() ||
      result.entries.empty()) {
    return Fail(MessageId::kMalformedParseResult);
  }
  Token& token = target_.tokens.AppendNew();
  token.kind = TokenKind::kField;
  token.text.assign(expression_.substr(open_ + 1, index - open_ - 1));
  token.formats = std::move(result.entries);
  index = ToIndex(result.position);
  token.offset = static_cast<std::uint32_t>(open_);
  token.length = static_cast<std::uint32_t>(index + 1 - open_);
  state_ = State::kClose;
  close_ = index;
  return true;
}

bool Scanner::Run() {
  if (expression_.empty()) return Fail(MessageId::kExpressionEmpty);
  if (expression_.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    errors::Raise(value::ErrorCode::kOverflow, u"EvaluateExpression");
  }
  const bool has_open = expression_.find(u'[') != std::u16string_view::npos;
  const bool has_close = expression_.find(u']') != std::u16string_view::npos;
  if (!has_open && !has_close) {
    target_.message.assign(MessageText(MessageId::kExpressionValid));
    FlushText(0, expression_.size());
    return Succeed();
  }
  if (!has_close) return Fail(MessageId::kNoCloseBracket);
  if (!has_open) return Fail(MessageId::kNoOpenBracket);

  const std::size_t length = expression_.size();
  std::size_t index = 0;
  while (index < length) {
    switch (ClassOf(expression_[index])) {
      case CharClass::kOpen:
        if (!OpenField(index)) return false;
        break;
      case CharClass::kClose:
        if (!CloseField(index)) return false;
        break;
      default: {
        // Up to the next bracket nothing changes; text after the last field
        // is handed on when the expression ends.
        std::size_t next = index + 1;
        while (next < length && !IsBracket(expression_[next])) ++next;
        if (next == length) {
          if (state_ == State::kClose) FlushText(close_ + 1, length);
          index = length;
        } else {
          index = next;
        }
        continue;
      }
    }
    ++index;
  }
  if (state_ == State::kOpen) return Fail(MessageId::kUnclosedField);
  return Succeed();
}

}  // namespace

void DirectScanProcedures::ScanText(std::u16string_view expression, std::size_t offset,
                                    std::size_t length, std::vector<Token>& out) {
  ScanLiteralText(expression, offset, length, out);
}

FormatParseResult DirectScanProcedures::ParseStatements(std::u16string_view expression,
                                                        std::int32_t& position,
                                                        std::int32_t open_position,
                                                        ArgumentAllowance& allowance) {
  return ParseFormattingStatements(expression, position, open_position, target_, allowance);
}

bool ScanExpression(std::u16string_view expression, ScanTarget target, ScanProcedures& procedures) {
  try {
    target.tokens.Clear();
    return Scanner(expression, target, procedures).Run();
  } catch (...) {
    SetFailureMessage(target.message, MessageId::kScannerFailure);
    target.valid = false;
    return false;
  }
}

bool ScanExpression(std::u16string_view expression, ScanTarget target) {
  DirectScanProcedures procedures(target);
  return ScanExpression(expression, target, procedures);
}

}  // namespace pelt::language
