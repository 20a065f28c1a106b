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

// kUnclosed: no ")" anywhere after the "(", which some statements report
// with a message of its own.
enum class Outcome { kRead, kMalformed, kUnclosed, kUnexpected };

// Reads the arguments of a statement, whose "(" should stand at index open,
// into entry; on kRead, *end is the index of the ")" that closes it.
class ArgumentReader {
 public:
  ArgumentReader(std::u16string_view expression, const value::LocaleData& locale,
                 ArgumentAllowance& allowance)
      : expression_(expression), locale_(locale), allowance_(allowance) {}

  // "(" rest, where rest runs to the end of the expression and the statement
  // to the first ")" of rest.
  Outcome Read(StatementArguments arguments, std::size_t open, FormatEntry& entry,
               std::size_t& end) {
    if (open >= expression_.size() || expression_[open] != u'(') return Outcome::kMalformed;
    const std::size_t rest = open + 1;
    end = expression_.find(u')', rest);
    if (end == std::u16string_view::npos) return Outcome::kUnclosed;
    return Inside(arguments, rest, end, entry);
  }

 private:
  std::u16string_view Slice(std::size_t from, std::size_t to) const {
    return expression_.substr(from, to - from);
  }

  // The arguments between rest and the first ")" (close); a pair looks
  // beyond close for its own comma and ")".
  Outcome Inside(StatementArguments arguments, std::size_t rest, std::size_t close,
                 FormatEntry& entry) {
    switch (arguments) {
      case StatementArguments::kNumber: return Number(Slice(rest, close), entry.first);
      case StatementArguments::kText: return Text(Slice(rest, close), entry.first);
      case StatementArguments::kTwoNumbers: return Pair(&ArgumentReader::Number, rest, entry);
      case StatementArguments::kTwoTexts: return Pair(&ArgumentReader::Text, rest, entry);
      case StatementArguments::kNone: break;
    }
    assert(false && "statements without arguments are read by the caller");
    return Outcome::kUnexpected;
  }

  // number := text the locale reads as a number
  Outcome Number(std::u16string_view text, Argument& out) {
    const value::Converted<double> number = value::ParseNumber(text, locale_);
    if (!number.ok()) return Outcome::kMalformed;
    const value::Converted<std::int32_t> rounded = value::DoubleToLong(number.value);
    if (!rounded.ok()) return Outcome::kUnexpected;
    out = rounded.value;
    return Outcome::kRead;
  }

  // text := any characters, copied within the allowance
  Outcome Text(std::u16string_view text, Argument& out) {
    if (!allowance_.Take(text.size())) return Outcome::kUnexpected;
    out = std::u16string(text);
    return Outcome::kRead;
  }

  // pair := first "," second ")"; the comma is the first one after the "(",
  // and the ")" the first one after that comma.
  using ReadOne = Outcome (ArgumentReader::*)(std::u16string_view, Argument&);
  Outcome Pair(ReadOne read, std::size_t rest, FormatEntry& entry) {
    const std::size_t comma = expression_.find(u',', rest);
    if (comma == std::u16string_view::npos) return Outcome::kMalformed;
    const Outcome outcome = (this->*read)(Slice(rest, comma), entry.first);
    if (outcome != Outcome::kRead) return outcome;
    const std::size_t close = expression_.find(u')', comma + 1);
    if (close == std::u16string_view::npos) return Outcome::kMalformed;
    return (this->*read)(Slice(comma + 1, close), entry.second);
  }

  std::u16string_view expression_;
  const value::LocaleData& locale_;
  ArgumentAllowance& allowance_;
};

// Reads one statement at the 1-based position into entries and moves the
// position to its last character; on failure neither changes.
Outcome ReadStatement(const StatementInfo& statement, ArgumentReader& reader,
                      std::int32_t& position, FormatList& entries) {
  FormatEntry entry;
  entry.function = statement.id;
  // Index of the last character of the name.
  std::size_t end = static_cast<std::size_t>(position) + statement.name.size();
  if (statement.arguments != StatementArguments::kNone) {
    const Outcome outcome = reader.Read(statement.arguments, end + 1, entry, end);
    if (outcome != Outcome::kRead) return outcome;
  }
  entries.push_back(std::move(entry));
  position = ToPosition(end);
  return Outcome::kRead;
}

// Builds the statement's prefix + field name + "] Field!" in message.
void SetImproperMessage(std::u16string& message, const StatementInfo& statement, Outcome outcome,
                        std::u16string_view field_name) {
  assert(!statement.improper_message.empty() && "only statements with arguments fail");
  const std::u16string_view head =
      outcome == Outcome::kUnclosed && !statement.unclosed_message.empty()
          ? statement.unclosed_message
          : statement.improper_message;
  const std::u16string_view tail = MessageText(MessageId::kStatementMessageEnd);
  std::u16string text;
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

FormatParseResult ParseFormattingStatements(std::u16string_view expression, std::int32_t& position,
                                            std::int32_t open_position, ScanTarget target,
                                            ArgumentAllowance& allowance) {
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
      const Outcome outcome = ReadStatement(*statement, reader, position, result.entries);
      if (outcome == Outcome::kRead) continue;
      if (outcome != Outcome::kUnexpected) {
        SetImproperMessage(target.message, *statement, outcome, field_name);
      }
      return finish(false);
    }
    if (result.entries.empty()) result.entries.emplace_back();
    target.message.assign(MessageText(MessageId::kStatementsParsed));
    return finish(true);
  } catch (...) {
    // Out of memory: the message is the one set on entry, if even that fits.
    try {
      target.message.assign(MessageText(MessageId::kParserFailure));
    } catch (...) {
      target.message.clear();  // not even that fits; an empty message still says "failed"
    }
    return finish(false);
  }
}

}  // namespace pelt::language
