#pragma once

namespace pelt::tools {

// While alive, Ctrl-C (SIGINT) and SIGTERM no longer end the process at
// once: they are noted, and the command stops at its next check, removes
// what it had not finished writing and ends with 128 + the signal's number.
// The handlers in force before are restored afterwards. One guard at a time.
class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  // The signal that arrived, or 0.
  static int Received();
};

}  // namespace pelt::tools
