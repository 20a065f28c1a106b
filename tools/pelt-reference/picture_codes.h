#pragma once

#include <string>
#include <vector>

namespace pelt::reference {

// "" when the codes the reference explains are exactly those the picture
// parser reads (letters compared in any case), else what is missing on
// either side.
std::string PictureCodeMismatch(const std::vector<std::string>& explained);

}  // namespace pelt::reference
