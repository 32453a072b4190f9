#include "preproc/wx/search_dlg.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/strconv.h>
#include <wx/textctrl.h>

#include <string_view>

#include "preproc/form/form_ids.h"

using namespace preproc;

namespace {

constexpr int kFieldChars = 40;  // the phrase fields' width, in characters
constexpr int kRangeChars = 6;

// Bytes as text: UTF-8 where they are valid UTF-8, else Windows-1252; a byte
// without a Windows-1252 character (0x81, ...) is read as Latin-1.
wxString FromBytes(std::string_view bytes) {
  wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
  if (!text.empty() || bytes.empty()) return text;
  static wxCSConv cp1252(wxFONTENCODING_CP1252);
  for (char byte : bytes) {
    wxString one(&byte, cp1252, 1);
    text += one.empty() ? wxString(&byte, wxConvISO8859_1, 1) : one;
  }
  return text;
}

}  // namespace

CSearchDlg::CSearchDlg(wxWindow* parent, const std::string& plugin_path)
    : wxDialog(parent, wxID_ANY, kSearchWindowTitle, wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_controller(std::make_unique<SearchController>(*this, plugin_path)) {
  CreateControls();
  Bind(wxEVT_CHAR_HOOK, &CSearchDlg::OnCharHook, this);
  Bind(wxEVT_CLOSE_WINDOW, &CSearchDlg::OnClose, this);
  Bind(wxEVT_BUTTON, &CSearchDlg::OnSearch, this, kIdSearchButton);
  Bind(wxEVT_TEXT_ENTER, &CSearchDlg::OnSearch, this);
  Bind(wxEVT_LISTBOX, &CSearchDlg::OnSelect, this, kIdSearchArticles);
  m_articles->Bind(wxEVT_SET_FOCUS, &CSearchDlg::OnListFocus, this);
}

// In tab order: phrase, and/or, second phrase, whole words, from, to,
// Search, the article list, the lines.
void CSearchDlg::CreateControls() {
  const int edit_style = wxTE_PROCESS_ENTER;
  const wxSize phrase_size(GetCharWidth() * kFieldChars, -1);
  const wxSize range_size(GetCharWidth() * kRangeChars, -1);
  auto* phrases = new wxFlexGridSizer(2, wxSize(8, 6));
  phrases->AddGrowableCol(1);
  phrases->Add(new wxStaticText(this, wxID_ANY, "&Phrase:"), 0, wxALIGN_CENTER_VERTICAL);
  phrases->Add(
      new wxTextCtrl(this, kIdSearchPhrase, "", wxDefaultPosition, phrase_size, edit_style), 1,
      wxEXPAND);
  const wxString choices[] = {"and", "or"};
  m_and_or = new wxChoice(this, kIdSearchAndOr, wxDefaultPosition, wxDefaultSize, 2, choices);
  m_and_or->SetSelection(0);
  phrases->Add(m_and_or, 0, wxALIGN_CENTER_VERTICAL);
  phrases->Add(
      new wxTextCtrl(this, kIdSearchSecondPhrase, "", wxDefaultPosition, phrase_size, edit_style),
      1, wxEXPAND);

  auto* options = new wxBoxSizer(wxHORIZONTAL);
  m_whole_words = new wxCheckBox(this, kIdSearchWholeWords, "&Whole words");
  options->Add(m_whole_words, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 16);
  options->Add(new wxStaticText(this, wxID_ANY, "Articles &from"), 0,
               wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
  options->Add(new wxTextCtrl(this, kIdSearchFrom, "", wxDefaultPosition, range_size, edit_style),
               0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
  options->Add(new wxStaticText(this, wxID_ANY, "&to"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
  options->Add(new wxTextCtrl(this, kIdSearchTo, "", wxDefaultPosition, range_size, edit_style), 0,
               wxALIGN_CENTER_VERTICAL);
  options->AddStretchSpacer();
  auto* search = new wxButton(this, kIdSearchButton, "&Search");
  search->SetDefault();
  options->Add(search, 0, wxALIGN_CENTER_VERTICAL);

  m_result = new wxStaticText(this, kIdSearchResult, "");
  m_result->SetFont(m_result->GetFont().Bold());
  m_articles = new wxListBox(this, kIdSearchArticles, wxDefaultPosition,
                             wxSize(-1, GetCharHeight() * 8), 0, nullptr, wxLB_SINGLE);
  m_lines = new wxTextCtrl(this, kIdSearchLines, "", wxDefaultPosition,
                           wxSize(GetCharWidth() * 80, GetCharHeight() * 10),
                           wxTE_MULTILINE | wxTE_READONLY | wxTE_RICH2 | wxTE_WORDWRAP);
  m_lines->SetBackgroundColour(*wxWHITE);
  m_lines->SetForegroundColour(*wxBLACK);

  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(phrases, 0, wxEXPAND | wxALL, 10);
  column->Add(options, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
  column->Add(m_result, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
  column->Add(new wxStaticText(this, wxID_ANY, "&Articles:"), 0, wxLEFT | wxRIGHT, 10);
  column->Add(m_articles, 1, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
  column->Add(new wxStaticText(this, wxID_ANY, "&Lines of the selected article:"), 0,
              wxLEFT | wxRIGHT, 10);
  column->Add(m_lines, 2, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
  SetSizerAndFit(column);
}

void CSearchDlg::Present() {
  Show();
  Raise();
  Field(kIdSearchPhrase)->SetFocus();
}

wxTextCtrl* CSearchDlg::Field(int id) const { return wxDynamicCast(FindWindow(id), wxTextCtrl); }

// --- events to the controller ---

void CSearchDlg::OnSearch(wxCommandEvent&) {
  wxBusyCursor busy;
  m_controller->OnSearch();
}

void CSearchDlg::OnSelect(wxCommandEvent&) {
  m_controller->OnSelectArticle(m_articles->GetSelection());
}

// GTK puts the list's cursor on the first row without selecting it, so the
// first Down would skip that row: the list selects it when it gets the focus.
void CSearchDlg::OnListFocus(wxFocusEvent& event) {
  event.Skip();
  if (m_articles->GetSelection() != wxNOT_FOUND || m_articles->IsEmpty()) return;
  m_articles->SetSelection(0);
  m_controller->OnSelectArticle(0);
}

void CSearchDlg::OnCharHook(wxKeyEvent& event) {
  if (event.GetKeyCode() == WXK_ESCAPE && event.GetModifiers() == wxMOD_NONE) {
    Close();
    return;
  }
  event.Skip();
}

void CSearchDlg::OnClose(wxCloseEvent&) { Destroy(); }

// --- SearchWindow ---

std::string CSearchDlg::FieldText(int id) const {
  wxTextCtrl* field = Field(id);
  return field == nullptr ? std::string() : field->GetValue().utf8_string();
}

bool CSearchDlg::IsOrChosen() const { return m_and_or->GetSelection() == 1; }

bool CSearchDlg::IsWholeWordsChecked() const { return m_whole_words->GetValue(); }

void CSearchDlg::ShowResult(const std::string& text) {
  m_result->SetLabelText(FromBytes(text));  // an "&" in a path is no mnemonic
  m_result->Wrap(GetClientSize().GetWidth() - 20);
  Layout();
}

void CSearchDlg::ShowArticles(const std::vector<std::string>& rows) {
  wxArrayString items;
  for (const std::string& row : rows) items.Add(FromBytes(row));
  m_articles->Set(items);
}

void CSearchDlg::ShowLines(const std::vector<ShownLine>& lines) {
  m_lines->Freeze();
  m_lines->Clear();
  const wxTextAttr plain(*wxBLACK, *wxWHITE);
  const wxTextAttr highlighted(*wxBLACK, kHighlightColour);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    for (const LinePiece& piece : lines[i]) {
      m_lines->SetDefaultStyle(piece.highlighted ? highlighted : plain);
      m_lines->AppendText(FromBytes(piece.text));
    }
    m_lines->SetDefaultStyle(plain);
    if (i + 1 < lines.size()) m_lines->AppendText("\n");
  }
  m_lines->SetInsertionPoint(0);
  m_lines->ShowPosition(0);
  m_lines->Thaw();
}
