#include "preproc/wx/tarvik_view.h"

#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/evtloop.h>
#include <wx/filedlg.h>
#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/msgdlg.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/strconv.h>
#include <wx/textctrl.h>
#include <wx/time.h>

#include <algorithm>

#include "preproc/copier/copy_run.h"
#include "preproc/form/form_ids.h"
#include "preproc/form/form_texts.h"
#include "preproc/wx/status_line.h"
#include "preproc/wx/tarvik_doc.h"
#include "preproc/wx/tarvik_form.h"
#include "preproc/indexer/index_run.h"

using namespace preproc;

wxIMPLEMENT_DYNAMIC_CLASS(CTarvikView, wxView);

// clang-format off
wxBEGIN_EVENT_TABLE(CTarvikView, wxView)
  EVT_BUTTON(kIdGenerate, CTarvikView::OnGenerateIndexFiles)
  EVT_BUTTON(kIdCopy, CTarvikView::OnCopyArticles)
  EVT_BUTTON(kIdQuit, CTarvikView::OnQuit)
  EVT_BUTTON(kIdBrowseListingFile, CTarvikView::OnBrowse)
  EVT_BUTTON(kIdBrowseArticlePath, CTarvikView::OnBrowse)
  EVT_BUTTON(kIdBrowseIndexPath, CTarvikView::OnBrowse)
  EVT_BUTTON(kIdBrowseCopyPath, CTarvikView::OnBrowse)
  EVT_RADIOBUTTON(kIdTextDocument, CTarvikView::OnTextDocument)
  EVT_RADIOBUTTON(kIdHtmlDocument, CTarvikView::OnHtmlDocument)
  EVT_MENU(wxID_CUT, CTarvikView::OnClipboard)
  EVT_MENU(wxID_COPY, CTarvikView::OnClipboard)
  EVT_MENU(wxID_PASTE, CTarvikView::OnClipboard)
  EVT_UPDATE_UI(wxID_CUT, CTarvikView::OnUpdateClipboard)
  EVT_UPDATE_UI(wxID_COPY, CTarvikView::OnUpdateClipboard)
  EVT_UPDATE_UI(wxID_PASTE, CTarvikView::OnUpdateClipboard)
  EVT_UPDATE_UI(wxID_UNDO, CTarvikView::OnUpdateUndo)
wxEND_EVENT_TABLE();  // the semicolon keeps clang-format's indentation
// clang-format on

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

bool ClipboardHasText() {
  if (!wxTheClipboard->Open()) return false;
  const bool has_text =
      wxTheClipboard->IsSupported(wxDF_UNICODETEXT) || wxTheClipboard->IsSupported(wxDF_TEXT);
  wxTheClipboard->Close();
  return has_text;
}

}  // namespace

// --- creation, initial update, close ---

bool CTarvikView::OnCreate(wxDocument* doc, long flags) {
  if (!wxView::OnCreate(doc, flags)) return false;
  auto* frame = wxDynamicCast(wxTheApp->GetTopWindow(), wxFrame);
  if (frame == nullptr) return false;
  SetFrame(frame);
  m_form = new CTarvikForm(frame);
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
  m_form->TextDocument()->SetValue(true);  // the document's article type stays as it is
  CTarvikForm::EnableField(m_form->Field(kIdSpecialTag), false);
  m_form->SpecialTagLabel()->Disable();
  m_form->InstallToolTips();
  frame->Raise();
}

bool CTarvikView::OnClose(bool delete_window) {
  if (!wxView::OnClose(delete_window)) return false;
  Activate(false);
  m_form = nullptr;  // the main frame destroys the form with itself
  return true;
}

void CTarvikView::OnActivateView(bool, wxView*, wxView*) { CTarvikForm::ReactivateToolTips(); }

CTarvikDoc* CTarvikView::doc() const { return wxDynamicCast(GetDocument(), CTarvikDoc); }

// --- the two runs ---

FormFields CTarvikView::ReadFields() const {
  FormFields fields;
  fields.listing_file = m_form->Field(kIdListingFile)->GetValue().utf8_string();
  fields.article_path = m_form->Field(kIdArticlePath)->GetValue().utf8_string();
  fields.index_path = m_form->Field(kIdIndexPath)->GetValue().utf8_string();
  fields.copy_path = m_form->Field(kIdCopyPath)->GetValue().utf8_string();
  fields.delimiters = DelimiterBytes(m_form->Field(kIdDelimiters)->GetValue());
  return fields;
}

