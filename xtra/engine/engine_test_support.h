// Test-only helpers: a search state over a temporary index set and copy path,
// with index files built from entries and phrase search files from texts.
#ifndef KPX_XTRA_ENGINE_ENGINE_TEST_SUPPORT_H_
#define KPX_XTRA_ENGINE_ENGINE_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "indexformat/index_format.h"
#include "indexformat/phrase_search_files.h"
#include "platform/testing/temp_dir.h"
#include "xtra/engine/search_engine.h"

namespace engine::testing {

struct TestEntry {
  std::string word;
  std::vector<int> articles;
};

// The bytes of an index file holding entries in the order given.
inline std::string IndexBytes(std::initializer_list<TestEntry> entries) {
  std::string bytes;
  for (const TestEntry& e : entries) {
    indexformat::AppendEntry(e.word, e.articles.data(), e.articles.size(), &bytes);
  }
  return bytes;
}

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() : state_(std::make_unique<SearchState>()), s_(*state_) {
    InitSearchState(s_);
    KPXSearchSetIndexPath(s_, dir_.Join("index").c_str());
    KPXSearchSetArticlesPath(s_, dir_.Join("copies").c_str());
  }

  // Writes the index file that holds word (the entries all belong to it).
  void WriteIndexFor(const std::string& word, const std::string& bytes) {
    dir_.Write("index/" + indexformat::RelativeFileName(word, '/'), bytes);
  }
  void WriteIndexFor(const std::string& word, std::initializer_list<TestEntry> entries) {
    WriteIndexFor(word, IndexBytes(entries));
  }

  // Writes the phrase search file of article as the copier names it.
  void WriteArticle(int article, const std::string& text, char blockLetter = 'a') {
    char name[indexformat::kMaxCopyName];
    indexformat::RelativeCopyFileName(article, blockLetter, '/', name);
    dir_.Write(std::string("copies/") + name, text);
  }

  std::vector<int> Matches() const {
    std::vector<int> numbers;
    for (int i = 0; i < kMaxArticles; ++i) {
      if (s_.matchFlags[i] != 0) numbers.push_back(i + 1);
    }
    return numbers;
  }

  // Replaces the phrases by the ones given and searches.
  std::vector<int> Search(std::initializer_list<const char*> phrases) {
    s_.phraseCount = 0;
    for (const char* p : phrases) KPXSearchAddWordPhrase(s_, p);
    int count = KPXSearchCountMatches(s_);
    EXPECT_EQ(count, static_cast<int>(Matches().size()));
    return Matches();
  }

  platform::testing::TempDir dir_;
  std::unique_ptr<SearchState> state_;
  SearchState& s_;
};

}  // namespace engine::testing

#endif  // KPX_XTRA_ENGINE_ENGINE_TEST_SUPPORT_H_
