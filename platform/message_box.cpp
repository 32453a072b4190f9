#include "platform/message_box.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#endif

namespace platform {

void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) {
#ifdef _WIN32
  UINT style = MB_OK;
  if (icon == MessageIcon::kWarning) style |= MB_ICONWARNING;
  if (icon == MessageIcon::kStop) style |= MB_ICONSTOP;
  if (icon == MessageIcon::kInformation) style |= MB_ICONINFORMATION;
  MessageBoxA(nullptr, text, caption, style);
#else
  (void)icon;
  std::fprintf(stderr, "%s: %s\n", caption, text);
#endif
}

}  // namespace platform
