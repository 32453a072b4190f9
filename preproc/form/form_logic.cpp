#include "preproc/form/form_logic.h"

#include "platform/file_system.h"

namespace preproc {

void HandOverForIndexRun(const FormFields& fields, RunSettings* settings) {
  settings->listing_file = platform::ToNativeSeparators(fields.listing_file);
  settings->article_path = platform::ToNativeSeparators(fields.article_path);
  settings->index_path = platform::ToNativeSeparators(fields.index_path);
  settings->delimiters = CutDelimiters(fields.delimiters);
}

void HandOverForCopyRun(const FormFields& fields, RunSettings* settings) {
  settings->copy_path = platform::ToNativeSeparators(fields.copy_path);
  settings->listing_file = platform::ToNativeSeparators(fields.listing_file);
  settings->article_path = platform::ToNativeSeparators(fields.article_path);
  settings->delimiters = CutDelimiters(fields.delimiters);
}

std::string DirectoryPart(std::string_view chosen_path) {
  size_t last = chosen_path.find_last_of("/\\");
  if (last == std::string_view::npos) return std::string();
  return std::string(chosen_path.substr(0, last + 1));
}

ArticleTypeClick ClickArticleType(ArticleType clicked) {
  if (clicked == kHtmlArticle) return {kHtmlArticle, false};
  return {kTextArticle, true};
}

bool CanCutOrCopy(const FocusedControl& focus) {
  return focus.is_edit_field && focus.has_selection;
}

bool CanPaste(const FocusedControl& focus, bool clipboard_has_text) {
  return focus.is_edit_field && !focus.read_only && clipboard_has_text;
}

}  // namespace preproc
