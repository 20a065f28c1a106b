#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "language/scan_target.h"
#include "language/statement_parser.h"
#include "pelt/language/token_list.h"

namespace pelt::language {

// The two procedures the expression scanner hands work to: the literal text
// scanner for each stretch between fields, and the statement parser after
// each field's "]". The evaluator supplies its own, which follow its error
// conventions; DirectScanProcedures calls the language functions as they are.
class ScanProcedures {
 public:
  // Appends the tokens of expression[offset, offset + length) to out. May
  // throw; the scanner then fails with the failure's description.
  virtual void ScanText(std::u16string_view expression, std::size_t offset, std::size_t length,
                        std::vector<Token>& out) = 0;
  // As ParseFormattingStatements.
  virtual FormatParseResult ParseStatements(std::u16string_view expression, std::int32_t& position,
                                            std::int32_t open_position,
                                            ArgumentAllowance& allowance) = 0;

 protected:
  ~ScanProcedures() = default;
};

class DirectScanProcedures final : public ScanProcedures {
 public:
  explicit DirectScanProcedures(ScanTarget target) : target_(target) {}
  void ScanText(std::u16string_view expression, std::size_t offset, std::size_t length,
                std::vector<Token>& out) override;
  FormatParseResult ParseStatements(std::u16string_view expression, std::int32_t& position,
                                    std::int32_t open_position,
                                    ArgumentAllowance& allowance) override;

 private:
  ScanTarget target_;
};

// Checks the brackets of a label expression and cuts it into tokens:
// literal stretches through procedures.ScanText, fields with the statements
// after them through procedures.ParseStatements. First empties
// target.tokens, then appends to it in the order written; at return
// target.valid equals the result and target.message holds the verdict:
// "Expression is Valid!" for an expression without brackets, what the parser
// left for the last field, or the fault found. On a fault the tokens
// appended before it stay. Never throws: an unexpected failure ends the scan
// with its description as the message.
bool ScanExpression(std::u16string_view expression, ScanTarget target, ScanProcedures& procedures);

// The same with DirectScanProcedures.
bool ScanExpression(std::u16string_view expression, ScanTarget target);

}  // namespace pelt::language
