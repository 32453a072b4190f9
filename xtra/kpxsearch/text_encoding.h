// Text encodings for kpxsearch's output: a title's articles are bytes in the
// Windows-1252 code page (or UTF-8 for a title made with --fold ascii), while
// a terminal and a JSON reader want UTF-8. The plug-in counts positions in
// bytes; these helpers turn a line's bytes into UTF-8 and byte positions into
// character columns.
#ifndef KPX_XTRA_KPXSEARCH_TEXT_ENCODING_H_
#define KPX_XTRA_KPXSEARCH_TEXT_ENCODING_H_

#include <string>
#include <string_view>

namespace kpxsearch {

enum class TextEncoding { kCp1252, kUtf8 };

// The bytes read in the given encoding, as valid UTF-8. Windows-1252 maps
// every byte (the five it leaves undefined become the control characters of
// the same number); in UTF-8 input every byte that does not begin a valid
// sequence becomes U+FFFD.
std::string ToUtf8(std::string_view bytes, TextEncoding encoding);

// The 1-based column of the character that holds byte position (1-based) of
// bytes: the byte position itself in Windows-1252; in UTF-8 the number of
// characters that begin at or before it.
int CharacterColumn(std::string_view bytes, int bytePosition, TextEncoding encoding);

// text (valid UTF-8) as a JSON string, quotes included.
std::string JsonString(std::string_view text);

}  // namespace kpxsearch

#endif  // KPX_XTRA_KPXSEARCH_TEXT_ENCODING_H_
