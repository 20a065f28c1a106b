#pragma once

// Shared by the builder's test files: their common includes and names too.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTest>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "builder/expression_builder_form.h"
#include "builder/frm_expression_builder.h"
#include "builder/qt_text.h"
#include "pelt/host/memory_table.h"
#include "pelt/ui/message_boxes.h"
#include "pelt/value/collection.h"
#include "support/dump.h"
#include "support/recording_message_boxes.h"
#include "support/recording_table.h"

namespace pelt::builder::testing {

using enum Control;
using pelt::testing::RecordingMessageBoxes;
using pelt::testing::RecordingTable;
using pelt::testing::U8;

// A host's two reserved-word collections: the words in order, and each
// word's description under the word as key (a null description is left out).
struct ReservedWords {
  std::shared_ptr<value::Collection> words = std::make_shared<value::Collection>();
  std::shared_ptr<value::Collection> descriptions = std::make_shared<value::Collection>();
};
ReservedWords MakeReservedWords(
    std::initializer_list<std::pair<std::u16string_view, const char16_t*>> rows);

// Name, Population, Geometry and a blob called Picture.
host::MemoryTable PlacesTable();

// The entries of a list, in order, each followed by '|'.
std::string Entries(const frmExpressionBuilder& dialog, Control list);
// The names of the controls disabled in themselves (not only through their
// frame), in layout order, each followed by a blank.
std::string Disabled(const frmExpressionBuilder& dialog);

// A form on the Qt dialog, loaded the way EditExpression loads it (members,
// text, then the field names, first one selected), not yet shown. The boxes
// it shows are recorded.
struct Builder {
  Builder(host::HostTable* table, ReservedWords words, std::u16string_view expression,
          std::initializer_list<std::u16string_view> fields);
  // Shows the dialog without a modal loop and waits for its activation.
  void Show() {
    dialog->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->activated(); }));
  }

  QWidget* Widget(Control control) const { return dialog->Widget(control); }
  QPlainTextEdit* Expression() const {
    return static_cast<QPlainTextEdit*>(Widget(kTxtExpression));
  }
  // A real click: the button takes the focus first, as it does for a user
  // (nothing happens when it is disabled).
  void Click(Control button) { QTest::mouseClick(Widget(button), Qt::LeftButton); }
  void Pick(Control list, std::u16string_view entry) { dialog->SelectEntry(list, entry); }
  // Puts the caret at start and selects length characters after it.
  void Select(int start, int length = 0);
  // The text with a '|' where the caret stands.
  std::string TextAtCaret() const;
  std::string Label(Control label) const { return U8(dialog->LabelText(label)); }
  std::string Focus() const { return dialog->focusWidget()->objectName().toStdString(); }

  RecordingMessageBoxes boxes;
  ui::ScopedMessageBoxes scope{boxes};
  std::unique_ptr<ExpressionBuilderForm> form;
  frmExpressionBuilder* dialog = nullptr;
};

// The titles of the recorded boxes, in order, joined by " | ", each with its
// style unless it is critical; an "Unexpected Program Error" report adds the
// first line of its call stack (the line after "Error Call Stack Sequence ",
// without its TAB).
std::string Boxes(const RecordingMessageBoxes& boxes);

// Once the event loop of the next modal window runs, offers the modal widget
// to act until act takes it (returns true), polling for a few seconds at
// most; a window never taken fails the test and is closed. Arm it before the
// call that opens the window.
void WhenModalOpens(std::function<bool(QWidget&)> act);

}  // namespace pelt::builder::testing
