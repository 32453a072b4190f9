#include "preproc/win32/tarvik_view.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "preproc/copier/copy_run.h"
#include "preproc/form/form_ids.h"
#include "preproc/form/form_texts.h"
#include "preproc/indexer/index_run.h"
#include "preproc/win32/resource.h"

using namespace preproc;

namespace {

constexpr int kButtonFontHeight = 12;
constexpr int kBrowseNameSize = 256;  // the open-file dialog's name buffer
constexpr int kCommandButtons[] = {kIdGenerate, kIdCopy, kIdQuit};

}  // namespace

CTarvikView::~CTarvikView() {
  if (form_ != nullptr) DestroyWindow(form_);
  if (tool_tip_ != nullptr) DestroyWindow(tool_tip_);
  if (button_font_ != nullptr) DeleteObject(button_font_);
  if (field_brush_ != nullptr) DeleteObject(field_brush_);
}

// --- creation and initial update ---

bool CTarvikView::Create(HINSTANCE instance, HWND frame) {
  field_brush_ = CreateSolidBrush(kFieldBack);
  form_ = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_TARVIK_FORM), frame, DialogProc,
                             reinterpret_cast<LPARAM>(this));
  return form_ != nullptr;
}

INT_PTR CALLBACK CTarvikView::DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* view = reinterpret_cast<CTarvikView*>(lparam);
    SetWindowLongPtrA(dialog, DWLP_USER, lparam);
    view->form_ = dialog;
    view->InitialUpdate();
    return TRUE;
  }
  auto* view = reinterpret_cast<CTarvikView*>(GetWindowLongPtrA(dialog, DWLP_USER));
  return view == nullptr ? FALSE : view->OnMessage(message, wparam, lparam);
}

void CTarvikView::InitialUpdate() {
  // The main window's size and place are set by the frame (it sizes itself to
  // this form); here the form's own controls are set up.
  button_font_ = CreateFontA(kButtonFontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
  for (int id : kCommandButtons) {
    SendDlgItemMessageA(form_, id, WM_SETFONT, reinterpret_cast<WPARAM>(button_font_), FALSE);
  }
  CheckRadioButton(form_, kIdTextDocument, kIdHtmlDocument, kIdTextDocument);
  DisableSpecialTag();
  CreateToolTips();
}

// The tips are coloured on this control alone: no system colour is changed,
// so nothing outside the program can be left changed.
void CTarvikView::CreateToolTips() {
  tool_tip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, form_, nullptr,
                              reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(form_, GWLP_HINSTANCE)),
                              nullptr);
  if (tool_tip_ == nullptr) return;  // the form works without tool tips
  for (const ButtonToolTip& tip : kButtonToolTips) {
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = form_;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(form_, tip.id));
    tool.lpszText = const_cast<char*>(tip.text);
    SendMessageA(tool_tip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  SendMessageA(tool_tip_, TTM_SETDELAYTIME, TTDT_AUTOMATIC, MAKELPARAM(kToolTipDelayMs, 0));
  SendMessageA(tool_tip_, TTM_SETTIPBKCOLOR, kTipBack, 0);
  SendMessageA(tool_tip_, TTM_SETTIPTEXTCOLOR, kTipText, 0);
  ReactivateToolTips();
}

void CTarvikView::ReactivateToolTips() {
  if (tool_tip_ != nullptr) SendMessageA(tool_tip_, TTM_ACTIVATE, TRUE, 0);
}

bool CTarvikView::PreTranslateMessage(MSG* msg) {
  if (form_ == nullptr || (msg->hwnd != form_ && !IsChild(form_, msg->hwnd))) return false;
  if (tool_tip_ != nullptr) {
    SendMessageA(tool_tip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
  }
  return IsDialogMessageA(form_, msg) != FALSE;
}

// --- messages and commands ---

INT_PTR CTarvikView::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED) OnCommand(LOWORD(wparam));
      return TRUE;
    case WM_CTLCOLOREDIT: {
      // Only enabled, writable fields are sent this message; check anyway.
      auto control = reinterpret_cast<HWND>(lparam);
      const bool writable = (GetWindowLongA(control, GWL_STYLE) & ES_READONLY) == 0;
      if (!IsWindowEnabled(control) || !writable) return FALSE;
      return reinterpret_cast<INT_PTR>(FieldColours(reinterpret_cast<HDC>(wparam)));
    }
    case WM_CTLCOLORSTATIC:
      if (GetDlgCtrlID(reinterpret_cast<HWND>(lparam)) != kIdStatusLine) return FALSE;
      return reinterpret_cast<INT_PTR>(FieldColours(reinterpret_cast<HDC>(wparam)));
    case WM_DESTROY:
      if (tool_tip_ != nullptr) DestroyWindow(tool_tip_);
      tool_tip_ = nullptr;
      form_ = nullptr;
      return FALSE;
  }
  return FALSE;
}

HBRUSH CTarvikView::FieldColours(HDC dc) {
  SetTextColor(dc, kFieldText);
  SetBkColor(dc, kFieldBack);
  return field_brush_;
}

