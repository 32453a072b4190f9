// CTarvikView: the pre-processor's one view, alive for the whole program. It
// puts the form (CTarvikForm) into the main frame, carries out the form's
// commands and is the run services the two runs report through:
//   - "Generate Index Files" and "Copy the Articles" hand the fields at the
//     moment of the click over to the document's run settings (form_logic.h)
//     and run GenerateIndexFiles or CopyArticles synchronously on this thread;
//   - the browse buttons put a chosen file (or its directory part) into a field;
//   - the article-type buttons set the document's article type;
//   - Edit > Cut, Copy, Paste act on the focused edit field; Undo stays disabled;
//   - QUIT closes the main window without a question.
// The runs' status line and progress bar follow the run: the toolkit draws
// them at most every 40 ms, and when the run ends or shows a box. A message box
// of a run is modal and captioned "KPXSearch PreProcessor", and an error is
// written to the run log only after the box is closed.
//
// Tests may answer message boxes and browse dialogs instead of showing them
// (SetBoxAnswerer, SetPathChooser).
#ifndef KPX_PREPROC_WX_TARVIK_VIEW_H_
#define KPX_PREPROC_WX_TARVIK_VIEW_H_

#include <wx/docview.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "preproc/form/form_logic.h"
#include "preproc/run/run_services.h"

class CTarvikDoc;
class CTarvikForm;
class wxTextCtrl;

class CTarvikView : public wxView, public preproc::RunServices {
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

  void SetBoxAnswerer(BoxAnswerer answerer) { m_box_answerer = std::move(answerer); }
  void SetPathChooser(PathChooser chooser) { m_path_chooser = std::move(chooser); }

  // How the clipboard rules see a window that has the focus (null: none).
  static preproc::FocusedControl DescribeFocus(wxWindow* focus);

 protected:
  void ShowStatus(const std::string& text) override;
  void ShowProgress(int lower, int upper, int pos) override;
  void ShowBox(std::string_view text, preproc::MessageKind kind) override;

 private:
  void InitialUpdate();
  preproc::FormFields ReadFields() const;
  void Browse(const wxString& title, int field_id, bool directory_part);
  std::optional<wxString> ChoosePath(const wxString& title, bool directory_part);
  void LetTheToolkitDraw();

  void OnGenerateIndexFiles(wxCommandEvent& event);
  void OnCopyArticles(wxCommandEvent& event);
  void OnQuit(wxCommandEvent& event);
  void OnBrowse(wxCommandEvent& event);
  void OnTextDocument(wxCommandEvent& event);
  void OnHtmlDocument(wxCommandEvent& event);
  void OnClipboard(wxCommandEvent& event);
  void OnUpdateClipboard(wxUpdateUIEvent& event);
  void OnUpdateUndo(wxUpdateUIEvent& event);

  CTarvikForm* m_form = nullptr;
  BoxAnswerer m_box_answerer;
  PathChooser m_path_chooser;
  wxLongLong m_last_repaint = 0;

  wxDECLARE_EVENT_TABLE();
  wxDECLARE_DYNAMIC_CLASS(CTarvikView);
};

#endif  // KPX_PREPROC_WX_TARVIK_VIEW_H_
