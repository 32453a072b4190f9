#include "preproc/wx/tarvik_view.h"

#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/evtloop.h>
#include <wx/filedlg.h>
#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/msgdlg.h>
#include <wx/radiobut.h>
#include <wx/strconv.h>
#include <wx/textctrl.h>
#include <wx/time.h>

#include <algorithm>

#include "preproc/form/form_ids.h"
#include "preproc/wx/search_dlg.h"
#include "preproc/wx/status_line.h"
#include "preproc/wx/tarvik_doc.h"
#include "preproc/wx/tarvik_form.h"
#include "xtra/hostsim/plugin_location.h"

using namespace preproc;

wxIMPLEMENT_DYNAMIC_CLASS(CTarvikView, wxView);

// clang-format off
wxBEGIN_EVENT_TABLE(CTarvikView, wxView)
  EVT_BUTTON(kIdGenerate, CTarvikView::OnButton)
  EVT_BUTTON(kIdCopy, CTarvikView::OnButton)
  EVT_BUTTON(kIdQuit, CTarvikView::OnButton)
  EVT_BUTTON(kIdBrowseListingFile, CTarvikView::OnButton)
  EVT_BUTTON(kIdBrowseArticlePath, CTarvikView::OnButton)
  EVT_BUTTON(kIdBrowseIndexPath, CTarvikView::OnButton)
  EVT_BUTTON(kIdBrowseCopyPath, CTarvikView::OnButton)
  EVT_RADIOBUTTON(kIdTextDocument, CTarvikView::OnTextDocument)
  EVT_RADIOBUTTON(kIdHtmlDocument, CTarvikView::OnHtmlDocument)
  EVT_MENU(wxID_CUT, CTarvikView::OnEditMenu)
  EVT_MENU(wxID_COPY, CTarvikView::OnEditMenu)
  EVT_MENU(wxID_PASTE, CTarvikView::OnEditMenu)
  EVT_UPDATE_UI(wxID_UNDO, CTarvikView::OnUpdateEditMenu)
  EVT_UPDATE_UI(wxID_CUT, CTarvikView::OnUpdateEditMenu)
  EVT_UPDATE_UI(wxID_COPY, CTarvikView::OnUpdateEditMenu)
  EVT_UPDATE_UI(wxID_PASTE, CTarvikView::OnUpdateEditMenu)
  EVT_MENU(kIdTrySearch, CTarvikView::OnTrySearch)
  EVT_MENU(kIdIgnoreAccents, CTarvikView::OnIgnoreAccents)
  EVT_UPDATE_UI(kIdIgnoreAccents, CTarvikView::OnUpdateIgnoreAccents)
wxEND_EVENT_TABLE();  // the semicolon keeps clang-format's indentation
// clang-format on

// Set by the build: the plug-in built with the program, and, by the install
// rules, its place relative to the program's directory in an installed tree.
#ifndef TARVIK_GUI_DEFAULT_PLUGIN
#define TARVIK_GUI_DEFAULT_PLUGIN ""
#endif
#ifndef TARVIK_GUI_INSTALLED_PLUGIN
#define TARVIK_GUI_INSTALLED_PLUGIN ""
#endif

namespace {
// During a run the toolkit draws the status line and the bar at most this
// often, so that a long run is not slowed down by its own display.
constexpr int kRepaintIntervalMs = 40;

// Run messages are bytes: UTF-8 where they are valid UTF-8 (Linux paths),
// otherwise read as Latin-1 so that nothing is lost.
wxString ToWx(std::string_view text) {
  wxString converted = wxString::FromUTF8(text.data(), text.size());
  if (converted.empty() && !text.empty())
    converted = wxString(text.data(), wxConvISO8859_1, text.size());
  return converted;
}

// The delimiter field as the bytes the word extraction compares: one
// Windows-1252 byte per character; characters without one are left out.
std::string DelimiterBytes(const wxString& field) {
  static wxCSConv cp1252(wxFONTENCODING_CP1252);
  std::string bytes;
  for (wxUniChar ch : field) {
    const wxCharBuffer one = wxString(ch).mb_str(cp1252);
    if (one.length() == 1) bytes += one.data()[0];
  }
  return bytes;
}

EditCommand EditCommandOf(int menu_id) {
  switch (menu_id) {
    case wxID_CUT:
      return EditCommand::kCut;
    case wxID_COPY:
      return EditCommand::kCopy;
    case wxID_PASTE:
      return EditCommand::kPaste;
  }
  return EditCommand::kUndo;
}

}  // namespace

