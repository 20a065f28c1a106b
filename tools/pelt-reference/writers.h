#pragma once

#include <string>
#include <string_view>

#include "document.h"

namespace pelt::reference {

// The renderings of the reference.

// docs/expressions.md, for a code host to show. Sessions call pelt-label
// by the path the README's set-up builds it at, so that they run as
// written from the repository's root.
std::string MarkdownText(const Document& document, std::string_view program_path);

// The manual page pelt-expressions(7).
std::string ManPageText(const Document& document, std::string_view version);

// The C++ source of pelt-label's help topics (help_topics.h): each topic's
// text as pelt-label help prints it.
std::string HelpTopicsSource(const Document& document);

}  // namespace pelt::reference
