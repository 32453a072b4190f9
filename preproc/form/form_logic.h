// The pre-processor form's rules that need no window: what each command button
// hands over to its run, which part of a browsed path a path field receives,
// what an article-type click changes, and when the Edit menu's clipboard
// commands are enabled. The form controller (form_controller.h) applies them
// for every desktop form; everything here is a pure function of its arguments.
#ifndef KPX_PREPROC_FORM_FORM_LOGIC_H_
#define KPX_PREPROC_FORM_FORM_LOGIC_H_

#include <string>
#include <string_view>

#include "preproc/run/run_settings.h"

namespace preproc {

// The texts of the form's fields at the moment of a click, as bytes.
struct FormFields {
  std::string listing_file;  // field 1018
  std::string article_path;  // field 1016
  std::string index_path;    // field 1013
  std::string copy_path;     // field 1009
  std::string delimiters;    // field 1003
};

// "Generate Index Files": listing file, article path, index path and the
// delimiter set (cut to kMaxDelimiters) are replaced; the copy path and the
// article type are left as they are. Paths get native separators.
void HandOverForIndexRun(const FormFields& fields, RunSettings* settings);

// "Copy the Articles": copy path, listing file, article path and the delimiter
// set are replaced; the index path and the article type are left as they are.
void HandOverForCopyRun(const FormFields& fields, RunSettings* settings);

// The directory part of a chosen path: everything up to and including its last
// separator ("/" or "\"); empty when the path holds no separator.
std::string DirectoryPart(std::string_view chosen_path);

// What a click on one of the two article-type radio buttons does.
struct ArticleTypeClick {
  std::int32_t article_type;  // the document's new article type
  bool disable_special_tag;   // true: disable the "Special Tag" field and label;
                              // false: leave them as they are
};
ArticleTypeClick ClickArticleType(ArticleType clicked);

// The control that holds the keyboard focus, as the clipboard rules see it.
struct FocusedControl {
  bool is_edit_field = false;  // a single-line text field (not a button, label, ...)
  bool has_selection = false;  // its selection is not empty
  bool read_only = false;
};

// Cut and Copy: an edit field with a non-empty selection.
bool CanCutOrCopy(const FocusedControl& focus);
// Paste: an edit field that is not read-only, while the clipboard holds text.
bool CanPaste(const FocusedControl& focus, bool clipboard_has_text);

}  // namespace preproc

#endif  // KPX_PREPROC_FORM_FORM_LOGIC_H_