// --- creation, initial update, close ---

bool CTarvikView::OnCreate(wxDocument* doc, long flags) {
  if (!wxView::OnCreate(doc, flags)) return false;
  auto* frame = wxDynamicCast(wxTheApp->GetTopWindow(), wxFrame);
  if (frame == nullptr) return false;
  SetFrame(frame);
  m_form = new CTarvikForm(frame);
  m_controller = std::make_unique<FormController>(*this, this->doc()->settings());
  InitialUpdate();
  Activate(true);
  return true;
}

void CTarvikView::InitialUpdate() {
  wxWindow* frame = GetFrame();
  const wxSize form_size = m_form->FormSize();
  frame->SetClientSize(form_size);
  m_form->SetSize(form_size);
  const wxSize fixed = frame->GetSize();
  frame->SetSizeHints(fixed, fixed);  // the main window keeps the size the form gives it
  frame->Centre(wxBOTH);
  m_controller->OnInitialUpdate();
  m_form->InstallToolTips();
  frame->Raise();
}

bool CTarvikView::OnClose(bool delete_window) {
  if (!wxView::OnClose(delete_window)) return false;
  Activate(false);
  m_form = nullptr;  // the main frame destroys the form with itself
  return true;
}

void CTarvikView::OnActivateView(bool, wxView*, wxView*) { ReactivateToolTips(); }

CTarvikDoc* CTarvikView::doc() const { return wxDynamicCast(GetDocument(), CTarvikDoc); }

// --- events to the controller ---

void CTarvikView::OnButton(wxCommandEvent& event) {
  switch (event.GetId()) {
    case kIdGenerate:
      return m_controller->OnGenerate();
    case kIdCopy:
      return m_controller->OnCopy();
    case kIdQuit:
      return m_controller->OnQuit();
  }
  m_controller->OnBrowse(event.GetId());
}

void CTarvikView::OnTextDocument(wxCommandEvent&) { m_controller->OnArticleType(kTextArticle); }

void CTarvikView::OnHtmlDocument(wxCommandEvent&) { m_controller->OnArticleType(kHtmlArticle); }

void CTarvikView::OnEditMenu(wxCommandEvent& event) {
  m_controller->OnEditCommand(EditCommandOf(event.GetId()));
}

void CTarvikView::OnUpdateEditMenu(wxUpdateUIEvent& event) {
  event.Enable(m_controller->IsEditCommandEnabled(EditCommandOf(event.GetId())));
}

void CTarvikView::OnTrySearch(wxCommandEvent&) { m_controller->OnTrySearch(); }

void CTarvikView::OnIgnoreAccents(wxCommandEvent&) { m_controller->OnIgnoreAccents(); }

void CTarvikView::OnUpdateIgnoreAccents(wxUpdateUIEvent& event) {
  event.Enable(m_controller->IsIgnoreAccentsEnabled());
  event.Check(m_controller->IsIgnoreAccentsChecked());
}

// --- fields and controls ---

std::string CTarvikView::FieldText(int id) const {
  const wxString value = m_form->Field(id)->GetValue();
  return id == kIdDelimiters ? DelimiterBytes(value) : value.utf8_string();
}

void CTarvikView::SetFieldText(int id, const std::string& text) {
  m_form->Field(id)->SetValue(wxString::FromUTF8(text));
}

void CTarvikView::EnableControl(int id, bool enable) {
  wxWindow* control = m_form->FindWindow(id);
  if (auto* field = wxDynamicCast(control, wxTextCtrl)) {
    CTarvikForm::EnableField(field, enable);
  } else if (control != nullptr) {
    control->Enable(enable);
  }
}

void CTarvikView::CheckRadioButton(int id) {
  if (auto* radio = wxDynamicCast(m_form->FindWindow(id), wxRadioButton)) radio->SetValue(true);
}

// A path field takes a directory, which the user names by picking or typing
// any file name inside it; the save-style dialog accepts names that do not
// exist yet (an empty output directory has nothing to pick).
std::optional<std::string> CTarvikView::ChoosePath(std::string_view title, bool directory_part) {
  const wxString wx_title = wxString::FromUTF8(title.data(), title.size());
  std::optional<wxString> chosen;
  if (m_path_chooser) {
    chosen = m_path_chooser(wx_title);
  } else {
    const long style = directory_part ? wxFD_SAVE : wxFD_OPEN;
    wxFileDialog dialog(m_form, wx_title, "", "", "All files (*.*)|*", style);
    if (dialog.ShowModal() == wxID_OK) chosen = dialog.GetPath();
  }
  if (!chosen) return std::nullopt;
  return chosen->utf8_string();
}

