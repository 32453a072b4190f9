// make_corpus: writes a deterministic benchmark corpus of text articles.
//
//   make_corpus DIR [COUNT] [shuffled|sorted]
//
// Writes DIR/articles/NNNNN.txt (about 5 KB each) and DIR/listing.txt. Words
// are drawn from a Zipf-distributed vocabulary of 200,000 made-up words whose
// most frequent ranks are common English words ("the", "of", "new", ...), so
// searches for common words and phrases behave as on real text. In the
// sorted corpus the made-up words are assigned to ranks in ascending order,
// so the vocabulary first appears (almost) in sorted order: the worst case of
// an unbalanced word tree. Both corpora have the same statistics.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kVocabulary = 200000;
constexpr size_t kArticleBytes = 5000;

const char* const kCommon[] = {"the",  "of",      "and", "to",   "a",   "in",   "is",
                               "it",   "that",    "was", "for",  "on",  "with", "as",
                               "his",  "at",      "by",  "from", "new", "york", "river",
                               "town", "harbour", "old", "city"};

struct Random {  // splitmix64: the same corpus on every machine
  std::uint64_t state;
  std::uint64_t Next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
};

std::vector<std::string> MakeVocabulary(bool sorted, Random& random) {
  std::vector<std::string> made;
  for (int i = 0; i < kVocabulary; ++i) {
    int length = 3 + static_cast<int>(random.Next() % 8);
    std::string word;
    for (int j = 0; j < length; ++j) word += static_cast<char>('a' + random.Next() % 26);
    made.push_back(word);
  }
  if (sorted) std::sort(made.begin(), made.end());
  std::vector<std::string> vocabulary(std::begin(kCommon), std::end(kCommon));
  vocabulary.insert(vocabulary.end(), made.begin(), made.end());
  return vocabulary;
}

std::vector<double> ZipfCdf(size_t n) {
  std::vector<double> cdf(n);
  double sum = 0;
  for (size_t i = 0; i < n; ++i) cdf[i] = (sum += 1.0 / static_cast<double>(i + 1));
  for (double& c : cdf) c /= sum;
  return cdf;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_corpus DIR [COUNT] [shuffled|sorted]\n");
    return 2;
  }
  std::filesystem::path dir = argv[1];
  int count = argc > 2 ? std::atoi(argv[2]) : 9999;
  bool sorted = argc > 3 && std::string(argv[3]) == "sorted";
  Random random{42};
  std::vector<std::string> vocabulary = MakeVocabulary(sorted, random);
  std::vector<double> cdf = ZipfCdf(vocabulary.size());
  std::filesystem::create_directories(dir / "articles");
  std::FILE* listing = std::fopen((dir / "listing.txt").string().c_str(), "w");
  if (listing == nullptr) return 1;
  std::fprintf(listing, "| benchmark corpus: %d articles\n", count);
  for (int a = 1; a <= count; ++a) {
    std::string text;
    int in_line = 0;
    while (text.size() < kArticleBytes) {
      size_t rank = std::lower_bound(cdf.begin(), cdf.end(), random.Uniform()) - cdf.begin();
      text += vocabulary[std::min(rank, vocabulary.size() - 1)];
      text += ++in_line % 12 == 0 ? '\n' : ' ';
    }
    char name[32];
    std::snprintf(name, sizeof name, "%05d.txt", a);
    std::FILE* file = std::fopen((dir / "articles" / name).string().c_str(), "wb");
    if (file == nullptr) return 1;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    std::fprintf(listing, "%s\n", name);
  }
  std::fclose(listing);
  return 0;
}
