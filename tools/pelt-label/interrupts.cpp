#include "interrupts.h"

#include <signal.h>

#include <csignal>

namespace pelt::tools {
namespace {

volatile std::sig_atomic_t g_received = 0;

extern "C" void NoteSignal(int signal_number) { g_received = signal_number; }

struct sigaction g_previous_interrupt;
struct sigaction g_previous_terminate;

}  // namespace

InterruptGuard::InterruptGuard() {
  g_received = 0;
  struct sigaction action {};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a write blocked on a full pipe returns, so the command
  // sees the signal without waiting for its reader.
  action.sa_flags = 0;
  sigaction(SIGINT, &action, &g_previous_interrupt);
  sigaction(SIGTERM, &action, &g_previous_terminate);
}

InterruptGuard::~InterruptGuard() {
  sigaction(SIGINT, &g_previous_interrupt, nullptr);
  sigaction(SIGTERM, &g_previous_terminate, nullptr);
}

int InterruptGuard::Received() { return g_received; }

}  // namespace pelt::tools
