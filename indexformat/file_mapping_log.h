// The file mapping log: the text file "log" of an index set that tells which
// article number stands for which listed article. The index run writes it
// (WriteFileMappingLog); tarvik verify and kpxsearch read it
// (FileMappingLogReader). Its line grammar is written once, in FORMAT.md,
// "File mapping log".
//
// The writer writes in text mode, so each line ends in the platform's line
// end (LF on POSIX, CR LF on Windows). The reader takes the bytes of the
// whole file and accepts either line end. It treats the text as hostile:
// every field is found by searching the line it lies in, numbers are parsed
// with their range checked, and nothing is copied or allocated (what it
// gives points into the caller's text).
#ifndef KPX_INDEXFORMAT_FILE_MAPPING_LOG_H_
#define KPX_INDEXFORMAT_FILE_MAPPING_LOG_H_

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace indexformat {

// The two heading lines, without their line ends.
inline constexpr char kFileMappingLogTitle[] = " -- File Mapping Log --";
inline constexpr char kFileMappingLogColumns[] = "[#KeyRange]\t[#FileMatch]\t[Name]\t[NewName]";
inline constexpr size_t kFileMappingLogHeadingLines = 2;

// Creates or truncates the file at path in text mode and writes the heading
// and one line per name: article index i (from 0), article number i + 1,
// the name as listed (up to a NUL it may hold) and the phrase search file's
// name "t%04d" of i + 1. Every write is checked: a write that fails, even
// one whose loss a later write or the close would not report, makes the
// file kNotWritten.
enum class FileMappingLogWrite { kWritten, kNotCreated, kNotWritten };
FileMappingLogWrite WriteFileMappingLog(const std::string& path,
                                        const std::vector<std::string>& names);

// Writes the heading and the lines to an open file, as WriteFileMappingLog
// does; false when a write failed (the stream's error flag included). The
// file stays open.
bool WriteFileMappingLines(std::FILE* file, const std::vector<std::string>& names);

// The bytes WriteFileMappingLines writes for names, with LF line ends: what
// the log's stamp is taken over (indexformat/phrase_pairs.h).
std::string FileMappingLogText(const std::vector<std::string>& names);

// Whether text begins with the title line.
bool HasFileMappingLogTitle(std::string_view text);

// One line of a file mapping log.
struct FileMappingLine {
  size_t number = 0;      // 1-based line number within the file
  std::string_view text;  // the line without its line end (LF, CR LF, or a CR ending the text)
  // An article line: a line after the heading, "INDEX\tNUMBER\tNAME\tNEWNAME"
  // with NUMBER decimal digits of a value from 1 to 9999. NAME is all between
  // the second tab and the last, tabs included (a listing line may hold one).
  // INDEX and NEWNAME are not looked at: the article number is the key.
  bool is_article = false;
  int article = 0;        // NUMBER
  std::string_view name;  // NAME
};

// The lines of a file mapping log in order, every line of the file included
// (the heading, empty lines, lines that are no article line).
class FileMappingLogReader {
 public:
  explicit FileMappingLogReader(std::string_view text) : rest_(text) {}
  // Stores the next line in *line; false at the end of the text.
  bool Next(FileMappingLine* line);

 private:
  std::string_view rest_;
  size_t number_ = 0;
};

}  // namespace indexformat

#endif  // KPX_INDEXFORMAT_FILE_MAPPING_LOG_H_
