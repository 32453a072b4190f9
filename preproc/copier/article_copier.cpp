#include "preproc/copier/article_copier.h"

#include "platform/file_system.h"
#include "preproc/copier/phrase_search_file.h"
#include "preproc/run/message_text.h"

namespace preproc {
namespace {

CopyResult AccessFailed(const std::string& file) {
  return CopyResult{CopyOutcome::kAccessFailed, file};
}

}  // namespace

CopyResult ArticleCopier::DestinationNotOpened(const std::string& destination) {
  services_.ReportError(FormatMessage(
      "\n# KPXSindx: ERROR, could not open destination article '%s'\n", destination.c_str()));
  return CopyResult{CopyOutcome::kNotOpened, {}};
}

CopyResult ArticleCopier::CopyArticleFile(const std::string& source, const std::string& destination,
                                          std::string* text) {
  // Untranslated modes: the article's bytes and line ends pass unchanged.
  std::FILE* in = platform::OpenRegularFile(source);
  if (in == nullptr) {
    services_.ReportError(
        FormatMessage("\n# KPXSindx: ERROR, could not open source article'%s'\n", source.c_str()));
    return CopyResult{CopyOutcome::kNotOpened, {}};
  }
  // The copy is written under a partial name and renamed when it is whole, so
  // a run that fails or is killed never leaves a half-written copy.
  const std::string partial = PartialCopyName(destination);
  // A leftover partial copy, or a link planted under its name, is removed,
  // never written through.
  std::FILE* out = platform::CreateNewFile(partial);
  if (out == nullptr) {
    std::fclose(in);
    return DestinationNotOpened(destination);
  }
  // Whole-article buffers: one read and one write call for a typical article.
  std::setvbuf(in, in_buffer_.data(), _IOFBF, in_buffer_.size());
  std::setvbuf(out, out_buffer_.data(), _IOFBF, out_buffer_.size());
  CopyResult result = CopyBlocks(in, source, out, destination, text);  // names the final copy
  std::fclose(in);  // read only: nothing to lose on close
  const bool flushed = std::fflush(out) == 0;
  const bool closed = std::fclose(out) == 0;
  if (result.outcome == CopyOutcome::kCopied && !(flushed && closed)) {
    result = AccessFailed(destination);
  }
  // A copy whose bytes the destination holds already is dropped: the
  // destination stays as it was, its inode and time included. The
  // destination is opened first, so a run into an empty copy path pays one
  // failed open per copy.
  if (result.outcome == CopyOutcome::kCopied && platform::SameFileContents(destination, partial)) {
    platform::RemoveFile(partial);
    return result;
  }
  if (result.outcome == CopyOutcome::kCopied && change_guard_ && !change_guard_()) {
    result = CopyResult{CopyOutcome::kHeldBack, {}};
  }
  if (result.outcome == CopyOutcome::kCopied && !platform::RenameOver(partial, destination)) {
    // A directory under the destination's name cannot be replaced by a file:
    // looked for only when the rename fails, which saves every copy a lookup.
    result = platform::IsDirectory(destination) ? DestinationNotOpened(destination)
                                                : AccessFailed(destination);
  }
  if (result.outcome != CopyOutcome::kCopied) platform::RemoveFile(partial);
  result.changed = result.outcome == CopyOutcome::kCopied;
  return result;
}

CopyResult ArticleCopier::CopyBlocks(std::FILE* source, const std::string& source_name,
                                     std::FILE* destination, const std::string& destination_name,
                                     std::string* text) {
  TransformState state;  // fresh for every article
  for (;;) {
    const size_t read = std::fread(block_.data(), 1, kCopyBlockSize, source);
    if (read < kCopyBlockSize && std::ferror(source)) return AccessFailed(source_name);
    block_[read] = '\0';
    const size_t length = PhraseSearchTransform(block_.data(), output_.data(), rules_, state);
    if (std::fwrite(output_.data(), 1, length, destination) != length) {
      return AccessFailed(destination_name);
    }
    if (text != nullptr) text->append(output_.data(), length);
    // A full block may be followed by more; a short one (even empty) ends the article.
    if (read < kCopyBlockSize) return CopyResult{};
  }
}

}  // namespace preproc
