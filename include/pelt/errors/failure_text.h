#pragma once

#include <exception>
#include <new>
#include <string>

namespace pelt::errors {

// The failure in flight as text for a message: "out of memory" for
// std::bad_alloc, what() for any other std::exception (a Failure gives its
// description), "an unexpected failure" for anything else. A handler that
// must catch everything reports the real cause through this rather than
// blaming memory for a full disk or a GDAL error. Call only inside a handler.
inline std::string DescribeCurrentFailure() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "out of memory";
  } catch (const std::exception& e) {
    try {
      return e.what();
    } catch (const std::bad_alloc&) {
      return "out of memory";  // no memory to copy the description
    }
  } catch (...) {
    return "an unexpected failure";
  }
}

}  // namespace pelt::errors
