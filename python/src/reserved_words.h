#pragma once

#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "pelt/adapters/gdal/run_words.h"
#include "pelt/value/variant.h"

namespace pelt::python {

// The reserved words a caller gives, in the order given.
using GivenWords = std::vector<std::pair<std::u16string, value::Variant>>;

// The run's words: the caller's, then DATE and TIME of now. False when the
// caller gives a word twice (names match regardless of case).
bool StartWords(gdal::RunWords& words, const GivenWords& given, std::time_t now);

}  // namespace pelt::python
