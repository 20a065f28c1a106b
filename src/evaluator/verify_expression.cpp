// Verification and the expression language procedures of the evaluator.

#include "evaluator_sites.h"
#include "language/expression_scanner.h"
#include "language/messages.h"
#include "language/statement_parser.h"
#include "language/text_scanner.h"
#include "pelt/errors/error_handling.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/ui/message_boxes.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"

namespace pelt::evaluator {
namespace {

using language::MessageId;
using language::MessageText;

constexpr std::u16string_view kCrLf = u"\r\n";

template <class T>
T* Required(T* object) {
  if (object == nullptr) {
    errors::Raise(value::ErrorCode::kObjectRequired, std::u16string(kFailureSource));
  }
  return object;
}

// opening + name + closing, the shape of every field message.
void SetFieldMessage(std::u16string& message, MessageId opening, std::u16string_view name,
                     MessageId closing) {
  std::u16string text(MessageText(opening));
  text += name;
  text += MessageText(closing);
  message = std::move(text);
}

// Boxes must not throw; should one all the same, verification still ends
// with its result.
void ShowBox(std::u16string_view text, MessageId title, ui::MessageBoxStyle style) noexcept {
  try {
    ui::ActiveMessageBoxes().Show(text, MessageText(title), style);
  } catch (...) {
    // The verdict is already in Message; a box that cannot be shown changes
    // nothing the host reads.
  }
}

void AppendArgument(std::u16string& out, const language::Argument& argument) {
  if (const auto* number = std::get_if<std::int32_t>(&argument)) {
    value::AppendAscii(out, std::to_string(*number));
  } else {
    out += std::get<std::u16string>(argument);
  }
}

}  // namespace

// Routes the scanner's calls to the evaluator's own procedures.
class PeltExpressionEvaluator::LanguageProcedures final : public language::ScanProcedures {
 public:
  explicit LanguageProcedures(PeltExpressionEvaluator& evaluator) : evaluator_(evaluator) {}

  void ScanText(std::u16string_view expression, std::size_t offset, std::size_t length,
                std::vector<language::Token>& out) override {
    evaluator_.EvaluateText2(expression, offset, length, out);
  }

  language::FormatParseResult ParseStatements(std::u16string_view expression,
                                              std::int32_t& position, std::int32_t open_position,
                                              language::ArgumentAllowance& allowance) override {
    return evaluator_.ParseFormattingStatements(expression, position, open_position, allowance);
  }

