#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "pelt/host/host_table.h"
#include "pelt/value/variant.h"

namespace pelt::reference {

// A value of an example as the reference shows it and the table holds it.
struct ExampleValue {
  value::Variant value;
  std::string shown;  // "Hello World" in quotes, 1234.5, 2024-03-07 14:05:00, null
  host::FieldType type = host::FieldType::kString;
};

struct NamedValue {
  std::string name;
  ExampleValue value;
};

// Reads the value at the start of text and moves text past it:
//   "text" (a doubled quote stands for one)   1234.5   -3   1e15   true
//   2024-03-07   2024-03-07T14:05:00   14:05:00   null   cur:12.5
// nullopt for anything else.
std::optional<ExampleValue> ReadExampleValue(std::string_view& text);

// A value written as a typed literal (str:Hello World, num:-3), as the
// statements table writes its examples.
std::optional<ExampleValue> ExampleValueFromLiteral(std::string_view literal);

}  // namespace pelt::reference
