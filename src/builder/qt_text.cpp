#include "qt_text.h"

namespace pelt::builder {
namespace {

// Qt's selections and plain text mark paragraph ends with these.
constexpr char16_t kParagraphSeparator = u'\u2029';

}  // namespace

QString ToWidgetLines(std::u16string_view text) {
  QString out;
  out.reserve(static_cast<qsizetype>(text.size()));
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r') {
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      out += QChar(u'\n');
    } else {
      out += QChar(c);
    }
  }
  return out;
}

std::u16string FromWidgetLines(const QString& text) {
  std::u16string out;
  out.reserve(static_cast<std::size_t>(text.size()));
  for (const QChar c : text) {
    if (c == QChar(u'\n') || c == QChar(kParagraphSeparator)) {
      out += u"\r\n";
    } else {
      out += c.unicode();
    }
  }
  return out;
}

}  // namespace pelt::builder
