// WriteIndexSet: a small index file set and its phrase search files, made by
// hand for end-to-end tests of the plug-in. Test-only.
//
// Each article's words (split at whitespace, upper-cased) go into the file of
// their word class with a letter entry per first letter, entries sorted by
// word; every article is copied upper-cased as articles/A1/tNNNN; the file
// mapping log lists the names. The layout is indexformat/FORMAT.md's.
#ifndef KPX_XTRA_HOSTSIM_TESTING_INDEX_SET_H_
#define KPX_XTRA_HOSTSIM_TESTING_INDEX_SET_H_

#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "indexformat/index_format.h"
#include "platform/testing/temp_dir.h"

namespace hostsim::testing {

struct TestArticle {
  std::string name;
  std::string text;
};

inline std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return text;
}

// Writes dir/index and dir/articles for articles numbered 1, 2, ... in order.
inline void WriteIndexSet(const platform::testing::TempDir& dir,
                          const std::vector<TestArticle>& articles) {
  std::map<std::string, std::set<int>> postings;  // sorted as unsigned bytes for ASCII
  std::string log = " -- File Mapping Log --\n[#KeyRange]\t[#FileMatch]\t[Name]\t[NewName]\n";
  for (std::size_t i = 0; i < articles.size(); ++i) {
    int number = static_cast<int>(i) + 1;
    std::string upper = UpperAscii(articles[i].text);
    std::istringstream words(upper);
    for (std::string word; words >> word;) {
      postings[word].insert(number);
      if (indexformat::IsUpperLetter(static_cast<unsigned char>(word[0]))) {
        postings[word.substr(0, 1)].insert(number);
      }
    }
    char copy[32];
    std::snprintf(copy, sizeof copy, "articles/A1/t%04d", number);
    dir.Write(copy, upper);
    log += std::to_string(i) + "\t" + std::to_string(number) + "\t" + articles[i].name + "\t" +
           std::string(copy + 12) + "\n";
  }
  std::map<std::string, std::string> files;
  for (const auto& [word, numbers] : postings) {
    std::vector<int> list(numbers.begin(), numbers.end());
    indexformat::AppendEntry(word, list.data(), list.size(),
                             &files[indexformat::RelativeFileName(word, '/')]);
  }
  for (const auto& [name, bytes] : files) dir.Write("index/" + name, bytes);
  dir.Write("index/log", log);
}

}  // namespace hostsim::testing

#endif  // KPX_XTRA_HOSTSIM_TESTING_INDEX_SET_H_
