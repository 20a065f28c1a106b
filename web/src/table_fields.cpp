#include "table_fields.h"

#include <string>

#include "pelt/value/text.h"

namespace pelt::web {

std::vector<host::FieldSpec> TableFieldsOf(const emscripten::val& fields) {
  const auto count = fields["length"].as<std::size_t>();
  std::vector<host::FieldSpec> columns;
  columns.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const emscripten::val field = fields[i];
    columns.push_back({value::FromUtf8(field["name"].as<std::string>()),
                       static_cast<host::FieldType>(field["type"].as<int>())});
  }
  return columns;
}

}  // namespace pelt::web
