#include "reference_source.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>

#include "examples.h"
#include "picture_codes.h"
#include "run_words.h"
#include "shell_examples.h"
#include "statement_facts.h"

namespace pelt::reference {
namespace {

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// The reader: a line at a time, prose gathered until a blank line or a
// directive, the rows of a block until @end.
class Reader {
 public:
  Reader(std::string file, std::filesystem::path root, Document& document,
         std::vector<std::string>& errors)
      : file_(std::move(file)), root_(std::move(root)), document_(document), errors_(errors) {}

  void Line(int number, const std::string& line) {
    number_ = number;
    if (line.starts_with("@@")) return;
    if (!block_.empty()) {
      if (line == "@end") {
        EndBlock();
      } else if (!line.empty()) {
        rows_.push_back({number, line});
      }
      return;
    }
    if (line.empty()) return EndProse();
    if (line.starts_with("@")) {
      EndProse();
      return Directive(line);
    }
    if (line.starts_with("- ")) {
      EndParagraph();
      bullets_.push_back(line.substr(2));
    } else if (line.starts_with("  ") && !bullets_.empty()) {
      bullets_.back() += " " + line.substr(2);
    } else {
      if (!bullets_.empty()) EndProse();
      paragraph_ += paragraph_.empty() ? line : " " + line;
    }
  }

  void Finish() {
    EndProse();
    ShowFacts(nullptr);
    if (!block_.empty()) Fail("@" + block_ + " without @end");
    Check();
  }

 private:
  void Fail(const std::string& what) {
    errors_.push_back(file_ + ":" + std::to_string(number_) + ": " + what);
  }

  std::vector<Block>& Blocks() {
    return document_.topics.empty() ? document_.intro : document_.topics.back().blocks;
  }

  Inline Prose(const std::string& text) {
    Inline out;
    if (!ReadInline(text, out)) Fail("a ` without its pair");
    return out;
  }

  void EndParagraph() {
    if (!paragraph_.empty())
      Blocks().emplace_back(std::in_place_type<Paragraph>, Paragraph{Prose(paragraph_)});
    paragraph_.clear();
  }

  void EndProse() {
    EndParagraph();
    if (bullets_.empty()) return;
    auto& bullets = std::get<Bullets>(Blocks().emplace_back(std::in_place_type<Bullets>));
    for (const std::string& item : bullets_) bullets.items.push_back(Prose(item));
    bullets_.clear();
  }

  void AddTopic(const std::string& id, const std::string& title, int level) {
    if (id.empty() || title.empty()) return Fail("a topic needs an id and a title");
    if (!ids_.insert(id).second) return Fail("a second topic " + id);
    if (level == 3 && document_.topics.empty()) return Fail("a topic before the first part");
    document_.topics.push_back({id, title, level, {}});
  }

  void Directive(const std::string& line) {
    if (line != "@end" && !line.starts_with("@label")) ShowFacts(nullptr);
    const std::size_t blank = line.find(' ');
    const std::string name = line.substr(1, blank == std::string::npos ? blank : blank - 1);
    const std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
    const std::vector<std::string> words = Words(rest);
    const std::string first = words.empty() ? "" : words[0];
    const std::string after_first = rest.size() > first.size() ? rest.substr(first.size() + 1) : "";
    if (name == "title") {
      document_.title = rest;
    } else if (name == "summary") {
      document_.summary = rest;
    } else if (name == "locales-default") {
      default_locales_ = words;
    } else if (name == "part" || name == "topic") {
      AddTopic(first, after_first, name == "part" ? 2 : 3);
    } else if (name == "statement") {
      Statement(first, after_first);
    } else if (name == "heading") {
      Blocks().push_back(Heading{rest});
    } else if (name == "statements") {
      Blocks().push_back(StatementSummary());
    } else if (name == "table" || name == "format" || name == "label" || name == "locales" ||
               name == "shell") {
      block_ = name;
      block_words_ = words;
      block_line_ = number_;
      rows_.clear();
    } else {
      Fail("unknown directive @" + name);
    }
  }

  // A statement's topic opens with its form; what it takes and works on
  // follow its description, and its example heads its first table of
  // examples, or stands alone.
  void Statement(const std::string& name, const std::string& form) {
    AddTopic(name, name, 3);
    std::string error;
    facts_ = FactsOf(name, form, error);
    if (!facts_) return Fail(error);
    Blocks().push_back(facts_->form);
    statements_.insert(name);
  }

  // The facts not yet shown, before a block: the example heads the block's
  // table when that is a table of labels of VALUE, else stands alone.
  void ShowFacts(Table* next, const std::vector<std::string>& next_locales = {}) {
    if (!facts_) return;
    Blocks().push_back(std::move(facts_->facts));
    if (next != nullptr) {
      const Table example = StatementExampleTable(facts_->example, next_locales);
      if (next->headings == example.headings) {
        next->rows.insert(next->rows.begin(), example.rows.front());
        facts_.reset();
        return;
      }
    }
    Blocks().push_back(StatementExampleTable(facts_->example, default_locales_));
    facts_.reset();
  }

  // The locales a block names (its words but its keywords), else the
  // default ones; every one must be known.
  std::vector<std::string> Locales(const std::vector<std::string>& words) {
    std::vector<std::string> locales;
    for (const std::string& word : words) {
      if (word == "warnings") continue;
      if (const std::string problem = LocaleProblem(word); !problem.empty()) Fail(problem);
      locales.push_back(word);
    }
    return locales.empty() ? default_locales_ : locales;
  }

