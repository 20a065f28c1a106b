#pragma once

#include <string>

namespace pelt::builder {

// Makes the Qt expression builder the one EditExpression opens, and Qt
// message boxes (with the beep) the ones the component shows. Call it once,
// on the thread that runs the user interface, before the first
// EditExpression; calling it again changes nothing.
//
// The host may create its QApplication before or after; when none exists
// when a dialog is needed, one is created for the life of the process, but
// only when a display can be reached. Otherwise EditExpression reports that
// no display is available and returns "", without blocking.
void InstallQtBuilder();

// Whether a dialog can be shown now: a QApplication runs, or one can be
// created for a display that answers. On false, why_not says why in one line.
bool DisplayAvailable(std::string* why_not = nullptr);

}  // namespace pelt::builder
