#pragma once

#include <emscripten/val.h>

#include <string>

namespace pelt::web {

// {valid, message, warnings} for an expression against fields ({name,
// type} with type codes). words: the reserved words label() would be given
// (keys without "$$"), or null: only when given are reserved words checked,
// as with the Python package's verify().
emscripten::val Verify(const std::string& expression, const emscripten::val& fields,
                       const emscripten::val& words, const std::string& locale_id);

// format()'s text of one value (a cell, see cells.h) by a picture: what
// [F].Format(picture) shows for a field holding it; null for null.
emscripten::val FormatValue(int kind, double number, const std::string& text,
                            const std::string& picture, const std::string& locale_id);

}  // namespace pelt::web
