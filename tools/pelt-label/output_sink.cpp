#include "output_sink.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace pelt::tools {

bool OutputSink::Open(const std::string& path, std::string& error) {
  open_ = true;
  if (path.empty() || path == "-") return true;
  final_path_ = path;
  file_.emplace();
  if (file_->Open(path)) return true;
  error = "cannot write '" + path + "': " + std::strerror(file_->error());
  file_.reset();
  open_ = false;
  return false;
}

void OutputSink::Flush() {
  if (buffer_.empty() || !open_) return;
  if (write_error_ == 0) {
    if (file_) {
      if (!file_->Write(buffer_)) write_error_ = file_->error();
    } else if (std::fwrite(buffer_.data(), 1, buffer_.size(), stdout) != buffer_.size()) {
      write_error_ = errno != 0 ? errno : EIO;
    }
  }
  buffer_.clear();
}

bool OutputSink::Finish(std::string& error) {
  Flush();
  if (!open_) return true;
  if (file_) {
    if (write_error_ == 0 && !file_->Commit()) write_error_ = file_->error();
  } else if (write_error_ == 0 && std::fflush(stdout) != 0) {
    write_error_ = errno;
  }
  if (write_error_ == 0) return true;
  const std::string shown = file_ ? "'" + final_path_ + "'" : std::string("standard output");
  error = "cannot write " + shown + ": " + std::strerror(write_error_);
  return false;
}

}  // namespace pelt::tools