void CTarvikView::OnCommand(int id) {
  switch (id) {
    case kIdGenerate:
      HandOverForIndexRun(ReadFields(), &doc_.settings);
      GenerateIndexFiles(doc_.settings, *this);
      return;
    case kIdCopy:
      HandOverForCopyRun(ReadFields(), &doc_.settings);
      CopyArticles(doc_.settings, *this);
      return;
    case kIdQuit:
      PostQuitMessage(0);  // nothing to ask, nothing to restore
      return;
    case kIdTextDocument: {
      const ArticleTypeClick click = ClickArticleType(kTextArticle);
      doc_.settings.article_type = click.article_type;
      if (click.disable_special_tag) DisableSpecialTag();
      return;
    }
    case kIdHtmlDocument:
      doc_.settings.article_type = ClickArticleType(kHtmlArticle).article_type;
      return;
  }
  for (const BrowseButton& browse : kBrowseButtons) {
    if (browse.id == id) Browse(browse.title, browse.field_id, browse.directory_part);
  }
}

void CTarvikView::DisableSpecialTag() {
  EnableWindow(GetDlgItem(form_, kIdSpecialTag), FALSE);
  EnableWindow(GetDlgItem(form_, kIdSpecialTagLabel), FALSE);
}

std::string CTarvikView::FieldText(int id) const {
  HWND field = GetDlgItem(form_, id);
  std::string text(static_cast<size_t>(GetWindowTextLengthA(field)) + 1, '\0');
  text.resize(
      static_cast<size_t>(GetWindowTextA(field, text.data(), static_cast<int>(text.size()))));
  return text;
}

FormFields CTarvikView::ReadFields() const {
  FormFields fields;
  fields.listing_file = FieldText(kIdListingFile);
  fields.article_path = FieldText(kIdArticlePath);
  fields.index_path = FieldText(kIdIndexPath);
  fields.copy_path = FieldText(kIdCopyPath);
  fields.delimiters = FieldText(kIdDelimiters);
  return fields;
}

// --- browse commands ---

// The platform's open-file dialog, owned by the form. A name that does not
// exist is accepted, so a directory is named by any file name inside it; its
// directory part ends where the dialog says the file name starts.
void CTarvikView::Browse(const char* title, int field_id, bool directory_part) {
  char name[kBrowseNameSize] = "";
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = form_;
  dialog.lpstrFilter = "All files (*.*)\0*.*\0";
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = name;
  dialog.nMaxFile = sizeof name;
  dialog.lpstrTitle = title;
  dialog.Flags = OFN_EXPLORER | OFN_LONGNAMES | OFN_HIDEREADONLY;
  if (GetOpenFileNameA(&dialog)) {
    std::string chosen(name);
    if (directory_part) chosen.resize(std::min<size_t>(dialog.nFileOffset, chosen.size()));
    SetDlgItemTextA(form_, field_id, chosen.c_str());
  }
  ReactivateToolTips();
}

// --- clipboard commands ---

FocusedControl CTarvikView::DescribeFocus(HWND focus) {
  if (focus == nullptr) return FocusedControl{};
  char class_name[6] = "";  // the class name, read to at most 5 characters
  GetClassNameA(focus, class_name, sizeof class_name);
  if (lstrcmpiA(class_name, "Edit") != 0) return FocusedControl{};
  DWORD from = 0;
  DWORD to = 0;
  SendMessageA(focus, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  return FocusedControl{.is_edit_field = true,
                        .has_selection = from != to,
                        .read_only = (GetWindowLongA(focus, GWL_STYLE) & ES_READONLY) != 0};
}

void CTarvikView::UpdateEditMenu(HMENU edit_menu) {
  const FocusedControl focus = DescribeFocus(GetFocus());
  const bool cut_copy = CanCutOrCopy(focus);
  // The clipboard is asked only when a writable field has the focus.
  const bool paste = focus.is_edit_field && !focus.read_only &&
                     CanPaste(focus, IsClipboardFormatAvailable(CF_TEXT) != FALSE);
  auto enable = [edit_menu](UINT command, bool on) {
    EnableMenuItem(edit_menu, command, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
  };
  enable(ID_EDIT_UNDO, false);  // undo has no handler
  enable(ID_EDIT_CUT, cut_copy);
  enable(ID_EDIT_COPY, cut_copy);
  enable(ID_EDIT_PASTE, paste);
}

void CTarvikView::OnEditCommand(int command) {
  HWND focus = GetFocus();
  const FocusedControl described = DescribeFocus(focus);
  if (!described.is_edit_field) return;
  if (command == ID_EDIT_CUT && CanCutOrCopy(described)) SendMessageA(focus, WM_CUT, 0, 0);
  if (command == ID_EDIT_COPY && CanCutOrCopy(described)) SendMessageA(focus, WM_COPY, 0, 0);
  if (command == ID_EDIT_PASTE && CanPaste(described, true)) SendMessageA(focus, WM_PASTE, 0, 0);
}

// --- run services: the status line 1021, the progress bar 1004, the boxes ---

void CTarvikView::ShowStatus(const std::string& text) {
  if (form_ == nullptr) return;
  HWND status = GetDlgItem(form_, kIdStatusLine);
  SetWindowTextA(status, text.c_str());
  UpdateWindow(status);  // the run holds the thread: paint now
}

void CTarvikView::ShowProgress(int lower, int upper, int pos) {
  if (form_ == nullptr) return;
  HWND bar = GetDlgItem(form_, kIdProgressBar);
  SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(lower, upper));
  SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
  UpdateWindow(bar);
}

void CTarvikView::ShowBox(std::string_view text, MessageKind kind) {
  const UINT icon = kind == MessageKind::kFatal ? MB_ICONSTOP : MB_ICONWARNING;
  HWND owner = form_ != nullptr ? GetParent(form_) : nullptr;
  MessageBoxA(owner, std::string(text).c_str(), kApplicationTitle, MB_OK | icon);
  ReactivateToolTips();
}
