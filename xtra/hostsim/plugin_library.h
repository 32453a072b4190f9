// PluginLibrary: the plug-in library loaded the way the host loads it, and its
// five exports looked up by name (dlopen/dlsym on POSIX, LoadLibrary/
// GetProcAddress on Windows). Nothing else of the library is reached.
#ifndef KPX_XTRA_HOSTSIM_PLUGIN_LIBRARY_H_
#define KPX_XTRA_HOSTSIM_PLUGIN_LIBRARY_H_

#include <memory>
#include <string>

#include "xtra/host/host_interfaces.h"

namespace hostsim {

struct PluginExports {
  DllGetClassObjectFn getClassObject = nullptr;
  DllCanUnloadNowFn canUnloadNow = nullptr;
  DllGetClassFormFn getClassForm = nullptr;
  DllGetInterfaceFn getInterface = nullptr;
  DllGetClassInfoFn getClassInfo = nullptr;
};

class PluginLibrary {
 public:
  // Loads path and resolves all five exports; null and *error set when the
  // library cannot be loaded or lacks one of them.
  static std::unique_ptr<PluginLibrary> Load(const std::string& path, std::string* error);
  ~PluginLibrary();  // unloads
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  const PluginExports& exports() const { return exports_; }

 private:
  explicit PluginLibrary(void* handle) : handle_(handle) {}
  void* handle_;
  PluginExports exports_;
};

}  // namespace hostsim

#endif  // KPX_XTRA_HOSTSIM_PLUGIN_LIBRARY_H_