  void EndBlock() {
    const std::string block = std::exchange(block_, "");
    const int end_line = number_;
    number_ = block_line_;
    std::string error;
    std::optional<Table> table;
    const std::vector<std::string> locales =
        block == "table" || block == "shell" ? std::vector<std::string>() : Locales(block_words_);
    const auto has = [&](const std::string& word) {
      return std::find(block_words_.begin(), block_words_.end(), word) != block_words_.end();
    };
    if (block == "table") {
      table = PlainTable(error);
    } else if (block == "format") {
      table = FormatExamples(locales, rows_, error);
    } else if (block == "label") {
      table = LabelExamples(locales, has("warnings"), rows_, error);
    } else if (block == "locales") {
      table = LocaleExamples(locales, rows_, error);
    } else {
      ShellSession();
    }
    if (table) {
      ShowFacts(&*table, locales);
      if (block != "table") ShareCommonColumn(*table);
      Blocks().push_back(std::move(*table));
    }
    if (!error.empty()) errors_.push_back(file_ + ":" + error);
    number_ = end_line;
  }

  // "@table [picture|words] HEADING | HEADING …" with rows of prose cells.
  // A checked table's first column holds codes: the picture codes or the
  // reserved words the reference explains.
  std::optional<Table> PlainTable(std::string& error) {
    std::string headings;
    for (const std::string& word : block_words_) {
      if (word == "picture" || word == "words") continue;
      headings += headings.empty() ? word : " " + word;
    }
    Table table;
    std::istringstream in(headings);
    for (std::string heading; std::getline(in, heading, '|');) {
      const auto begin = heading.find_first_not_of(' ');
      const auto end = heading.find_last_not_of(' ');
      table.headings.push_back(begin == std::string::npos ? ""
                                                          : heading.substr(begin, end - begin + 1));
    }
    const bool codes =
        !block_words_.empty() && (block_words_[0] == "picture" || block_words_[0] == "words");
    for (const SourceLine& row : rows_) {
      std::vector<Inline>& cells = table.rows.emplace_back();
      std::size_t start = 0;
      while (cells.size() < table.headings.size()) {
        const std::size_t bar = cells.size() + 1 == table.headings.size()
                                    ? std::string::npos
                                    : row.text.find(" | ", start);
        cells.push_back(
            Prose(row.text.substr(start, bar == std::string::npos ? bar : bar - start)));
        if (bar == std::string::npos) break;
        start = bar + 3;
      }
      if (cells.size() != table.headings.size()) {
        error = std::to_string(row.number) + ": a row of " + std::to_string(cells.size()) +
                " cells in a table of " + std::to_string(table.headings.size()) + " columns";
        return std::nullopt;
      }
      if (!codes) continue;
      std::vector<std::string>& list = block_words_[0] == "picture" ? picture_codes_ : run_words_;
      for (const Span& span : cells.front()) {
        if (span.kind == Span::Kind::kCode) list.push_back(span.text);
      }
    }
    return table;
  }

  // "$ pelt-label …" lines; the output of each is computed.
  void ShellSession() {
    Session session;
    for (const SourceLine& row : rows_) {
      number_ = row.number;
      if (!row.text.starts_with("$ ")) {
        Fail("a session holds only \"$ pelt-label …\" lines");
        continue;
      }
      Session::Command& command = session.commands.emplace_back();
      command.line = row.text.substr(2);
      std::string error;
      if (std::optional<ShellOutput> output = RunShellExample(command.line, root_, error)) {
        command.output = std::move(output->lines);
        if (!output->help_topic.empty()) help_examples_.push_back({row.number, output->help_topic});
      } else {
        Fail(error);
      }
    }
    Blocks().push_back(std::move(session));
  }

  // The reference against the program's own lists.
  void Check() {
    for (const std::string& name : StatementNames()) {
      if (statements_.count(name) == 0) Fail("no @statement for the statement " + name);
    }
    if (const std::string mismatch = PictureCodeMismatch(picture_codes_); !mismatch.empty()) {
      Fail(mismatch);
    }
    if (const std::string mismatch = RunWordMismatch(run_words_); !mismatch.empty()) Fail(mismatch);
    for (const SourceLine& example : help_examples_) {
      number_ = example.number;
      if (ids_.count(example.text) == 0) Fail("help of a topic there is none of: " + example.text);
    }
  }

  std::string file_;
  std::filesystem::path root_;
  Document& document_;
  std::vector<std::string>& errors_;
  int number_ = 0;
  std::string paragraph_;
  std::vector<std::string> bullets_;
  std::string block_;  // the block whose rows are being read
  std::vector<std::string> block_words_;
  int block_line_ = 0;
  std::vector<SourceLine> rows_;
  std::vector<std::string> default_locales_{"en_US"};
  std::set<std::string> ids_;
  std::set<std::string> statements_;
  std::vector<std::string> picture_codes_;
  std::vector<std::string> run_words_;
  std::vector<SourceLine> help_examples_;  // the topics "help TOPIC" shows
  std::optional<StatementFacts> facts_;    // of the statement being read
};

}  // namespace

bool ReadInline(const std::string& text, Inline& out) {
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t open = text.find('`', at);
    if (open > at) out.push_back({Span::Kind::kText, text.substr(at, open - at)});
    if (open == std::string::npos) break;
    const std::size_t close = text.find('`', open + 1);
    if (close == std::string::npos) return false;
    out.push_back({Span::Kind::kCode, text.substr(open + 1, close - open - 1)});
    at = close + 1;
  }
  return true;
}

bool ReadReference(const std::filesystem::path& source, const std::filesystem::path& root,
                   Document& document, std::vector<std::string>& errors) {
  std::ifstream in(source);
  if (!in) {
    errors.push_back("cannot read " + source.string());
    return false;
  }
  Reader reader(source.string(), root, document, errors);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) reader.Line(number, line);
  reader.Finish();
  return errors.empty();
}

}  // namespace pelt::reference
