#include "xtra/hostsim/plugin_location.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "platform/file_system.h"

namespace hostsim {
namespace {

#ifdef _WIN32
constexpr char kDirectorySeparators[] = "\\/";
#else
constexpr char kDirectorySeparators[] = "/";
#endif

}  // namespace

std::string ExecutablePath() {
  char path[4096];
#ifdef _WIN32
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  // A full buffer means the name was cut: better no answer than a wrong one.
  if (length == 0 || length >= sizeof path) return {};
  return std::string(path, length);
#else
  ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof path) return {};
  return std::string(path, static_cast<std::size_t>(length));
#endif
}

std::string LocatePlugin(const std::string& executable, const std::string& installedRelative,
                         const std::string& buildTree) {
  if (executable.empty() || installedRelative.empty()) return buildTree;
  std::string::size_type slash = executable.find_last_of(kDirectorySeparators);
  std::string directory = slash == std::string::npos ? "." : executable.substr(0, slash);
  std::string installed = directory + platform::kSeparator + installedRelative;
  return platform::IsRegularFile(installed) ? installed : buildTree;
}

}  // namespace hostsim
