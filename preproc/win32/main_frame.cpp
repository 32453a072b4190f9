#include "preproc/win32/main_frame.h"

#include "preproc/win32/resource.h"
#include "preproc/win32/tarvik_view.h"

namespace {

constexpr char kWindowClass[] = "TarvikMainFrame";

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wparam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

CMainFrame::~CMainFrame() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

std::string CMainFrame::WindowTitle(HINSTANCE instance) {
  char text[256] = "";
  LoadStringA(instance, IDR_MAINFRAME, text, sizeof text);
  std::string title(text);
  return title.substr(0, title.find('\n'));
}

bool CMainFrame::Create(HINSTANCE instance, CTarvikView& view) {
  instance_ = instance;
  view_ = &view;
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
  window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kWindowClass;
  if (GetClassInfoExA(instance, kWindowClass, &window_class) == FALSE &&
      RegisterClassExA(&window_class) == 0) {
    return false;
  }
  const std::string title = WindowTitle(instance);
  hwnd_ = CreateWindowExA(0, kWindowClass, title.c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                          LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME)), instance, this);
  if (hwnd_ == nullptr || !view.Create(instance, hwnd_)) return false;
  FitToForm();
  ShowWindow(view.hwnd(), SW_SHOW);
  if (view.tool_tip() != nullptr) BringWindowToTop(hwnd_);
  return true;
}

// The client area takes the form's size exactly; a menu bar that wraps makes
// the first estimate short, so the size is checked and corrected once.
void CMainFrame::FitToForm() {
  RECT form;
  GetWindowRect(view_->hwnd(), &form);
  const int width = form.right - form.left;
  const int height = form.bottom - form.top;
  RECT outer = {0, 0, width, height};
  AdjustWindowRectEx(&outer, kStyle, TRUE, 0);
  int outer_width = outer.right - outer.left;
  int outer_height = outer.bottom - outer.top;
  SetWindowPos(hwnd_, nullptr, 0, 0, outer_width, outer_height, SWP_NOMOVE | SWP_NOZORDER);
  RECT client;
  GetClientRect(hwnd_, &client);
  outer_width += width - client.right;
  outer_height += height - client.bottom;
  RECT desktop;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &desktop, 0);
  const int x = desktop.left + (desktop.right - desktop.left - outer_width) / 2;
  const int y = desktop.top + (desktop.bottom - desktop.top - outer_height) / 2;
  SetWindowPos(hwnd_, nullptr, x, y, outer_width, outer_height, SWP_NOZORDER);
  SetWindowPos(view_->hwnd(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CMainFrame::ShowAbout() {
  DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_ABOUTBOX), hwnd_, AboutProc, 0);
  view_->ReactivateToolTips();
}

LRESULT CALLBACK CMainFrame::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* frame = reinterpret_cast<CMainFrame*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (frame == nullptr || frame->view_ == nullptr || frame->view_->hwnd() == nullptr) {
    if (message == WM_DESTROY && frame != nullptr) frame->hwnd_ = nullptr;
    return DefWindowProcA(window, message, wparam, lparam);
  }
  return frame->OnMessage(window, message, wparam, lparam);
}

LRESULT CMainFrame::OnMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case ID_EDIT_CUT:
        case ID_EDIT_COPY:
        case ID_EDIT_PASTE:
        case ID_EDIT_IGNORE_ACCENTS:
        case ID_EDIT_TRY_SEARCH:
          view_->OnEditCommand(LOWORD(wparam));
          return 0;
        case ID_APP_ABOUT:
          ShowAbout();
          return 0;
      }
      return 0;  // undo has no handler
    case WM_INITMENUPOPUP:
      if (reinterpret_cast<HMENU>(wparam) == edit_menu()) {
        view_->UpdateEditMenu(reinterpret_cast<HMENU>(wparam));
      }
      return 0;
    case WM_ACTIVATE:
      view_->ReactivateToolTips();  // on activation and deactivation alike
      break;
    case WM_SETFOCUS:
      SetFocus(view_->hwnd());
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);  // the document is never modified: nothing to ask
      return 0;
    case WM_DESTROY:
      hwnd_ = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}
