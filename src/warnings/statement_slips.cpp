// Literal text right after a field or a reserved word that reads like a
// statement the writer meant to apply.

#include <array>
#include <string>

#include "pelt/language/statements.h"
#include "pelt/value/nearest.h"
#include "pelt/value/text.h"
#include "slips.h"
#include "warning_text.h"

namespace pelt::warnings::internal {
namespace {

using language::StatementArguments;
using language::StatementInfo;
using language::Token;
using language::TokenKind;

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsWordCharacter(char16_t c) {
  return IsAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'_';
}

std::size_t LetterRun(std::u16string_view text, std::size_t from) {
  std::size_t end = from;
  while (end < text.size() && IsAsciiLetter(text[end])) ++end;
  return end - from;
}

// How much of text, which starts with ".", looks like one statement: the
// dot, a name, and when "(" follows the name, everything up to the first ")"
// (as the parser would cut it), or to the end when there is none.
std::size_t StatementLikeLength(std::u16string_view text) {
  std::size_t end = 1 + LetterRun(text, 1);
  if (end < text.size() && text[end] == u'(') {
    const std::size_t close = text.find(u')', end);
    end = close == std::u16string_view::npos ? text.size() : close + 1;
  }
  return end;
}

// The statement whose ".Name" text begins with, regardless of case (the
// longest, as the parser prefers ".FormatNumber" to ".Format"); nullptr when
// none.
const StatementInfo* StatementAtStart(std::u16string_view text) {
  const StatementInfo* found = nullptr;
  if (text.empty() || text[0] != u'.') return nullptr;
  for (const StatementInfo& info : language::Statements()) {
    if (text.size() > info.name.size() &&
        value::EqualsNoCase(text.substr(1, info.name.size()), info.name) &&
        (found == nullptr || info.name.size() > found->name.size())) {
      found = &info;
    }
  }
  return found;
}

// The one statement whose name is nearest to name; nullptr when none is
// near enough or several are equally near.
const StatementInfo* NearestStatement(std::u16string_view name) {
  std::array<std::u16string_view, language::kStatementCount> names;
  for (std::size_t i = 0; i < names.size(); ++i) names[i] = language::Statements()[i].name;
  const std::vector<std::size_t> nearest = value::NearestNames(name, names);
  return nearest.size() == 1 ? &language::Statements()[nearest.front()] : nullptr;
}

// The statement text that starts with "." most likely means: the one it
// begins with, else the nearest to its name.
const StatementInfo* MeantStatement(std::u16string_view text) {
  if (const StatementInfo* exact = StatementAtStart(text)) return exact;
  const std::size_t letters = LetterRun(text, 1);
  return letters == 0 ? nullptr : NearestStatement(text.substr(1, letters));
}

// The spelling of info with the arguments written in the slip, or the
// catalogue's placeholders when none were written.
std::u16string Fixed(const StatementInfo& info, std::u16string_view written) {
  std::u16string fix = u".";
  fix += info.name;
  if (info.arguments == StatementArguments::kNone) return fix;
  const std::size_t open = written.find(u'(');
  if (open == std::u16string_view::npos) {
    fix += info.catalogue_entry.substr(1 + info.name.size());
  } else {
    fix += written.substr(open);
    if (fix.back() != u')') fix += u')';
  }
  return fix;
}

std::u16string Dotted(std::u16string_view name) {
  std::u16string dotted = u".";
  dotted += name;
  return dotted;
}

// The argument that the statement's closing ")" ended: a picture or a
// replacement may hold "(" and so want a ")" of their own.
const std::u16string* ArgumentClosedByParenthesis(const language::FormatEntry& entry) {
  switch (entry.function) {
    case language::StatementId::kFormat: return std::get_if<std::u16string>(&entry.first);
    case language::StatementId::kReplace: return std::get_if<std::u16string>(&entry.second);
    default: return nullptr;
  }
}

class AfterFieldCheck {
 public:
  AfterFieldCheck(std::u16string_view expression, const Token& field, const Token& text,
                  std::vector<Warning>& out)
      : field_(expression.substr(field.offset, field.length)),
        entry_(field.formats.empty() ? language::FormatEntry() : field.formats.back()),
        text_(text.text),
        offset_(text.offset),
        out_(out) {}

