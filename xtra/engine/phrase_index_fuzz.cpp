// libFuzzer target: small sets built from the input, searched with and
// without their phrase accelerator; any difference aborts. Built with
// -DKPX_FUZZ=ON.
//
// Input: [options] [phrase length] [phrase] [damage] [rest]. options bit 0 is
// the word search mode, bit 1 damages the accelerator (the byte at
// damage * 61 is flipped), bits 2-4 add to the five articles. The rest is cut
// into that many equal copies. The index lists every article under every
// word of the phrase, so the accelerator and the copy scan alone decide.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "indexformat/index_format.h"
#include "indexformat/phrase_pairs.h"
#include "indexformat/phrase_search_files.h"
#include "platform/code_page.h"
#include "preproc/copier/phrase_index_writer.h"
#include "xtra/engine/search_engine.h"

namespace {

std::string Root() {
  static char root[] = "/tmp/kpxpairfuzz-XXXXXX";
  static bool made = [] {
    if (mkdtemp(root) == nullptr) std::abort();
    for (const char* sub : {"/ix", "/copies", "/copies/a1"}) {
      mkdir((std::string(root) + sub).c_str(), 0700);
    }
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(root, ignored);
    });
    return true;
  }();
  (void)made;
  return root;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::error_code ignored;
  std::filesystem::create_directories(path.substr(0, path.rfind('/')), ignored);
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

bool IsSpace(unsigned char c) { return (c >= 9 && c <= 13) || c == 32; }

std::vector<int> Search(engine::SearchState& state, const std::string& phrase, int wholeWord) {
  engine::KPXSearchNew(state);
  engine::KPXSearchAddWordPhrase(state, phrase.c_str());
  engine::KPXSearchWholeWord(state, wholeWord);
  engine::KPXSearchCountMatches(state);
  std::vector<int> matches;
  for (int i = 0; i < engine::kMaxArticles; ++i) {
    if (state.matchFlags[i] != 0) matches.push_back(i + 1);
  }
  return matches;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const std::uint8_t options = data[0];
  const size_t phraseLength = data[1] % 64;
  if (size < 3 + phraseLength) return 0;
  std::string phrase(reinterpret_cast<const char*>(data + 2), phraseLength);
  phrase = phrase.substr(0, phrase.find('\0'));
  const std::uint8_t damage = data[2 + phraseLength];
  const std::string_view rest(reinterpret_cast<const char*>(data + 3 + phraseLength),
                              size - 3 - phraseLength);
  const int articles = 5 + ((options >> 2) & 7);
  const std::string root = Root();
  std::error_code ignored;
  std::filesystem::remove_all(root + "/ix", ignored);
  std::filesystem::remove_all(root + "/copies", ignored);

  // Every word of the phrase, folded as the search folds it, lists every article.
  platform::UpperCaseTable fold;
  platform::FillDefaultUpperCaseTable(&fold);
  std::map<std::string, std::set<std::string>> files;
  for (size_t at = 0; at < phrase.size();) {
    while (at < phrase.size() && IsSpace(static_cast<unsigned char>(phrase[at]))) ++at;
    size_t end = at;
    while (end < phrase.size() && !IsSpace(static_cast<unsigned char>(phrase[end]))) ++end;
    if (end > at) {
      std::string word = phrase.substr(at, end - at);
      for (char& c : word) c = static_cast<char>(fold[static_cast<unsigned char>(c)]);
      files[indexformat::RelativeFileName(word, '/')].insert(word);
    }
    at = end;
  }
  std::vector<int> all;
  for (int n = 1; n <= articles; ++n) all.push_back(n);
  for (const auto& [name, words] : files) {
    std::string bytes;
    for (const std::string& word : words) {
      indexformat::AppendEntry(word, all.data(), all.size(), &bytes);
    }
    WriteFile(root + "/ix/" + name, bytes);
  }
  if (!std::filesystem::exists(root + "/ix/extras")) WriteFile(root + "/ix/extras", "");
  const std::string log = " -- File Mapping Log --\n";
  WriteFile(root + "/ix/log", log);

  std::vector<std::string> copies;
  const size_t piece = rest.size() / static_cast<size_t>(articles);
  for (int n = 0; n < articles; ++n) {
    copies.emplace_back(rest.substr(piece * static_cast<size_t>(n), piece));
    char name[indexformat::kMaxCopyName];
    indexformat::RelativeCopyFileName(n + 1, 'a', '/', name);
    WriteFile(root + "/copies/" + name, copies.back());
  }
  indexformat::LogStamp stamp;
  stamp.Add(log.data(), log.size());
  std::string pairs = preproc::BuildPhraseIndex(
      std::vector<std::string_view>(copies.begin(), copies.end()), {}, stamp.Value(), 0, fold);
  if ((options & 2) != 0 && !pairs.empty()) {
    const size_t at = (size_t{damage} * 61) % pairs.size();
    pairs[at] = static_cast<char>(pairs[at] ^ (damage | 1));
  }

  static engine::SearchState state;
  engine::InitSearchState(state);
  engine::KPXSearchSetIndexPath(state, (root + "/ix").c_str());
  engine::KPXSearchSetArticlesPath(state, (root + "/copies").c_str());
  const int wholeWord = options & 1;
  const std::vector<int> without = Search(state, phrase, wholeWord);
  WriteFile(root + "/copies/kpxpairs", pairs);
  const std::vector<int> with = Search(state, phrase, wholeWord);
  if (getenv("PAIR_FUZZ_TRACE") != nullptr) {
    std::fprintf(stderr, "[%s] %zu matches, accelerator %s\n", phrase.c_str(), with.size(),
                 state.pairCheck == engine::kPairCheckSound ? "used" : "not used");
  }
  if (with != without) {
    std::fprintf(stderr, "phrase [%s] whole %d: %zu matches with the accelerator, %zu without\n",
                 phrase.c_str(), wholeWord, with.size(), without.size());
    std::abort();
  }
  return 0;
}
