// Whether a standard stream is a terminal: the command lines draw progress
// bars and colours there, and plain lines elsewhere.
#ifndef KPX_PLATFORM_TERMINAL_H_
#define KPX_PLATFORM_TERMINAL_H_

#include <cstdio>

namespace platform {

// True when stream is attached to a terminal (a console on Windows).
bool IsTerminal(std::FILE* stream);

}  // namespace platform

#endif  // KPX_PLATFORM_TERMINAL_H_
