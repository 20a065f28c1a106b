#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelt::tools {

// One option a command accepts.
struct OptionSpec {
  std::string_view name;        // the long name without dashes: "layer"
  char short_name = '\0';       // 'l' for -l, '\0' for none
  std::string_view value_name;  // "NAME" when the option takes a value, "" for a flag
  std::string_view help;
  bool repeatable = false;  // may be given several times (--set A=1 --set B=2)
};

// The options every command that reads a source shares, and --help.
inline constexpr OptionSpec kHelpOption{"help", 'h', "", "show this help and exit"};
inline constexpr OptionSpec kLayerOption{
    "layer", 'l', "NAME|INDEX",
    "the layer to read, by name or 0-based index; needed when SOURCE has several"};
inline constexpr OptionSpec kNoWarningsOption{"no-warnings", '\0', "",
                                              "print no warnings about the expression or the run"};
inline constexpr OptionSpec kShowMessagesOption{
    "show-messages", 's', "", "also print the message boxes verification shows, on standard error"};
inline constexpr OptionSpec kOpenOption{"open-option", '\0', "KEY=VALUE",
                                        "pass an open option to GDAL's driver (repeatable)", true};

class ParsedArguments {
 public:
  bool Has(std::string_view name) const;
  // The option's value; nullopt when it was not given (or is a flag).
  std::optional<std::string_view> Value(std::string_view name) const;
  // Every value of a repeatable option, in the order given.
  std::vector<std::string_view> Values(std::string_view name) const;
  const std::vector<std::string_view>& operands() const { return operands_; }

 private:
  friend bool ParseArguments(std::span<const std::string_view>, std::span<const OptionSpec>,
                             ParsedArguments&, std::string&);
  std::vector<std::pair<std::string_view, std::optional<std::string_view>>> options_;
  std::vector<std::string_view> operands_;
};

// Reads the arguments of a command:
//   --name VALUE | --name=VALUE | -n VALUE | -nVALUE   options with a value
//   --name | -n                                         flags
//   --                                                  the rest are operands
//   a negative number ("-1", "-0.5")                   an operand
//   anything else, "-" included                         an operand
// Options and operands may come in any order; each option at most once
// unless it is repeatable. A long name after one dash ("-where") is refused
// rather than read as -w with the value "here".
// False with a one-line error for an unknown option, a missing or unexpected
// value, or a repeated option; an unknown option's error suggests the
// nearest long one. The views point into args.
bool ParseArguments(std::span<const std::string_view> args,
                    std::span<const OptionSpec> option_specs, ParsedArguments& parsed,
                    std::string& error);

// The "Options:" block of a help text, one aligned line per option.
void WriteOptionHelp(std::ostream& out, std::span<const OptionSpec> option_specs);

}  // namespace pelt::tools
