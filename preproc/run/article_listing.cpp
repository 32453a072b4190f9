#include "preproc/run/article_listing.h"

namespace preproc {

bool ArticleListing::Open(const std::string& path) {
  number_ = 0;
  return lines_->Open(path);
}

bool ArticleListing::Next(std::string* name) {
  while (lines_->Next(name)) {
    if (IsCommentLine(*name)) continue;
    ++number_;
    return true;
  }
  return false;
}

}  // namespace preproc
