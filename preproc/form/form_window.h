// FormWindow: what the form's commands need from the window that shows the
// form, and nothing more. Each desktop form (the wx view in preproc/wx, the
// Win32 view in preproc/win32) implements it with its toolkit; FormController
// (form_controller.h) carries out every command through it, and tests put a
// fake window in its place.
//
// Controls are named by their IDs (form_ids.h). Texts are bytes: each window
// converts between its controls' strings and the bytes the runs compare
// (8-bit, as the article files hold them). Every call is made on the
// user-interface thread and returns when its effect is done; a modal dialog
// or box returns when the user has closed it. The window reports no failures:
// a dialog that cannot be shown counts as Cancel.
#ifndef KPX_PREPROC_FORM_FORM_WINDOW_H_
#define KPX_PREPROC_FORM_FORM_WINDOW_H_

#include <optional>
#include <string>
#include <string_view>

#include "preproc/form/form_logic.h"
#include "preproc/run/run_services.h"

namespace preproc {

// The Edit menu's commands on the focused field.
enum class EditCommand { kUndo, kCut, kCopy, kPaste };

class FormWindow {
 public:
  virtual ~FormWindow() = default;

  // --- fields and controls ---
  // The whole text of an edit field, as bytes.
  virtual std::string FieldText(int id) const = 0;
  // Replaces the text of an edit field.
  virtual void SetFieldText(int id, const std::string& text) = 0;
  // Enables or disables a control (an edit field keeps the colours that go
  // with its state).
  virtual void EnableControl(int id, bool enable) = 0;
  // Checks one of the two article-type radio buttons; the other clears.
  virtual void CheckRadioButton(int id) = 0;

  // --- browse dialogs ---
  // Shows the open-file dialog with this title, owned by the form. Returns
  // the chosen path, or nothing for Cancel. directory_part says that only the
  // path's directory part will be used, so the dialog may accept a name that
  // does not exist yet.
  virtual std::optional<std::string> ChoosePath(std::string_view title, bool directory_part) = 0;
  // Turns the form's tool tips on again (after a dialog or a box).
  virtual void ReactivateToolTips() = 0;

  // --- the clipboard ---
  // The control that has the keyboard focus, as the clipboard rules see it.
  virtual FocusedControl DescribeFocusedControl() const = 0;
  virtual bool ClipboardHasText() const = 0;
  // Sends cut, copy or paste to the focused field (never kUndo); called only
  // when the focused control is an edit field.
  virtual void EditFocusedField(EditCommand command) = 0;

  // --- the program ---
  // Ends the program without a question, once the current command returns.
  virtual void CloseProgram() = 0;

  // --- the search window (search_controller.h) ---
  // Shows the one search window on these paths (the Index Path and Copy Path
  // fields, as typed): opens it, or brings the open one to the front with
  // these paths. The focus goes to its phrase field.
  virtual void OpenSearchWindow(const std::string& index_path, const std::string& copy_path) = 0;
  // After a run: the open search window, if there is one, takes these paths
  // and searches again (SearchController::OnSetRebuilt); otherwise nothing.
  virtual void SearchAgain(const std::string& index_path, const std::string& copy_path) = 0;

  // --- what the runs show ---
  // A modal box with one OK button, captioned kApplicationTitle: a warning
  // icon for kError and kResult, a stop icon for kFatal.
  virtual void ShowBox(std::string_view text, MessageKind kind) = 0;
  // The status line 1021 shows text.
  virtual void ShowStatus(const std::string& text) = 0;
  // The progress bar 1004 shows pos within lower..upper.
  virtual void ShowProgress(int lower, int upper, int pos) = 0;
};

}  // namespace preproc

#endif  // KPX_PREPROC_FORM_FORM_WINDOW_H_
