#pragma once

#include <emscripten/val.h>

namespace pelt::web {

// What the builder offers, from the tables the dialog and the reference
// use: the statements in catalogue order ({name, entry, description,
// example: {expression, input, output}}, the examples labelled by the
// evaluator as the dialog's Help page labels them), the reserved words a
// run in the browser supplies for a table with feature ids ({name: "$$DATE",
// description} …), and the text tags ({entry, description}).
emscripten::val Statements();
emscripten::val ReservedWords();
emscripten::val Tags();

// The field type names and their codes, as the Python package has them.
emscripten::val FieldTypes();

// The locales the bundled ICU data holds with a country ("de_DE" …).
emscripten::val Locales();

}  // namespace pelt::web
