#include "warning_text.h"

#include <algorithm>
#include <array>

namespace pelt::warnings {
namespace {

constexpr std::array kTemplates{
#define PELT_WARNING(id, text) std::u16string_view(text),
#include "pelt/warnings/warnings.def"
#undef PELT_WARNING
};

}  // namespace

std::u16string_view WarningTemplate(WarningKind kind) {
  return kTemplates[static_cast<std::size_t>(kind)];
}

namespace internal {

Warning MakeWarning(WarningKind kind, std::span<const Piece> pieces, std::uint32_t offset,
                    std::uint32_t length) {
  const std::u16string_view pattern = WarningTemplate(kind);
  Warning warning{kind, std::u16string(), offset, length};
  std::size_t at = 0;
  while (at < pattern.size()) {
    const std::size_t open = pattern.find(u'{', at);
    const std::size_t close =
        open == std::u16string_view::npos ? open : pattern.find(u'}', open + 1);
    if (close == std::u16string_view::npos) break;
    warning.text.append(pattern.substr(at, open - at));
    const std::u16string_view name = pattern.substr(open + 1, close - open - 1);
    const auto piece =
        std::find_if(pieces.begin(), pieces.end(), [&](const Piece& p) { return p.name == name; });
    warning.text.append(piece != pieces.end() ? piece->value
                                              : pattern.substr(open, close - open + 1));
    at = close + 1;
  }
  warning.text.append(pattern.substr(std::min(at, pattern.size())));
  return warning;
}

}  // namespace internal
}  // namespace pelt::warnings
