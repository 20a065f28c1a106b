#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace pelt::ui {

// The styles the component uses: icon plus a single OK button.
enum class MessageBoxStyle : std::int32_t {
  kCritical = 16,     // error icon
  kExclamation = 48,  // exclamation icon
  kInformation = 64,  // information icon
};

// A toolkit-neutral modal message box and the default beep. Show returns when
// the user has closed the box. Implementations must not throw.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual void Show(std::u16string_view text, std::u16string_view title, MessageBoxStyle style) = 0;
  virtual void Beep() = 0;
};

// Writes each box to a stream (standard error by default) and returns at
// once: the choice for command-line use, where nobody can click OK.
class ConsoleMessageBoxes final : public MessageBoxes {
 public:
  ConsoleMessageBoxes();  // standard error
  explicit ConsoleMessageBoxes(std::ostream& out);
  void Show(std::u16string_view text, std::u16string_view title, MessageBoxStyle style) override;
  void Beep() override;

 private:
  std::ostream* out_;
};

// The boxes the component shows go to the current thread's override when one
// is in force (see ScopedMessageBoxes), otherwise to the process-wide
// implementation; when none was installed, to a ConsoleMessageBoxes.
MessageBoxes& ActiveMessageBoxes();
// Installs the process-wide implementation (nullptr restores the console one).
// The toolkit's dialog library installs its own at start-up.
void SetMessageBoxes(std::shared_ptr<MessageBoxes> boxes);

// Routes the current thread's boxes to `boxes` for the guard's lifetime.
class ScopedMessageBoxes {
 public:
  explicit ScopedMessageBoxes(MessageBoxes& boxes);
  ~ScopedMessageBoxes();
  ScopedMessageBoxes(const ScopedMessageBoxes&) = delete;
  ScopedMessageBoxes& operator=(const ScopedMessageBoxes&) = delete;

 private:
  MessageBoxes* previous_;
};

}  // namespace pelt::ui
