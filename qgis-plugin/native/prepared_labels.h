#pragma once

#include <QString>

class QgsFields;

namespace pelt::qgis {

class PreparedLabel;

// The calling thread's prepared expression for (expression, fields), made
// on first use. QGIS labels from several threads at once (rendering,
// labelling), so each thread keeps its own, at most kMaxPerThread: an
// expression typed one character at a time in QGIS's dialog would
// otherwise pile them up. Valid until the thread's next call.
PreparedLabel& PreparedForThread(const QString& expression, const QgsFields& fields);

inline constexpr int kMaxPerThread = 256;

}  // namespace pelt::qgis
