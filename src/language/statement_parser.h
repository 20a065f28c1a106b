#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "language/scan_target.h"
#include "pelt/language/statements.h"
#include "pelt/language/token_list.h"

namespace pelt::language {

// What ParseFormattingStatements returns.
struct FormatParseResult {
  // True when the whole chain was read without fault; equal to the valid
  // flag the parser has just set.
  bool succeeded = false;
  // The text the parser has just stored as the message. It views the
  // target's message, so it is valid until that changes.
  std::u16string_view message;
  // 1-based position of the last character consumed: the field's "]" when
  // no statement follows, otherwise the last character of the last statement
  // read; on failure, the position before the faulty statement.
  std::int32_t position = 0;
  // The entries read: one kNone entry for a field without statements; on
  // failure the entries before the faulty statement and no kNone entry.
  FormatList entries;
};

// The statements in the order the parser tries them: the catalogue order,
// except that a statement whose name begins with the name of an earlier one
// is tried before that one, so that ".FormatNumber" wins over ".Format".
std::span<const StatementInfo* const> StatementTryOrder();

// Reads the chain of formatting statements written directly after a field:
//
//   chain     := statement*                (ends at the first text that is
//                                           not a statement, blanks included)
//   statement := "." name                   no arguments
//              | "." name "(" number ")"    FormatNumber Left Right Round Spaces
//              | ".Format(" text ")"
//              | ".Mid(" number "," number ")"
//              | ".Replace(" text "," text ")"
//
// Names match case-insensitively. An argument runs to the first ")" (or ",")
// after the "(", wherever that is; a number is text that the user's locale
// reads as a number, rounded half to even to 32 bits.
//
// position is the 1-based position of the field's "]" on entry and of the
// last character consumed on return; open_position is that of its "[", used
// only to cut the field name out for messages. Sets target.message and
// target.valid (never the tokens). A malformed statement fails with that
// statement's message; an unexpected failure (an argument beyond 32 bits, the
// allowance used up, no memory) fails with "Unknown Error Evaluating
// Expression". Never throws.
FormatParseResult ParseFormattingStatements(std::u16string_view expression, std::int32_t& position,
                                            std::int32_t open_position, ScanTarget target,
                                            ArgumentAllowance& allowance);

}  // namespace pelt::language
