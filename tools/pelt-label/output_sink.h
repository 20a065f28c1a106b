#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "pelt/files/replacement_file.h"

namespace pelt::tools {

// Where a command writes its results: standard output, or a file that only
// appears under its final name once everything was written. Output is
// buffered; a failed write (a full disk, a closed pipe) is remembered and
// reported by Finish. An unfinished file is removed when the sink goes away.
class OutputSink {
 public:
  // Opens the sink: path "" or "-" is standard output; any other path is
  // written through a temporary file beside it. False with a one-line error.
  bool Open(const std::string& path, std::string& error);

  void Write(std::string_view text) {
    buffer_ += text;
    if (buffer_.size() >= kFlushSize) Flush();
  }

  // The errno of the first failed write, 0 while every write succeeded.
  // Lets a caller stop early instead of labelling for a reader that left.
  int write_error() const { return write_error_; }

  // Flushes, and for a file syncs it and renames it to its final name. False
  // with a one-line error when anything could not be written.
  bool Finish(std::string& error);

 private:
  static constexpr std::size_t kFlushSize = 1 << 16;
  void Flush();

  bool open_ = false;
  std::optional<files::ReplacementFile> file_;  // none for standard output
  std::string final_path_;
  std::string buffer_;
  int write_error_ = 0;  // errno of the first failed write
};

}  // namespace pelt::tools
