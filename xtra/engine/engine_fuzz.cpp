// libFuzzer target: arbitrary bytes as an index file and as a phrase search
// file, searched with a phrase taken from the input. Built with -DKPX_FUZZ=ON.
//
// Input: [options] [phrase length] [phrase] [split] [rest]. options bit 0 is
// the word search mode, bits 1-2 the boolean mode, bit 3 adds a key range.
// The phrase length byte's low six bits are the length; its top two bits
// choose the set's fold record: none, a sound accent-free one, a sound
// Windows-1252 one, or the index bytes themselves (mostly damaged).
// The rest is cut at split/256 of its length: the first part is written as the
// index file of every word of the phrase, the second as articles 1 and 2.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "indexformat/fold_record.h"
#include "indexformat/index_format.h"
#include "platform/code_page.h"
#include "xtra/engine/search_engine.h"

namespace {

// The fuzzer's scratch directory, removed when the process exits. Kept in a
// plain array so it outlives every static destructor.
std::string Root() {
  static char root[] = "/tmp/kpxfuzz-XXXXXX";
  static bool made = [] {
    if (mkdtemp(root) == nullptr) std::abort();
    for (const char* sub : {"/ix", "/copies", "/copies/a1", "/copies/A1"}) {
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

std::vector<std::string>& Written() {
  static std::vector<std::string> written;
  return written;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::string dir = path.substr(0, path.rfind('/'));
  mkdir(dir.c_str(), 0700);
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    Written().push_back(path);
  }
}

bool IsSpace(char c) { return (c >= 9 && c <= 13) || c == ' '; }

// Writes the index bytes as the file of every whitespace-separated word of
// the phrase, and of its first word with a leading whitespace byte.
void WriteIndexFiles(const std::string& phrase, const std::string& bytes) {
  size_t i = 0;
  while (i < phrase.size()) {
    size_t start = i;
    ++i;
    while (i < phrase.size() && !IsSpace(phrase[i])) ++i;
    std::string word = phrase.substr(start, i - start);
    while (!word.empty() && IsSpace(word[0])) word.erase(0, 1);
    if (word.empty()) word = " ";
    // The word's file under either table (accents change the file).
    for (const platform::UpperCaseTable* table :
         {&platform::kCp1252UpperCase, &platform::kCp1252AccentFree}) {
      std::string folded = word;
      for (char& c : folded) c = static_cast<char>((*table)[static_cast<unsigned char>(c)]);
      WriteFile(Root() + "/ix/" + indexformat::RelativeFileName(folded, '/'), bytes);
    }
    while (i < phrase.size() && IsSpace(phrase[i])) ++i;
  }
}

void RunSearch(engine::SearchState& state, std::uint8_t options, const std::string& phrase,
               std::string text) {
  engine::InitSearchState(state);
  engine::KPXSearchSetIndexPath(state, (Root() + "/ix").c_str());
  engine::KPXSearchSetArticlesPath(state, (Root() + "/copies").c_str());
  engine::KPXSearchWholeWord(state, options & 1);
  engine::KPXSearchAndOr(state, (options >> 1) & 3);
  if (options & 8) engine::KPXSearchAddKeyRange(state, "k", options >> 4, 2 + (options >> 2));
  engine::KPXSearchAddWordPhrase(state, phrase.c_str());
  engine::KPXSearchAddWordPhrase(state, phrase.substr(0, phrase.size() / 2).c_str());
  std::int32_t count = engine::KPXSearchCountMatches(state);
  for (std::int32_t i = -1; i <= count + 1 && i < 40; ++i) engine::KPXSearchGetMatch(state, i);
  engine::KPXSearchGetAt(state, count);
  static char out[engine::kMatchListCapacity];
  engine::KPXSearchCreateMatchesList(state, text.data(), text.size(), out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const std::uint8_t options = data[0];
  size_t phraseLength = data[1] % 64;
  if (size < 3 + phraseLength) return 0;
  std::string phrase(reinterpret_cast<const char*>(data + 2), phraseLength);
  phrase = phrase.substr(0, phrase.find('\0'));
  const std::uint8_t split = data[2 + phraseLength];
  std::string rest(reinterpret_cast<const char*>(data + 3 + phraseLength), size - 3 - phraseLength);
  size_t cut = rest.size() * split / 256;

  for (const std::string& path : Written()) unlink(path.c_str());
  Written().clear();
  WriteIndexFiles(phrase, rest.substr(0, cut));
  switch (data[1] >> 6) {
    case 1:
      WriteFile(Root() + "/ix/fold",
                indexformat::EncodeFoldRecord("cp1252-accent-free", platform::kCp1252AccentFree));
      break;
    case 2:
      WriteFile(Root() + "/ix/fold",
                indexformat::EncodeFoldRecord("cp1252", platform::kCp1252UpperCase));
      break;
    case 3:
      WriteFile(Root() + "/ix/fold", rest.substr(0, cut));
      break;
  }
  WriteFile(Root() + "/copies/a1/t0001", rest.substr(cut));
  WriteFile(Root() + "/copies/A1/t0002", rest.substr(cut));

  static engine::SearchState state;
  RunSearch(state, options, phrase, rest.substr(cut));
  return 0;
}
