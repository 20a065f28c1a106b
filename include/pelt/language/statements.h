#pragma once

#include <array>
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

// kNone is the "NONE" entry of a field without statements; the others follow
// the statement list.
enum class StatementId : std::uint8_t {
  kNone,
#define PELT_STATEMENT(id, name, arguments, entry, description) id,
#include "pelt/language/statements.def"
#undef PELT_STATEMENT
};

struct StatementInfo {
  StatementId id;
  std::u16string_view name;         // "Left"
  StatementArguments arguments;
  std::u16string_view catalogue_entry;  // ".Left(0)"
  std::u16string_view description;
};

// The fifteen statements in catalogue order (without kNone).
std::span<const StatementInfo> Statements();

// The name stored for an id: "NONE" for kNone.
std::u16string_view StatementName(StatementId id);
const StatementInfo* FindStatement(StatementId id);
// Whole-name, case-insensitive look-up; nullopt for "NONE" and unknown names.
std::optional<StatementId> StatementByName(std::u16string_view name);

}  // namespace pelt::language
