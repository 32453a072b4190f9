// The message text: how a run formats its messages. printf-style, into a
// growable string, so no message built from long paths can overflow.
#ifndef KPX_PREPROC_RUN_MESSAGE_TEXT_H_
#define KPX_PREPROC_RUN_MESSAGE_TEXT_H_

#include <string>

namespace preproc {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
FormatMessage(const char* format, ...);

}  // namespace preproc

#endif  // KPX_PREPROC_RUN_MESSAGE_TEXT_H_
