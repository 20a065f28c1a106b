#include "language/statement_parser.h"

#include <array>
#include <cassert>
#include <exception>

#include "language/characters.h"
#include "language/messages.h"
#include "pelt/value/conversion.h"
#include "pelt/value/locale.h"

namespace pelt::language {
namespace {

constexpr std::size_t kStatementCount = static_cast<std::size_t>(StatementId::kUCase);

constexpr char16_t AsciiLower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool StartsWithAscii(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCaseFast(text.substr(0, prefix.size()), prefix);
}

std::array<const StatementInfo*, kStatementCount> BuildTryOrder() {
  std::array<const StatementInfo*, kStatementCount> order{};
  std::size_t count = 0;
  for (const StatementInfo& info : Statements()) {
    std::size_t at = count;
    for (std::size_t i = 0; i < count; ++i) {
      if (StartsWithAscii(info.name, order[i]->name)) {
        at = i;
        break;
      }
    }
    for (std::size_t i = count; i > at; --i) order[i] = order[i - 1];
    order[at] = &info;
    ++count;
  }
  assert(count == kStatementCount);
  return order;
}

// The message prefix of a statement that can be malformed.
MessageId ImproperMessage(StatementId id) {
  switch (id) {
    case StatementId::kFormatNumber: return MessageId::kImproperFormatNumber;
    case StatementId::kFormat: return MessageId::kImproperFormat;
    case StatementId::kLeft: return MessageId::kImproperLeft;
    case StatementId::kMid: return MessageId::kImproperMid;
    case StatementId::kReplace: return MessageId::kImproperReplace;
    case StatementId::kRight: return MessageId::kImproperRight;
    case StatementId::kRound: return MessageId::kImproperRound;
    case StatementId::kSpaces: return MessageId::kImproperSpaces;
    default: break;
  }
  assert(false && "statements without arguments cannot be malformed");
  return MessageId::kParserFailure;
}

// The statement whose "." + name is written at index, or nullptr. Only the
// characters the name has are compared; what follows does not matter.
const StatementInfo* MatchStatement(std::u16string_view expression, std::size_t index) {
  if (index + 1 >= expression.size() || expression[index] != u'.') return nullptr;
  const std::u16string_view after_dot = expression.substr(index + 1);
  // Most names are ruled out by their first letter. A character beyond ASCII
  // may still fold to a letter of a name, so it rules nothing out.
  const char16_t first = after_dot[0];
  const bool ascii_first = first < 128;
  const char16_t first_lower = AsciiLower(first);
  for (const StatementInfo* info : StatementTryOrder()) {
    const std::u16string_view name = info->name;
    if (ascii_first && AsciiLower(name[0]) != first_lower) continue;
    if (EqualsNoCaseFast(after_dot.substr(0, name.size()), name)) return info;
  }
  return nullptr;
}

enum class Outcome { kRead, kMalformed, kMalformedUnclosed, kUnexpected };

// Reads the arguments of statement, whose "(" should stand at index open,
// into entry; on kRead, *end is the index of the ")" that closes it.
class ArgumentReader {
 public:
  ArgumentReader(std::u16string_view expression, const value::LocaleData& locale,
                 ArgumentAllowance& allowance)
      : expression_(expression), locale_(locale), allowance_(allowance) {}

  Outcome Read(const StatementInfo& statement, std::size_t open, FormatEntry& entry,
               std::size_t& end) {
    // "(" rest, where rest runs to the end of the expression.
    if (open >= expression_.size() || expression_[open] != u'(') return Outcome::kMalformed;
    const std::size_t rest = open + 1;
    const std::size_t close = expression_.find(u')', rest);
    if (close == std::u16string_view::npos) {
      return statement.arguments == StatementArguments::kTwoTexts ? Outcome::kMalformedUnclosed
                                                                   : Outcome::kMalformed;
    }
    const std::u16string_view inside = Slice(rest, close);
    Outcome outcome = Outcome::kRead;
    switch (statement.arguments) {
      case StatementArguments::kNumber:
        outcome = Number(inside, entry.first);
        break;
      case StatementArguments::kText:
        outcome = Text(inside, entry.first);
        break;
      case StatementArguments::kTwoNumbers:
      case StatementArguments::kTwoTexts:
        outcome = Pair(statement.arguments == StatementArguments::kTwoNumbers, rest, entry);
        break;
      case StatementArguments::kNone:
        assert(false && "statements without arguments are read by the caller");
        break;
    }
    end = close;
    return outcome;
  }