void CTarvikView::OnGenerateIndexFiles(wxCommandEvent&) {
  HandOverForIndexRun(ReadFields(), &doc()->settings());
  GenerateIndexFiles(doc()->settings(), *this);
}

void CTarvikView::OnCopyArticles(wxCommandEvent&) {
  HandOverForCopyRun(ReadFields(), &doc()->settings());
  CopyArticles(doc()->settings(), *this);
}

void CTarvikView::OnQuit(wxCommandEvent&) {
  // Closing destroys this view, so the close is posted rather than done here.
  wxWindow* frame = GetFrame();
  frame->CallAfter([frame] { frame->Close(true); });
}

// --- browse commands ---

void CTarvikView::OnBrowse(wxCommandEvent& event) {
  for (const BrowseButton& button : kBrowseButtons) {
    if (button.id == event.GetId()) {
      return Browse(button.title, button.field_id, button.directory_part);
    }
  }
}

void CTarvikView::Browse(const wxString& title, int field_id, bool directory_part) {
  std::optional<wxString> chosen = ChoosePath(title, directory_part);
  if (chosen) {
    const std::string path = chosen->utf8_string();
    m_form->Field(field_id)->SetValue(
        wxString::FromUTF8(directory_part ? DirectoryPart(path) : path));
  }
  CTarvikForm::ReactivateToolTips();
}

// A path field takes a directory, which the user names by picking or typing
// any file name inside it; the save-style dialog accepts names that do not
// exist yet (an empty output directory has nothing to pick).
std::optional<wxString> CTarvikView::ChoosePath(const wxString& title, bool directory_part) {
  if (m_path_chooser) return m_path_chooser(title);
  const long style = directory_part ? wxFD_SAVE : wxFD_OPEN;
  wxFileDialog dialog(m_form, title, "", "", "All files (*.*)|*", style);
  if (dialog.ShowModal() != wxID_OK) return std::nullopt;
  return dialog.GetPath();
}

// --- article type ---

void CTarvikView::OnTextDocument(wxCommandEvent&) {
  const ArticleTypeClick click = ClickArticleType(kTextArticle);
  doc()->settings().article_type = click.article_type;
  if (click.disable_special_tag) {
    CTarvikForm::EnableField(m_form->Field(kIdSpecialTag), false);
    m_form->SpecialTagLabel()->Disable();
  }
}

void CTarvikView::OnHtmlDocument(wxCommandEvent&) {
  doc()->settings().article_type = ClickArticleType(kHtmlArticle).article_type;
}

// --- clipboard commands ---

FocusedControl CTarvikView::DescribeFocus(wxWindow* focus) {
  auto* field = dynamic_cast<wxTextCtrl*>(focus);
  if (field == nullptr) return FocusedControl{};
  long from = 0;
  long to = 0;
  field->GetSelection(&from, &to);
  return FocusedControl{
      .is_edit_field = true, .has_selection = from != to, .read_only = !field->IsEditable()};
}

void CTarvikView::OnUpdateClipboard(wxUpdateUIEvent& event) {
  const FocusedControl focus = DescribeFocus(wxWindow::FindFocus());
  if (event.GetId() == wxID_PASTE) {
    // The clipboard is asked only when a writable field has the focus.
    const bool writable_field = focus.is_edit_field && !focus.read_only;
    event.Enable(writable_field && CanPaste(focus, ClipboardHasText()));
  } else {
    event.Enable(CanCutOrCopy(focus));
  }
}

void CTarvikView::OnClipboard(wxCommandEvent& event) {
  wxWindow* focus = wxWindow::FindFocus();
  const FocusedControl described = DescribeFocus(focus);
  auto* field = dynamic_cast<wxTextCtrl*>(focus);
  if (field == nullptr) return;
  switch (event.GetId()) {
    case wxID_CUT:
      if (CanCutOrCopy(described)) field->Cut();
      break;
    case wxID_COPY:
      if (CanCutOrCopy(described)) field->Copy();
      break;
    case wxID_PASTE:
      if (CanPaste(described, true)) field->Paste();
      break;
  }
}

void CTarvikView::OnUpdateUndo(wxUpdateUIEvent& event) { event.Enable(false); }

// --- run services ---

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
  if (m_box_answerer) {
    m_box_answerer(text, kind);
  } else {
    const long icon = kind == MessageKind::kFatal ? wxICON_ERROR : wxICON_WARNING;
    wxMessageBox(ToWx(text), kApplicationTitle, wxOK | icon, GetFrame());
  }
  CTarvikForm::ReactivateToolTips();
}
