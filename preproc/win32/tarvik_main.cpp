// tarvik-gui.exe: the pre-processor's desktop form on Windows.
#include <windows.h>

#include "preproc/win32/tarvik_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  CTarvikApp app;
  if (!app.InitInstance(instance, show)) return 1;
  return app.Run();
}
