#pragma once

#include <cpl_error.h>

#include <string>

class GDALDriver;

namespace pelt::gdal::internal {

// Registers GDAL's drivers, once per process and safely from any thread.
void EnsureDriversRegistered();

// Shapefile drivers are told apart by the extension they write, not by name.
bool IsShapefileDriver(const GDALDriver& driver);

// While alive, GDAL's errors on this thread go nowhere instead of standard
// error, and the last one can be read back. A library must not print on its
// caller's terminal; the messages reach the user through OpenError or Status.
class QuietGdalErrors {
 public:
  QuietGdalErrors();
  ~QuietGdalErrors();
  QuietGdalErrors(const QuietGdalErrors&) = delete;
  QuietGdalErrors& operator=(const QuietGdalErrors&) = delete;

  // True when GDAL reported a failure (not a warning) since construction.
  bool Failed() const;
  // GDAL's last message since construction, "" when there was none.
  std::string LastMessage() const;
};

}  // namespace pelt::gdal::internal
