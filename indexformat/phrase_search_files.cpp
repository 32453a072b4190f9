#include "indexformat/phrase_search_files.h"

#include <climits>

namespace indexformat {
namespace {

// Writes value (>= 0) in decimal, left-padded with '0' to at least width
// digits; returns the number of digits.
size_t WriteDecimal(int value, int width, char* out) {
  char digits[12];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0);
  while (n < width) digits[n++] = '0';
  for (int i = 0; i < n; ++i) out[i] = digits[n - 1 - i];
  return static_cast<size_t>(n);
}

}  // namespace

size_t CopyBlockName(int article, char block_letter, char out[kMaxCopyName]) {
  size_t n = 0;
  out[n++] = block_letter;
  n += WriteDecimal(CopyBlockNumber(article), 1, out + n);
  out[n] = '\0';
  return n;
}

size_t CopyFileName(int article, char out[kMaxCopyName]) {
  size_t n = 0;
  out[n++] = 't';
  n += WriteDecimal(article, 4, out + n);
  out[n] = '\0';
  return n;
}

size_t RelativeCopyFileName(int article, char block_letter, char separator,
                            char out[kMaxCopyName]) {
  size_t n = CopyBlockName(article, block_letter, out);
  out[n++] = separator;
  return n + CopyFileName(article, out + n);
}

int CopyFileNumber(std::string_view name) {
  if (name.size() < 5 || name[0] != 't') return -1;
  int value = 0;
  for (char c : name.substr(1)) {
    if (c < '0' || c > '9') return -1;
    const int digit = c - '0';
    value = value > (INT_MAX - digit) / 10 ? INT_MAX : value * 10 + digit;
  }
  return value;
}

}  // namespace indexformat
