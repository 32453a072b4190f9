// CTarvikView: the pre-processor's one view, alive for the whole program. It
// puts the form (CTarvikForm) into the main frame and is the wx glue of the
// form's commands: it hands every button, radio button and Edit menu event to
// the form controller (preproc/form/form_controller.h), which carries the
// command out and is the run services the runs report through, and it is the
// controller's FormWindow on wx controls.
//
// What is wx's own here: the fields' texts are read as UTF-8, the delimiter
// field as one Windows-1252 byte per character; the path buttons use a
// save-style dialog, so a folder that does not exist yet can be named; QUIT
// closes the main window once the command has returned. The status line and
// the progress bar follow a run: the toolkit draws them at most every 40 ms,
// and when the run ends or shows a box. A box is modal and captioned
// "KPXSearch PreProcessor".
//
// Edit > Try a Search... opens the search window (CSearchDlg); after a run the
// open one searches again.
//
// Tests may answer message boxes and browse dialogs instead of showing them
// (SetBoxAnswerer, SetPathChooser).
#ifndef KPX_PREPROC_WX_TARVIK_VIEW_H_
#define KPX_PREPROC_WX_TARVIK_VIEW_H_

#include <wx/docview.h>
#include <wx/weakref.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "preproc/form/form_controller.h"
#include "preproc/form/form_window.h"

class CSearchDlg;
class CTarvikDoc;
class CTarvikForm;

class CTarvikView : public wxView, public preproc::FormWindow {
 public:
  using BoxAnswerer = std::function<void(std::string_view text, preproc::MessageKind kind)>;
  // Returns the chosen path, or nothing for Cancel.
  using PathChooser = std::function<std::optional<wxString>(const wxString& title)>;

  CTarvikView() = default;

  bool OnCreate(wxDocument* doc, long flags) override;
  bool OnClose(bool delete_window) override;
  void OnDraw(wxDC*) override {}
  void OnChangeFilename() override {}  // the main window's caption never changes
  void OnActivateView(bool activate, wxView* active, wxView* deactive) override;

  CTarvikForm* form() const { return m_form; }
  CTarvikDoc* doc() const;
  // The form's commands and the run services; exists from OnCreate on.
  preproc::FormController& controller() const { return *m_controller; }

  void SetBoxAnswerer(BoxAnswerer answerer) { m_box_answerer = std::move(answerer); }
  void SetPathChooser(PathChooser chooser) { m_path_chooser = std::move(chooser); }

  // How the clipboard rules see a window that has the focus (null: none).
  static preproc::FocusedControl DescribeFocus(wxWindow* focus);

  // --- FormWindow, on the form's wx controls ---
  std::string FieldText(int id) const override;
  void SetFieldText(int id, const std::string& text) override;
  void EnableControl(int id, bool enable) override;
  void CheckRadioButton(int id) override;
  std::optional<std::string> ChoosePath(std::string_view title, bool directory_part) override;
  void ReactivateToolTips() override;
  preproc::FocusedControl DescribeFocusedControl() const override;
  bool ClipboardHasText() const override;
  void EditFocusedField(preproc::EditCommand command) override;
  void CloseProgram() override;
  void OpenSearchWindow(const std::string& index_path, const std::string& copy_path) override;
  void SearchAgain(const std::string& index_path, const std::string& copy_path) override;

  // The open search window; null when none is open.
  CSearchDlg* search_window() const { return m_search; }
  // The plug-in the search window loads: the KPXSearch.so installed beside
  // the program (TARVIK_GUI_INSTALLED_PLUGIN, relative to its directory),
  // else the one built with it.
  static std::string SearchPluginPath();
  void ShowBox(std::string_view text, preproc::MessageKind kind) override;
  void ShowStatus(const std::string& text) override;
  void ShowProgress(int lower, int upper, int pos) override;

 private:
  void InitialUpdate();
  void LetTheToolkitDraw();

  void OnButton(wxCommandEvent& event);
  void OnTextDocument(wxCommandEvent& event);
  void OnHtmlDocument(wxCommandEvent& event);
  void OnEditMenu(wxCommandEvent& event);
  void OnUpdateEditMenu(wxUpdateUIEvent& event);
  void OnTrySearch(wxCommandEvent& event);
  void OnIgnoreAccents(wxCommandEvent& event);
  void OnUpdateIgnoreAccents(wxUpdateUIEvent& event);

  CTarvikForm* m_form = nullptr;
  std::unique_ptr<preproc::FormController> m_controller;
  BoxAnswerer m_box_answerer;
  PathChooser m_path_chooser;
  wxWeakRef<CSearchDlg> m_search;  // cleared when the window is destroyed
  wxLongLong m_last_repaint = 0;

  wxDECLARE_EVENT_TABLE();
  wxDECLARE_DYNAMIC_CLASS(CTarvikView);
};

#endif  // KPX_PREPROC_WX_TARVIK_VIEW_H_
