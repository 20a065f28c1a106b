#include "adapters/gdal/gdal_runtime.h"

#include <gdal.h>
#include <gdal_priv.h>

#include <mutex>

namespace pelt::gdal::internal {

void EnsureDriversRegistered() {
  static std::once_flag once;
  std::call_once(once, [] { GDALAllRegister(); });
}

bool IsShapefileDriver(const GDALDriver& driver) {
  // GetMetadataItem is not const, though it only reads.
  const char* extension =
      const_cast<GDALDriver&>(driver).GetMetadataItem(GDAL_DMD_EXTENSION);
  return extension != nullptr && EQUAL(extension, "shp");
}

QuietGdalErrors::QuietGdalErrors() {
  CPLPushErrorHandler(CPLQuietErrorHandler);
  CPLErrorReset();
}

QuietGdalErrors::~QuietGdalErrors() { CPLPopErrorHandler(); }

bool QuietGdalErrors::Failed() const {
  const CPLErr type = CPLGetLastErrorType();
  return type == CE_Failure || type == CE_Fatal;
}

std::string QuietGdalErrors::LastMessage() const {
  const char* message = CPLGetLastErrorMsg();
  return message != nullptr ? std::string(message) : std::string();
}

}  // namespace pelt::gdal::internal
