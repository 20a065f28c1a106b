#include "shell_examples.h"

#include <charconv>
#include <map>

#include "pelt/adapters/gdal/run_words.h"
#include "pelt/adapters/gdal/source.h"
#include "pelt/evaluator/apply_format.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/language/statements.h"
#include "pelt/value/conversion.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"
#include "pelt/value/typed_literal.h"

namespace pelt::reference {
namespace {

using value::FromUtf8;
using value::ToUtf8;

// A command's options (by long name) and operands.
struct Arguments {
  std::multimap<std::string, std::string> options;
  std::vector<std::string> operands;
};

// Reads words[1..] with the options that take a value, by long and short
// name; false for any other option.
bool ReadArguments(const std::vector<std::string>& words, const std::map<std::string, char>& valued,
                   Arguments& out) {
  bool operands_only = false;
  for (std::size_t i = 2; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (operands_only || word.size() < 2 || word[0] != '-' || (word[1] >= '0' && word[1] <= '9')) {
      out.operands.push_back(word);
      continue;
    }
    if (word == "--") {
      operands_only = true;
      continue;
    }
    std::string name;
    std::optional<std::string> inline_value;
    if (word.starts_with("--")) {
      const std::size_t equals = word.find('=');
      name = word.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
      if (equals != std::string::npos) inline_value = word.substr(equals + 1);
    } else {
      for (const auto& [long_name, short_name] : valued) {
        if (short_name == word[1]) name = long_name;
      }
      if (word.size() > 2) inline_value = word.substr(2);
    }
    if (valued.count(name) == 0) return false;
    if (!inline_value) {
      if (++i == words.size()) return false;
      inline_value = words[i];
    }
    out.options.emplace(name, *inline_value);
  }
  return true;
}

std::optional<std::string> Option(const Arguments& arguments, const std::string& name) {
  const auto found = arguments.options.find(name);
  return found == arguments.options.end() ? std::nullopt : std::optional(found->second);
}

// pelt-label label prints "\", a line feed and a carriage return escaped.
std::string TextLine(const std::u16string& label) {
  std::string line;
  for (const char c : ToUtf8(label)) {
    switch (c) {
      case '\\': line += "\\\\"; break;
      case '\n': line += "\\n"; break;
      case '\r': line += "\\r"; break;
      default: line += c;
    }
  }
  return line;
}

std::optional<ShellOutput> Format(const Arguments& arguments, std::string& error) {
  const std::string name = Option(arguments, "function").value_or("Format");
  const std::optional<language::StatementId> id = language::StatementByName(FromUtf8(name));
  const language::StatementInfo* function = id ? language::FindStatement(*id) : nullptr;
  const std::optional<value::Variant> input =
      arguments.operands.empty() ? std::nullopt : value::ParseTypedLiteral(arguments.operands[0]);
  if (function == nullptr || !input || arguments.operands.size() > 2) {
    error = "format needs a function, a VALUE and at most one ARGUMENT";
    return std::nullopt;
  }
  language::Argument first;
  if (arguments.operands.size() == 2) {
    const std::string& operand = arguments.operands[1];
    if (function->arguments == language::StatementArguments::kNumber) {
      std::int32_t decimals = 0;
      std::from_chars(operand.data(), operand.data() + operand.size(), decimals);
      first = decimals;
    } else {
      first = FromUtf8(operand);
    }
  }
  const value::LocaleData& locale =
      value::LocaleDataFor(Option(arguments, "locale").value_or("en_US"));
  value::Variant result = *input;
  evaluator::ApplyFormat(result, function->id, first, language::Argument(), locale);
  std::u16string text;
  static_cast<void>(value::AppendText(result, locale, text));
  return ShellOutput{{ToUtf8(text)}, ""};
}

std::optional<ShellOutput> Label(const Arguments& arguments, const std::filesystem::path& root,
                                 std::string& error) {
  if (arguments.operands.size() != 2) {
    error = "label needs SOURCE and EXPR";
    return std::nullopt;
  }
  const std::string& source = arguments.operands[0];
  const std::u16string expression = FromUtf8(arguments.operands[1]);
  gdal::OpenError open_error;
  std::unique_ptr<gdal::LayerTable> table =
      gdal::OpenLayerTable((root / source).string(), gdal::LayerChoice::OnlyLayer(), open_error);
  if (!table) {
    error = open_error.message;
    return std::nullopt;
  }
  if (const auto where = Option(arguments, "where");
      where && !table->SetAttributeFilter(*where).ok()) {
    error = "the condition " + *where + " is refused";
    return std::nullopt;
  }
  gdal::RunWords words;
  for (auto [set, end] = arguments.options.equal_range("set"); set != end; ++set) {
    const std::size_t equals = set->second.find('=');
    std::string key = set->second.substr(0, equals);
    if (key.starts_with("$$")) key.erase(0, 2);
    static_cast<void>(words.Give(
        FromUtf8(key), value::Variant::FromText(FromUtf8(set->second.substr(equals + 1)))));
  }
  words.AddClock(0);
  words.AddLayer(table->name(), source);
  const std::int64_t limit = std::stoll(Option(arguments, "limit").value_or("-1"));
  value::SetUserLocaleOverride(Option(arguments, "locale").value_or("en_US"));
  evaluator::PeltExpressionEvaluator evaluator;
  ShellOutput output;
  if (evaluator.VerifyExpression(table.get(), expression) == evaluator::kFalse) {
    error = "the expression is refused: " + ToUtf8(evaluator.Message());
  } else {
    gdal::FeatureCursor cursor = table->Features();
    for (std::int64_t row = 1; (limit < 0 || row <= limit) && cursor.Next(); ++row) {
      words.SetFeature(cursor.fid(), row);
      output.lines.push_back(TextLine(
          evaluator.MakeLabel(table.get(), &cursor.row(), expression, words.collection())));
    }
  }
  value::ClearUserLocaleOverride();
  if (!error.empty()) return std::nullopt;
  return output;
}

}  // namespace

std::optional<std::vector<std::string>> ShellWords(const std::string& line) {
  std::vector<std::string> words;
  std::optional<std::string> word;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ') {
      if (word) words.push_back(*word);
      word.reset();
      continue;
    }
    std::string& out = word ? *word : word.emplace();
    if (c == '\\' && i + 1 < line.size()) {
      out += line[++i];
    } else if (c == '\'') {
      const std::size_t close = line.find('\'', i + 1);
      if (close == std::string::npos) return std::nullopt;
      out += line.substr(i + 1, close - i - 1);
      i = close;
    } else if (c == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size() &&
            std::string_view("\"\\$`").find(line[i + 1]) != std::string_view::npos)
          ++i;
        out += line[i];
      }
      if (i == line.size()) return std::nullopt;
    } else if (c == '$' && i + 1 < line.size() && line[i + 1] == '\'') {
      for (i += 2; i < line.size() && line[i] != '\''; ++i) {
        if (line[i] != '\\' || i + 1 == line.size()) {
          out += line[i];
          continue;
        }
        const char escaped = line[++i];
        out += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
      }
      if (i == line.size()) return std::nullopt;
    } else {
      out += c;
    }
  }
  if (word) words.push_back(*word);
  return words;
}

std::optional<ShellOutput> RunShellExample(const std::string& line,
                                           const std::filesystem::path& root, std::string& error) {
  const std::optional<std::vector<std::string>> words = ShellWords(line);
  Arguments arguments;
  if (!words || words->size() < 2 || (*words)[0] != "pelt-label") {
    error = "not a pelt-label command line";
    return std::nullopt;
  }
  const std::string& command = (*words)[1];
  if (command == "help" && words->size() == 3) return ShellOutput{{}, (*words)[2]};
  if (command == "format" &&
      ReadArguments(*words, {{"locale", 'L'}, {"function", 'f'}}, arguments)) {
    return Format(arguments, error);
  }
  if (command == "label" &&
      ReadArguments(*words, {{"locale", 'L'}, {"limit", 'n'}, {"where", 'w'}, {"set", 'S'}},
                    arguments)) {
    return Label(arguments, root, error);
  }
  error = "the reference cannot compute what this prints";
  return std::nullopt;
}

}  // namespace pelt::reference
