// EditExpression through the dialog factory, with the builder's logic on
// in-memory controls standing in for the toolkit.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "builder/expression_builder_form.h"
#include "builder_test_support.h"
#include "fake_dialog_view.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/ui/message_boxes.h"
#include "support/dump.h"

namespace pelt::builder {
namespace {

using evaluator::PeltExpressionEvaluator;
using host::FieldType;
using host::MemoryTable;
using host::Operation;
using pelt::testing::U8;
using testing::FakeDialogView;
using testing::MakeReservedWords;
using testing::ReportedProcedure;

// Installs a factory of forms on in-memory controls for the test's lifetime;
// every dialog it makes runs the same user actions when shown.
class FakeBuilders {
 public:
  explicit FakeBuilders(FakeDialogView::UserActions actions) : actions_(std::move(actions)) {
    evaluator::SetExpressionBuilderFactory([this] {
      auto form = std::make_unique<ExpressionBuilderForm>([this](ExpressionBuilderForm& f) {
        auto view = std::make_unique<FakeDialogView>(f);
        view->set_user_actions(actions_);
        last_view = view.get();
        return view;
      });
      last_form = form.get();
      ++created;
      return form;
    });
  }
  ~FakeBuilders() { evaluator::SetExpressionBuilderFactory(nullptr); }
  FakeBuilders(const FakeBuilders&) = delete;
  FakeBuilders& operator=(const FakeBuilders&) = delete;

  ExpressionBuilderForm* last_form = nullptr;
  FakeDialogView* last_view = nullptr;
  int created = 0;