 private:
  PeltExpressionEvaluator& evaluator_;
};

language::TokenList& PeltExpressionEvaluator::TokensForScan() {
  if (!m_pTokens) m_pTokens = std::make_unique<language::TokenList>();
  return *m_pTokens;
}

bool PeltExpressionEvaluator::EvaluateExpression(std::u16string_view expression) {
  try {
    // The same text in the same locale scans to the same tokens and message:
    // keep the last successful scan's instead of scanning again.
    const value::LocaleData* locale = &value::UserLocale();
    if (scan_memo_.valid && m_pTokens && scan_memo_.locale == locale &&
        value::SameUnits(scan_memo_.expression, expression)) {
      m_sMessage = scan_memo_.message;
      m_bValid = true;
      return true;
    }
    scan_memo_.valid = false;
    LanguageProcedures procedures(*this);
    const bool scanned =
        language::ScanExpression(expression, {m_sMessage, m_bValid, TokensForScan()}, procedures);
    if (scanned) {
      scan_memo_.expression.assign(expression);
      scan_memo_.locale = locale;
      scan_memo_.message = m_sMessage;
      scan_memo_.valid = true;
      ++scan_memo_.generation;
    }
    return scanned;
  } catch (...) {
    scan_memo_.valid = false;
    // Only the first token list can fail to be made; the scan itself never throws.
    language::SetFailureMessage(m_sMessage, MessageId::kScannerFailure);
    m_bValid = false;
    return false;
  }
}

void PeltExpressionEvaluator::EvaluateText2(std::u16string_view expression, std::size_t offset,
                                            std::size_t length, std::vector<language::Token>& out) {
  errors::GuardProcedure(kEvaluateText2Site, errors::OnFailure::kPassUp,
                         [&] { language::ScanLiteralText(expression, offset, length, out); });
}

language::FormatParseResult PeltExpressionEvaluator::ParseFormattingStatements(
    std::u16string_view expression, std::int32_t& position, std::int32_t openPosition,
    language::ArgumentAllowance& allowance) {
  return language::ParseFormattingStatements(expression, position, openPosition,
                                             {m_sMessage, m_bValid, TokensForScan()}, allowance);
}

bool PeltExpressionEvaluator::BindFields(host::HostTable* pTable) {
  for (const language::Token& token : *m_pTokens) {
    if (token.kind != language::TokenKind::kField) continue;
    const std::u16string& name = token.text;
    if (pTable == nullptr) {
      SetFieldMessage(m_sMessage, MessageId::kFieldOutOfScopeOpening, name,
                      MessageId::kFieldOutOfScopeClosing);
      return false;
    }
    std::int32_t found = -1;
    errors::ThrowIfFailed(pTable->IndexOfField(name, found));
    const std::int16_t index = NarrowFieldIndex(found);
    if (index == -1) {
      SetFieldMessage(m_sMessage, MessageId::kFieldOpening, name, MessageId::kFieldMissingClosing);
      return false;
    }
    host::HostFields* fields = nullptr;
    errors::ThrowIfFailed(pTable->FieldList(fields));
    host::HostField* field = nullptr;
    errors::ThrowIfFailed(Required(fields)->FieldAt(index, field));
    host::FieldType type = host::FieldType::kString;
    errors::ThrowIfFailed(Required(field)->FieldTypeCode(type));
    if (host::IsRefusedFieldType(type)) {
      SetFieldMessage(m_sMessage, MessageId::kFieldOpening, name,
                      MessageId::kFieldTypeRefusedClosing);
      return false;
    }
  }
  return true;
}

// Labeling Instructions:
//   TAB PUT TAB KIND:…       the first token
//   TAB AND TAB KIND:…       every later one
// where a field lists its name and first function, and its later entries
// follow on lines of their own: TAB TAB TAB FORMAT:function,first,second.
std::u16string PeltExpressionEvaluator::LabelingInstructions() const {
  std::u16string out(MessageText(MessageId::kListingHeading));
  out += kCrLf;
  bool first = true;
  for (const language::Token& token : *m_pTokens) {
    out += u'\t';
    out += MessageText(first ? MessageId::kListingFirst : MessageId::kListingNext);
    out += u'\t';
    first = false;
    out += value::ToUpper(language::TokenKindName(token.kind));
    out += u':';
    switch (token.kind) {
      case language::TokenKind::kField: {
        if (token.formats.empty()) {
          errors::Raise(value::ErrorCode::kSubscriptOutOfRange, std::u16string(kFailureSource));
        }
        out += token.text;
        out += u',';
        out += token.formats.front().FunctionName();
        out += kCrLf;
        for (std::size_t i = 1; i < token.formats.size(); ++i) {
          const language::FormatEntry& entry = token.formats[i];
          out += u"\t\t\t";
          out += MessageText(MessageId::kListingFormat);
          out += entry.FunctionName();
          out += u',';
          AppendArgument(out, entry.first);
          out += u',';
          AppendArgument(out, entry.second);
          out += kCrLf;
        }
        break;
      }
      case language::TokenKind::kReservedWord:
        out += token.text;
        out += kCrLf;
        break;
      case language::TokenKind::kText:
        out += u'"';
        out += token.text;
        out += u'"';
        out += kCrLf;
        break;
    }
  }
  return out;
}

Boolean PeltExpressionEvaluator::VerifyExpression(host::HostTable* pTable,
                                                  std::u16string_view pExpression) {
  preparation_ = Preparation::kNone;
  bool valid = false;
  try {
    valid = EvaluateExpression(pExpression) && BindFields(pTable);
    if (valid) {
      // The message keeps what the scanner left.
      m_bValid = true;
      if (m_bShowMessages) {
        ShowBox(LabelingInstructions(), MessageId::kValidExpressionTitle,
                ui::MessageBoxStyle::kInformation);
      }
    }
  } catch (...) {
    language::SetFailureMessage(m_sMessage, MessageId::kVerifyFailure);
    valid = false;
  }
  if (!valid) {
    if (m_bShowMessages) {
      ShowBox(m_sMessage, MessageId::kInvalidExpressionTitle, ui::MessageBoxStyle::kCritical);
    }
    m_bValid = false;
  }
  return ToBoolean(valid);
}

}  // namespace pelt::evaluator
