#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

namespace pelt::tools {

// One line of the progress bar: done of total, the share as a bar and in
// percent, the rate and the time left, e.g.
//   "[#########           ]  45%  450000/1000000  98000/s  0:05 left"
// total < 0 (unknown) leaves out the bar, the share and the time left.
std::string ProgressLine(std::int64_t done, std::int64_t total, double seconds);

// A progress bar redrawn in place on a terminal's standard error, at most
// ten times a second. A disabled bar prints nothing.
class ProgressBar {
 public:
  ProgressBar(std::ostream& out, std::int64_t total, bool enabled);
  void Update(std::int64_t done);
  // Draws the final state and ends the line.
  void Finish(std::int64_t done);

 private:
  void Draw(std::int64_t done);

  using Clock = std::chrono::steady_clock;
  std::ostream& out_;
  std::int64_t total_;
  bool enabled_;
  Clock::time_point start_;
  Clock::time_point last_draw_;
  std::size_t last_width_ = 0;
};

}  // namespace pelt::tools
