#include "warning_report.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "pelt/value/text.h"

namespace pelt::tools {
namespace {

constexpr int kShellsLookedAt = 8;

// The parent of process id, from /proc; 0 when it cannot be told.
std::int64_t ParentOf(std::int64_t id) {
  std::ifstream stat("/proc/" + std::to_string(id) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return 0;
  // "PID (COMMAND) STATE PPID ...": the command may hold blanks and ")".
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream rest(line.substr(close + 1));
  std::string state;
  std::int64_t parent = 0;
  rest >> state >> parent;
  return parent;
}

// An unquoted or double-quoted "$$" became the id of the shell that ran
// the command line: the parent of this process, or an ancestor when the
// line ran in a subshell (whose "$$" stays the outer shell's).
std::vector<std::int64_t> ShellProcessIds() {
  std::vector<std::int64_t> ids;
  std::int64_t id = ::getppid();
  for (int i = 0; i < kShellsLookedAt && id > 1; ++i) {
    ids.push_back(id);
    id = ParentOf(id);
  }
  return ids;
}

}  // namespace

std::vector<warnings::Warning> CommandWarnings(
    const Streams& io, std::u16string_view expression,
    evaluator::PeltExpressionEvaluator& evaluator, host::HostTable* table,
    std::optional<std::vector<std::u16string>> supplied) {
  if (!io.warnings) return {};
  warnings::WarningContext context;
  context.table = table;
  context.supplied_words = std::move(supplied);
  context.shell_process_ids = ShellProcessIds();
  return warnings::ExpressionWarnings(expression, evaluator.Tokens(), context);
}

void ReportWarnings(Streams& io, std::span<const warnings::Warning> found,
                    std::string_view prefix) {
  for (const warnings::Warning& warning : found) {
    std::string text(prefix);
    text += value::ToUtf8(warning.text);
    ReportWarning(io, text);
  }
}

}  // namespace pelt::tools
