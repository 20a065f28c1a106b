// A QApplication on Qt's offscreen platform for the widget tests, and helpers
// that act while a modal dialog or box runs its own event loop.

#include "qt_test_environment.h"

#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QTimer>
#include <memory>

#include "pelt/builder/builder.h"

namespace pelt::builder::testing {
namespace {

constexpr int kGiveUpMilliseconds = 5000;

class QtEnvironment final : public ::testing::Environment {
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    application_ = std::make_unique<QApplication>(argc_, argv_);
    InstallQtBuilder();
  }
  void TearDown() override { application_.reset(); }
  int argc_ = 1;
  char name_[16] = "builder_qt_test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

ReservedWords MakeReservedWords(
    std::initializer_list<std::pair<std::u16string_view, const char16_t*>> rows) {
  ReservedWords result;
  for (const auto& [word, description] : rows) {
    static_cast<void>(result.words->Add(value::Variant::FromText(std::u16string(word))));
    if (description != nullptr) {
      static_cast<void>(
          result.descriptions->Add(value::Variant::FromText(description), std::u16string(word)));
    }
  }
  return result;
}

std::string Entries(const frmExpressionBuilder& dialog, Control list) {
  auto* combo = qobject_cast<QComboBox*>(dialog.Widget(list));
  std::string entries;
  for (int i = 0; i < combo->count(); ++i) entries += combo->itemText(i).toStdString() + "|";
  return entries;
}

std::string Disabled(const frmExpressionBuilder& dialog) {
  std::string names;
  for (const ControlSpec& control : DialogLayout()) {
    const QWidget* widget = dialog.Widget(control.id);
    if (!widget->isEnabledTo(widget->parentWidget())) names += std::string(control.name) + " ";
  }
  return names;
}

host::MemoryTable PlacesTable() {
  using host::FieldType;
  return host::MemoryTable({{u"Name", FieldType::kString},
                            {u"Population", FieldType::kInteger},
                            {u"Geometry", FieldType::kGeometry},
                            {u"Picture", FieldType::kBlob}});
}

Builder::Builder(host::HostTable* table, ReservedWords words, std::u16string_view expression,
                 std::initializer_list<std::u16string_view> fields) {
  form = std::make_unique<ExpressionBuilderForm>([this](ExpressionBuilderForm& f) {
    auto view = std::make_unique<frmExpressionBuilder>(f);
    dialog = view.get();
    return view;
  });
  form->SetTable(table);
  form->SetReservedWords(std::move(words.words));
  form->SetReservedWordDescriptions(std::move(words.descriptions));
  form->SetExpressionText(expression);
  for (const std::u16string_view field : fields) form->AddLabelField(field);
  form->SelectFirstLabelField();
}

void Builder::Select(int start, int length) {
  QTextCursor cursor = Expression()->textCursor();
  cursor.setPosition(start);
  cursor.setPosition(start + length, QTextCursor::KeepAnchor);
  Expression()->setTextCursor(cursor);
}

std::string Builder::TextAtCaret() const {
  const QString text = Expression()->toPlainText();
  const int caret = Expression()->textCursor().position();
  return U8(FromWidgetLines(text.left(caret))) + "|" + U8(FromWidgetLines(text.mid(caret)));
}

std::string Boxes(const RecordingMessageBoxes& boxes) {
  constexpr std::u16string_view kStack = u"Error Call Stack Sequence \r\n\t";
  std::string out;
  for (const auto& box : boxes.Boxes()) {
    out += (out.empty() ? "" : " | ") + U8(box.title);
    if (box.style == ui::MessageBoxStyle::kInformation) out += " (information)";
    if (box.style == ui::MessageBoxStyle::kExclamation) out += " (exclamation)";
    const std::size_t at = box.text.find(kStack);
    if (at == std::u16string::npos) continue;
    const std::size_t start = at + kStack.size();
    out += ": " + U8(box.text.substr(start, box.text.find(u"\r\n", start) - start));
  }
  return out;
}

void WhenModalOpens(std::function<bool(QWidget&)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* modal = nullptr;
    const auto acted = [&] {
      modal = QApplication::activeModalWidget();
      return modal != nullptr && act(*modal);
    };
    if (QTest::qWaitFor(acted, kGiveUpMilliseconds)) return;
    ADD_FAILURE() << "the expected window never came up";
    if (modal != nullptr) modal->close();  // so that the test cannot hang
  });
}

}  // namespace pelt::builder::testing
