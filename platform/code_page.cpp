#include "platform/code_page.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace platform {
namespace {

#if defined(_WIN32)
// CharUpperA over the bytes 1..255 in one string; NUL stays NUL.
void FillAnsiTable(UpperCaseTable* table) {
  char bytes[256];
  for (int c = 1; c < 256; ++c) bytes[c - 1] = static_cast<char>(c);
  bytes[255] = '\0';
  CharUpperA(bytes);
  (*table)[0] = 0;
  for (int c = 1; c < 256; ++c) (*table)[c] = static_cast<std::uint8_t>(bytes[c - 1]);
}
#endif

}  // namespace

const UpperCaseTable& GetUpperCaseTable(CaseFold fold) {
#if defined(_WIN32)
  if (fold == CaseFold::kAnsi) {
    static const UpperCaseTable ansi = [] {
      UpperCaseTable table;
      FillAnsiTable(&table);
      return table;
    }();
    return ansi;
  }
#endif
  return fold == CaseFold::kCp1252 ? kCp1252UpperCase : kAsciiUpperCase;
}

const UpperCaseTable& GetUpperCaseTable(CaseFold fold, bool ignore_accents) {
  return ignore_accents ? kCp1252AccentFree : GetUpperCaseTable(fold);
}

void FillDefaultUpperCaseTable(UpperCaseTable* table) {
#if defined(_WIN32)
  FillAnsiTable(table);
#else
  *table = kCp1252UpperCase;
#endif
}

unsigned ActiveCodePage() {
#if defined(_WIN32)
  return GetACP();
#else
  return 1252;
#endif
}

}  // namespace platform
