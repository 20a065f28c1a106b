#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace pelt::language {

// What a formatting statement takes between its parentheses.
enum class StatementArguments : std::uint8_t {
  kNone,        // .UCase
  kNumber,      // .Left(2)
  kText,        // .Format(0.00)
  kTwoNumbers,  // .Mid(7,3)
  kTwoTexts,    // .Replace(o,xx)
};

// What a formatting function works on; the values it does not take pass
// through unchanged.
enum class StatementOperand : std::uint8_t {
  kText,      // the value's text; null stays null
  kNumber,    // numeric values and numeric text only
  kAnyValue,  // every value as it is, null included
};

// Whether pelt-label format lets a user try the function on one value.
enum class StatementOffer : std::uint8_t { kNotOffered, kOffered };

// kNone is the "NONE" entry of a field without statements; the others follow
// the statement list.
enum class StatementId : std::uint8_t {
  kNone,
#define PELT_STATEMENT(id, ...) id,
#include "pelt/language/statements.def"
#undef PELT_STATEMENT
};

inline constexpr std::size_t kStatementCount = 0
#define PELT_STATEMENT(...) +1
#include "pelt/language/statements.def"
#undef PELT_STATEMENT
    ;

// One row of statements.def (the handler column belongs to the evaluator).
struct StatementInfo {
  StatementId id;
  std::u16string_view name;  // "Left"
  StatementArguments arguments;
  StatementOperand operand;
  std::u16string_view improper_message;  // "" for statements without arguments
  std::u16string_view unclosed_message;  // "" when it is improper_message
  std::u16string_view catalogue_entry;   // ".Left(0)"
  std::u16string_view description;
  std::string_view example_value;  // "str:Hello World"
  std::u16string_view example;     // ".Left(2)"
  StatementOffer offer;
};

// The statements in catalogue order (without kNone).
std::span<const StatementInfo> Statements();

// The name stored for an id: "NONE" for kNone.
std::u16string_view StatementName(StatementId id);
const StatementInfo* FindStatement(StatementId id);
// Whole-name, case-insensitive look-up; nullopt for "NONE" and unknown names.
std::optional<StatementId> StatementByName(std::u16string_view name);

}  // namespace pelt::language
