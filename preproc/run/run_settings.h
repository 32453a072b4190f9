// RunSettings: the one record the two pre-processor runs take their input from.
// The desktop form fills it from its fields when a command button is pressed;
// the tarvik command fills it from its options. Paths are handed over with
// their separators already native (platform::ToNativeSeparators).
#ifndef KPX_PREPROC_RUN_RUN_SETTINGS_H_
#define KPX_PREPROC_RUN_RUN_SETTINGS_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace preproc {

enum ArticleType : std::int32_t { kTextArticle = 0, kHtmlArticle = 1 };

inline constexpr size_t kMaxDelimiters = 49;  // the form's field holds 50 with the NUL

struct RunSettings {
  std::string listing_file;  // the article listing file
  std::string index_path;    // the index generation run's output directory
  std::string article_path;  // the directory listed names are relative to
  std::string copy_path;     // the article duplication run's output directory
  std::int32_t article_type = kTextArticle;
  std::string delimiters;  // at most kMaxDelimiters bytes, see CutDelimiters
  platform::CaseFold fold = platform::kDefaultCaseFold;  // how words are upper-cased
  // Words are folded with the Windows-1252 accent-free table instead
  // (platform::kCp1252AccentFree); the front ends offer it only where
  // platform::CanIgnoreAccents() and never with CaseFold::kAscii.
  bool ignore_accents = false;
  // The copy run writes the phrase accelerator beside the copies (its words
  // folded as above, so give the copy run the index run's fold).
  bool phrase_index = true;
};

// The table the index run folds words with, and records in the set.
inline const platform::UpperCaseTable& FoldTableOf(const RunSettings& settings) {
  return platform::GetUpperCaseTable(settings.fold, settings.ignore_accents);
}

// The first kMaxDelimiters bytes of a delimiter field (the hand-over rule).
inline std::string CutDelimiters(std::string_view field) {
  return std::string(field.substr(0, kMaxDelimiters));
}

}  // namespace preproc

#endif  // KPX_PREPROC_RUN_RUN_SETTINGS_H_
