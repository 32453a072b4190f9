#include "xtra/hostsim/plugin_library.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace hostsim {
namespace {

#ifdef _WIN32
void* OpenLibrary(const std::string& path, std::string* error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) *error = "cannot load " + path;
  return reinterpret_cast<void*>(module);
}
void* FindSymbol(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void CloseLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
#else
void* OpenLibrary(const std::string& path, std::string* error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) *error = "cannot load " + path + ": " + dlerror();
  return handle;
}
void* FindSymbol(void* handle, const char* name) { return dlsym(handle, name); }
void CloseLibrary(void* handle) { dlclose(handle); }
#endif

template <typename Fn>
bool Resolve(void* handle, const char* name, Fn* out, std::string* error) {
  void* symbol = FindSymbol(handle, name);
  if (symbol == nullptr) {
    *error = std::string("the library does not export ") + name;
    return false;
  }
  *out = reinterpret_cast<Fn>(symbol);
  return true;
}

}  // namespace

std::unique_ptr<PluginLibrary> PluginLibrary::Load(const std::string& path, std::string* error) {
  void* handle = OpenLibrary(path, error);
  if (handle == nullptr) return nullptr;
  std::unique_ptr<PluginLibrary> library(new PluginLibrary(handle));
  PluginExports& e = library->exports_;
  if (!Resolve(handle, "DllGetClassObject", &e.getClassObject, error) ||
      !Resolve(handle, "DllCanUnloadNow", &e.canUnloadNow, error) ||
      !Resolve(handle, "DllGetClassForm", &e.getClassForm, error) ||
      !Resolve(handle, "DllGetInterface", &e.getInterface, error) ||
      !Resolve(handle, "DllGetClassInfo", &e.getClassInfo, error)) {
    return nullptr;
  }
  return library;
}

PluginLibrary::~PluginLibrary() { CloseLibrary(handle_); }

}  // namespace hostsim
