#pragma once

#include <string>
#include <variant>
#include <vector>

namespace pelt::reference {

// The reference as the writers render it: topics of blocks, every example
// already computed. Texts are UTF-8.

// A run of inline text.
struct Span {
  enum class Kind {
    kText,    // prose
    kCode,    // an expression, picture, value or label, shown as written
    kRemark,  // what stands in for a result that is no text: a refusal, "null"
  };
  Kind kind = Kind::kText;
  std::string text;
};
using Inline = std::vector<Span>;

struct Paragraph {
  Inline text;
};

struct Heading {
  std::string text;
};

struct Bullets {
  std::vector<Inline> items;
};

struct Table {
  std::vector<std::string> headings;
  std::vector<std::vector<Inline>> rows;
  Inline caption;  // shown above the table; what every row has in common
};

// Commands typed at a shell and what they print.
struct Session {
  struct Command {
    std::string line;  // after "$ ", with "pelt-label" as the program
    std::vector<std::string> output;
    bool more = false;  // the output goes on after the lines shown ("...")
  };
  std::vector<Command> commands;
};

using Block = std::variant<Paragraph, Heading, Bullets, Table, Session>;

struct Topic {
  std::string id;     // the name pelt-label help takes: "dates", "Left"
  std::string title;  // "Date and time pictures"
  // 2 for a part of the reference, 3 for a topic within the part before it.
  int level = 2;
  std::vector<Block> blocks;
};

struct Document {
  std::string title;
  std::string summary;       // one line: the manual page's NAME
  std::vector<Block> intro;  // before the first part
  std::vector<Topic> topics;
};

// The topics within the part that starts at topics[part] (none for a
// topic of level 3).
std::vector<const Topic*> Subtopics(const Document& document, std::size_t part);

}  // namespace pelt::reference
