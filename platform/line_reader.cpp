#include "platform/line_reader.h"

#include <cstring>

#include "platform/file_system.h"

namespace platform {

bool LineReader::Open(const std::string& path) {
  Close();
  file_ = OpenRegularFile(path);
  return file_ != nullptr;
}

void LineReader::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  begin_ = end_ = 0;
  failed_ = false;
}

bool LineReader::Fill() {
  if (file_ == nullptr) return false;
  begin_ = 0;
  end_ = std::fread(buffer_, 1, sizeof buffer_, file_);
  if (end_ < sizeof buffer_ && std::ferror(file_)) {
    failed_ = true;
    end_ = 0;  // a part of a failed read counts for nothing
  }
  return end_ > 0;
}

bool LineReader::Next(std::string* line) {
  line->clear();
  bool any = false;
  for (;;) {
    if (begin_ == end_ && (failed_ || !Fill())) break;
    any = true;
    const char* start = buffer_ + begin_;
    const void* lf = std::memchr(start, '\n', end_ - begin_);
    if (lf != nullptr) {
      size_t n = static_cast<const char*>(lf) - start;
      line->append(start, n);
      begin_ += n + 1;
      if (!line->empty() && line->back() == '\r') line->pop_back();
      return true;
    }
    line->append(start, end_ - begin_);
    begin_ = end_;
  }
  return any && !failed_;
}

}  // namespace platform
