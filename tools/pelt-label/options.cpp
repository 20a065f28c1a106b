#include "options.h"

#include <algorithm>
#include <array>

#include "pelt/value/did_you_mean.h"
#include "pelt/value/nearest.h"

namespace pelt::tools {
namespace {

const OptionSpec* FindLong(std::span<const OptionSpec> option_specs, std::string_view name) {
  const auto found = std::find_if(option_specs.begin(), option_specs.end(),
                                  [&](const OptionSpec& s) { return s.name == name; });
  return found != option_specs.end() ? &*found : nullptr;
}

const OptionSpec* FindShort(std::span<const OptionSpec> option_specs, char name) {
  const auto found = std::find_if(option_specs.begin(), option_specs.end(),
                                  [&](const OptionSpec& s) { return s.short_name == name; });
  return found != option_specs.end() ? &*found : nullptr;
}

std::string Quoted(std::string_view text) {
  std::string quoted = "'";
  quoted += text;
  quoted += '\'';
  return quoted;
}

// The spelling users know an option by in messages: "--layer".
std::string LongSpelling(const OptionSpec& option_spec) {
  std::string spelling = "--";
  spelling += option_spec.name;
  return spelling;
}

// The name an option word spells, without its dashes and any "=VALUE".
std::string_view SpelledName(std::string_view arg) {
  const std::size_t start = arg.find_first_not_of('-');
  if (start == std::string_view::npos) return {};
  const std::string_view name = arg.substr(start);
  return name.substr(0, name.find('='));
}

// "; did you mean '--limit'?" for a slip of a long option's name, or "".
std::string NearestOptions(std::string_view name, std::span<const OptionSpec> option_specs) {
  std::vector<std::string_view> names;
  for (const OptionSpec& option_spec : option_specs) names.push_back(option_spec.name);
  std::vector<std::string> nearest;
  for (std::size_t i : value::NearestNames(name, names)) {
    nearest.push_back(LongSpelling(option_specs[i]));
  }
  return value::DidYouMean(nearest);
}

// "-where" is a long option written with one dash, as GDAL's tools spell
// theirs: read as -w with the value "here" it would do what nobody meant.
const OptionSpec* LongNameAfterOneDash(std::string_view arg,
                                       std::span<const OptionSpec> option_specs) {
  const std::string_view name = SpelledName(arg);
  return arg[1] != '-' && name.size() > 1 ? FindLong(option_specs, name) : nullptr;
}

// "-1", "-0.5", "-.5": a negative number, the way argparse reads one.
bool IsNegativeNumber(std::string_view arg) {
  if (arg.size() < 2 || arg[0] != '-') return false;
  const std::string_view digits = arg.substr(1);
  const std::size_t point = digits.find('.');
  const std::string_view whole = digits.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view("0") : digits.substr(point + 1);
  auto all_digits = [](std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  return all_digits(whole) && all_digits(fraction) && !fraction.empty() &&
         (point != std::string_view::npos || !whole.empty());
}

// A word that reads as a negative number is an operand, unless some option
// is spelled with a digit and the word could mean it.
bool IsNumberOperand(std::string_view arg, std::span<const OptionSpec> option_specs) {
  return IsNegativeNumber(arg) &&
         std::none_of(option_specs.begin(), option_specs.end(), [](const OptionSpec& option) {
           return option.short_name >= '0' && option.short_name <= '9';
         });
}

}  // namespace

bool ParsedArguments::Has(std::string_view name) const {
  return std::any_of(options_.begin(), options_.end(),
                     [&](const auto& option) { return option.first == name; });
}

std::optional<std::string_view> ParsedArguments::Value(std::string_view name) const {
  for (const auto& [option_name, value] : options_) {
    if (option_name == name) return value;
  }
  return std::nullopt;
}

std::vector<std::string_view> ParsedArguments::Values(std::string_view name) const {
  std::vector<std::string_view> values;
  for (const auto& [option_name, value] : options_) {
    if (option_name == name && value) values.push_back(*value);
  }
  return values;
}

bool ParseArguments(std::span<const std::string_view> args,
                    std::span<const OptionSpec> option_specs, ParsedArguments& parsed,
                    std::string& error) {
  parsed = ParsedArguments();
  bool options_ended = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (options_ended || arg.size() < 2 || arg[0] != '-' || IsNumberOperand(arg, option_specs)) {
      parsed.operands_.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }

    if (const OptionSpec* meant = LongNameAfterOneDash(arg, option_specs)) {
      error = "unknown option " + Quoted(arg) + value::DidYouMean(std::array{LongSpelling(*meant)});
      return false;
    }
    const OptionSpec* option_spec = nullptr;
    std::optional<std::string_view> attached;  // "--name=VALUE" or "-nVALUE"
    if (arg[1] == '-') {
      std::string_view name = arg.substr(2);
      if (const std::size_t equals = name.find('='); equals != std::string_view::npos) {
        attached = name.substr(equals + 1);
        name = name.substr(0, equals);
      }
      option_spec = FindLong(option_specs, name);
    } else {
      option_spec = FindShort(option_specs, arg[1]);
      if (arg.size() > 2) attached = arg.substr(2);
    }
    if (option_spec == nullptr) {
      // A single letter is too short to guess from.
      const std::string_view name = SpelledName(arg);
      error = "unknown option " + Quoted(arg) +
              (name.size() > 1 ? NearestOptions(name, option_specs) : std::string());
      return false;
    }
    if (!option_spec->repeatable && parsed.Has(option_spec->name)) {
      error = "option " + LongSpelling(*option_spec) + " given more than once";
      return false;
    }

    if (option_spec->value_name.empty()) {
      if (attached) {
        error = "option " + LongSpelling(*option_spec) + " takes no value";
        return false;
      }
      parsed.options_.emplace_back(option_spec->name, std::nullopt);
      continue;
    }
    if (!attached) {
      if (i + 1 >= args.size()) {
        error = "option " + LongSpelling(*option_spec) + " needs a value (" +
                std::string(option_spec->value_name) + ")";
        return false;
      }
      attached = args[++i];
    }
    parsed.options_.emplace_back(option_spec->name, attached);
  }
  return true;
}

void WriteOptionHelp(std::ostream& out, std::span<const OptionSpec> option_specs) {
  std::vector<std::string> spellings;
  std::size_t width = 0;
  for (const OptionSpec& option_spec : option_specs) {
    std::string spelling = option_spec.short_name != '\0'
                               ? std::string{'-', option_spec.short_name} + ", "
                               : std::string("    ");
    spelling += LongSpelling(option_spec);
    if (!option_spec.value_name.empty()) {
      spelling += ' ';
      spelling += option_spec.value_name;
    }
    width = std::max(width, spelling.size());
    spellings.push_back(std::move(spelling));
  }
  out << "Options:\n";
  for (std::size_t i = 0; i < option_specs.size(); ++i) {
    out << "  " << spellings[i] << std::string(width - spellings[i].size() + 2, ' ')
        << option_specs[i].help << '\n';
  }
}

}  // namespace pelt::tools
