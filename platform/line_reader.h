// LineReader: reads a text file (an article listing) line by line. A line ends
// at LF or CR LF, on every platform; the line end is not part of the line, and
// a last line without a line end still counts.
//
// Only a regular file is read (platform::OpenRegularFile): a FIFO, a device
// or a directory cannot be opened, so a listing never blocks a run. A read
// that fails is not the end of the file: Next then stops and failed() tells
// the caller, who must not take what was read for the whole listing.
#ifndef KPX_PLATFORM_LINE_READER_H_
#define KPX_PLATFORM_LINE_READER_H_

#include <cstdio>
#include <string>

namespace platform {

class LineReader {
 public:
  LineReader() = default;
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;
  ~LineReader() { Close(); }

  // False when the file cannot be opened (only a regular file can).
  bool Open(const std::string& path);
  // Stores the next line in *line; false at the end of the file or when a
  // read fails (see failed()).
  bool Next(std::string* line);
  // True once a read of the file has failed; Open and Close clear it.
  bool failed() const { return failed_; }
  void Close();

 private:
  bool Fill();

  std::FILE* file_ = nullptr;
  char buffer_[65536];
  size_t begin_ = 0;
  size_t end_ = 0;
  bool failed_ = false;
};

}  // namespace platform

#endif  // KPX_PLATFORM_LINE_READER_H_