  void Run() {
    if (text_.empty()) return;
    const StatementInfo* last = language::FindStatement(entry_.function);
    if (last != nullptr && last->arguments == StatementArguments::kNone) {
      if (text_[0] == u'(') return ArgumentsNotTaken(*last);
      if (IsWordCharacter(text_[0])) return LettersAfter(*last);
    }
    if (text_[0] == u')') return ArgumentCut();
    if (text_[0] == u'.') return Misspelt();
    if (text_[0] == u' ') return BlankBefore();
  }

 private:
  void Add(WarningKind kind, std::u16string_view text, std::initializer_list<Piece> more) {
    std::vector<Piece> pieces{{u"text", text}, {u"field", field_}};
    pieces.insert(pieces.end(), more);
    out_.push_back(MakeWarning(kind, pieces, offset_, static_cast<std::uint32_t>(text.size())));
  }

  void ArgumentsNotTaken(const StatementInfo& last) {
    const std::size_t close = text_.find(u')');
    const std::u16string_view written =
        text_.substr(0, close == std::u16string_view::npos ? text_.size() : close + 1);
    const std::u16string statement = Dotted(last.name);
    Add(WarningKind::kArgumentsNotTaken, written, {{u"statement", statement}});
  }

  void LettersAfter(const StatementInfo& last) {
    std::size_t end = 0;
    while (end < text_.size() && IsWordCharacter(text_[end])) ++end;
    const std::u16string statement = Dotted(last.name);
    Add(WarningKind::kLettersAfterStatement, text_.substr(0, end), {{u"statement", statement}});
  }

  void ArgumentCut() {
    const std::u16string* argument = ArgumentClosedByParenthesis(entry_);
    if (argument == nullptr || argument->find(u'(') == std::u16string::npos) return;
    const std::size_t rest = text_.find_first_not_of(u')');
    const std::u16string statement = Dotted(entry_.FunctionName());
    Add(WarningKind::kArgumentCut, text_.substr(0, rest),
        {{u"statement", statement}, {u"argument", *argument}, {u"rest", text_.substr(0, rest)}});
  }

  void Misspelt() {
    // "..UCase": one dot too many.
    const std::size_t dots = text_.size() > 1 && text_[1] == u'.' ? 1 : 0;
    const std::u16string_view slip = text_.substr(dots);
    const StatementInfo* meant = MeantStatement(slip);
    if (meant == nullptr) return;
    const std::u16string_view written = slip.substr(0, StatementLikeLength(slip));
    const std::u16string fix = Fixed(*meant, written);
    Add(WarningKind::kMisspeltStatement, text_.substr(0, dots + written.size()), {{u"fix", fix}});
  }

  void BlankBefore() {
    const std::size_t dot = text_.find_first_not_of(u' ');
    if (dot == std::u16string_view::npos) return;
    const std::u16string_view slip = text_.substr(dot);
    const StatementInfo* meant = StatementAtStart(slip);
    if (meant == nullptr) return;
    const std::u16string_view written = slip.substr(0, StatementLikeLength(slip));
    const std::u16string fix = Fixed(*meant, written);
    Add(WarningKind::kBlankBeforeStatement, text_.substr(0, dot + written.size()), {{u"fix", fix}});
  }

  std::u16string_view field_;
  language::FormatEntry entry_;
  std::u16string_view text_;
  std::uint32_t offset_;
  std::vector<Warning>& out_;
};

void CheckAfterWord(const Token& word, const Token& text, std::vector<Warning>& out) {
  const std::u16string_view slip = text.text;
  if (slip.empty() || slip[0] != u'.' || MeantStatement(slip) == nullptr) return;
  const std::u16string_view written = slip.substr(0, StatementLikeLength(slip));
  const std::u16string dollars = u"$$" + word.text;
  out.push_back(MakeWarning(WarningKind::kStatementAfterWord,
                            {{u"text", written}, {u"word", dollars}}, text.offset,
                            static_cast<std::uint32_t>(written.size())));
}

}  // namespace

void AddStatementWarnings(std::u16string_view expression, const language::TokenList& tokens,
                          std::vector<Warning>& out) {
  const Token* before = nullptr;
  for (const Token& token : tokens) {
    const bool adjacent = before != nullptr && before->offset + before->length == token.offset;
    if (adjacent && token.kind == TokenKind::kText) {
      if (before->kind == TokenKind::kField) {
        AfterFieldCheck(expression, *before, token, out).Run();
      } else if (before->kind == TokenKind::kReservedWord) {
        CheckAfterWord(*before, token, out);
      }
    }
    before = &token;
  }
}

}  // namespace pelt::warnings::internal
