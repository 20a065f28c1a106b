#pragma once

#include <string>

namespace pelt::tools {

// The driver --to writes with when --to-format names none: the one that
// claims the extension of path, as GDAL's own tools choose; driver stays
// as it is for a name without an extension. False with a one-line error,
// listing the formats that can be written, for an extension no driver
// claims.
bool ChooseCopyDriver(const std::string& path, std::string& driver, std::string& error);

}  // namespace pelt::tools
