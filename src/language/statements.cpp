#include "pelt/language/statements.h"

#include "pelt/value/text.h"

namespace pelt::language {
namespace {

constexpr StatementInfo kStatements[] = {
#define PELT_STATEMENT(id, name, arguments, operand, handler, improper, unclosed, entry, \
                       description, example_value, example, offer)                       \
  {StatementId::id,                                                                      \
   name,                                                                                 \
   StatementArguments::arguments,                                                        \
   StatementOperand::operand,                                                            \
   improper,                                                                             \
   unclosed,                                                                             \
   entry,                                                                                \
   description,                                                                          \
   example_value,                                                                        \
   example,                                                                              \
   StatementOffer::offer},
#include "pelt/language/statements.def"
#undef PELT_STATEMENT
};

// The list is indexed by id - 1; keep the two in step.
static_assert(static_cast<int>(kStatements[0].id) == 1);
static_assert(std::size(kStatements) == kStatementCount);

}  // namespace

std::span<const StatementInfo> Statements() { return kStatements; }

const StatementInfo* FindStatement(StatementId id) {
  const auto index = static_cast<std::size_t>(id);
  return index == 0 || index > std::size(kStatements) ? nullptr : &kStatements[index - 1];
}

std::u16string_view StatementName(StatementId id) {
  const StatementInfo* info = FindStatement(id);
  return info == nullptr ? u"NONE" : info->name;
}

std::optional<StatementId> StatementByName(std::u16string_view name) {
  for (const StatementInfo& info : kStatements) {
    if (value::EqualsNoCase(info.name, name)) return info.id;
  }
  return std::nullopt;
}

}  // namespace pelt::language