 private:
  std::u16string_view Slice(std::size_t from, std::size_t to) const {
    return expression_.substr(from, to - from);
  }

  // number := text the locale reads as a number
  Outcome Number(std::u16string_view text, Argument& out) const {
    const value::Converted<double> number = value::ParseNumber(text, locale_);
    if (!number.ok()) return Outcome::kMalformed;
    const value::Converted<std::int32_t> rounded = value::DoubleToLong(number.value);
    if (!rounded.ok()) return Outcome::kUnexpected;
    out = rounded.value;
    return Outcome::kRead;
  }

  Outcome Text(std::u16string_view text, Argument& out) {
    if (!allowance_.Take(text.size())) return Outcome::kUnexpected;
    out = std::u16string(text);
    return Outcome::kRead;
  }

  // pair := first "," second ")"; the comma is the first one after the "(",
  // and the ")" the first one after that comma.
  Outcome Pair(bool numbers, std::size_t rest, FormatEntry& entry) {
    const std::size_t comma = expression_.find(u',', rest);
    if (comma == std::u16string_view::npos) return Outcome::kMalformed;
    Outcome outcome = numbers ? Number(Slice(rest, comma), entry.first)
                              : Text(Slice(rest, comma), entry.first);
    if (outcome != Outcome::kRead) return outcome;
    const std::size_t close = expression_.find(u')', comma + 1);
    if (close == std::u16string_view::npos) return Outcome::kMalformed;
    outcome = numbers ? Number(Slice(comma + 1, close), entry.second)
                      : Text(Slice(comma + 1, close), entry.second);
    return outcome;
  }

  std::u16string_view expression_;
  const value::LocaleData& locale_;
  ArgumentAllowance& allowance_;
};

// Builds prefix + field name + "] Field!" in the target's message.
void SetImproperMessage(std::u16string& message, MessageId prefix, std::u16string_view field_name) {
  std::u16string text;
  const std::u16string_view head = MessageText(prefix);
  const std::u16string_view tail = MessageText(MessageId::kStatementMessageEnd);
  text.reserve(head.size() + field_name.size() + tail.size());
  text += head;
  text += field_name;
  text += tail;
  message = std::move(text);
}

}  // namespace

std::span<const StatementInfo* const> StatementTryOrder() {
  static const std::array<const StatementInfo*, kStatementCount> kOrder = BuildTryOrder();
  return kOrder;
}

FormatParseResult ParseFormattingStatements(std::u16string_view expression,
                                            std::int32_t& position, std::int32_t open_position,
                                            ScanTarget target, ArgumentAllowance& allowance) {
  FormatParseResult result;
  const auto finish = [&](bool succeeded) {
    target.valid = succeeded;
    result.succeeded = succeeded;
    result.message = target.message;
    result.position = position;
    return std::move(result);
  };
  try {
    // Until the chain has been read, any unexpected failure leaves this text.
    target.message.assign(MessageText(MessageId::kParserFailure));
    const std::size_t name_begin = ToIndex(open_position + 1);
    const std::u16string_view field_name =
        expression.substr(name_begin, ToIndex(position) - name_begin);
    ArgumentReader reader(expression, value::UserLocale(), allowance);
    // The character right after the 1-based position is at index position.
    while (const StatementInfo* statement =
               MatchStatement(expression, static_cast<std::size_t>(position))) {
      FormatEntry entry;
      entry.function = statement->id;
      // Index of the last character of the name.
      std::size_t end = static_cast<std::size_t>(position) + statement->name.size();
      if (statement->arguments != StatementArguments::kNone) {
        switch (reader.Read(*statement, end + 1, entry, end)) {
          case Outcome::kRead:
            break;
          case Outcome::kMalformed:
            SetImproperMessage(target.message, ImproperMessage(statement->id), field_name);
            return finish(false);
          case Outcome::kMalformedUnclosed:
            SetImproperMessage(target.message, MessageId::kImproperReplaceUnclosed, field_name);
            return finish(false);
          case Outcome::kUnexpected:
            return finish(false);
        }
      }
      result.entries.push_back(std::move(entry));
      position = ToPosition(end);
    }
    if (result.entries.empty()) result.entries.emplace_back();
    target.message.assign(MessageText(MessageId::kStatementsParsed));
    return finish(true);
  } catch (...) {
    // Out of memory: the message is the one set on entry, if even that fits.
    try {
      target.message.assign(MessageText(MessageId::kParserFailure));
    } catch (...) {
      target.message.clear();
    }
    return finish(false);
  }
}

}  // namespace pelt::language
