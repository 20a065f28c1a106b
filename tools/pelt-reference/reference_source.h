#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "document.h"

namespace pelt::reference {

// Reads the source of the reference (docs/expressions.ref, whose head
// describes its markup) into a document with every example computed, and
// checks it against the program: every statement of the statements table
// has its topic, the picture codes explained are those the parser reads, and
// the reserved words listed are those a run supplies. root is the folder the
// sessions' SOURCE paths are relative to. False with the problems, one
// "file:line: what" each, in errors.
bool ReadReference(const std::filesystem::path& source, const std::filesystem::path& root,
                   Document& document, std::vector<std::string>& errors);

// The inline markup of prose: `code` between backticks. False for a
// backtick without its pair.
bool ReadInline(const std::string& text, Inline& out);

}  // namespace pelt::reference
