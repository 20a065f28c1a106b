#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "command.h"

namespace pelt::tools {

// One line of the progress bar: done of total, the share as a bar and in
// percent, the rate and the time left, e.g.
//   "[#########           ]  45%  450000/1000000  98000/s  0:05 left"
// total < 0 (unknown) leaves out the bar, the share and the time left.
std::string ProgressLine(std::int64_t done, std::int64_t total, double seconds);

// A progress bar redrawn in place on standard error, at most ten times a
// second. While it shows it is io's transient line: a message reported then
// clears it first. It leaves no trace: Finish, and the destructor on an
// early end, clear it. A disabled bar prints nothing.
class ProgressBar final : public TransientLine {
 public:
  ProgressBar(Streams& io, std::int64_t total, bool enabled);
  ~ProgressBar() override;
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void Update(std::int64_t done);
  // Draws the final state, then clears the line for good.
  void Finish(std::int64_t done);
  void Clear() override;

 private:
  void Draw(std::int64_t done);
  void Stop();

  using Clock = std::chrono::steady_clock;
  Streams& io_;
  std::int64_t total_;
  bool enabled_;
  Clock::time_point start_;
  Clock::time_point last_draw_;
  std::size_t shown_width_ = 0;  // of the line on screen; 0 when none shows
};

}  // namespace pelt::tools
