#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QThread>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "dialog_handlers.h"
#include "errors/messages.h"
#include "expression_builder_form.h"
#include "frm_expression_builder.h"
#include "pelt/builder/builder.h"
#include "pelt/errors/failure.h"
#include "pelt/evaluator/expression_builder.h"
#include "pelt/ui/message_boxes.h"
#include "pelt/value/text.h"
#include "qt_message_boxes.h"

namespace pelt::builder {
namespace {

// The number a host sees when the dialog cannot be created.
constexpr std::int32_t kCannotCreateDialog = 429;

using errors::MessageId;
using errors::MessageText;

[[noreturn]] void RaiseCannotShow(const std::u16string& why_not) {
  std::u16string description(MessageText(MessageId::kCannotShowBuilder));
  description += why_not;
  errors::Raise(
      errors::Status(kCannotCreateDialog, std::u16string(kDialogModule), std::move(description)));
}

std::string_view Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string_view() : std::string_view(value);
}

// True when a Unix stream socket accepts a connection at path (with a
// leading '@' for the abstract namespace).
bool SocketAnswers(std::string_view path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.data(), path.size());
  socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
  if (!path.empty() && path.front() == '@') {
    address.sun_path[0] = '\0';
  } else {
    ++length;  // the terminating zero of a file path
  }
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool answered = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
  ::close(fd);
  return answered;
}

// An X display named ":N" or ":N.S" (a local one) answers on its socket;
// a display on another host is taken as reachable.
bool XDisplayAnswers(std::string_view display) {
  const std::size_t colon = display.rfind(':');
  if (colon == std::string_view::npos) return false;
  const std::string_view host = display.substr(0, colon);
  if (!host.empty() && host != "unix") return true;
  std::string_view number = display.substr(colon + 1);
  number = number.substr(0, number.find('.'));
  if (number.empty()) return false;
  const std::string socket = "/tmp/.X11-unix/X" + std::string(number);
  return SocketAnswers("@" + socket) || SocketAnswers(socket);
}

bool WaylandAnswers(std::string_view display) {
  if (display.empty()) return false;
  if (display.front() == '/') return SocketAnswers(display);
  const std::string_view runtime = Environment("XDG_RUNTIME_DIR");
  if (runtime.empty()) return false;
  return SocketAnswers(std::string(runtime) + "/" + std::string(display));
}

// Whether creating a QApplication would find a display; Qt ends the process
// when it finds none, so this is asked first.
bool PlatformReachable(std::string* why_not) {
  const std::string_view platform = Environment("QT_QPA_PLATFORM");
  const std::string_view display = Environment("DISPLAY");
  const std::string_view wayland = Environment("WAYLAND_DISPLAY");
  if (platform.starts_with("xcb")) {
    if (XDisplayAnswers(display)) return true;
    if (why_not) *why_not = "no X display answers (DISPLAY is '" + std::string(display) + "')";
    return false;
  }
  if (platform.starts_with("wayland")) {
    if (WaylandAnswers(wayland)) return true;
    if (why_not) *why_not = "no Wayland display answers";
    return false;
  }
  if (!platform.empty()) return true;  // offscreen, minimal, vnc, eglfs …
  if (WaylandAnswers(wayland) || XDisplayAnswers(display)) return true;
  if (why_not) {
    *why_not = display.empty() && wayland.empty()
                   ? "no display is available (DISPLAY is not set)"
                   : "the display does not answer (DISPLAY is '" + std::string(display) + "')";
  }
  return false;
}

QApplication* RunningApplication() {
  return qobject_cast<QApplication*>(QCoreApplication::instance());
}

// The QApplication the dialogs run in: the host's, or one made once and kept
// for the life of the process.
void EnsureApplication() {
  if (RunningApplication() != nullptr) return;
  std::string why_not;
  if (QCoreApplication::instance() != nullptr) {
    why_not = "the application has no widget support";
  } else if (PlatformReachable(&why_not)) {
    static int argc = 1;
    static char name[] = "PeltExpressions";
    static char* argv[] = {name, nullptr};
    static QApplication* const application = new QApplication(argc, argv);
    static_cast<void>(application);
    return;
  }
  RaiseCannotShow(value::FromUtf8(why_not));
}

std::unique_ptr<evaluator::ExpressionBuilder> CreateQtBuilder() {
  EnsureApplication();
  // Widgets live on the thread that runs the user interface; elsewhere Qt
  // would end the process.
  if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
    RaiseCannotShow(std::u16string(MessageText(MessageId::kNotOnInterfaceThread)));
  }
  return std::make_unique<ExpressionBuilderForm>(
      [](ExpressionBuilderForm& form) { return std::make_unique<frmExpressionBuilder>(form); });
}

}  // namespace

bool DisplayAvailable(std::string* why_not) {
  if (RunningApplication() != nullptr) return true;
  if (QCoreApplication::instance() != nullptr) {
    if (why_not) *why_not = "the application has no widget support";
    return false;
  }
  return PlatformReachable(why_not);
}

void InstallQtBuilder() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    evaluator::SetExpressionBuilderFactory(&CreateQtBuilder);
    ui::SetMessageBoxes(std::make_shared<QtMessageBoxes>());
  });
}

}  // namespace pelt::builder
