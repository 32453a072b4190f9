#include "preproc/form/form_controller.h"

#include <optional>
#include <utility>

#include "platform/code_page.h"
#include "preproc/copier/copy_run.h"
#include "preproc/form/form_ids.h"
#include "preproc/form/form_texts.h"
#include "preproc/indexer/index_run.h"

namespace preproc {

FormController::FormController(FormWindow& window, RunSettings& settings, std::string run_log_path)
    : RunServices(std::move(run_log_path)), window_(window), settings_(settings) {}

void FormController::OnInitialUpdate() {
  window_.CheckRadioButton(kIdTextDocument);  // the document's article type stays as it is
  DisableSpecialTag();
}

// --- the command buttons ---

FormFields FormController::ReadFields() const {
  FormFields fields;
  fields.listing_file = window_.FieldText(kIdListingFile);
  fields.article_path = window_.FieldText(kIdArticlePath);
  fields.index_path = window_.FieldText(kIdIndexPath);
  fields.copy_path = window_.FieldText(kIdCopyPath);
  fields.delimiters = window_.FieldText(kIdDelimiters);
  return fields;
}

void FormController::OnGenerate() {
  const FormFields fields = ReadFields();
  HandOverForIndexRun(fields, &settings_);
  GenerateIndexFiles(settings_, *this);
  window_.SearchAgain(fields.index_path, fields.copy_path);
}

void FormController::OnCopy() {
  const FormFields fields = ReadFields();
  HandOverForCopyRun(fields, &settings_);
  CopyArticles(settings_, *this);
  window_.SearchAgain(fields.index_path, fields.copy_path);
}

void FormController::OnTrySearch() {
  window_.OpenSearchWindow(window_.FieldText(kIdIndexPath), window_.FieldText(kIdCopyPath));
}

void FormController::OnQuit() { window_.CloseProgram(); }

void FormController::OnArticleType(ArticleType clicked) {
  const ArticleTypeClick click = ClickArticleType(clicked);
  settings_.article_type = click.article_type;
  if (click.disable_special_tag) DisableSpecialTag();
}

void FormController::DisableSpecialTag() {
  window_.EnableControl(kIdSpecialTag, false);
  window_.EnableControl(kIdSpecialTagLabel, false);
}

void FormController::OnBrowse(int button_id) {
  for (const BrowseButton& button : kBrowseButtons) {
    if (button.id != button_id) continue;
    if (std::optional<std::string> chosen =
            window_.ChoosePath(button.title, button.directory_part)) {
      window_.SetFieldText(button.field_id,
                           button.directory_part ? DirectoryPart(*chosen) : *chosen);
    }
    window_.ReactivateToolTips();
    return;
  }
}

// --- the Edit menu ---

bool FormController::IsEditCommandEnabled(EditCommand command) const {
  const FocusedControl focus = window_.DescribeFocusedControl();
  switch (command) {
    case EditCommand::kCut:
    case EditCommand::kCopy:
      return CanCutOrCopy(focus);
    case EditCommand::kPaste:
      // The clipboard is asked only when a writable field has the focus.
      return focus.is_edit_field && !focus.read_only && CanPaste(focus, window_.ClipboardHasText());
    case EditCommand::kUndo:
      return false;  // undo has no handler
  }
  return false;
}

void FormController::OnEditCommand(EditCommand command) {
  const FocusedControl focus = window_.DescribeFocusedControl();
  if (!focus.is_edit_field) return;
  const bool act = command == EditCommand::kPaste  ? CanPaste(focus, true)
                   : command == EditCommand::kUndo ? false
                                                   : CanCutOrCopy(focus);
  if (act) window_.EditFocusedField(command);
}

bool FormController::IsIgnoreAccentsEnabled() const {
  return platform::CanIgnoreAccents() && settings_.fold != platform::CaseFold::kAscii;
}

void FormController::OnIgnoreAccents() {
  if (IsIgnoreAccentsEnabled()) settings_.ignore_accents = !settings_.ignore_accents;
}

// --- run services: what the window shows ---

void FormController::ShowStatus(const std::string& text) { window_.ShowStatus(text); }

void FormController::ShowProgress(int lower, int upper, int pos) {
  window_.ShowProgress(lower, upper, pos);
}

void FormController::ShowBox(std::string_view text, MessageKind kind) {
  window_.ShowBox(text, kind);
  window_.ReactivateToolTips();
}

}  // namespace preproc
