// A QApplication on Qt's offscreen platform for the widget tests, and helpers
// that act while a modal dialog or box runs its own event loop.

#include "qt_test_environment.h"

#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "builder/frm_expression_builder.h"
#include "pelt/builder/builder.h"

namespace pelt::builder::testing {
namespace {

constexpr int kPollMilliseconds = 5;
constexpr int kGiveUpMilliseconds = 5000;

class QtEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    application_ = std::make_unique<QApplication>(argc_, argv_);
    InstallQtBuilder();
  }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "builder_qt_test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Polls until found() gives a widget, then runs act on it; gives up (and
// closes whatever modal widget is up, so the test cannot hang) after a while.
template <class Find, class Act>
void Poll(Find found, Act act, std::shared_ptr<QElapsedTimer> clock = nullptr) {
  if (!clock) {
    clock = std::make_shared<QElapsedTimer>();
    clock->start();
  }
  QTimer::singleShot(kPollMilliseconds, [found, act, clock] {
    if (auto* widget = found()) {
      act(*widget);
      return;
    }
    if (clock->elapsed() > kGiveUpMilliseconds) {
      ADD_FAILURE() << "the expected window never came up";
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
      return;
    }
    Poll(found, act, clock);
  });
}

}  // namespace

void WhenBuilderOpens(std::function<void(frmExpressionBuilder&)> step) {
  Poll(
      []() -> frmExpressionBuilder* {
        auto* dialog = qobject_cast<frmExpressionBuilder*>(QApplication::activeModalWidget());
        return dialog != nullptr && dialog->activated() ? dialog : nullptr;
      },
      [step](frmExpressionBuilder& dialog) { step(dialog); });
}

void AnswerNextBox(SeenBox& seen) {
  Poll([]() { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); },
       [&seen](QMessageBox& box) {
         seen.seen = true;
         seen.title = box.windowTitle();
         seen.text = box.text();
         seen.icon = static_cast<int>(box.icon());
         box.button(QMessageBox::Ok)->click();
       });
}

}  // namespace pelt::builder::testing