 private:
  FakeDialogView::UserActions actions_;
};

MemoryTable PlacesTable() {
  return MemoryTable({{u"Shape", FieldType::kGeometry},
                      {u"Name", FieldType::kString},
                      {u"Population", FieldType::kInteger}});
}

TEST(EditExpressionTest, ReturnsOnlyAnAcceptedVerifiedExpression) {
  enum class Close { kOk, kCancel, kEscape, kCloseBox };
  struct Row {
    int line;
    std::u16string_view start;
    std::u16string_view typed;  // appended at the end of the text
    Close close;
    bool show_messages;
    std::string result;
    std::string boxes_after_closing;
  } rows[] = {
      {__LINE__, u"[Name]", u"", Close::kOk, false, "[Name]", ""},
      {__LINE__, u"[Name]", u".UCase", Close::kOk, false, "[Name].UCase", ""},
      {__LINE__, u"[Name]", u"", Close::kCancel, false, "", ""},
      {__LINE__, u"[Name]", u"", Close::kEscape, false, "", ""},
      {__LINE__, u"[Name]", u"", Close::kCloseBox, false, "", ""},
      {__LINE__, u"Page ", u"$$PAGE_NUMBER", Close::kOk, false, "Page $$PAGE_NUMBER", ""},
      // Not verified here: the messages of the caller's evaluator decide.
      {__LINE__, u"[Name]", u"", Close::kOk, true, "[Name]", "Valid Expression"},
      {__LINE__, u"[Nobody]", u"", Close::kOk, false, "", "Invalid Expression"},
      {__LINE__, u"[Shape]", u"", Close::kOk, true, "",
       "Invalid Expression! | Invalid Expression"},
      {__LINE__, u"[Name", u"", Close::kOk, false, "", "Invalid Expression"},
      // Blanks are an expression; only the empty text means "nothing".
      {__LINE__, u"  ", u"", Close::kOk, false, "  ", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ui::RecordingMessageBoxes boxes;
    ui::ScopedMessageBoxes scope(boxes);
    std::size_t boxes_while_open = 0;
    FakeBuilders builders([&](FakeDialogView& view) {
      view.Select(view.ExpressionText().size());
      view.Type(row.typed);
      switch (row.close) {
        case Close::kOk: view.Click(Control::kCmdOK); break;
        case Close::kCancel: view.Click(Control::kCmdCancel); break;
        case Close::kEscape: view.PressEscape(); break;
        case Close::kCloseBox: view.CloseWindow(); break;
      }
      boxes_while_open = boxes.events().size();
    });
    MemoryTable table = PlacesTable();
    PeltExpressionEvaluator evaluator;
    evaluator.ShowMessages(row.show_messages ? evaluator::kTrue : evaluator::kFalse);
    const std::u16string result = evaluator.EditExpression(
        &table, std::u16string(row.start), std::make_shared<value::Collection>(),
        std::make_shared<value::Collection>());
    EXPECT_EQ(U8(result), row.result);
    EXPECT_EQ(boxes_while_open, 0u);
    EXPECT_EQ(testing::BoxTitles(boxes), row.boxes_after_closing);
    for (const auto& box : boxes.Boxes()) {
      if (box.title == u"Invalid Expression") {
        EXPECT_EQ(U8(box.text), "Unable to change expression.");
        EXPECT_EQ(box.style, ui::MessageBoxStyle::kCritical);
      }
    }
    // Loaded twice: once to be shown, once, unseen, to read the result.
    ASSERT_NE(builders.last_form, nullptr);
    EXPECT_EQ(builders.last_form->load_count(), 2);
  }
}

TEST(EditExpressionTest, ListsEveryFieldButTheOneCalledShape) {
  struct Row {
    int line;
    std::vector<std::u16string> fields;
    std::vector<std::u16string> listed;
    std::string selected;
    std::string format_description;
  } rows[] = {
      {__LINE__, {u"SHAPE", u"Name", u"Shape_Area"}, {u"Name", u"Shape_Area"}, "Name",
       ".Abs: Absolute value of a number.  Example: -3.Abs = 3"},
      {__LINE__, {u"Name", u"shape", u"Shapes"}, {u"Name", u"Shapes"}, "Name",
       ".Abs: Absolute value of a number.  Example: -3.Abs = 3"},
      {__LINE__, {u"Shape"}, {}, "", "No database fields available."},
      {__LINE__, {}, {}, "", "No database fields available."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ui::RecordingMessageBoxes boxes;
    ui::ScopedMessageBoxes scope(boxes);
    std::vector<std::u16string> listed;
    std::string selected;
    std::string format_description;
    FakeBuilders builders([&](FakeDialogView& view) {
      listed = view.Entries(Control::kCmbLabelFields);
      selected = U8(view.ListText(Control::kCmbLabelFields));
      format_description = U8(view.LabelText(Control::kLblFormatDescription));
    });
    std::vector<host::FieldSpec> field_specs;
    // Whatever its type, the field called Shape is left out by its name.
    for (const std::u16string& name : row.fields) field_specs.push_back({name, FieldType::kString});
    MemoryTable table(std::move(field_specs));
    PeltExpressionEvaluator evaluator;
    EXPECT_EQ(U8(evaluator.EditExpression(&table, u"x", nullptr, nullptr)), "");
    EXPECT_EQ(listed, row.listed);
    EXPECT_EQ(selected, row.selected);
    EXPECT_EQ(format_description, row.format_description);
    EXPECT_TRUE(boxes.events().empty());
  }
}

TEST(EditExpressionTest, AsksTheTableForItsFieldsInTheUsualOrder) {
  ui::RecordingMessageBoxes boxes;
  ui::ScopedMessageBoxes scope(boxes);
  FakeBuilders builders([](FakeDialogView& view) { view.Click(Control::kCmdCancel); });
  MemoryTable table = PlacesTable();
  table.RecordCalls(true);
  PeltExpressionEvaluator evaluator;
  EXPECT_EQ(U8(evaluator.EditExpression(&table, u"", nullptr, nullptr)), "");
  EXPECT_EQ(U8(table.CallTrace()),
            "FieldList FieldCount FieldList FieldAt(0) FieldName(Shape) FieldList FieldAt(1) "
            "FieldName(Name) FieldList FieldAt(2) FieldName(Population)");
}

TEST(EditExpressionTest, AFailingHostCallIsReportedAndGivesNothing) {
  // Every host call EditExpression makes before showing the dialog, failed
  // in turn: the report names EditExpression and the dialog never shows.
  for (std::int64_t n = 1; n <= 11; ++n) {
    SCOPED_TRACE(n);
    ui::RecordingMessageBoxes boxes;
    ui::ScopedMessageBoxes scope(boxes);
    int shown = 0;
    FakeBuilders builders([&](FakeDialogView& view) {
      ++shown;
      view.Click(Control::kCmdOK);
    });
    MemoryTable table = PlacesTable();
    table.FailCall(std::nullopt, n, errors::Status(91, u"MemoryTable", u"Injected"));
    PeltExpressionEvaluator evaluator;
    EXPECT_EQ(U8(evaluator.EditExpression(&table, u"[Name]", nullptr, nullptr)), "");
    EXPECT_EQ(shown, 0);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(U8(boxes.Boxes()[0].title), "Unexpected Program Error");
    EXPECT_EQ(U8(ReportedProcedure(boxes.Boxes()[0])),
              "EditExpression PeltExpressions:PeltExpressionEvaluator ");
    EXPECT_NE(boxes.Boxes()[0].text.find(u"\t91\r\n"), std::u16string::npos);
  }
}

TEST(EditExpressionTest, WithoutATableOnlyFieldlessExpressionsPass) {
  struct Row {
    int line;
    std::u16string_view expression;
    std::string result;
    std::string boxes;
  } rows[] = {
      {__LINE__, u"Page $$PAGE", "Page $$PAGE", ""},
      {__LINE__, u"[Name]", "", "Invalid Expression"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ui::RecordingMessageBoxes boxes;
    ui::ScopedMessageBoxes scope(boxes);
    std::vector<std::u16string> listed{u"not read"};
    bool fields_enabled = true;
    FakeBuilders builders([&](FakeDialogView& view) {
      listed = view.Entries(Control::kCmbLabelFields);
      fields_enabled = view.IsEnabled(Control::kFraLabelFields);
      view.Click(Control::kCmdOK);
    });
    PeltExpressionEvaluator evaluator;
    const auto words = MakeReservedWords({{u"$$PAGE", u"Page"}});
    EXPECT_EQ(U8(evaluator.EditExpression(nullptr, std::u16string(row.expression), words.words,
                                          words.descriptions)),
              row.result);
    EXPECT_TRUE(listed.empty());
    EXPECT_FALSE(fields_enabled);
    EXPECT_EQ(testing::BoxTitles(boxes), row.boxes);
  }
}

TEST(EditExpressionTest, ASecondCallOpensAFreshDialog) {
  ui::RecordingMessageBoxes boxes;
  ui::ScopedMessageBoxes scope(boxes);
  int call = 0;
  std::vector<std::string> texts_on_opening;
  FakeBuilders builders([&](FakeDialogView& view) {
    texts_on_opening.push_back(U8(view.ExpressionText()));
    view.Click(++call == 1 ? Control::kCmdOK : Control::kCmdCancel);
  });
  MemoryTable table = PlacesTable();
  PeltExpressionEvaluator evaluator;
  EXPECT_EQ(U8(evaluator.EditExpression(&table, u"[Name]", nullptr, nullptr)), "[Name]");
  EXPECT_EQ(U8(evaluator.EditExpression(&table, u"[Population]", nullptr, nullptr)), "");
  EXPECT_EQ(builders.created, 2);
  EXPECT_EQ(U8(builders.last_form->AcceptedExpression()), "");
  EXPECT_EQ(texts_on_opening, (std::vector<std::string>{"[Name]", "[Population]"}));
}

TEST(EditExpressionTest, WithoutADialogToolkitTheFailureIsReported) {
  struct Row {
    int line;
    bool factory_gives_nothing;  // false: no factory installed at all
  } rows[] = {{__LINE__, false}, {__LINE__, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ui::RecordingMessageBoxes boxes;
    ui::ScopedMessageBoxes scope(boxes);
    evaluator::SetExpressionBuilderFactory(nullptr);
    if (row.factory_gives_nothing) {
      evaluator::SetExpressionBuilderFactory(
          [] { return std::unique_ptr<evaluator::ExpressionBuilder>(); });
    }
    MemoryTable table = PlacesTable();
    PeltExpressionEvaluator evaluator;
    EXPECT_EQ(U8(evaluator.EditExpression(&table, u"[Name]", nullptr, nullptr)), "");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(U8(ReportedProcedure(boxes.Boxes()[0])),
              "EditExpression PeltExpressions:PeltExpressionEvaluator ");
    EXPECT_NE(boxes.Boxes()[0].text.find(u"\t429\r\n"), std::u16string::npos);
    evaluator::SetExpressionBuilderFactory(nullptr);
  }
}

}  // namespace
}  // namespace pelt::builder
