#include "preproc/win32/tarvik_app.h"

#include <commctrl.h>

#include "preproc/win32/resource.h"

bool CTarvikApp::InitInstance(HINSTANCE instance, int show) {
  // The progress bar and the tool tips are common controls.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  accelerators_ = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
  if (!frame_.Create(instance, view_)) return false;
  ShowWindow(frame_.hwnd(), show);
  UpdateWindow(frame_.hwnd());
  return true;
}

void CTarvikApp::ProcessMessage(MSG& msg) {
  HWND frame = frame_.hwnd();
  if (frame != nullptr && accelerators_ != nullptr &&
      TranslateAcceleratorA(frame, accelerators_, &msg)) {
    return;
  }
  if (view_.PreTranslateMessage(&msg)) return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

int CTarvikApp::Run() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) ProcessMessage(msg);
  return static_cast<int>(msg.wParam);
}
