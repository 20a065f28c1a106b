// The entry points the plugin calls through ctypes: plain C, so that the
// library needs neither a Python nor a sip of its own.

#include <qgsexpression.h>

#include <cstdint>
#include <memory>
#include <string>

#include "label_tally.h"
#include "pelt/value/text.h"
#include "pelt_label_function.h"

namespace {

std::unique_ptr<pelt::qgis::PeltLabelFunction>& Registered() {
  static std::unique_ptr<pelt::qgis::PeltLabelFunction> function;
  return function;
}

}  // namespace

// Registers the native pelt_label, with the help text QGIS's dialog shows
// (UTF-8) and the address of the plugin's Python function, which labels
// what needs the context's words. True when registered.
extern "C" __attribute__((visibility("default"))) bool pelt_qgis_register(const char* help_text,
                                                                          void* python_function) {
  if (Registered() != nullptr || python_function == nullptr) return false;
  try {
    auto function = std::make_unique<pelt::qgis::PeltLabelFunction>(
        QString::fromUtf8(help_text), static_cast<QgsExpressionFunction*>(python_function));
    if (!QgsExpression::registerFunction(function.get())) return false;
    Registered() = std::move(function);
    return true;
  } catch (...) {  // nothing crosses into ctypes; the plugin keeps its Python function
    return false;
  }
}

extern "C" __attribute__((visibility("default"))) void pelt_qgis_unregister() {
  if (Registered() == nullptr) return;
  QgsExpression::unregisterFunction(Registered()->name());
  Registered().reset();
}

// A tally as ctypes reads it; the texts are UTF-8, valid until the
// thread's next pelt_qgis_take_tally.
struct PeltQgisTally {
  std::int64_t labels;
  std::int64_t failed;
  std::int64_t first_failed_fid;
  const char* first_failure;
  std::int64_t unread_dates;
  std::int64_t first_unread_fid;
  const char* first_unread_date;
};

// Counts the labels pelt_label makes on the calling thread from now on.
extern "C" __attribute__((visibility("default"))) void pelt_qgis_start_tally() {
  pelt::qgis::StartThreadTally();
}

// What the calling thread's labels came to since pelt_qgis_start_tally;
// counting stops.
extern "C" __attribute__((visibility("default"))) void pelt_qgis_take_tally(PeltQgisTally* out) {
  thread_local std::string failure;
  thread_local std::string unread;
  const pelt::qgis::LabelTally tally = pelt::qgis::TakeThreadTally();
  try {
    failure = pelt::value::ToUtf8(tally.first_failure);
    unread = pelt::value::ToUtf8(tally.unread.first);
  } catch (...) {  // the counts still hold; the texts are left out
    failure.clear();
    unread.clear();
  }
  *out = {tally.labels,    tally.failed,       tally.first_failed_fid,
          failure.c_str(), tally.unread.count, tally.unread.first_item,
          unread.c_str()};
}
