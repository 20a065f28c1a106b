#include "expression_builder_form.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "errors/messages.h"
#include "help_page.h"
#include "pelt/errors/failure.h"
#include "pelt/language/statements.h"
#include "pelt/ui/message_boxes.h"
#include "pelt/value/conversion.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"
#include "tag_catalogue.h"

namespace pelt::builder {
namespace {

using errors::MessageId;
using errors::MessageText;
using errors::ThrowIfFailed;
using value::ErrorCode;

[[noreturn]] void RaiseObjectRequired() {
  errors::Raise(ErrorCode::kObjectRequired, std::u16string(kDialogModule));
}

// A read of the host's collection that fails fails the handler.
void ThrowIfReadFailed(ErrorCode code) {
  if (code != ErrorCode::kNone) errors::Raise(code, std::u16string(kDialogModule));
}

value::Variant ReadItem(const value::CollectionView& items, std::int32_t position) {
  value::Variant item;
  ThrowIfReadFailed(items.ReadItemAt(position, item));
  return item;
}

// A collection item as text; a value without a text form (Null) fails as it
// always has.
std::u16string ItemText(const value::Variant& item) {
  value::Converted<std::u16string> text = value::ToText(item, value::UserLocale());
  ThrowIfFailed(text.error, kDialogModule);
  return std::move(text.value);
}

// The description under key, or "" when there is none (activation's quiet
// way with a gap the host left).
std::u16string DescriptionOrEmpty(const value::CollectionView* descriptions,
                                  std::u16string_view key) {
  if (descriptions == nullptr) return u"";
  value::Variant item;
  if (descriptions->ReadItemByKey(key, item) != ErrorCode::kNone) return u"";
  value::Converted<std::u16string> text = value::ToText(item, value::UserLocale());
  return text.ok() ? std::move(text.value) : u"";
}

// Left$(text, n) and Right$(text, n): at most n characters, never a failure.
std::u16string_view LeftOf(std::u16string_view text, std::size_t n) {
  return text.substr(0, std::min(n, text.size()));
}
std::u16string_view RightOf(std::u16string_view text, std::size_t n) {
  return text.substr(text.size() - std::min(n, text.size()));
}

}  // namespace

std::u16string_view StatementDescription(std::u16string_view list_text) {
  for (const language::StatementInfo& info : language::Statements()) {
    if (value::EqualsNoCase(info.catalogue_entry, list_text)) return info.description;
  }
  return u"";
}

std::u16string_view TagDescription(std::u16string_view list_text) {
  for (const TagInfo& tag : Tags()) {
    if (value::EqualsNoCase(tag.entry, list_text)) return tag.description;
  }
  return u"";
}

ExpressionBuilderForm::ExpressionBuilderForm(const ViewFactory& make_view)
    : view_(make_view(*this)) {}

ExpressionBuilderForm::~ExpressionBuilderForm() = default;

// --- The caller's side ---

void ExpressionBuilderForm::SetTable(host::HostTable* pTable) { m_pTable = pTable; }

void ExpressionBuilderForm::SetReservedWords(
    std::shared_ptr<const value::CollectionView> ReservedWords) {
  m_pReservedWords = std::move(ReservedWords);
}

void ExpressionBuilderForm::SetReservedWordDescriptions(
    std::shared_ptr<const value::CollectionView> ReservedWordDescriptions) {
  m_pReservedWordDescriptions = std::move(ReservedWordDescriptions);
}

void ExpressionBuilderForm::SetExpressionText(std::u16string_view text) {
  Controls().SetExpressionText(text);
}

std::u16string ExpressionBuilderForm::ExpressionText() { return Controls().ExpressionText(); }

void ExpressionBuilderForm::AddLabelField(std::u16string_view name) {
  Controls().AppendEntry(Control::kCmbLabelFields, name);
}

void ExpressionBuilderForm::SelectFirstLabelField() {
  // With no field listed there is nothing to select, and nothing happens;
  // activation then reports the empty list in the dialog itself.
  Controls().SelectIndex(Control::kCmbLabelFields, 0);
}

void ExpressionBuilderForm::ShowModal() { Controls().ShowModal(); }

void ExpressionBuilderForm::Run(Handler handler) {
  using Body = void (ExpressionBuilderForm::*)();
  static constexpr Body kBodies[] = {
#define PELT_HANDLER(name, source, event) &ExpressionBuilderForm::name,
#include "builder/dialog_handlers.def"
#undef PELT_HANDLER
  };
  // Named locals, not temporaries: GCC 12's sanitizer build otherwise warns
  // that the temporaries may be read uninitialized on the failure path.
  const errors::ProcedureSite site = SiteOf(handler);
  const Body body = kBodies[static_cast<std::size_t>(handler)];
  // Activation has no handler: its failures go to the procedure that showed
  // the dialog.
  if (handler == Handler::kForm_Activate) return (this->*body)();
  errors::GuardProcedure(site, errors::OnFailure::kShowHere, [this, body] { (this->*body)(); });
}

DialogView& ExpressionBuilderForm::Controls() {
  if (!loaded_) {
    // Marked loaded first: the load step itself reaches the controls.
    loaded_ = true;
    ++load_count_;
    Run(Handler::kForm_Load);
  }
  return *view_;
}

void ExpressionBuilderForm::Unload() {
  if (!loaded_) return;
  Run(Handler::kForm_Unload);
  loaded_ = false;
  view_->DiscardControls();
}

// --- Load, activation, unload ---

void ExpressionBuilderForm::Form_Load() {
  DialogView& controls = *view_;
  m_pEvaluator = std::make_unique<evaluator::PeltExpressionEvaluator>();

  for (const language::StatementInfo& info : language::Statements()) {
    controls.AppendEntry(Control::kCmbFormattingStatements, info.catalogue_entry);
  }
  const std::u16string_view first_statement = language::Statements().front().catalogue_entry;
  controls.SelectEntry(Control::kCmbFormattingStatements, first_statement);
  controls.SetLabelText(Control::kLblFormatDescription, StatementDescription(first_statement));

  for (const TagInfo& tag : Tags()) controls.AppendEntry(Control::kCmbTags, tag.entry);
  const std::u16string_view first_tag = Tags().front().entry;
  controls.SelectEntry(Control::kCmbTags, first_tag);
  controls.SetLabelText(Control::kLblTagDescription, TagDescription(first_tag));

  controls.SetExpressionText(m_sExpression);
  controls.SetEnabled(Control::kCmdVerifyExpression, false);
  controls.SetEnabled(Control::kCmdOK, false);
}

void ExpressionBuilderForm::Form_Activate() {
  DialogView& controls = *view_;
  // An absent collection counts as an empty one.
  std::int32_t count = 0;
  if (m_pReservedWords) ThrowIfReadFailed(m_pReservedWords->CountItems(count));
  for (std::int32_t i = 1; i <= count; ++i) {
    controls.AppendEntry(Control::kCmbReservedWords, ItemText(ReadItem(*m_pReservedWords, i)));
  }
  if (count == 0) {
    controls.SetLabelText(Control::kLblReservedWordDescription,
                          MessageText(MessageId::kNoReservedWords));
    controls.SetEnabled(Control::kFraReservedWords, false);
  } else {
    const std::u16string first = ItemText(ReadItem(*m_pReservedWords, 1));
    controls.SelectEntry(Control::kCmbReservedWords, first);
    controls.SetLabelText(Control::kLblReservedWordDescription,
                          DescriptionOrEmpty(m_pReservedWordDescriptions.get(), first));
    controls.SetEnabled(Control::kFraReservedWords, true);
  }

  if (controls.EntryCount(Control::kCmbLabelFields) > 0) {
    controls.SetEnabled(Control::kFraLabelFields, true);
  } else {
    controls.SetLabelText(Control::kLblFormatDescription,
                          MessageText(MessageId::kNoDatabaseFields));
    controls.SetEnabled(Control::kFraLabelFields, false);
  }
}

void ExpressionBuilderForm::Form_Unload() {
  m_pEvaluator.reset();
  m_pTable = nullptr;
  m_pReservedWords.reset();
  m_pReservedWordDescriptions.reset();
}

void ExpressionBuilderForm::WindowClosed() { Unload(); }

// --- Selection handlers ---

void ExpressionBuilderForm::CmbFormattingStatements_Click() {
  const std::u16string text = view_->ListText(Control::kCmbFormattingStatements);
  view_->SetLabelText(Control::kLblFormatDescription, StatementDescription(text));
}

void ExpressionBuilderForm::cmbTags_Click() {
  const std::u16string text = view_->ListText(Control::kCmbTags);
  view_->SetLabelText(Control::kLblTagDescription, TagDescription(text));
}

void ExpressionBuilderForm::cmbReservedWords_Click() {
  view_->SetLabelText(Control::kLblReservedWordDescription, u"");
  if (!m_pReservedWordDescriptions) RaiseObjectRequired();
  const std::u16string key = view_->ListText(Control::kCmbReservedWords);
  value::Variant description;
  ThrowIfReadFailed(m_pReservedWordDescriptions->ReadItemByKey(key, description));
  view_->SetLabelText(Control::kLblReservedWordDescription, ItemText(description));
}

// --- Buttons ---

void ExpressionBuilderForm::CmdAddField_Click() {
  const std::u16string name = view_->ListText(Control::kCmbLabelFields);
  if (m_pTable == nullptr) RaiseObjectRequired();
  std::int32_t index = 0;
  ThrowIfFailed(m_pTable->IndexOfField(name, index));
  // Field indices are 16-bit here; -1 (no such field) passes on to FieldAt.
  if (index < std::numeric_limits<std::int16_t>::min() ||
      index > std::numeric_limits<std::int16_t>::max()) {
    errors::Raise(ErrorCode::kOverflow, std::u16string(kDialogModule));
  }
  const auto narrowed = static_cast<std::int16_t>(index);
  host::HostFields* fields = nullptr;
  ThrowIfFailed(m_pTable->FieldList(fields));
  host::HostField* field = nullptr;
  ThrowIfFailed(fields->FieldAt(narrowed, field));
  host::FieldType type{};
  ThrowIfFailed(field->FieldTypeCode(type));

  // Geometry, blob and every code the list does not name are refused here,
  // although verification refuses only geometry and blob.
  if (!host::IsListedLabelledFieldType(type)) {
    ui::ActiveMessageBoxes().Show(MessageText(MessageId::kRefusedFieldType),
                                  MessageText(MessageId::kRefusedFieldTypeTitle),
                                  ui::MessageBoxStyle::kCritical);
    return;
  }
  std::u16string bracketed = u"[";
  bracketed += name;
  bracketed += u"]";
  view_->ReplaceExpressionSelection(bracketed);
  view_->FocusExpression();
}

void ExpressionBuilderForm::CmdAddFormattingStatement_Click() {
  view_->ReplaceExpressionSelection(view_->ListText(Control::kCmbFormattingStatements));
  view_->FocusExpression();
}

void ExpressionBuilderForm::cmdAddReservedWord_Click() {
  view_->ReplaceExpressionSelection(view_->ListText(Control::kCmbReservedWords));
}

void ExpressionBuilderForm::cmdAddTag_Click() {
  const std::u16string selected = view_->SelectedExpressionText();
  const std::u16string tag = view_->ListText(Control::kCmbTags);
  std::u16string wrapped(LeftOf(tag, kOpeningTagLength));
  wrapped += selected;
  wrapped += RightOf(tag, kClosingTagLength);
  view_->ReplaceExpressionSelection(wrapped);
}

void ExpressionBuilderForm::CmdVerifyExpression_Click() {
  if (!m_pEvaluator) RaiseObjectRequired();
  m_pEvaluator->ShowMessages(evaluator::kTrue);
  // The verdict reaches the user through the evaluator's own boxes; the
  // dialog's state does not depend on it.
  static_cast<void>(m_pEvaluator->VerifyExpression(m_pTable, view_->ExpressionText()));
}

void ExpressionBuilderForm::CmdOK_Click() {
  m_sExpression = view_->ExpressionText();
  view_->Hide();
  Unload();
}

void ExpressionBuilderForm::CmdCancel_Click() {
  view_->Hide();
  Unload();
}

void ExpressionBuilderForm::CmdHelp_Click() {
  view_->ShowHelp(MakeHelpPage(m_pReservedWords.get(), m_pReservedWordDescriptions.get()));
}

void ExpressionBuilderForm::TxtExpression_Change() {
  // Blanks count: only the empty text disables.
  const bool has_text = !view_->ExpressionText().empty();
  view_->SetEnabled(Control::kCmdVerifyExpression, has_text);
  view_->SetEnabled(Control::kCmdOK, has_text);
}

}  // namespace pelt::builder
