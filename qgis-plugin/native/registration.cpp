// The entry points the plugin calls through ctypes: plain C, so that the
// library needs neither a Python nor a sip of its own.

#include <memory>

#include <qgsexpression.h>

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
extern "C" __attribute__((visibility("default"))) bool pelt_qgis_register(
    const char* help_text, void* python_function) {
  if (Registered() != nullptr || python_function == nullptr) return false;
  auto function = std::make_unique<pelt::qgis::PeltLabelFunction>(
      QString::fromUtf8(help_text), static_cast<QgsExpressionFunction*>(python_function));
  if (!QgsExpression::registerFunction(function.get())) return false;
  Registered() = std::move(function);
  return true;
}

extern "C" __attribute__((visibility("default"))) void pelt_qgis_unregister() {
  if (Registered() == nullptr) return;
  QgsExpression::unregisterFunction(Registered()->name());
  Registered().reset();
}
