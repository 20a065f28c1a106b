#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pelt/evaluator/evaluator_members.h"
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

// The one creatable class: verifies label expressions against a table, makes
// the label of a row, and lets the user edit an expression in the builder.
// One call at a time per object; every call runs on the caller's thread.
// Hosts reach it through its default interface (pelt/server), whose slots
// evaluator_members.def lists; nothing is thrown out of any of them.
class PeltExpressionEvaluator final {
 public:
  PeltExpressionEvaluator();
  ~PeltExpressionEvaluator();
  PeltExpressionEvaluator(const PeltExpressionEvaluator&) = delete;
  PeltExpressionEvaluator& operator=(const PeltExpressionEvaluator&) = delete;

  // The interface's members, as evaluator_members.def lists them (the build
  // stops when a declaration here and its row there disagree).
  Boolean ShowMessages();
  void ShowMessages(Boolean DisplayMessages);
  std::u16string Message();
  std::u16string EditExpression(host::HostTable* pTable, std::u16string_view pExpression,
                                const CollectionRef& ReservedWords,
                                const CollectionRef& ReservedWordDescriptions);
  std::u16string MakeLabel(host::HostTable* pTable, host::HostRow* pRow,
                           std::u16string_view pExpression,
                           const CollectionRef& pReservedWordValues);
  Boolean VerifyExpression(host::HostTable* pTable, std::u16string_view pExpression);

  // MakeLabel without the copy, for C++ callers labelling row after row:
  // the label, or "" for a failure, valid until the next call.
  std::u16string_view MakeLabelView(host::HostTable* pTable, host::HostRow* pRow,
                                    std::u16string_view pExpression,
                                    const CollectionRef& pReservedWordValues);

  // For C++ callers labelling many rows of one table whose fields do not
  // change meanwhile. PrepareLabels verifies the expression and finds its
  // fields once (false, with the message, when it is invalid); then
  // MakePreparedLabel makes a row's label as MakeLabelView would, without
  // verifying again: after a refused preparation, "" with its message. Any
  // other call on this object ends the preparation.
  bool PrepareLabels(host::HostTable* pTable, std::u16string_view pExpression,
                     const CollectionRef& pReservedWordValues);
  std::u16string_view MakePreparedLabel(host::HostRow* pRow);

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

  // MakeLabel up to its result: true with the label in m_sLabel, or false
  // after the failure box.
  bool AssembleLabel(host::HostTable* pTable, host::HostRow* pRow, std::u16string_view pExpression,
                     const CollectionRef& pReservedWordValues);
  // Label assembly (make_label.cpp): builds m_sLabel from the tokens that a
  // successful verification has just left, reading pRow once per distinct
  // field. False with m_sMessage set when a host call or a conversion fails.
  bool MakeLabelString(host::HostTable* pTable, host::HostRow* pRow);
  // The row's value of each distinct field into label_scratch_'s values,
  // finding the field in pTable first unless indices_found; throws on a
  // failure.
  void ReadValues(host::HostTable* pTable, host::HostRow* pRow, bool indices_found);
  // Fills label_scratch_'s names and field_of for the tokens, when the scan
  // they were made for is not the last one.
  void IndexFields(const language::TokenList& tokens);
  // Builds m_sLabel from the tokens and the values ReadValues read; throws
  // on a failure.
  void AssembleFromValues(const value::LocaleData& locale);
  // After a label failed: the box when messages are shown; m_bValid false.
  void LabelFailed();
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
    std::u16string message;        // what the scan left in m_sMessage
    std::uint64_t generation = 0;  // counts the scans kept, so that what is
                                   // derived from the tokens can be kept too
  };
  ScanMemo scan_memo_;
  // Working storage of MakeLabelString, kept between calls so that a label
  // costs no allocations beyond its text.
  struct LabelScratch {
    std::uint64_t generation = 0;              // the scan names and field_of were made for
    std::vector<const std::u16string*> names;  // the distinct fields
    std::vector<std::size_t> field_of;         // per token, its field in names
    std::vector<std::int16_t> indices;         // per field, its index in the table
    std::vector<value::Variant> values;        // per field, the row's value when copied
    std::vector<const value::Variant*> read;   // per field, the value read (row's or values)
    std::vector<value::Variant> formatted;     // per token, its formatted value
    std::u16string label;
  };
  LabelScratch label_scratch_;
  // Set by PrepareLabels until any other call: with kPrepared,
  // label_scratch_'s indices are those of prepared_table_'s fields.
  enum class Preparation : std::uint8_t { kNone, kPrepared, kRefused };
  Preparation preparation_ = Preparation::kNone;
  host::HostTable* prepared_table_ = nullptr;
};

// The indices of the table's fields that tokens name, each once, in field
// order: what a host must read of each row for an expression's labels.
std::vector<std::size_t> FieldsRead(const language::TokenList& tokens, host::HostTable& table);

}  // namespace pelt::evaluator
