#include "pelt/ui/message_boxes.h"

#include <iostream>
#include <mutex>

#include "pelt/value/named.h"
#include "pelt/value/text.h"

namespace pelt::ui {
namespace {

thread_local MessageBoxes* t_override = nullptr;

struct Installed {
  std::mutex mutex;
  std::shared_ptr<MessageBoxes> boxes;
};

Installed& Global() {
  static Installed* installed = new Installed();  // lives until exit
  return *installed;
}

std::string_view IconWord(MessageBoxStyle style) {
  static constexpr value::Named<MessageBoxStyle, std::string_view> kWords[] = {
      {MessageBoxStyle::kCritical, "error"},
      {MessageBoxStyle::kExclamation, "warning"},
      {MessageBoxStyle::kInformation, "information"},
  };
  return value::NameIn(kWords, style, std::string_view("message"));
}

}  // namespace

ConsoleMessageBoxes::ConsoleMessageBoxes() : out_(&std::cerr) {}
ConsoleMessageBoxes::ConsoleMessageBoxes(std::ostream& out) : out_(&out) {}

void ConsoleMessageBoxes::Show(std::u16string_view text, std::u16string_view title,
                               MessageBoxStyle style) {
  // One framed block per box; CR LF inside the text becomes a plain newline.
  std::string body = value::ToUtf8(text);
  std::string cleaned;
  cleaned.reserve(body.size());
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] == '\r' && i + 1 < body.size() && body[i + 1] == '\n') continue;
    cleaned.push_back(body[i]);
  }
  *out_ << "[" << IconWord(style) << "] " << value::ToUtf8(title) << "\n" << cleaned;
  if (cleaned.empty() || cleaned.back() != '\n') *out_ << "\n";
  *out_ << "[OK]\n";
  out_->flush();
}

void ConsoleMessageBoxes::Beep() {
  *out_ << '\a';
  out_->flush();
}

MessageBoxes& ActiveMessageBoxes() {
  if (t_override != nullptr) return *t_override;
  Installed& installed = Global();
  std::lock_guard lock(installed.mutex);
  if (!installed.boxes) installed.boxes = std::make_shared<ConsoleMessageBoxes>();
  return *installed.boxes;
}

void SetMessageBoxes(std::shared_ptr<MessageBoxes> boxes) {
  Installed& installed = Global();
  std::lock_guard lock(installed.mutex);
  installed.boxes = std::move(boxes);
}

ScopedMessageBoxes::ScopedMessageBoxes(MessageBoxes& boxes) : previous_(t_override) {
  t_override = &boxes;
}

ScopedMessageBoxes::~ScopedMessageBoxes() { t_override = previous_; }

}  // namespace pelt::ui
