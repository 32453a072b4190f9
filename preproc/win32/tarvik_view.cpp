#include "preproc/win32/tarvik_view.h"

#include <commctrl.h>

#include <cstring>

#include "preproc/form/form_ids.h"
#include "preproc/form/form_texts.h"
#include "preproc/win32/resource.h"
#include "xtra/hostsim/plugin_location.h"

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
  instance_ = instance;
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
  controller_.OnInitialUpdate();
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
  if (search_.PreTranslateMessage(msg)) return true;
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
      return controller_.OnGenerate();
    case kIdCopy:
      return controller_.OnCopy();
    case kIdQuit:
      return controller_.OnQuit();
    case kIdTextDocument:
      return controller_.OnArticleType(kTextArticle);
    case kIdHtmlDocument:
      return controller_.OnArticleType(kHtmlArticle);
  }
  controller_.OnBrowse(id);
}

// --- fields and controls ---

std::string CTarvikView::FieldText(int id) const {
  HWND field = GetDlgItem(form_, id);
  std::string text(static_cast<size_t>(GetWindowTextLengthA(field)) + 1, '\0');
  text.resize(
      static_cast<size_t>(GetWindowTextA(field, text.data(), static_cast<int>(text.size()))));
  return text;
}

void CTarvikView::SetFieldText(int id, const std::string& text) {
  SetDlgItemTextA(form_, id, text.c_str());
}

void CTarvikView::EnableControl(int id, bool enable) {
  EnableWindow(GetDlgItem(form_, id), enable ? TRUE : FALSE);
}

void CTarvikView::CheckRadioButton(int id) {
  ::CheckRadioButton(form_, kIdTextDocument, kIdHtmlDocument, id);
}

// The platform's open-file dialog, owned by the form. A name that does not
// exist is accepted, so a directory is named by any file name inside it; the
// same dialog serves the listing file and the three paths.
std::optional<std::string> CTarvikView::ChoosePath(std::string_view title, bool) {
  char name[kBrowseNameSize] = "";
  const std::string title_text(title);
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = form_;
  dialog.lpstrFilter = "All files (*.*)\0*.*\0";
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = name;
  dialog.nMaxFile = sizeof name;
  dialog.lpstrTitle = title_text.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_LONGNAMES | OFN_HIDEREADONLY;
  if (!GetOpenFileNameA(&dialog)) return std::nullopt;
  return std::string(name);
}

// --- the Edit menu and the clipboard ---

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

FocusedControl CTarvikView::DescribeFocusedControl() const { return DescribeFocus(GetFocus()); }

bool CTarvikView::ClipboardHasText() const { return IsClipboardFormatAvailable(CF_TEXT) != FALSE; }

void CTarvikView::UpdateEditMenu(HMENU edit_menu) {
  struct Item {
    UINT command;
    EditCommand edit;
  };
  for (const Item& item :
       {Item{ID_EDIT_UNDO, EditCommand::kUndo}, Item{ID_EDIT_CUT, EditCommand::kCut},
        Item{ID_EDIT_COPY, EditCommand::kCopy}, Item{ID_EDIT_PASTE, EditCommand::kPaste}}) {
    const bool on = controller_.IsEditCommandEnabled(item.edit);
    EnableMenuItem(edit_menu, item.command, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
  }
  const bool accents = controller_.IsIgnoreAccentsEnabled();
  EnableMenuItem(edit_menu, ID_EDIT_IGNORE_ACCENTS,
                 MF_BYCOMMAND | (accents ? MF_ENABLED : MF_GRAYED));
  CheckMenuItem(edit_menu, ID_EDIT_IGNORE_ACCENTS,
                MF_BYCOMMAND | (controller_.IsIgnoreAccentsChecked() ? MF_CHECKED : MF_UNCHECKED));
}

void CTarvikView::OnEditCommand(int command) {
  switch (command) {
    case ID_EDIT_CUT:
      return controller_.OnEditCommand(EditCommand::kCut);
    case ID_EDIT_COPY:
      return controller_.OnEditCommand(EditCommand::kCopy);
    case ID_EDIT_PASTE:
      return controller_.OnEditCommand(EditCommand::kPaste);
    case ID_EDIT_IGNORE_ACCENTS:
      return controller_.OnIgnoreAccents();
    case ID_EDIT_TRY_SEARCH:
      return controller_.OnTrySearch();
  }
}

void CTarvikView::EditFocusedField(EditCommand command) {
  const UINT message = command == EditCommand::kCut     ? WM_CUT
                       : command == EditCommand::kCopy  ? WM_COPY
                       : command == EditCommand::kPaste ? WM_PASTE
                                                        : 0;
  if (message != 0) SendMessageA(GetFocus(), message, 0, 0);
}

// --- the program ---

void CTarvikView::CloseProgram() {
  PostQuitMessage(0);  // nothing to ask, nothing to restore
}

// --- the search window ---

std::string CTarvikView::SearchPluginPath() {
  const std::string program = hostsim::ExecutablePath();
  const std::string directory = program.substr(0, program.find_last_of("\\/") + 1);
  return hostsim::LocatePlugin(program, "KPXSearch.x32",
                               directory + "..\\..\\xtra\\host\\KPXSearch.x32");
}

void CTarvikView::OpenSearchWindow(const std::string& index_path, const std::string& copy_path) {
  search_.Open(instance_, GetParent(form_), SearchPluginPath(), index_path, copy_path);
}

void CTarvikView::SearchAgain(const std::string& index_path, const std::string& copy_path) {
  if (search_.controller() != nullptr) search_.controller()->OnSetRebuilt(index_path, copy_path);
}

// --- what the runs show: the status line 1021, the progress bar 1004, the boxes ---

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
}
