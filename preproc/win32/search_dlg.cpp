#include "preproc/win32/search_dlg.h"

#include "preproc/form/form_ids.h"
#include "preproc/win32/resource.h"

using namespace preproc;

CSearchDlg::~CSearchDlg() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool CSearchDlg::Open(HINSTANCE instance, HWND owner, const std::string& plugin_path,
                      const std::string& index_path, const std::string& copy_path) {
  if (hwnd_ == nullptr) {
    controller_ = std::make_unique<SearchController>(*this, plugin_path);
    hwnd_ = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_SEARCH), owner, DialogProc,
                               reinterpret_cast<LPARAM>(this));
    if (hwnd_ == nullptr) {
      controller_.reset();
      return false;
    }
  }
  controller_->SetPaths(index_path, copy_path);
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(hwnd_, kIdSearchPhrase)),
               TRUE);
  return true;
}

bool CSearchDlg::PreTranslateMessage(MSG* msg) {
  if (hwnd_ == nullptr || (msg->hwnd != hwnd_ && !IsChild(hwnd_, msg->hwnd))) return false;
  return IsDialogMessageA(hwnd_, msg) != FALSE;
}

INT_PTR CALLBACK CSearchDlg::DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lparam);
    auto* self = reinterpret_cast<CSearchDlg*>(lparam);
    self->hwnd_ = dialog;
    HWND and_or = GetDlgItem(dialog, kIdSearchAndOr);
    SendMessageA(and_or, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("and"));
    SendMessageA(and_or, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("or"));
    SendMessageA(and_or, CB_SETCURSEL, 0, 0);
    return TRUE;
  }
  auto* self = reinterpret_cast<CSearchDlg*>(GetWindowLongPtrA(dialog, DWLP_USER));
  return self == nullptr ? FALSE : self->OnMessage(message, wparam, lparam);
}

INT_PTR CSearchDlg::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case kIdSearchButton:
        case IDOK:  // Enter where no button has the focus
          if (HIWORD(wparam) == BN_CLICKED) {
            HCURSOR before = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // wait
            controller_->OnSearch();
            SetCursor(before);
          }
          return TRUE;
        case kIdSearchArticles:
          if (HIWORD(wparam) == LBN_SELCHANGE) {
            const LRESULT row = SendDlgItemMessageA(hwnd_, kIdSearchArticles, LB_GETCURSEL, 0, 0);
            controller_->OnSelectArticle(row == LB_ERR ? -1 : static_cast<int>(row));
          }
          return TRUE;
        case IDCANCEL:  // Escape, or the system menu's Close
          DestroyWindow(hwnd_);
          return TRUE;
      }
      return FALSE;
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
      HDC dc = GetDC(hwnd_);
      HGDIOBJ old =
          SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
      TEXTMETRICA metrics{};
      GetTextMetricsA(dc, &metrics);
      SelectObject(dc, old);
      ReleaseDC(hwnd_, dc);
      measure->itemHeight = static_cast<UINT>(metrics.tmHeight + 2);
      return TRUE;
    }
    case WM_DRAWITEM:
      if (wparam == kIdSearchLines) {
        DrawLine(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
        return TRUE;
      }
      return FALSE;
    case WM_CTLCOLORLISTBOX:
      if (reinterpret_cast<HWND>(lparam) == GetDlgItem(hwnd_, kIdSearchLines)) {
        return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
      }
      return FALSE;
    case WM_DESTROY:
      hwnd_ = nullptr;
      lines_.clear();
      return TRUE;
    case WM_NCDESTROY:  // the window's last message: nothing of it is kept
      controller_.reset();
      return TRUE;
  }
  return FALSE;
}

// One row of the lines view: its pieces from the left, occurrences on the
// highlight colour.
void CSearchDlg::DrawLine(const DRAWITEMSTRUCT& item) const {
  HDC dc = item.hDC;
  RECT row = item.rcItem;
  FillRect(dc, &row, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  if (item.itemID == static_cast<UINT>(-1) || item.itemID >= lines_.size()) return;
  SetTextColor(dc, RGB(0, 0, 0));
  int x = row.left + 2;
  for (const LinePiece& piece : lines_[item.itemID]) {
    SIZE size{};
    const int length = static_cast<int>(piece.text.size());
    GetTextExtentPoint32A(dc, piece.text.data(), length, &size);
    RECT place = {x, row.top, x + size.cx, row.bottom};
    SetBkColor(dc, piece.highlighted ? kHighlight : RGB(255, 255, 255));
    ExtTextOutA(dc, x, row.top + 1, ETO_OPAQUE, &place, piece.text.data(),
                static_cast<UINT>(length), nullptr);
    x += size.cx;
  }
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &row);
}

// --- SearchWindow ---

std::string CSearchDlg::FieldText(int id) const {
  char text[1024] = "";
  GetDlgItemTextA(hwnd_, id, text, sizeof text);
  return text;
}

bool CSearchDlg::IsOrChosen() const {
  return SendDlgItemMessageA(hwnd_, kIdSearchAndOr, CB_GETCURSEL, 0, 0) == 1;
}

bool CSearchDlg::IsWholeWordsChecked() const {
  return IsDlgButtonChecked(hwnd_, kIdSearchWholeWords) == BST_CHECKED;
}

void CSearchDlg::ShowResult(const std::string& text) {
  SetDlgItemTextA(hwnd_, kIdSearchResult, text.c_str());
}

void CSearchDlg::ShowArticles(const std::vector<std::string>& rows) {
  HWND list = GetDlgItem(hwnd_, kIdSearchArticles);
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (const std::string& row : rows) {
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
  }
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void CSearchDlg::ShowLines(const std::vector<ShownLine>& lines) {
  lines_ = lines;
  HWND view = GetDlgItem(hwnd_, kIdSearchLines);
  SendMessageA(view, LB_RESETCONTENT, 0, 0);
  HDC dc = GetDC(view);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(view, WM_GETFONT, 0, 0)));
  LONG widest = 0;
  for (const ShownLine& line : lines_) {
    std::string text;
    for (const LinePiece& piece : line) text += piece.text;
    SIZE size{};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    widest = size.cx > widest ? size.cx : widest;
    SendMessageA(view, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  SelectObject(dc, old);
  ReleaseDC(view, dc);
  SendMessageA(view, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
  SendMessageA(view, LB_SETTOPINDEX, 0, 0);
}
