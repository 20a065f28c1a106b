#include "output_sink.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pelt::tools {

OutputSink::~OutputSink() {
  if (file_ != nullptr && file_ != stdout) std::fclose(file_);
  if (!temporary_path_.empty()) ::unlink(temporary_path_.c_str());
}

bool OutputSink::Open(const std::string& path, std::string& error) {
  if (path.empty() || path == "-") {
    file_ = stdout;
    return true;
  }
  // The temporary file sits beside the final one so that the rename stays on
  // one file system and is atomic.
  std::string pattern = path + ".XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    return false;
  }
  file_ = ::fdopen(fd, "wb");
  if (file_ == nullptr) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    ::close(fd);
    ::unlink(pattern.c_str());
    return false;
  }
  // mkstemp makes the file private; give it the mode a new file would get.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  final_path_ = path;
  temporary_path_ = std::move(pattern);
  return true;
}

void OutputSink::Flush() {
  if (buffer_.empty() || file_ == nullptr) return;
  if (write_error_ == 0 && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
    write_error_ = errno != 0 ? errno : EIO;
  }
  buffer_.clear();
}

bool OutputSink::Finish(std::string& error) {
  Flush();
  if (file_ == nullptr) return true;
  if (write_error_ == 0 && std::fflush(file_) != 0) write_error_ = errno;
  const std::string shown = final_path_.empty() ? std::string("standard output")
                                                : "'" + final_path_ + "'";
  if (file_ != stdout) {
    if (write_error_ == 0 && ::fsync(::fileno(file_)) != 0) write_error_ = errno;
    if (std::fclose(file_) != 0 && write_error_ == 0) write_error_ = errno;
    file_ = nullptr;
    if (write_error_ == 0 && std::rename(temporary_path_.c_str(), final_path_.c_str()) != 0) {
      write_error_ = errno;
    }
    if (write_error_ == 0) temporary_path_.clear();  // nothing left to remove
  }
  if (write_error_ != 0) {
    error = "cannot write " + shown + ": " + std::strerror(write_error_);
    return false;
  }
  return true;
}

}  // namespace pelt::tools
