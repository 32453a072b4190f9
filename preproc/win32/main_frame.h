// CMainFrame: the pre-processor's main window on Windows and its About box.
// A plain overlapped window with a caption and the system menu, nothing else
// (no sizing border, no minimise or maximise box), whose client area is the
// form (CTarvikView) exactly. Its caption is the window title of document
// string 128 and never changes. It owns menu 128 (Edit and Help); the Edit
// commands go to the form, the system menu's Close ends the program without a
// question.
#ifndef KPX_PREPROC_WIN32_MAIN_FRAME_H_
#define KPX_PREPROC_WIN32_MAIN_FRAME_H_

#include <windows.h>

#include <string>

class CTarvikView;

class CMainFrame {
 public:
  static constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

  CMainFrame() = default;
  ~CMainFrame();
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;

  // Creates the (hidden) main window and the form in it, sizes the window to
  // the form, centres it on the desktop and brings it to the top.
  bool Create(HINSTANCE instance, CTarvikView& view);

  HWND hwnd() const { return hwnd_; }
  HMENU edit_menu() const { return GetSubMenu(GetMenu(hwnd_), 0); }

  // The window title: the first field of document string 128.
  static std::string WindowTitle(HINSTANCE instance);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void FitToForm();
  void ShowAbout();

  HINSTANCE instance_ = nullptr;
  HWND hwnd_ = nullptr;
  CTarvikView* view_ = nullptr;
};

#endif  // KPX_PREPROC_WIN32_MAIN_FRAME_H_
