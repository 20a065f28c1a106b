#include "edit_command.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "builder_loader.h"
#include "bundled_sample.h"
#include "expression_operand.h"
#include "options.h"
#include "pelt/adapters/gdal/layer_table.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/run_words.h"
#include "pelt/value/collection.h"
#include "pelt/value/text.h"
#include "source_arguments.h"
#include "warning_report.h"

namespace pelt::tools {
namespace {

constexpr std::string_view kCommand = "edit";

constexpr OptionSpec kSetOption{"set", 'S', "KEY=DESCRIPTION",
                                "offer $$KEY with this description (repeatable)",
                                /*repeatable=*/true};
// The boxes show in the dialog's own windows here, not on standard error.
constexpr OptionSpec kEditShowMessagesOption{
    kShowMessagesOption.name, kShowMessagesOption.short_name, "",
    "show verification's message boxes when OK is pressed"};
constexpr std::array kOptions{kLayerOption, kSetOption, kEditShowMessagesOption, kNoWarningsOption,
                              kHelpOption};

constexpr std::string_view kUsage =
    R"(
Opens the expression builder for a layer of SOURCE, prefilled with EXPR.
A single operand is SOURCE when a file or folder of that name exists, and
EXPR otherwise; EXPR - reads the expression from standard input. Without
SOURCE the bundled sample is read, and standard error names it; not when
standard input is a pipe or a file. The reserved words offered are those
the label command supplies and every --set one.

On OK the accepted expression, once verified, is printed on standard output.

Exit status: 0 an expression was accepted and printed; 1 the dialog was
cancelled or closed, or the accepted expression is not valid; 2 bad usage,
no display, or a source or layer that cannot be opened.

)";
constexpr CommandSyntax kSyntax{kCommand, kOptions, kUsage};

// The reserved words and their descriptions (keyed by word), built-in ones
// first, then the --set ones in the order given.
struct ReservedWordLists {
  std::shared_ptr<value::Collection> words = std::make_shared<value::Collection>();
  std::shared_ptr<value::Collection> descriptions = std::make_shared<value::Collection>();
};

bool BuildReservedWords(const std::vector<std::string_view>& sets, ReservedWordLists& lists,
                        std::string& error) {
  std::vector<std::pair<std::u16string, std::u16string>> rows;
  // The words the label command supplies, as the user inserts them.
  for (const host::RunWordInfo& word : host::RunWordTable()) {
    rows.emplace_back(u"$$" + std::u16string(word.name), word.description);
  }
  for (const std::string_view set : sets) {
    const std::size_t equals = set.find('=');
    std::string_view key = set.substr(0, equals);
    if (key.starts_with("$$")) key.remove_prefix(2);
    if (equals == std::string_view::npos || key.empty()) {
      error = "--set expects KEY=DESCRIPTION, got '" + std::string(set) + "'";
      return false;
    }
    const std::u16string word = u"$$" + value::FromUtf8(key);
    const std::u16string description = value::FromUtf8(set.substr(equals + 1));
    auto same = [&](const auto& row) { return value::EqualsNoCase(row.first, word); };
    if (auto found = std::find_if(rows.begin(), rows.end(), same); found != rows.end()) {
      found->second = description;
    } else {
      rows.emplace_back(word, description);
    }
  }
  for (auto& [word, description] : rows) {
    static_cast<void>(lists.words->Add(value::Variant::FromText(word)));
    static_cast<void>(lists.descriptions->Add(value::Variant::FromText(description), word));
  }
  return true;
}

// The accepted expression was verified by the dialog; what it may still get
// wrong is told on the way out, against the words the dialog offered.
void ReportAcceptedWarnings(Streams& io, std::u16string_view accepted, gdal::LayerTable& table,
                            const ReservedWordLists& lists) {
  if (!io.warnings) return;
  std::vector<std::u16string> offered;
  for (std::int32_t i = 1; i <= lists.words->Count(); ++i) {
    const value::Variant* word = lists.words->ItemAt(i);
    if (word != nullptr && word->IsText()) offered.push_back(word->AsText().substr(2));  // "$$"
  }
  evaluator::PeltExpressionEvaluator evaluator;
  static_cast<void>(evaluator.VerifyExpression(&table, accepted));
  ReportWarnings(io, CommandWarnings(io, accepted, evaluator, &table, std::move(offered)));
}

bool PathExists(std::string_view path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::path(path), error);
}

}  // namespace

ExitCode RunEdit(std::span<const std::string_view> args, Streams& io) {
  ParsedArguments arguments;
  if (const auto done = ParseCommandArguments(args, kSyntax, io, arguments)) return *done;
  std::string error;
  const std::vector<std::string_view>& operands = arguments.operands();
  if (operands.size() > 2) {
    return ReportUsage(
        io, kCommand,
        "expects at most SOURCE and EXPR, got " + std::to_string(operands.size()) + " operands");
  }
  ReservedWordLists reserved_words;
  if (!BuildReservedWords(arguments.Values(kSetOption.name), reserved_words, error)) {
    return ReportUsage(io, kCommand, error);
  }

  std::string problem;
  const std::unique_ptr<BuilderModule> builder = BuilderModule::Load(problem);
  if (!builder) {
    ReportProblem(io, problem);
    return ExitCode::kUsage;
  }
  // Before anything is opened: without a display there is nothing to do.
  if (std::string why_not; !builder->DisplayAvailable(why_not)) {
    ReportProblem(io, "cannot open the expression builder: " + why_not);
    return ExitCode::kUsage;
  }

  std::optional<std::string> source_path;
  std::string_view expression_operand;
  if (operands.size() == 2) {
    source_path = std::string(operands[0]);
    expression_operand = operands[1];
  } else if (operands.size() == 1 && PathExists(operands[0])) {
    source_path = std::string(operands[0]);
  } else {
    if (operands.size() == 1) expression_operand = operands[0];
    const SampleChoice choice{.standard_input_taken = expression_operand == "-"};
    if (const auto done = ChooseBundledSample(kCommand, choice, io, source_path.emplace())) {
      return *done;
    }
  }
  ExitCode exit_code = ExitCode::kOk;
  std::unique_ptr<gdal::LayerTable> table = OpenSourceLayer(*source_path, arguments, io, exit_code);
  if (!table) return exit_code;
  std::u16string expression;
  if (!expression_operand.empty() && !ReadExpression(expression_operand, expression, io)) {
    return ExitCode::kUsage;
  }

  const std::u16string accepted =
      builder->Run({table.get(), expression, reserved_words.words, reserved_words.descriptions,
                    arguments.Has(kEditShowMessagesOption.name)});
  if (accepted.empty()) return ExitCode::kFailure;
  io.out << value::ToUtf8(accepted) << '\n';
  const ExitCode flushed = FlushStandardOutput(io);
  ReportAcceptedWarnings(io, accepted, *table, reserved_words);
  return flushed;
}

}  // namespace pelt::tools
