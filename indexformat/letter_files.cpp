#include "indexformat/letter_files.h"

#include "indexformat/index_format.h"

namespace indexformat {

std::string LetterFileName(int slot, char separator) {
  const char c = FirstLetterOf(slot);
  std::string name{c, separator, c};
  if (!IsOneLetterSlot(slot)) name.push_back(SecondLetterOf(slot));
  return name;
}

int LetterFileSlotOf(std::string_view relative, char separator) {
  if (relative.size() != 3 && relative.size() != 4) return -1;
  const auto c = static_cast<unsigned char>(relative[0]);
  if (!IsUpperLetter(c) || relative[1] != separator || relative[2] != relative[0]) return -1;
  if (relative.size() == 3) return LetterFileSlot(relative[0]);
  const auto d = static_cast<unsigned char>(relative[3]);
  return IsUpperLetter(d) ? LetterFileSlot(relative[0], relative[3]) : -1;
}

}  // namespace indexformat
