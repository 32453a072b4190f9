// LineReader: reads a text file (an article listing) line by line. A line ends
// at LF or CR LF, on every platform; the line end is not part of the line, and
// a last line without a line end still counts.
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

  // False when the file cannot be opened (a directory cannot).
  bool Open(const std::string& path);
  // Stores the next line in *line; false at the end of the file.
  bool Next(std::string* line);
  void Close();

 private:
  bool Fill();

  std::FILE* file_ = nullptr;
  char buffer_[65536];
  size_t begin_ = 0;
  size_t end_ = 0;
};

}  // namespace platform

#endif  // KPX_PLATFORM_LINE_READER_H_