void CTarvikView::ReactivateToolTips() { CTarvikForm::ReactivateToolTips(); }

// --- the clipboard ---

FocusedControl CTarvikView::DescribeFocus(wxWindow* focus) {
  auto* field = dynamic_cast<wxTextCtrl*>(focus);
  if (field == nullptr) return FocusedControl{};
  long from = 0;
  long to = 0;
  field->GetSelection(&from, &to);
  return FocusedControl{
      .is_edit_field = true, .has_selection = from != to, .read_only = !field->IsEditable()};
}

FocusedControl CTarvikView::DescribeFocusedControl() const {
  return DescribeFocus(wxWindow::FindFocus());
}

bool CTarvikView::ClipboardHasText() const {
  if (!wxTheClipboard->Open()) return false;
  const bool has_text =
      wxTheClipboard->IsSupported(wxDF_UNICODETEXT) || wxTheClipboard->IsSupported(wxDF_TEXT);
  wxTheClipboard->Close();
  return has_text;
}

void CTarvikView::EditFocusedField(EditCommand command) {
  auto* field = dynamic_cast<wxTextCtrl*>(wxWindow::FindFocus());
  if (field == nullptr) return;
  switch (command) {
    case EditCommand::kCut:
      return field->Cut();
    case EditCommand::kCopy:
      return field->Copy();
    case EditCommand::kPaste:
      return field->Paste();
    case EditCommand::kUndo:
      return;
  }
}

// --- the program ---

void CTarvikView::CloseProgram() {
  // Closing destroys this view, so the close is posted rather than done here.
  wxWindow* frame = GetFrame();
  frame->CallAfter([frame] { frame->Close(true); });
}

// --- the search window ---

std::string CTarvikView::SearchPluginPath() {
  return hostsim::LocatePlugin(hostsim::ExecutablePath(), TARVIK_GUI_INSTALLED_PLUGIN,
                               TARVIK_GUI_DEFAULT_PLUGIN);
}

void CTarvikView::OpenSearchWindow(const std::string& index_path, const std::string& copy_path) {
  if (m_search == nullptr) m_search = new CSearchDlg(GetFrame(), SearchPluginPath());
  m_search->controller().SetPaths(index_path, copy_path);
  m_search->Present();
}

void CTarvikView::SearchAgain(const std::string& index_path, const std::string& copy_path) {
  if (m_search != nullptr) m_search->controller().OnSetRebuilt(index_path, copy_path);
}

// --- what the runs show: the status line 1021, the progress bar 1004, the boxes ---

void CTarvikView::ShowStatus(const std::string& text) {
  if (m_form == nullptr) return;
  m_form->StatusLine()->SetLabel(ToWx(text));
  LetTheToolkitDraw();
}

// The bar is the toolkit's own control: it lays out its filled part only in
// the toolkit's next frame. Painting at once (Update, on the bar or on the
// status line: either paints what is pending on the form) drew the fill of
// the last frame and marked it as drawn, so the screen kept that stale
// position after the run until something else covered the bar.
void CTarvikView::ShowProgress(int lower, int upper, int pos) {
  if (m_form == nullptr) return;
  wxGauge* bar = m_form->ProgressBar();
  const int range = std::max(upper - lower, 1);
  bar->SetRange(range);
  bar->SetValue(std::clamp(pos - lower, 0, range));
  bar->Refresh();
  LetTheToolkitDraw();
}

// Lets the toolkit lay out and paint what changed (and nothing the user does),
// at most every kRepaintIntervalMs. What a run changes last is drawn when it
// returns to the event loop, or while one of its message boxes is shown.
void CTarvikView::LetTheToolkitDraw() {
  const wxLongLong now = wxGetUTCTimeMillis();
  if (now - m_last_repaint < kRepaintIntervalMs) return;
  m_last_repaint = now;
  if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->YieldFor(wxEVT_CATEGORY_UI);
}

void CTarvikView::ShowBox(std::string_view text, MessageKind kind) {
  if (m_box_answerer) return m_box_answerer(text, kind);
  const long icon = kind == MessageKind::kFatal ? wxICON_ERROR : wxICON_WARNING;
  wxMessageBox(ToWx(text), kApplicationTitle, wxOK | icon, GetFrame());
}
