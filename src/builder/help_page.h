#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pelt/value/collection.h"
#include "pelt/value/variant.h"

namespace pelt::builder {

// One worked example: a field holding `input` labelled with `expression`
// gives `output`. The outputs are made by the evaluator itself, so the help
// shows what labels really contain in the user's locale.
struct HelpExample {
  std::u16string expression;  // "[VALUE].Left(2)"
  std::u16string input;       // the field's value as text, "Hello World"
  std::u16string output;      // the label made from it, "He"
  bool refused = false;       // true: output holds the evaluator's message
};

struct HelpStatement {
  std::u16string_view entry;  // ".Left(0)"
  std::u16string_view description;
  HelpExample example;
};

struct HelpReservedWord {
  std::u16string word;
  std::u16string description;  // "" when the host gave none
};

// Everything the help window shows.
struct HelpPage {
  std::vector<HelpStatement> statements;  // every statement, in catalogue order
  std::vector<HelpExample> number_pictures;
  std::vector<HelpExample> date_pictures;
  std::vector<HelpExample> text_pictures;
  std::vector<HelpReservedWord> reserved_words;  // the host's, in its order
};

// Builds the page: runs every example through a fresh evaluator (messages
// off) on a one-field table, and lists the reserved words with their
// descriptions. Either collection may be null. Shows no box; never throws
// except for lack of memory.
HelpPage MakeHelpPage(const value::CollectionView* reserved_words,
                      const value::CollectionView* reserved_word_descriptions);

// The page as a small HTML document (every text escaped).
std::u16string HelpPageHtml(const HelpPage& page);

}  // namespace pelt::builder
