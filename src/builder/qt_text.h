#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace pelt::builder {

inline QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string FromQString(const QString& text) { return text.toStdU16String(); }

// Line breaks: CR LF in the component's texts, one '\n' inside Qt's text
// widgets. A lone CR or LF from the caller also becomes a line break.
QString ToWidgetLines(std::u16string_view text);
std::u16string FromWidgetLines(const QString& text);

}  // namespace pelt::builder
