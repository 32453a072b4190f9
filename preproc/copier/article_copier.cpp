#include "preproc/copier/article_copier.h"

#include <algorithm>

#include "platform/file_system.h"
#include "preproc/copier/phrase_search_file.h"
#include "preproc/run/message_text.h"

namespace preproc {
namespace {

CopyResult AccessFailed(const std::string& file) {
  return CopyResult{CopyOutcome::kAccessFailed, file};
}

}  // namespace

std::string ArticleSourceName(const std::string& article_path, const std::string& line) {
  return platform::ToNativeSeparators(article_path + line);
}

CopyResult ArticleCopier::DestinationNotOpened(const std::string& destination) {
  services_.ReportError(FormatMessage(
      "\n# KPXSindx: ERROR, could not open destination article '%s'\n", destination.c_str()));
  return CopyResult{CopyOutcome::kNotOpened, {}};
}

CopyResult ArticleCopier::CopyArticleFile(const std::string& source, const std::string& destination,
                                          std::string* text, bool absent) {
  // Untranslated modes: the article's bytes and line ends pass unchanged. The
  // article is read whole, in one call for a file whose length is known.
  bool opened = false;
  if (!platform::ReadWholeFile(source, &source_, &opened)) {
    if (opened) return AccessFailed(source);
    services_.ReportError(
        FormatMessage("\n# KPXSindx: ERROR, could not open source article'%s'\n", source.c_str()));
    return CopyResult{CopyOutcome::kNotOpened, {}};
  }
  std::string& copy = text != nullptr ? *text : copy_;
  if (text == nullptr) copy_.clear();
  const size_t from = copy.size();
  TransformSource(copy);
  const std::string_view bytes = std::string_view(copy).substr(from);
  // A destination that holds these bytes stays as it was. In a directory
  // that was there before the run, a missing one costs a failed open.
  if (!absent && DestinationHolds(destination, bytes)) {
    CopyResult unchanged;
    unchanged.bytes = bytes.size();
    return unchanged;
  }
  return WriteCopy(destination, bytes);
}

bool ArticleCopier::HoldsCurrentCopy(const std::string& source, const std::string& destination,
                                     size_t* bytes) {
  if (!platform::ReadWholeFile(source, &source_)) return false;
  copy_.clear();
  TransformSource(copy_);
  if (!DestinationHolds(destination, copy_)) return false;
  *bytes = copy_.size();
  return true;
}

bool ArticleCopier::DestinationHolds(const std::string& destination, std::string_view bytes) {
  return platform::FileHoldsBytes(destination, bytes, compare_buffer_.data(),
                                  compare_buffer_.size());
}

// The article is transformed in blocks of kCopyBlockSize bytes, each ended
// with a NUL in place (the byte it covers is put back after), as if read one
// block at a time.
void ArticleCopier::TransformSource(std::string& copy) {
  TransformState state;  // fresh for every article
  char* const article = source_.data();
  const size_t size = source_.size();  // source_[size] is the string's own NUL
  copy.reserve(copy.size() + size);    // a copy is about as long as its article
  for (size_t at = 0;; at += kCopyBlockSize) {
    const size_t length = std::min(kCopyBlockSize, size - at);
    const char covered = article[at + length];
    article[at + length] = '\0';
    const size_t written = PhraseSearchTransform(article + at, output_.data(), rules_, state);
    article[at + length] = covered;
    copy.append(output_.data(), written);
    // A full block may be followed by more; a short one (even empty) ends the article.
    if (length < kCopyBlockSize) return;
  }
}

CopyResult ArticleCopier::WriteCopy(const std::string& destination, std::string_view bytes) {
  // The copy is written under a partial name and renamed when it is whole, so
  // a run that fails or is killed never leaves a half-written copy. A
  // leftover partial copy, or a link planted under its name, is removed,
  // never written through.
  const std::string partial = PartialCopyName(destination);
  // The copy is whole in memory: it goes to the file in one write.
  const platform::NewFileWrite written = platform::WriteNewFile(partial, bytes);
  if (written == platform::NewFileWrite::kNotCreated) return DestinationNotOpened(destination);
  CopyResult result;
  if (written == platform::NewFileWrite::kNotWritten) {
    result = AccessFailed(destination);
  } else if (change_guard_ && !change_guard_()) {
    result = CopyResult{CopyOutcome::kHeldBack, {}};
  } else if (!platform::RenameOver(partial, destination)) {
    // A directory under the destination's name cannot be replaced by a file:
    // looked for only when the rename fails, which saves every copy a lookup.
    result = platform::IsDirectory(destination) ? DestinationNotOpened(destination)
                                                : AccessFailed(destination);
  } else {
    result.changed = true;
    result.bytes = bytes.size();
    return result;
  }
  platform::RemoveFile(partial);
  return result;
}

}  // namespace preproc
