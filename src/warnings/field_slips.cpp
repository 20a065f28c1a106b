// Fields the table does not have, and the names it has that are nearest.

#include <string>

#include "pelt/value/nearest.h"
#include "slips.h"
#include "warning_text.h"

namespace pelt::warnings::internal {
namespace {

constexpr std::size_t kMostSuggested = 3;

// The table's field names; empty when a host call fails.
std::vector<std::u16string> FieldNames(host::HostTable& table) {
  std::vector<std::u16string> names;
  host::HostFields* fields = nullptr;
  std::int32_t count = 0;
  if (!table.FieldList(fields).ok() || fields == nullptr || !fields->FieldCount(count).ok()) {
    return names;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    host::HostField* field = nullptr;
    std::u16string name;
    if (!fields->FieldAt(i, field).ok() || field == nullptr || !field->FieldName(name).ok()) {
      return {};
    }
    names.push_back(std::move(name));
  }
  return names;
}

// "'[NAME]'", "'[NAME]' or '[NAMES]'", "'[A]', '[B]' or '[C]'".
std::u16string Listed(const std::vector<std::u16string>& names,
                      const std::vector<std::size_t>& chosen) {
  std::u16string listed;
  const std::size_t shown = std::min(chosen.size(), kMostSuggested);
  for (std::size_t i = 0; i < shown; ++i) {
    if (i > 0) listed += i + 1 == shown ? u" or " : u", ";
    listed += u"'[" + names[chosen[i]] + u"]'";
  }
  return listed;
}

}  // namespace

void AddFieldWarnings(const language::TokenList& tokens, host::HostTable& table,
                      std::vector<Warning>& out) {
  std::vector<std::u16string> names;
  bool names_read = false;
  for (const language::Token& token : tokens) {
    if (token.kind != language::TokenKind::kField) continue;
    std::int32_t index = -1;
    if (!table.IndexOfField(token.text, index).ok() || index != -1) continue;
    if (!names_read) {
      names = FieldNames(table);
      names_read = true;
    }
    const std::vector<std::u16string_view> views(names.begin(), names.end());
    const std::vector<std::size_t> nearest = value::NearestNames(token.text, views);
    if (nearest.empty()) continue;
    const std::u16string field = u"[" + token.text + u"]";
    out.push_back(MakeWarning(WarningKind::kFieldNear,
                              {{u"field", field}, {u"fields", Listed(names, nearest)}},
                              token.offset, static_cast<std::uint32_t>(field.size())));
  }
}

}  // namespace pelt::warnings::internal
