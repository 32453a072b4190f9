// CSearchDlg: the form's search window on wx, a modeless dialog owned by the
// main frame, one at a time (CTarvikView opens it with Edit > Try a Search...).
// It lays out the controls of form_ids.h (SearchControlId) in their tab order,
// is the SearchWindow of its SearchController (preproc/form/search_controller.h)
// and hands it every event: Enter in any of its fields or the Search button
// searches, moving the article list's selection (arrows or the mouse) shows
// the article's lines; the list selects its first row when it gets the focus
// with none selected. Escape closes it, as the window's own Close does; the
// window is destroyed then and nothing of it is kept.
//
// What is wx's own here: fields are read as UTF-8 (as the form's paths are);
// a shown line is UTF-8 where its bytes are valid UTF-8, Windows-1252
// otherwise; occurrences are black on yellow (kHighlightColour) in the lines
// view, the rest black on white, in the system font at its normal size.
#ifndef KPX_PREPROC_WX_SEARCH_DLG_H_
#define KPX_PREPROC_WX_SEARCH_DLG_H_

#include <wx/colour.h>
#include <wx/dialog.h>

#include <memory>
#include <string>
#include <vector>

#include "preproc/form/search_controller.h"
#include "preproc/form/search_window.h"

class wxCheckBox;
class wxChoice;
class wxListBox;
class wxStaticText;
class wxTextCtrl;

inline constexpr char kSearchWindowTitle[] = "Try a Search";
inline const wxColour kHighlightColour(255, 255, 0);

class CSearchDlg : public wxDialog, public preproc::SearchWindow {
 public:
  CSearchDlg(wxWindow* parent, const std::string& plugin_path);

  preproc::SearchController& controller() { return *m_controller; }
  // Brings the window to the front with the focus in the phrase field.
  void Present();

  wxTextCtrl* Field(int id) const;  // one of the four edit fields
  wxChoice* AndOr() const { return m_and_or; }
  wxCheckBox* WholeWords() const { return m_whole_words; }
  wxStaticText* Result() const { return m_result; }
  wxListBox* Articles() const { return m_articles; }
  wxTextCtrl* Lines() const { return m_lines; }

  // --- SearchWindow, on the dialog's controls ---
  std::string FieldText(int id) const override;
  bool IsOrChosen() const override;
  bool IsWholeWordsChecked() const override;
  void ShowResult(const std::string& text) override;
  void ShowArticles(const std::vector<std::string>& rows) override;
  void ShowLines(const std::vector<preproc::ShownLine>& lines) override;

 private:
  void CreateControls();
  void OnSearch(wxCommandEvent& event);
  void OnSelect(wxCommandEvent& event);
  void OnListFocus(wxFocusEvent& event);
  void OnCharHook(wxKeyEvent& event);
  void OnClose(wxCloseEvent& event);

  wxChoice* m_and_or = nullptr;
  wxCheckBox* m_whole_words = nullptr;
  wxStaticText* m_result = nullptr;
  wxListBox* m_articles = nullptr;
  wxTextCtrl* m_lines = nullptr;
  std::unique_ptr<preproc::SearchController> m_controller;
};

#endif  // KPX_PREPROC_WX_SEARCH_DLG_H_
