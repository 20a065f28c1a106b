#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "document.h"

namespace pelt::reference {

// The reference as plain text for a fixed-width terminal: what pelt-label
// help prints, and the tables and sessions of the manual page.

// The columns text takes on a terminal: two for a wide East Asian
// character, none for a combining mark.
std::size_t DisplayWidth(std::string_view utf8);

// Inline text as plain text. A code span shows as written; in prose
// (quote_code) one with no letter or digit, or with a blank at either end,
// is put in quotes so that it stands out ("';'").
std::string PlainText(const Inline& text, bool quote_code);

// Prose filled into lines of at most width columns (a longer word stands
// alone), the first after first_indent, the others after indent.
std::vector<std::string> Fill(const Inline& text, std::size_t width, std::string_view first_indent,
                              std::string_view indent);

// A table in aligned columns under its headings, each line after indent;
// when the columns do not fit in width, a block of "Heading: cell" lines per
// row instead.
std::vector<std::string> TableLines(const Table& table, std::size_t width, std::string_view indent);

// A session as typed: "$ command" and the lines it prints ("..." when they go on).
std::vector<std::string> SessionLines(const Session& session, std::string_view indent);

// A topic as pelt-label help prints it: the title underlined, its blocks,
// and for a part the names of its topics.
std::string TopicText(const Document& document, std::size_t topic);

}  // namespace pelt::reference
