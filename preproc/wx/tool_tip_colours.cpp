#include "preproc/wx/tool_tip_colours.h"

#include <wx/window.h>

#if defined(__WXGTK__)
#include <dlfcn.h>
#endif

namespace preproc {

#if defined(__WXGTK__)
namespace {

// The few GTK calls needed, looked up in the GTK library the toolkit has
// already loaded: the toolkit's development package brings no GTK headers.
extern "C" {
using CssProviderNewFn = void* (*)();
using CssProviderLoadFn = int (*)(void* provider, const char* data, long length, void** error);
using WidgetScreenFn = void* (*)(void* widget);
using AddProviderFn = void (*)(void* screen, void* provider, unsigned priority);
using FreeFn = void (*)(void* object);
}
constexpr unsigned kApplicationPriority = 600;  // GTK_STYLE_PROVIDER_PRIORITY_APPLICATION

template <typename Function>
Function Gtk(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_DEFAULT, name));
}

bool AddStyle(void* widget) {
  auto newProvider = Gtk<CssProviderNewFn>("gtk_css_provider_new");
  auto load = Gtk<CssProviderLoadFn>("gtk_css_provider_load_from_data");
  auto screenOf = Gtk<WidgetScreenFn>("gtk_widget_get_screen");
  auto addProvider = Gtk<AddProviderFn>("gtk_style_context_add_provider_for_screen");
  auto unref = Gtk<FreeFn>("g_object_unref");
  auto freeError = Gtk<FreeFn>("g_error_free");
  if (newProvider == nullptr || load == nullptr || screenOf == nullptr || addProvider == nullptr ||
      unref == nullptr || freeError == nullptr || widget == nullptr) {
    return false;
  }
  void* screen = screenOf(widget);
  if (screen == nullptr) return false;
  void* provider = newProvider();
  if (provider == nullptr) return false;
  void* error = nullptr;
  bool loaded = load(provider, kToolTipStyle, -1, &error) != 0;
  if (error != nullptr) freeError(error);
  if (loaded) addProvider(screen, provider, kApplicationPriority);  // the screen keeps it
  unref(provider);
  return loaded;
}

}  // namespace

bool ColourToolTipsBlackOnYellow(wxWindow* window) {
  static const bool applied = AddStyle(window->GetHandle());
  return applied;
}
#else
bool ColourToolTipsBlackOnYellow(wxWindow*) { return false; }
#endif

}  // namespace preproc
