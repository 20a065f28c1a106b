#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace pelt::testing {

// Runs every case of a transcript file: text that reads like a terminal
// session with one program.
//
//   # a comment
//   $ pelt-label label --limit 1 '{dir}/towns.gpkg' "[NAME] \"x\""
//   < a line of standard input
//   a line of standard output
//   ! a line of standard error
//   ? 2
//
// A case starts at a "$" line: the program's file name, then its arguments,
// split as a shell does with single and double quotes and backslashes (no
// variables, no redirection). The exit status is 0 unless a "?" line says
// otherwise; standard input is /dev/null without "<" lines. In arguments and
// texts, {NAME} is the value of NAME in substitutions, {tab}, {cr} and {xHH}
// are those bytes and {} is nothing (for an output line that would be empty
// or start with one of "#$<!?"). A text whose last line ends in "..." is a
// prefix of the whole text. The program runs in the C locale's environment,
// so that only its options choose a locale. Failures name file:line of the
// case.
void RunTranscript(const std::filesystem::path& program, const std::filesystem::path& file,
                   const std::map<std::string, std::string>& substitutions = {});

}  // namespace pelt::testing
