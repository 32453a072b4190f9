// libFuzzer target: word extraction over arbitrary bytes, text and HTML.
// Built with -DKPX_FUZZ=ON.
//
// Input: [options] [set length] [delimiter set] [text]. options bit 0 picks
// HTML. The text is copied into a buffer of exactly its length and a NUL, so
// a read past it is caught. Every word must hold 1 to 255 bytes, none of them
// a delimiter or NUL; a word shorter than 255 bytes must be the bytes just
// before the position that ended it; that position lies inside the text and
// moves forward. Under any fold the same words must come, folded, ending at
// the same positions.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "preproc/indexer/word_extraction.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const bool html = (data[0] & 1) != 0;
  const size_t set_length = data[1] % 50;
  if (size < 2 + set_length) return 0;
  const preproc::Delimiters delimiters(
      std::string_view(reinterpret_cast<const char*>(data + 2), set_length));
  const size_t text_length = size - 2 - set_length;
  std::unique_ptr<char[]> text(new char[text_length + 1]);
  std::memcpy(text.get(), data + 2 + set_length, text_length);
  text[text_length] = '\0';
  const char* end = text.get() + std::strlen(text.get());  // the text ends at its first NUL

  // Any fold that maps no byte but NUL to NUL.
  std::array<unsigned char, 256> upper{};
  for (int c = 1; c < 256; ++c) upper[c] = static_cast<unsigned char>((c * 7 + data[0]) % 255 + 1);
  const preproc::FoldTable fold(delimiters, html, upper);

  char word[preproc::kWordBufferSize];
  char folded[preproc::kWordBufferSize];
  const char* p = text.get();
  for (size_t words = 0;; ++words) {
    if (words > text_length) std::abort();  // no progress
    const char* next = preproc::NextWord(p, word, delimiters, html);
    size_t folded_length = 0;
    if (preproc::FindNextFoldedWord(p, text.get() + text_length, delimiters, html, fold, folded,
                                    &folded_length) != next) {
      std::abort();
    }
    if (next == nullptr) break;
    if (folded_length != std::strlen(word)) std::abort();
    for (size_t i = 0; i < folded_length; ++i) {
      if (static_cast<unsigned char>(folded[i]) != upper[static_cast<unsigned char>(word[i])]) {
        std::abort();
      }
    }
    if (next <= p) std::abort();
    if (next < text.get() || next > end) std::abort();
    const size_t length = std::strlen(word);
    if (length < 1 || length > 255) std::abort();
    for (size_t i = 0; i < length; ++i) {
      if (delimiters.IsDelimiter(static_cast<unsigned char>(word[i]))) std::abort();
    }
    if (length < 255 && (static_cast<size_t>(next - text.get()) < length ||
                         std::memcmp(next - length, word, length) != 0)) {
      std::abort();
    }
    p = next;
  }
  return 0;
}
