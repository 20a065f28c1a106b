#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pelt/evaluator/expression_builder.h"
#include "pelt/host/host_table.h"
#include "pelt/language/token_list.h"
#include "pelt/value/collection.h"
#include "pelt/value/locale.h"

namespace pelt::language {
class ArgumentAllowance;
struct FormatParseResult;
}  // namespace pelt::language

namespace pelt::evaluator {

// Booleans cross the interface as 16-bit values: true is -1, false is 0.
using Boolean = std::int16_t;
inline constexpr Boolean kTrue = -1;
inline constexpr Boolean kFalse = 0;
inline constexpr Boolean ToBoolean(bool b) { return b ? kTrue : kFalse; }

// A caller's collection, shared by reference; may be null.
using CollectionRef = std::shared_ptr<value::Collection>;

// The evaluator's default interface, its operations in the order of their
// interface slots. Nothing is thrown out of any of them. (The name is the
// interface's registered name, leading underscore included.)
class _PeltExpressionEvaluator {
 public:
  // Slots 1 and 2: the ShowMessages property.
  virtual Boolean ShowMessages() = 0;
  virtual void ShowMessages(Boolean DisplayMessages) = 0;
  // Slot 3: the Message property (read only).
  virtual std::u16string Message() = 0;
  // Slot 4.
  virtual std::u16string EditExpression(host::HostTable* pTable, const std::u16string& pExpression,
                                        CollectionRef ReservedWords,
                                        CollectionRef ReservedWordDescriptions) = 0;
  // Slot 5.
  virtual std::u16string MakeLabel(host::HostTable* pTable, host::HostRow* pRow,
                                   const std::u16string& pExpression,
                                   CollectionRef pReservedWordValues) = 0;
  // Slot 6.
  virtual Boolean VerifyExpression(host::HostTable* pTable, const std::u16string& pExpression) = 0;

  // Declared after the slots so that the six operations keep their places.
  virtual ~_PeltExpressionEvaluator() = default;
};

// The one creatable class: verifies label expressions against a table, makes
// the label of a row, and lets the user edit an expression in the builder.
// One call at a time per object; every call runs on the caller's thread.
class PeltExpressionEvaluator final : public _PeltExpressionEvaluator {
 public:
  PeltExpressionEvaluator();
  ~PeltExpressionEvaluator() override;
  PeltExpressionEvaluator(const PeltExpressionEvaluator&) = delete;
  PeltExpressionEvaluator& operator=(const PeltExpressionEvaluator&) = delete;

  Boolean ShowMessages() override;
  void ShowMessages(Boolean DisplayMessages) override;
  std::u16string Message() override;
  std::u16string EditExpression(host::HostTable* pTable, const std::u16string& pExpression,
                                CollectionRef ReservedWords,
                                CollectionRef ReservedWordDescriptions) override;
  std::u16string MakeLabel(host::HostTable* pTable, host::HostRow* pRow,
                           const std::u16string& pExpression,
                           CollectionRef pReservedWordValues) override;
  Boolean VerifyExpression(host::HostTable* pTable, const std::u16string& pExpression) override;

  // The tokens the last scan left (an empty list before any scan). For
  // callers that inspect a verified expression, such as the command line.
  const language::TokenList& Tokens();
  // The outcome of the last verification or label (m_bValid). Not part of
  // the interface; lets a C++ caller tell a failed label from an empty one.
  bool LastCallSucceeded() const { return m_bValid; }

 private:
  class LanguageProcedures;

  // Expression language (verify_expression.cpp). The scanner: rebuilds
  // m_pTokens from expression and records its verdict in m_bValid and
  // m_sMessage.
  bool EvaluateExpression(std::u16string_view expression);
  // The literal text scanner for expression[offset, offset + length); passes
  // unexpected failures up under the call-stack convention.
  void EvaluateText2(std::u16string_view expression, std::size_t offset, std::size_t length,
                     std::vector<language::Token>& out);
  // The statement parser for the field whose "]" is at position.
  language::FormatParseResult ParseFormattingStatements(std::u16string_view expression,
                                                        std::int32_t& position,
                                                        std::int32_t openPosition,
                                                        language::ArgumentAllowance& allowance);
  // Verification after a successful scan: binds each field token to pTable.
  bool BindFields(host::HostTable* pTable);
  // The "Labeling Instructions:" listing of m_pTokens.
  std::u16string LabelingInstructions() const;
  language::TokenList& TokensForScan();

  // Label assembly (make_label.cpp): builds m_sLabel from the tokens that a
  // successful verification has just left, reading pRow once per distinct
  // field. False with m_sMessage set when a host call or a conversion fails.
  bool MakeLabelString(host::HostTable* pTable, host::HostRow* pRow);
  // Appends the text of a reserved word's value; a missing or unprintable
  // value appends nothing.
  void AppendReservedWord(const std::u16string& word, const value::LocaleData& locale,
                          std::u16string& label);

  // State, in its fixed declaration order.
  std::u16string m_sMessage;
  std::unique_ptr<language::TokenList> m_pTokens;  // made on first need
  CollectionRef m_pReservedWordValues;             // the caller's, shared
  std::u16string m_sLabel;
  bool m_bValid = true;
  bool m_bShowMessages = false;
  std::unique_ptr<ExpressionBuilder> m_pBuilder;

  // Not part of the fixed state: the last successful scan, kept so that a
  // host labelling row after row with one expression does not rescan it. A
  // scan depends on the expression and on the locale (numeric arguments).
  struct ScanMemo {
    bool valid = false;
    std::u16string expression;
    const value::LocaleData* locale = nullptr;
    std::u16string message;  // what the scan left in m_sMessage
  };
  ScanMemo scan_memo_;
  // Working storage of MakeLabelString, kept between calls so that a label
  // costs no allocations beyond its text.
  struct LabelScratch {
    std::vector<const std::u16string*> names;
    std::vector<value::Variant> values;
    std::u16string label;
  };
  LabelScratch label_scratch_;
};

}  // namespace pelt::evaluator
