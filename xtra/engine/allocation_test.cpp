// Proves that the engine allocates nothing: every heap allocation of the
// process (malloc and its kin, and so operator new and the C library's own,
// such as a FILE record) is counted while whole searches run.
//
// Under AddressSanitizer the sanitizer's allocation hook counts; elsewhere on
// glibc this binary replaces malloc and forwards to the C library's.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

#include "indexformat/fold_record.h"
#include "indexformat/phrase_pairs.h"
#include "platform/code_page.h"
#include "preproc/copier/phrase_index_writer.h"
#include "xtra/engine/engine_test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#define KPX_COUNT_WITH_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KPX_COUNT_WITH_SANITIZER 1
#endif
#endif

namespace {

bool counting = false;
long allocations = 0;

[[maybe_unused]] void Count() {
  if (counting) ++allocations;
}

}  // namespace

#if defined(KPX_COUNT_WITH_SANITIZER)
// Declared here: the sanitizer runtime provides it, its header may be missing.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*,
                                                                            size_t),
                                                         void (*freeHook)(const volatile void*));

namespace {
void OnMalloc(const volatile void*, size_t) { Count(); }
void OnFree(const volatile void*) {}
const int hooksInstalled = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
}  // namespace
#define KPX_CAN_COUNT 1

#elif defined(__GLIBC__)
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);

void* malloc(size_t size) noexcept {
  Count();
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) noexcept {
  Count();
  return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size) noexcept {
  Count();
  return __libc_realloc(block, size);
}
void* memalign(size_t alignment, size_t size) noexcept {
  Count();
  return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) noexcept {
  Count();
  return __libc_memalign(alignment, size);
}
int posix_memalign(void** block, size_t alignment, size_t size) noexcept {
  Count();
  *block = __libc_memalign(alignment, size);
  return *block != nullptr ? 0 : 12;  // ENOMEM
}
void free(void* block) noexcept { __libc_free(block); }
}
#define KPX_CAN_COUNT 1
#endif

namespace engine {
namespace {

class AllocationTest : public testing::EngineTest {
 protected:
  void SetUp() override {
#if !defined(KPX_CAN_COUNT)
    GTEST_SKIP() << "no way to count allocations on this platform";
#endif
    WriteIndexFor("NE", {{"NEW", {1, 2, 3}}, {"NEWS", {4}}});
    WriteIndexFor("YO", {{"YORK", {1, 2, 3, 4}}});
    WriteIndexFor("N", {{"N", {1, 2, 3, 4}}});
    WriteIndexFor("1997", {{"1997", {2}}});
    WriteArticle(1, "in New York today");
    WriteArticle(2, std::string(12000, 'x') + " new york");
    WriteArticle(4, "news york");
  }

  // Runs a whole session of Lingo calls and returns the allocations made.
  long CountDuring(const std::string& longText) {
    std::string text = longText;
    std::string out(kMatchListCapacity, '\0');
    allocations = 0;
    counting = true;
    KPXSearchNew(s_);
    KPXSearchAddWordPhrase(s_, "new york");
    KPXSearchAddWordPhrase(s_, " york");
    KPXSearchAddKeyRange(s_, "all", 1, 2500);
    for (int mode : {0, 1, 2}) {
      KPXSearchAndOr(s_, mode);
      for (int whole : {0, 1}) {
        KPXSearchWholeWord(s_, whole);
        KPXSearchCountMatches(s_);
        for (int i = 0; i <= s_.matchCount + 1; ++i) KPXSearchGetMatch(s_, i);
        KPXSearchGetAt(s_, 2);
      }
    }
    KPXSearchDeleteWordPhrase(s_, " YORK");
    KPXSearchAddWordPhrase(s_, "n");
    KPXSearchCountMatches(s_);
    KPXSearchCreateMatchesList(s_, text.data(), text.size(), out.data());
    KPXSearchSetArticlesPath(s_, "/nonexistent/copies");
    KPXSearchCountMatches(s_);
    counting = false;
    return allocations;
  }
};

// With each kind of fold record: none (the default fold), sound ones, and a
// damaged one (the default again).
TEST_F(AllocationTest, WholeSearchesAllocateNothing) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "New York news Caf\xE9 ";
  const std::string records[] = {
      "", indexformat::EncodeFoldRecord("cp1252", platform::kCp1252UpperCase),
      indexformat::EncodeFoldRecord("cp1252-accent-free", platform::kCp1252AccentFree),
      "KPXFOLD 1\ncp1252\n"};
  for (const std::string& record : records) {
    if (!record.empty()) dir_.Write("index/fold", record);
    EXPECT_EQ(CountDuring(text), 0) << record.substr(0, 30);
    EXPECT_EQ(Matches(), (std::vector<int>{1, 2, 3, 4}));  // the session really searched
  }
}

// Searches the phrase accelerator answers, exactly and by narrowing, with a
// damaged accelerator too.
TEST_F(AllocationTest, SearchesThroughThePhraseAcceleratorAllocateNothing) {
  std::vector<int> all = {1, 2, 3, 4, 5, 6, 7, 8};
  WriteIndexFor("NE", {{"NEW", all}});
  WriteIndexFor("YO", {{"YORK", all}});
  WriteIndexFor("CI", {{"CITY", all}});
  std::vector<std::string> texts;
  for (int n : all) {
    texts.push_back(n % 2 == 0 ? "old new york city" : "new york, city");
    WriteArticle(n, texts.back());
  }
  const std::string log = " -- File Mapping Log --\n";
  dir_.Write("index/log", log);
  indexformat::LogStamp stamp;
  stamp.Add(log.data(), log.size());
  platform::UpperCaseTable fold;
  std::memcpy(fold.data(), s_.foldTable, fold.size());
  const std::string pairs = preproc::BuildPhraseIndex(
      std::vector<std::string_view>(texts.begin(), texts.end()), {}, stamp.Value(), 0, fold);
  for (const std::string& bytes : {pairs, pairs.substr(0, pairs.size() - 1)}) {
    dir_.Write("copies/kpxpairs", bytes);
    allocations = 0;
    counting = true;
    KPXSearchNew(s_);
    KPXSearchAddWordPhrase(s_, "new york");
    KPXSearchAddWordPhrase(s_, "new york city");
    for (int whole : {0, 1}) {
      KPXSearchWholeWord(s_, whole);
      KPXSearchAndOr(s_, 2);
      KPXSearchCountMatches(s_);
    }
    counting = false;
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(Matches(), (std::vector<int>{2, 4, 6, 8}));  // whole words last
    if (bytes == pairs) {
      EXPECT_EQ(s_.pairCheck, kPairCheckSound);  // it was used
    }
  }
}

TEST_F(AllocationTest, TheCounterSeesTheCLibrarysOwnAllocations) {
  counting = true;
  allocations = 0;
  std::FILE* file = std::fopen(dir_.Join("index/N/NE").c_str(), "rb");
  counting = false;
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_GT(allocations, 0);
}

}  // namespace
}  // namespace engine
