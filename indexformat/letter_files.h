// The letter files of an index set: the 26 one-letter files (C/C) and the
// 26 x 26 two-letter files (C/CA), the one list of them that the index
// writer, the removal of stale files, the staging directory and tarvik
// verify all walk. See FORMAT.md, "Files".
//
// Each letter file has a slot, 0 to kLetterFileCount - 1: first the
// one-letter files A/A to Z/Z, then the two-letter files A/AA, A/AB, ...,
// Z/ZZ. A slot is only a position in this list; nothing stores it.
//
// Everything here but LetterFileName is allocation-free.
#ifndef KPX_INDEXFORMAT_LETTER_FILES_H_
#define KPX_INDEXFORMAT_LETTER_FILES_H_

#include <string>
#include <string_view>

namespace indexformat {

inline constexpr int kLetterCount = 26;
inline constexpr int kLetterFileCount = kLetterCount + kLetterCount * kLetterCount;

// The slot of the file of letters c and d ('A'..'Z'); d = 0 for the
// one-letter file of c.
inline constexpr int LetterFileSlot(char c, char d = '\0') {
  return d == '\0' ? c - 'A' : kLetterCount + (c - 'A') * kLetterCount + (d - 'A');
}

// The first letter of a slot's file.
inline constexpr char FirstLetterOf(int slot) {
  return static_cast<char>('A' +
                           (slot < kLetterCount ? slot : (slot - kLetterCount) / kLetterCount));
}

// The second letter of a two-letter file; 0 for a one-letter file.
inline constexpr char SecondLetterOf(int slot) {
  return slot < kLetterCount ? '\0' : static_cast<char>('A' + (slot - kLetterCount) % kLetterCount);
}

inline constexpr bool IsOneLetterSlot(int slot) { return slot < kLetterCount; }

static_assert(LetterFileSlot('Z') == 25 && LetterFileSlot('A', 'A') == 26 &&
              LetterFileSlot('Z', 'Z') == kLetterFileCount - 1);
static_assert(FirstLetterOf(LetterFileSlot('Q', 'X')) == 'Q' &&
              SecondLetterOf(LetterFileSlot('Q', 'X')) == 'X');

// The file's name relative to the index path: "C" separator "C" or
// "C" separator "CA".
std::string LetterFileName(int slot, char separator);

// The slot of the letter file that relative names ("C/CA" with separator
// '/'), or -1 when it names none: letters 'A'..'Z' only, the letter
// directory's letter repeated, nothing before or after.
int LetterFileSlotOf(std::string_view relative, char separator);

}  // namespace indexformat

#endif  // KPX_INDEXFORMAT_LETTER_FILES_H_
