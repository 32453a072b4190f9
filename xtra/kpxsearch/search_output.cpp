#include "xtra/kpxsearch/search_output.h"

#include <algorithm>
#include <vector>

namespace kpxsearch {
namespace {

constexpr char kHeadingColor[] = "\033[35m";
constexpr char kLineNumberColor[] = "\033[32m";
constexpr char kMatchColor[] = "\033[1;31m";
constexpr char kReset[] = "\033[0m";

// The occurrences of a line as sorted, merged 0-based byte ranges [begin, end)
// within the line: the two phrases' occurrences may overlap, and a position
// outside the line is cut to it.
std::vector<std::pair<size_t, size_t>> HighlightRanges(const MatchedLine& line) {
  std::vector<std::pair<size_t, size_t>> ranges;
  for (const Occurrence& o : line.occurrences) {
    if (o.first < 1 || o.last < o.first) continue;
    size_t begin = std::min(static_cast<size_t>(o.first - 1), line.text.size());
    size_t end = std::min(static_cast<size_t>(o.last), line.text.size());
    if (begin < end) ranges.emplace_back(begin, end);
  }
  std::sort(ranges.begin(), ranges.end());
  std::vector<std::pair<size_t, size_t>> merged;
  for (const auto& range : ranges) {
    if (!merged.empty() && range.first <= merged.back().second) {
      merged.back().second = std::max(merged.back().second, range.second);
    } else {
      merged.push_back(range);
    }
  }
  return merged;
}

void WriteLine(std::ostream& out, const MatchedLine& line, TextEncoding encoding, bool color) {
  if (color)
    out << kLineNumberColor << line.number << kReset << ':';
  else
    out << line.number << ':';
  std::string_view text = line.text;
  size_t at = 0;
  for (const auto& [begin, end] : HighlightRanges(line)) {
    out << ToUtf8(text.substr(at, begin - at), encoding);
    if (color) out << kMatchColor;
    out << ToUtf8(text.substr(begin, end - begin), encoding);
    if (color) out << kReset;
    at = end;
  }
  out << ToUtf8(text.substr(at), encoding) << '\n';
}

const std::string* NameOf(const ArticleNames& names, std::int32_t article) {
  auto found = names.find(article);
  return found == names.end() ? nullptr : &found->second;
}

}  // namespace

void WriteMatchedLines(std::ostream& out, const SearchOutcome& outcome, const ArticleNames& names,
                       TextEncoding encoding, bool color) {
  bool first = true;
  for (const ArticleLines& article : outcome.articles) {
    if (!first) out << '\n';
    first = false;
    if (color) out << kHeadingColor;
    out << "article " << article.article;
    if (const std::string* name = NameOf(names, article.article)) {
      out << ": " << ToUtf8(*name, encoding);
    }
    if (color) out << kReset;
    out << '\n';
    if (!article.readable) out << "(its phrase search file cannot be read)\n";
    for (const MatchedLine& line : article.lines) WriteLine(out, line, encoding, color);
  }
}

void WriteArticleList(std::ostream& out, const SearchOutcome& outcome, const ArticleNames* names) {
  out << outcome.count << '\n';
  for (std::int32_t article : outcome.matches) {
    out << article;
    if (names != nullptr) {
      const std::string* name = NameOf(*names, article);
      out << '\t' << (name != nullptr ? *name : std::string());
    }
    out << '\n';
  }
}

void WriteJson(std::ostream& out, const SearchOutcome& outcome, const ArticleNames& names,
               TextEncoding encoding, const SetFoldName& fold) {
  out << "{\"count\": " << outcome.count << ", \"fold\": {\"name\": " << JsonString(fold.name)
      << ", \"recorded\": " << (fold.recorded ? "true" : "false") << "}, \"articles\": [";
  for (size_t a = 0; a < outcome.articles.size(); ++a) {
    const ArticleLines& article = outcome.articles[a];
    const std::string* name = NameOf(names, article.article);
    out << (a == 0 ? "" : ", ") << "{\"article\": " << article.article
        << ", \"name\": " << (name != nullptr ? JsonString(ToUtf8(*name, encoding)) : "null")
        << ", \"lines\": [";
    for (size_t l = 0; l < article.lines.size(); ++l) {
      const MatchedLine& line = article.lines[l];
      out << (l == 0 ? "" : ", ") << "{\"line\": " << line.number
          << ", \"text\": " << JsonString(ToUtf8(line.text, encoding)) << ", \"occurrences\": [";
      for (size_t o = 0; o < line.occurrences.size(); ++o) {
        const Occurrence& occurrence = line.occurrences[o];
        out << (o == 0 ? "" : ", ") << '[' << CharacterColumn(line.text, occurrence.first, encoding)
            << ", " << CharacterColumn(line.text, occurrence.last, encoding) << ']';
      }
      out << "]}";
    }
    out << "]}";
  }
  out << "]}\n";
}

}  // namespace kpxsearch
