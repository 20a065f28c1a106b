// Label assembly: MakeLabel verifies, then MakeLabelString reads the row once
// per distinct field, passes each field occurrence through its formatting
// functions and joins the pieces in the order of the expression.

#include <string>
#include <vector>

#include "evaluator_sites.h"
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
                                                  const std::u16string& pExpression,
                                                  CollectionRef pReservedWordValues) {
  try {
    bool ok = VerifyExpression(pTable, pExpression) != kFalse;
    if (ok) {
      m_pReservedWordValues = std::move(pReservedWordValues);
      ok = MakeLabelString(pTable, pRow);
      m_bValid = ok;
      if (ok) return m_sLabel;
    }
  } catch (...) {
    language::SetFailureMessage(m_sMessage, MessageId::kMakeLabelFailure);
  }
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
  return std::u16string();
}

bool PeltExpressionEvaluator::MakeLabelString(host::HostTable* pTable, host::HostRow* pRow) {
  try {
    const value::LocaleData& locale = value::UserLocale();
    const language::TokenList& tokens = Tokens();

    // The distinct field names, in order of first appearance (names that
    // differ only in case are one field, read under the form written first),
    // and the row's value of each.
    std::vector<const std::u16string*>& names = label_scratch_.names;
    std::vector<Variant>& values = label_scratch_.values;
    names.clear();
    for (const Token& token : tokens) {
      if (token.kind != TokenKind::kField) continue;
      bool known = false;
      for (const std::u16string* name : names) {
        if (value::EqualsNoCase(*name, token.text)) {
          known = true;
          break;
        }
      }
      if (!known) names.push_back(&token.text);
    }
    if (values.size() < names.size()) values.resize(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (pTable == nullptr || pRow == nullptr) {
        errors::Raise(value::ErrorCode::kObjectRequired, std::u16string(kFailureSource));
      }
      std::int32_t index = -1;
      errors::ThrowIfFailed(pTable->IndexOfField(*names[i], index));
      errors::ThrowIfFailed(pRow->ValueAt(NarrowFieldIndex(index), values[i]));
    }

    std::u16string& label = label_scratch_.label;
    label.clear();
    for (const Token& token : tokens) {
      switch (token.kind) {
        case TokenKind::kField: {
          std::size_t i = 0;
          while (!value::EqualsNoCase(*names[i], token.text)) ++i;
          if (token.formats.size() == 1 &&
              token.formats.front().function == language::StatementId::kNone) {
            // No statement: the value's text goes straight into the label.
            if (!values[i].IsNull()) {
              errors::ThrowIfFailed(value::AppendText(values[i], locale, label), kFailureSource);
            }
            break;
          }
          Variant field_value = values[i];
          for (const language::FormatEntry& entry : token.formats) {
            if (entry.function == language::StatementId::kNone) continue;
            ApplyFormat(field_value, entry.function, entry.first, entry.second, locale);
          }
          if (field_value.IsNull()) break;
          errors::ThrowIfFailed(value::AppendText(field_value, locale, label), kFailureSource);
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
    return true;
  } catch (...) {
    language::SetFailureMessage(m_sMessage, MessageId::kMakeLabelStringFailure);
    m_bValid = false;
    return false;
  }
}

void PeltExpressionEvaluator::AppendReservedWord(const std::u16string& word,
                                                 const value::LocaleData& locale,
                                                 std::u16string& label) {
  // A missing word, a null value or one without a text form gives "": the
  // label is still made.
  try {
    if (!m_pReservedWordValues) m_pReservedWordValues = std::make_shared<value::Collection>();
    Variant item;
    if (m_pReservedWordValues->ReadItemByKey(word, item) != value::ErrorCode::kNone) return;
    std::u16string text;
    if (value::AppendText(item, locale, text) == value::ErrorCode::kNone) label += text;
  } catch (...) {
    // A look-up that fails (the host's collection, or memory) counts as a
    // missing word: the word gives "" and the rest of the label is made.
  }
}

}  // namespace pelt::evaluator
