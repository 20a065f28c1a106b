#include "table_fields.h"

#include <string>

#include "pelt/value/text.h"

namespace pelt::web {

std::vector<host::FieldSpec> FieldSpecs(const emscripten::val& fields) {
  const auto count = fields["length"].as<std::size_t>();
  std::vector<host::FieldSpec> specs;
  specs.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const emscripten::val field = fields[i];
    specs.push_back({value::FromUtf8(field["name"].as<std::string>()),
                     static_cast<host::FieldType>(field["type"].as<int>())});
  }
  return specs;
}

}  // namespace pelt::web
