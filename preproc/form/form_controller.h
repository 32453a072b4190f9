// FormController: the pre-processor form's commands, carried out once for
// every desktop form. A view (CTarvikView, wx or Win32) maps its controls'
// events to the On* methods below and implements FormWindow for them; the
// controller applies the form's rules (form_logic.h) and starts the runs.
//
//   - "Generate Index Files" and "Copy the Articles" hand the fields, read at
//     the moment of the click, over to the run settings and run
//     GenerateIndexFiles or CopyArticles synchronously on this thread;
//   - a browse button puts the chosen path, or its directory part, into its
//     field (kBrowseButtons); Cancel leaves the field as it is;
//   - "Text Document" sets the article type to text and disables the Special
//     Tag field and its label; "HTML Document" sets it to HTML, nothing else;
//   - Edit > Cut, Copy, Paste act on the focused edit field; Undo is never
//     enabled;
//   - Edit > Ignore Accents is a checked item, off at the start: while it is
//     checked "Generate Index Files" folds words without their accents
//     (RunSettings::ignore_accents, which holds its state); the copy run does
//     not read it. It is enabled only where such a fold fits the text:
//     platform::CanIgnoreAccents() (Windows-1252) and not the ASCII fold;
//   - Edit > Try a Search... (Ctrl+F) opens the search window on the Index
//     Path and Copy Path fields as they are; after either run the open
//     search window searches again on the fields the run read;
//   - QUIT ends the program without a question.
// Initial update checks "Text Document" (the article type stays as it is) and
// disables the Special Tag field and its label.
//
// The controller is the run services the runs report through: it keeps the
// run log and the progress arithmetic (RunServices), and the window shows the
// status line, the bar and the boxes. After every box the form's tool tips
// are turned on again; an error is logged only after its box is closed.
//
// Ownership: the run settings are the document's (CTarvikDoc) and the window
// is the view; both outlive the controller. One thread: every method is
// called on the user-interface thread.
#ifndef KPX_PREPROC_FORM_FORM_CONTROLLER_H_
#define KPX_PREPROC_FORM_FORM_CONTROLLER_H_

#include <string>
#include <string_view>

#include "preproc/form/form_logic.h"
#include "preproc/form/form_window.h"
#include "preproc/run/run_services.h"
#include "preproc/run/run_settings.h"

namespace preproc {

class FormController : public RunServices {
 public:
  FormController(FormWindow& window, RunSettings& settings, std::string run_log_path = kRunLogName);

  // When the form is first shown.
  void OnInitialUpdate();

  // The command buttons. Each returns when its run has ended.
  void OnGenerate();
  void OnCopy();
  void OnQuit();
  // Edit > Try a Search...
  void OnTrySearch();
  // A click on one of the two article-type radio buttons (kTextArticle,
  // kHtmlArticle).
  void OnArticleType(ArticleType clicked);
  // A click on a browse button (kBrowseButtons); any other ID does nothing.
  void OnBrowse(int button_id);

  // Edit menu: whether a command is enabled now (the clipboard is asked only
  // for Paste, and only while a writable field has the focus), and carrying
  // it out on the focused field: Cut and Copy when it has a selection, Paste
  // when it is writable; anything else does nothing.
  bool IsEditCommandEnabled(EditCommand command) const;
  void OnEditCommand(EditCommand command);

  // Edit > Ignore Accents: whether it can be chosen now, whether it is
  // checked, and a click on it (which turns it over when it is enabled).
  bool IsIgnoreAccentsEnabled() const;
  bool IsIgnoreAccentsChecked() const { return settings_.ignore_accents; }
  void OnIgnoreAccents();

  const RunSettings& settings() const { return settings_; }

 protected:
  void ShowStatus(const std::string& text) override;
  void ShowProgress(int lower, int upper, int pos) override;
  void ShowBox(std::string_view text, MessageKind kind) override;

 private:
  FormFields ReadFields() const;
  void DisableSpecialTag();

  FormWindow& window_;
  RunSettings& settings_;
};

}  // namespace preproc

#endif  // KPX_PREPROC_FORM_FORM_CONTROLLER_H_
