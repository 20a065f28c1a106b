#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pelt/host/host_table.h"
#include "pelt/language/token_list.h"

namespace pelt::warnings {

// The language reads whatever it does not recognise as literal text, and
// that stays so. These checks find the literal text that is almost certainly
// a slip (a misspelt statement, an argument cut at its first ")", a "$$" a
// shell replaced) and say what it is read as. They never change a verdict or
// a label: callers print the texts beside them.

enum class WarningKind : std::uint8_t {
#define PELT_WARNING(id, text) id,
#include "pelt/warnings/warnings.def"
#undef PELT_WARNING
};

// The message of a kind, with its {placeholders}.
std::u16string_view WarningTemplate(WarningKind kind);

struct Warning {
  WarningKind kind;
  std::u16string text;  // the message, filled in
  // The stretch of the expression it is about: 0-based offset and length in
  // UTF-16 units (0 and 0 for a warning about the whole run).
  std::uint32_t offset = 0;
  std::uint32_t length = 0;

  friend bool operator==(const Warning&, const Warning&) = default;
};

// What the checks know of the run beside the expression.
struct WarningContext {
  // The table the expression is verified against: a field it does not have
  // gets the nearest names it has. nullptr: no field is checked.
  host::HostTable* table = nullptr;
  // The reserved words the run gives a value, without "$$". nullopt when
  // the run is not known (verification alone): no word is checked.
  std::optional<std::vector<std::u16string>> supplied_words;
  // The process ids of the shells the expression may have come through
  // (the caller's parent and its ancestors), any of which may have replaced
  // its "$$"; nullopt when no shell was involved.
  std::optional<std::vector<std::int64_t>> shell_process_ids;
};

// The warnings about expression, whose scan left tokens (all of them after
// a successful scan; those before the fault otherwise), in the order of the
// expression. Never throws for any expression or token list; a host call
// that fails only leaves its warning out.
std::vector<Warning> ExpressionWarnings(std::u16string_view expression,
                                        const language::TokenList& tokens,
                                        const WarningContext& context);

// The words given a value (without "$$") that no reserved word of tokens
// names, in the order given.
std::vector<Warning> UnusedWordWarnings(const language::TokenList& tokens,
                                        std::span<const std::u16string> given_words);

// A warning for a picture tried on its own (pelt-label format) that an
// expression cannot hold because it contains ")"; nullopt when it can.
std::optional<Warning> PictureWarning(std::u16string_view picture);

// The warning for count values that a date picture showed as text, the
// first of them described by first ("feature 12: '09.03.2024'").
Warning TextNotDateWarning(std::int64_t count, std::u16string_view first);

}  // namespace pelt::warnings
