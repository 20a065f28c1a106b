#pragma once

#include <cstddef>
#include <string>

#include "pelt/language/token_list.h"

namespace pelt::language {

// The outcome fields that scanning and statement parsing write: the message
// users read, the validity flag and the token list. The caller owns them; the
// evaluator points these at its own fields.
struct ScanTarget {
  std::u16string& message;
  bool& valid;
  TokenList& tokens;
};

// Storage for a ScanTarget, for callers without an evaluator.
struct ScanOutcome {
  std::u16string message;
  bool valid = true;
  TokenList tokens;

  ScanTarget Target() { return ScanTarget{message, valid, tokens}; }
};

// How much argument text the statements of one expression may copy into
// their entries. The arguments of well-formed chains are disjoint pieces of
// the expression, so they stay well inside the allowance; only ".Replace"
// search texts that run on past their statement to a far comma can overlap,
// and without a limit a long expression of them would copy a quadratic
// amount of text. Running out is an unexpected failure, like running out of
// memory.
class ArgumentAllowance {
 public:
  explicit ArgumentAllowance(std::size_t expression_length)
      : remaining_(expression_length * kPerCharacter + kBase) {}

  // Takes n characters; false when the allowance is used up.
  bool Take(std::size_t n) {
    if (n > remaining_) return false;
    remaining_ -= n;
    return true;
  }

 private:
  static constexpr std::size_t kPerCharacter = 4;
  static constexpr std::size_t kBase = std::size_t{1} << 20;
  std::size_t remaining_;
};

}  // namespace pelt::language
