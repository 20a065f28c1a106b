#include "progress.h"

#include <algorithm>
#include <cmath>

namespace pelt::tools {
namespace {

constexpr int kBarWidth = 20;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

std::string Duration(double seconds) {
  const auto whole = static_cast<std::int64_t>(std::ceil(std::max(seconds, 0.0)));
  const std::int64_t hours = whole / 3600;
  const std::int64_t minutes = whole / 60 % 60;
  const std::int64_t rest = whole % 60;
  std::string text;
  if (hours > 0) text = std::to_string(hours) + ":" + (minutes < 10 ? "0" : "");
  text += std::to_string(minutes) + ":" + (rest < 10 ? "0" : "") + std::to_string(rest);
  return text;
}

}  // namespace

std::string ProgressLine(std::int64_t done, std::int64_t total, double seconds) {
  std::string line;
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  if (total >= 0) {
    const double share =
        total > 0 ? std::min(1.0, static_cast<double>(done) / static_cast<double>(total)) : 1.0;
    const auto filled = static_cast<int>(share * kBarWidth);
    line += '[';
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(kBarWidth - filled), ' ');
    line += "] ";
    const auto percent = static_cast<int>(share * 100);
    if (percent < 100) line += ' ';
    if (percent < 10) line += ' ';
    line += std::to_string(percent) + "%  ";
    line += std::to_string(done) + "/" + std::to_string(total);
  } else {
    line += std::to_string(done);
  }
  line += " features";
  if (rate > 0) {
    line += "  " + std::to_string(static_cast<std::int64_t>(rate)) + "/s";
    if (total >= 0 && done < total) {
      line += "  " + Duration(static_cast<double>(total - done) / rate) + " left";
    }
  }
  return line;
}

ProgressBar::ProgressBar(Streams& io, std::int64_t total, bool enabled)
    : io_(io), total_(total), enabled_(enabled), start_(Clock::now()), last_draw_(start_) {
  if (!enabled_) return;
  io_.transient_line = this;
  Draw(0);
}

ProgressBar::~ProgressBar() { Stop(); }

void ProgressBar::Update(std::int64_t done) {
  if (!enabled_) return;
  if (Clock::now() - last_draw_ < kRedrawInterval) return;
  Draw(done);
}

void ProgressBar::Finish(std::int64_t done) {
  if (!enabled_) return;
  Draw(done);
  Stop();
}

void ProgressBar::Clear() {
  if (shown_width_ == 0) return;
  io_.err << '\r' << std::string(shown_width_, ' ') << '\r';
  io_.err.flush();
  shown_width_ = 0;
}

void ProgressBar::Stop() {
  if (!enabled_) return;
  Clear();
  if (io_.transient_line == this) io_.transient_line = nullptr;
  enabled_ = false;
}

void ProgressBar::Draw(std::int64_t done) {
  last_draw_ = Clock::now();
  const double seconds = std::chrono::duration<double>(last_draw_ - start_).count();
  std::string line = ProgressLine(done, total_, seconds);
  // Blanks over the end of a longer line drawn before.
  const std::size_t width = line.size();
  if (width < shown_width_) line.append(shown_width_ - width, ' ');
  shown_width_ = width;
  // The cursor waits at the start of the line, so that what the terminal
  // echoes there (^C) is within the line Clear blanks.
  io_.err << '\r' << line << '\r';
  io_.err.flush();
}

}  // namespace pelt::tools
