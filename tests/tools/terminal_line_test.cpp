// The progress bar as a transient line on standard error: messages clear it
// before they are written, it leaves nothing behind, and it shows only on a
// terminal that does not show the labels.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <sstream>
#include <string>

#include "command.h"
#include "progress.h"
#include "terminal.h"

namespace pelt::tools {
namespace {

// What Clear writes over a line of this width.
std::string Clearing(std::size_t width) { return "\r" + std::string(width, ' ') + "\r"; }

TEST(ProgressBarTest, MessagesClearTheBarBeforeTheyAreWritten) {
  std::ostringstream out;
  std::ostringstream err;
  Streams io{out, err};
  ProgressBar bar(io, 100, true);
  const std::string first = ProgressLine(0, 100, 0);  // no rate before any feature
  // The cursor waits at the start of the line, where a terminal's ^C lands.
  EXPECT_EQ(err.str(), "\r" + first + "\r");
  EXPECT_EQ(io.transient_line, &bar);

  ReportWarning(io, "careful");
  std::string expected =
      "\r" + first + "\r" + Clearing(first.size()) + "pelt-label: warning: careful\n";
  EXPECT_EQ(err.str(), expected);
  // Cleared once: the next message follows directly.
  ReportUsage(io, "label", "no");
  ReportProblem(io, "stop");
  expected += "pelt-label label: no (see 'pelt-label label --help')\npelt-label: stop\n";
  EXPECT_EQ(err.str(), expected);
  io.warnings = false;
  ReportWarning(io, "unseen");
  EXPECT_EQ(err.str(), expected);

  // Finish draws the final state, then blanks it: nothing stays.
  bar.Finish(100);
  const std::string rest = err.str().substr(expected.size());
  const std::string last = "\r[####################] 100%  100/100 features";
  ASSERT_EQ(rest.substr(0, last.size()), last) << rest;
  const std::size_t width = rest.find('\r', 1) - 1;
  EXPECT_EQ(rest.substr(width + 1), "\r" + Clearing(width));
  EXPECT_EQ(io.transient_line, nullptr);
  ReportProblem(io, "after");
  EXPECT_EQ(err.str(), expected + rest + "pelt-label: after\n");
}

// An early end, as a failure or an interrupt leaves the bar, clears it; a
// disabled bar writes nothing.
TEST(ProgressBarTest, AnEarlyEndClearsTheBarAndADisabledOneWritesNothing) {
  std::ostringstream out;
  std::ostringstream err;
  Streams io{out, err};
  std::make_unique<ProgressBar>(io, -1, true).reset();
  EXPECT_EQ(err.str(), "\r0 features\r" + Clearing(10));
  EXPECT_EQ(io.transient_line, nullptr);
  ProgressBar bar(io, 100, false);
  bar.Update(50);
  ReportProblem(io, "alone");
  bar.Finish(100);
  EXPECT_EQ(err.str(), "\r0 features\r" + Clearing(10) + "pelt-label: alone\n");
  EXPECT_EQ(io.transient_line, nullptr);
}

// An open file, closed with the object.
class Descriptor {
 public:
  explicit Descriptor(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY)) {}
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

// The path of a pseudo-terminal's far end, "" when there is none.
std::string FarEnd(const Descriptor& controller) {
  const int fd = controller.fd();
  const char* name = fd >= 0 && ::grantpt(fd) == 0 && ::unlockpt(fd) == 0 ? ::ptsname(fd) : nullptr;
  return name != nullptr ? name : "";
}

TEST(ProgressBelongsOnTest, AStandardErrorTerminalThatDoesNotShowTheLabels) {
  const Descriptor terminal(::posix_openpt(O_RDWR | O_NOCTTY));
  const Descriptor other_terminal(::posix_openpt(O_RDWR | O_NOCTTY));
  const std::string name = FarEnd(terminal);
  const std::string other_name = FarEnd(other_terminal);
  if (name.empty() || other_name.empty()) GTEST_SKIP() << "no pseudo-terminal here";
  const Descriptor screen(name);
  const Descriptor same_screen(name);  // another descriptor of the same terminal
  const Descriptor other_screen(other_name);
  const Descriptor null("/dev/null");
  int pipe_ends[2];
  ASSERT_EQ(::pipe(pipe_ends), 0);
  const Descriptor pipe_out(pipe_ends[0]);
  const Descriptor pipe_in(pipe_ends[1]);
  ASSERT_GE(screen.fd(), 0);

  struct Row {
    int line;
    int err;
    int out;
    bool labels_on_out;
    bool shows;
  } rows[] = {
      {__LINE__, screen.fd(), same_screen.fd(), true, false},  // labels on the same screen
      {__LINE__, screen.fd(), screen.fd(), true, false},
      {__LINE__, screen.fd(), same_screen.fd(), false, true},  // labels into --output
      {__LINE__, screen.fd(), null.fd(), true, true},
      {__LINE__, screen.fd(), pipe_in.fd(), true, true},  // | head
      {__LINE__, screen.fd(), other_screen.fd(), true, true},
      {__LINE__, null.fd(), screen.fd(), true, false},  // 2>/dev/null
      {__LINE__, pipe_in.fd(), screen.fd(), false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(ProgressBelongsOn(row.err, row.out, row.labels_on_out), row.shows);
  }
}

}  // namespace
}  // namespace pelt::tools
