#include "indexformat/file_mapping_log.h"

#include <cstdio>

#include "indexformat/index_format.h"
#include "indexformat/phrase_search_files.h"
#include "platform/file_system.h"

namespace indexformat {
namespace {

// The value of text when it is decimal digits only and at most max (leading
// zeros allowed); -1 otherwise.
int ParseBoundedNumber(std::string_view text, int max) {
  if (text.empty()) return -1;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
    if (value > max) return -1;
  }
  return value;
}

// Fills the article fields of line when its text is an article line.
void ParseArticleLine(FileMappingLine* line) {
  const std::string_view text = line->text;
  const size_t first_tab = text.find('\t');
  if (first_tab == std::string_view::npos) return;
  const size_t second_tab = text.find('\t', first_tab + 1);
  const size_t last_tab = text.rfind('\t');
  if (second_tab == std::string_view::npos || last_tab <= second_tab) return;
  const int article = ParseBoundedNumber(text.substr(first_tab + 1, second_tab - first_tab - 1),
                                         kMaxListedArticles);
  if (article < 1) return;
  line->is_article = true;
  line->article = article;
  line->name = text.substr(second_tab + 1, last_tab - second_tab - 1);
}

}  // namespace

bool WriteFileMappingLines(std::FILE* file, const std::vector<std::string>& names) {
  bool written = std::fprintf(file, "%s\n%s\n", kFileMappingLogTitle, kFileMappingLogColumns) >= 0;
  char copy_name[kMaxCopyName];  // the article's phrase search file
  for (size_t i = 0; i < names.size() && written; ++i) {
    const long n = static_cast<long>(i);
    CopyFileName(static_cast<int>(n + 1), copy_name);
    written = std::fprintf(file, "%ld\t%ld\t%s\t%s\n", n, n + 1, names[i].c_str(), copy_name) >= 0;
  }
  // A buffer flush that failed on the way is lost without a failing call of
  // its own: only the error flag keeps it.
  return written && std::fflush(file) == 0 && !std::ferror(file);
}

FileMappingLogWrite WriteFileMappingLog(const std::string& path,
                                        const std::vector<std::string>& names) {
  std::FILE* file = platform::OpenFile(path, "w");  // text mode: the platform's line end
  if (file == nullptr) return FileMappingLogWrite::kNotCreated;
  const bool written = WriteFileMappingLines(file, names);
  const bool closed = std::fclose(file) == 0;
  return written && closed ? FileMappingLogWrite::kWritten : FileMappingLogWrite::kNotWritten;
}

std::string FileMappingLogText(const std::vector<std::string>& names) {
  std::string text = std::string(kFileMappingLogTitle) + "\n" + kFileMappingLogColumns + "\n";
  char copy_name[kMaxCopyName];
  char number[48];
  for (size_t i = 0; i < names.size(); ++i) {
    const long n = static_cast<long>(i);
    CopyFileName(static_cast<int>(n + 1), copy_name);
    std::snprintf(number, sizeof number, "%ld\t%ld\t", n, n + 1);
    text += number;
    text += names[i].c_str();  // as %s writes it: up to a NUL
    text += '\t';
    text += copy_name;
    text += '\n';
  }
  return text;
}

bool HasFileMappingLogTitle(std::string_view text) {
  return text.substr(0, sizeof kFileMappingLogTitle - 1) == kFileMappingLogTitle;
}

bool FileMappingLogReader::Next(FileMappingLine* line) {
  if (rest_.empty()) return false;
  const size_t end = rest_.find('\n');
  std::string_view text = rest_.substr(0, end);
  rest_ = end == std::string_view::npos ? std::string_view() : rest_.substr(end + 1);
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  *line = FileMappingLine();
  line->number = ++number_;
  line->text = text;
  if (line->number > kFileMappingLogHeadingLines) ParseArticleLine(line);
  return true;
}

}  // namespace indexformat
