#include "pelt/warnings/expression_warnings.h"

#include <algorithm>
#include <new>
#include <string>

#include "pelt/value/text.h"
#include "slips.h"
#include "warning_text.h"

namespace pelt::warnings {
namespace {

using internal::MakeWarning;

// Tokens come from a scan of the expression; a list that does not fit it
// (a caller's mistake) gets no warnings rather than reads outside it.
bool SpansFit(std::u16string_view expression, const language::TokenList& tokens) {
  return std::all_of(tokens.begin(), tokens.end(), [&](const language::Token& token) {
    return std::size_t{token.offset} + token.length <= expression.size();
  });
}

}  // namespace

std::vector<Warning> ExpressionWarnings(std::u16string_view expression,
                                        const language::TokenList& tokens,
                                        const WarningContext& context) {
  std::vector<Warning> found;
  if (!SpansFit(expression, tokens)) return found;
  try {
    internal::AddStatementWarnings(expression, tokens, found);
    internal::AddWordWarnings(tokens, context, found);
    if (context.table != nullptr) internal::AddFieldWarnings(tokens, *context.table, found);
  } catch (const std::bad_alloc&) {
    // Warnings are advice: without memory for them, the run goes on without.
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const Warning& a, const Warning& b) { return a.offset < b.offset; });
  return found;
}

std::vector<Warning> UnusedWordWarnings(const language::TokenList& tokens,
                                        std::span<const std::u16string> given_words) {
  std::vector<Warning> found;
  for (const std::u16string& given : given_words) {
    const bool used = std::any_of(tokens.begin(), tokens.end(), [&](const language::Token& token) {
      return token.kind == language::TokenKind::kReservedWord &&
             value::EqualsNoCase(token.text, given);
    });
    if (!used) {
      found.push_back(MakeWarning(WarningKind::kWordNotUsed, {{u"word", u"$$" + given}}));
    }
  }
  return found;
}

std::optional<Warning> PictureWarning(std::u16string_view picture) {
  const std::size_t close = picture.find(u')');
  if (close == std::u16string_view::npos) return std::nullopt;
  return MakeWarning(WarningKind::kPictureCut,
                     {{u"argument", picture.substr(0, close)}, {u"rest", picture.substr(close)}},
                     static_cast<std::uint32_t>(close),
                     static_cast<std::uint32_t>(picture.size() - close));
}

Warning TextNotDateWarning(std::int64_t count, std::u16string_view first) {
  std::u16string counted = value::FromAscii(std::to_string(count));
  counted += count == 1 ? u" value" : u" values";
  return MakeWarning(WarningKind::kTextNotDate, {{u"count", counted}, {u"first", first}});
}

}  // namespace pelt::warnings
