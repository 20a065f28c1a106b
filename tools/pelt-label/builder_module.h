#pragma once

// The expression builder and the windowing toolkit under it live in a module
// of their own that only the edit command loads, so the other commands start
// without loading the toolkit's libraries. The program and the module are
// built from one tree, so C++ types may cross between them.

#include <string>

#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/host_table.h"

namespace pelt::tools {

// What the builder edits: the layer's table, the expression it opens with and
// the reserved words it offers with their descriptions.
struct BuilderSession {
  host::HostTable* table = nullptr;
  std::u16string expression;
  evaluator::CollectionRef words;
  evaluator::CollectionRef descriptions;
  bool show_messages = false;
};

// The module's entry points, looked up by these names.
//   display problem: false, with the reason in why_not, when no window can be
//     opened; true otherwise.
//   run builder: shows the modal builder and gives the accepted expression,
//     "" when it was cancelled or the expression is not valid.
extern "C" {
using DisplayCheck = bool (*)(std::string* why_not);
using BuilderRun = void (*)(const BuilderSession* session, std::u16string* accepted);
}
inline constexpr char kDisplayCheckSymbol[] = "pelt_label_check_display";
inline constexpr char kBuilderRunSymbol[] = "pelt_label_run_builder";

// The module's file name, beside the program in a build tree.
inline constexpr char kBuilderModuleFile[] = "pelt-label-builder.so";

}  // namespace pelt::tools
