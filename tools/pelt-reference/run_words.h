#pragma once

#include <string>
#include <vector>

namespace pelt::reference {

// "" when the reserved words the reference lists ("$$DATE" …) are those a
// labelling run of pelt-label or the Python package supplies, else the
// difference.
std::string RunWordMismatch(const std::vector<std::string>& listed);

}  // namespace pelt::reference
