// Label assembly: MakeLabel verifies, then MakeLabelString reads the row once
// per distinct field, passes each field occurrence through its formatting
// functions and joins the pieces in the order of the expression.

#include <algorithm>
#include <string>
#include <vector>

#include "evaluator_sites.h"
#include "ignoring_failures.h"
#include "language/messages.h"
#include "pelt/errors/failure.h"
#include "pelt/evaluator/apply_format.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/ui/message_boxes.h"
#include "pelt/value/conversion.h"
#include "pelt/value/text.h"

namespace pelt::evaluator {
namespace {

using language::Token;
using language::TokenKind;
using value::Variant;

using language::MessageId;

}  // namespace

std::u16string PeltExpressionEvaluator::MakeLabel(host::HostTable* pTable, host::HostRow* pRow,
                                                  std::u16string_view pExpression,
                                                  const CollectionRef& pReservedWordValues) {
  return AssembleLabel(pTable, pRow, pExpression, pReservedWordValues) ? m_sLabel
                                                                       : std::u16string();
}

std::u16string_view PeltExpressionEvaluator::MakeLabelView(
    host::HostTable* pTable, host::HostRow* pRow, std::u16string_view pExpression,
    const CollectionRef& pReservedWordValues) {
  return AssembleLabel(pTable, pRow, pExpression, pReservedWordValues) ? m_sLabel
                                                                       : std::u16string_view();
}

bool PeltExpressionEvaluator::AssembleLabel(host::HostTable* pTable, host::HostRow* pRow,
                                            std::u16string_view pExpression,
                                            const CollectionRef& pReservedWordValues) {
  try {
    bool ok = VerifyExpression(pTable, pExpression) != kFalse;
    if (ok) {
      // The same collection again (row after row) keeps its reference as is.
      if (m_pReservedWordValues != pReservedWordValues) m_pReservedWordValues = pReservedWordValues;
      ok = MakeLabelString(pTable, pRow);
      m_bValid = ok;
      if (ok) return true;
    }
  } catch (...) {
    language::SetFailureMessage(m_sMessage, MessageId::kMakeLabelFailure);
  }
  LabelFailed();
  return false;
}

void PeltExpressionEvaluator::LabelFailed() {
  try {
    if (m_bShowMessages) {
      ui::ActiveMessageBoxes().Show(m_sMessage,
                                    language::MessageText(MessageId::kInvalidExpressionTitle),
                                    ui::MessageBoxStyle::kCritical);
    }
  } catch (...) {
    // The box is a courtesy; the result is "" either way.
  }
  m_bValid = false;
}

bool PeltExpressionEvaluator::PrepareLabels(host::HostTable* pTable,
                                            std::u16string_view pExpression,
                                            const CollectionRef& pReservedWordValues) {
  if (VerifyExpression(pTable, pExpression) == kFalse) {
    preparation_ = Preparation::kRefused;
    return false;
  }
  try {
    if (m_pReservedWordValues != pReservedWordValues) m_pReservedWordValues = pReservedWordValues;
    IndexFields(Tokens());
    LabelScratch& scratch = label_scratch_;
    for (std::size_t i = 0; i < scratch.names.size(); ++i) {
      // A verified expression with fields has a table.
      std::int32_t index = -1;
      errors::ThrowIfFailed(pTable->IndexOfField(*scratch.names[i], index));
      scratch.indices[i] = NarrowFieldIndex(index);
    }
    prepared_table_ = pTable;
    preparation_ = Preparation::kPrepared;
    return true;
  } catch (...) {
    language::SetFailureMessage(m_sMessage, MessageId::kMakeLabelStringFailure);
  }
  LabelFailed();
  preparation_ = Preparation::kRefused;
  return false;
}

std::u16string_view PeltExpressionEvaluator::MakePreparedLabel(host::HostRow* pRow) {
  if (preparation_ != Preparation::kPrepared) {
    // A refused preparation keeps its own message.
    if (preparation_ == Preparation::kNone) {
      m_sMessage.assign(language::MessageText(MessageId::kMakeLabelFailure));
    }
    LabelFailed();
    return {};
  }
  // After a failed row, the message is verification's again, as MakeLabel
  // leaves it.
  if (!m_bValid) m_sMessage = scan_memo_.message;
  const value::LocaleData& locale = value::UserLocale();
  if (&locale != scan_memo_.locale) {
    // Numeric arguments were read in the locale of the preparation: prepare
    // again in this one, as MakeLabel would scan again.
    const std::u16string expression = scan_memo_.expression;
    if (!PrepareLabels(prepared_table_, expression, m_pReservedWordValues)) return {};
  }
  try {
    ReadValues(prepared_table_, pRow, /*indices_found=*/true);
    AssembleFromValues(locale);
    m_bValid = true;
    return m_sLabel;
  } catch (...) {
    language::SetFailureMessage(m_sMessage, MessageId::kMakeLabelStringFailure);
  }
  LabelFailed();
  return {};
}

bool PeltExpressionEvaluator::MakeLabelString(host::HostTable* pTable, host::HostRow* pRow) {
  try {
    IndexFields(Tokens());
    ReadValues(pTable, pRow, /*indices_found=*/false);
    AssembleFromValues(value::UserLocale());
    return true;
  } catch (...) {
    language::SetFailureMessage(m_sMessage, MessageId::kMakeLabelStringFailure);
    m_bValid = false;
    return false;
  }
}

void PeltExpressionEvaluator::ReadValues(host::HostTable* pTable, host::HostRow* pRow,
                                         bool indices_found) {
  LabelScratch& scratch = label_scratch_;
  for (std::size_t i = 0; i < scratch.names.size(); ++i) {
    if ((pTable == nullptr && !indices_found) || pRow == nullptr) {
      errors::Raise(value::ErrorCode::kObjectRequired, std::u16string(kFailureSource));
    }
    if (!indices_found) {
      std::int32_t index = -1;
      errors::ThrowIfFailed(pTable->IndexOfField(*scratch.names[i], index));
      scratch.indices[i] = NarrowFieldIndex(index);
    }
    // A value the row lends is read where it lies: no copy per row.
    const Variant* held = pRow->HeldValueAt(scratch.indices[i]);
    if (held == nullptr) {
      errors::ThrowIfFailed(pRow->ValueAt(scratch.indices[i], scratch.values[i]));
      held = &scratch.values[i];
    }
    scratch.read[i] = held;
  }
}

void PeltExpressionEvaluator::AssembleFromValues(const value::LocaleData& locale) {
  LabelScratch& scratch = label_scratch_;
  const std::vector<const Variant*>& values = scratch.read;
  std::u16string& label = scratch.label;
  label.clear();
  std::size_t t = 0;  // the token's position
  for (const Token& token : Tokens()) {
    const std::size_t position = t++;
    switch (token.kind) {
      case TokenKind::kField: {
        const Variant& field = *values[scratch.field_of[position]];
        if (token.formats.size() == 1 &&
            token.formats.front().function == language::StatementId::kNone) {
          // No statement: the value's text goes straight into the label.
          if (!field.IsNull()) {
            errors::ThrowIfFailed(value::AppendText(field, locale, label), kFailureSource);
          }
          break;
        }
        // The token's own value keeps its storage from row to row: the
        // first function makes it from the field, the others change it.
        Variant& formatted = scratch.formatted[position];
        bool made = false;
        for (const language::FormatEntry& entry : token.formats) {
          if (entry.function == language::StatementId::kNone) continue;
          if (made) {
            ApplyFormatInPlace(formatted, entry.function, entry.first, entry.second, locale);
          } else {
            ApplyFormatTo(field, entry.function, entry.first, entry.second, locale, formatted);
            made = true;
          }
        }
        if (!made) formatted = field;
        if (formatted.IsNull()) break;
        errors::ThrowIfFailed(value::AppendText(formatted, locale, label), kFailureSource);
        break;
      }
      case TokenKind::kReservedWord: AppendReservedWord(token.text, locale, label); break;
      case TokenKind::kText: label += token.text; break;
    }
    if (label.size() > kMaxTextLength) {
      errors::Raise(value::ErrorCode::kOutOfStringSpace, std::u16string(kFailureSource));
    }
  }
  // Swapping keeps both buffers' capacity for the next label.
  m_sLabel.swap(label);
}

// The distinct field names, in order of first appearance (names that differ
// only in case are one field, read under the form written first), and for
// each token the one it reads.
void PeltExpressionEvaluator::IndexFields(const language::TokenList& tokens) {
  LabelScratch& scratch = label_scratch_;
  if (scan_memo_.valid && scratch.generation == scan_memo_.generation) return;
  scratch.generation = 0;
  scratch.names.clear();
  const auto count = static_cast<std::size_t>(tokens.Count());
  scratch.field_of.assign(count, 0);
  std::size_t t = 0;
  for (const Token& token : tokens) {
    const std::size_t position = t++;
    if (token.kind != TokenKind::kField) continue;
    std::size_t i = 0;
    while (i < scratch.names.size() && !value::EqualsNoCase(*scratch.names[i], token.text)) ++i;
    if (i == scratch.names.size()) scratch.names.push_back(&token.text);
    scratch.field_of[position] = i;
  }
  if (scratch.values.size() < scratch.names.size()) scratch.values.resize(scratch.names.size());
  scratch.indices.resize(scratch.names.size());
  scratch.read.assign(scratch.names.size(), nullptr);
  if (scratch.formatted.size() < count) scratch.formatted.resize(count);
  scratch.generation = scan_memo_.valid ? scan_memo_.generation : 0;
}

void PeltExpressionEvaluator::AppendReservedWord(const std::u16string& word,
                                                 const value::LocaleData& locale,
                                                 std::u16string& label) {
  // A missing word, a null value or one without a text form gives "": the
  // label is still made.
  // A look-up that fails (the host's collection, or memory) counts as a
  // missing word: the word gives "" and the rest of the label is made.
  internal::IgnoringFailures([&] {
    if (!m_pReservedWordValues) m_pReservedWordValues = std::make_shared<value::Collection>();
    Variant item;
    if (m_pReservedWordValues->ReadItemByKey(word, item) != value::ErrorCode::kNone) return;
    std::u16string text;
    if (value::AppendText(item, locale, text) == value::ErrorCode::kNone) label += text;
  });
}

std::vector<std::size_t> FieldsRead(const language::TokenList& tokens, host::HostTable& table) {
  std::vector<std::size_t> read;
  for (const Token& token : tokens) {
    std::int32_t index = -1;
    if (token.kind == TokenKind::kField && table.IndexOfField(token.text, index).ok() &&
        index >= 0) {
      read.push_back(static_cast<std::size_t>(index));
    }
  }
  std::sort(read.begin(), read.end());
  read.erase(std::unique(read.begin(), read.end()), read.end());
  return read;
}

}  // namespace pelt::evaluator
