#include "indexformat/letter_files.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "indexformat/index_format.h"

namespace indexformat {
namespace {

// Every slot names the file the word classes give its words, each file once,
// and the name reads back as the same slot.
TEST(LetterFiles, EverySlotIsTheFileOfItsWords) {
  std::set<std::string> names;
  for (int slot = 0; slot < kLetterFileCount; ++slot) {
    std::string word(1, FirstLetterOf(slot));
    if (!IsOneLetterSlot(slot)) word += std::string(1, SecondLetterOf(slot)) + "XY";
    const std::string name = LetterFileName(slot, '/');
    EXPECT_EQ(name, RelativeFileName(word, '/')) << slot;
    EXPECT_EQ(LetterFileSlotOf(name, '/'), slot) << name;
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 702u);
  EXPECT_EQ(LetterFileName(0, '\\'), "A\\A");
  EXPECT_EQ(LetterFileName(kLetterFileCount - 1, '/'), "Z/ZZ");
}

TEST(LetterFiles, OtherNamesAreNoLetterFile) {
  for (const char* name : {"extras", "log", "C/CAT", "C/DA", "c/ca", "C\\CA", "C/C4", "CC", "",
                           "\xC9/\xC9", ".kpxsindx-staging/C"}) {
    EXPECT_EQ(LetterFileSlotOf(name, '/'), -1) << name;
  }
  EXPECT_EQ(LetterFileSlotOf("C\\CA", '\\'), LetterFileSlot('C', 'A'));
}

}  // namespace
}  // namespace indexformat
