// The loadable module that shows the expression builder for pelt-label edit.

#include "builder_module.h"

#include <QApplication>

#include "pelt/builder/builder.h"

using pelt::tools::BuilderSession;

extern "C" __attribute__((visibility("default"))) bool pelt_label_check_display(
    std::string* why_not) {
  return pelt::builder::DisplayAvailable(why_not);
}

extern "C" __attribute__((visibility("default"))) void pelt_label_run_builder(
    const BuilderSession* session, std::u16string* accepted) {
  int argc = 1;
  char name[] = "pelt-label";
  char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  pelt::builder::InstallQtBuilder();

  pelt::evaluator::PeltExpressionEvaluator evaluator;
  evaluator.ShowMessages(session->show_messages ? pelt::evaluator::kTrue : pelt::evaluator::kFalse);
  *accepted = evaluator.EditExpression(session->table, session->expression, session->words,
                                       session->descriptions);
}
