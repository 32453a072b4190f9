#include "preproc/run/message_text.h"

#include <cstdarg>
#include <cstdio>

namespace preproc {

std::string FormatMessage(const char* format, ...) {
  char small[256];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (n < 0) return std::string();
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
  std::string text(static_cast<size_t>(n) + 1, '\0');
  va_start(args, format);
  std::vsnprintf(text.data(), text.size(), format, args);
  va_end(args);
  text.resize(static_cast<size_t>(n));
  return text;
}

std::string ListingNotOpenedMessage(const std::string& listing_file) {
  return FormatMessage("\n# KPXSindx: ERROR, could not open Article's listing file '%s'\n",
                       listing_file.c_str());
}

std::string ListingNotReadMessage(const std::string& listing_file) {
  return FormatMessage("\n# KPXSindx: ERROR, could not read Article's listing file '%s'\n",
                       listing_file.c_str());
}

std::string NotWrittenMessage(const std::string& path) {
  return FormatMessage("\n# KPXSindx: ERROR, could not write to %s\n", path.c_str());
}

}  // namespace preproc
