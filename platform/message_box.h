// The message-box shim: a modal box with one OK button where the platform has
// one (Windows), a line on standard error elsewhere.
#ifndef KPX_PLATFORM_MESSAGE_BOX_H_
#define KPX_PLATFORM_MESSAGE_BOX_H_

namespace platform {

enum class MessageIcon { kInformation, kWarning, kStop };

void ShowMessageBox(const char* text, const char* caption, MessageIcon icon);

}  // namespace platform

#endif  // KPX_PLATFORM_MESSAGE_BOX_H_
