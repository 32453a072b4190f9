// The message text: how a run formats its messages. printf-style, into a
// growable string, so no message built from long paths can overflow. Also
// the texts that more than one place writes, so that each is spelt once.
#ifndef KPX_PREPROC_RUN_MESSAGE_TEXT_H_
#define KPX_PREPROC_RUN_MESSAGE_TEXT_H_

#include <string>

namespace preproc {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
FormatMessage(const char* format, ...);

// The texts more than one run or module writes, each defined here once.

// The row of backslashes, dashes and slashes both runs log: the index run
// after reading the listing, the copy run before its closing lines.
inline constexpr char kSeparatorLine[] = "\\-/-\\/-\\/-\\/-\\/-\\/-\\/-\\/-\\-/\n";

// Both runs, when the listing cannot be opened:
// "\n# KPXSindx: ERROR, could not open Article's listing file '%s'\n".
std::string ListingNotOpenedMessage(const std::string& listing_file);

// Both runs, when a read of the listing fails:
// "\n# KPXSindx: ERROR, could not read Article's listing file '%s'\n".
std::string ListingNotReadMessage(const std::string& listing_file);

// The index run, for an index file it could not write or put in place:
// "\n# KPXSindx: ERROR, could not write to %s\n".
std::string NotWrittenMessage(const std::string& path);

}  // namespace preproc

#endif  // KPX_PREPROC_RUN_MESSAGE_TEXT_H_
