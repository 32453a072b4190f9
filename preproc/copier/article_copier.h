// ArticleCopier: copies one article into its phrase search file, in blocks of
// kCopyBlockSize bytes through the copier's one block buffer, transforming
// each block (PhraseSearchTransform) before it is written.
//
// A run makes one ArticleCopier and copies every article through it; the
// buffers live as long as the copier, so no block allocates.
//
// Outcomes of CopyArticleFile:
//   - kCopied: the destination holds the whole transformed article.
//   - kNotOpened: the source could not be opened (a directory cannot) or the
//     destination could not be created (nor replaced: a directory of its name
//     is found when the final rename fails). The matching "could not open"
//     message has gone through services.ReportError; nothing was written under
//     the destination's name. The run goes on.
//   - kAccessFailed: reading the source or writing the destination failed after
//     both were open; failed_file names the file whose access failed (the
//     source for a read, the destination for a write, flush, close or the
//     final rename). Nothing has been reported: the caller abandons the run.
//     Both files are closed and the partial copy is removed; an earlier copy
//     under the destination's name stays as it was.
//   - kHeldBack: the copy would have created or replaced the destination and
//     the copier's change guard refused; nothing changed, nothing reported.
//
// The copy is written under PartialCopyName(destination) and renamed over the
// destination only when it is whole, so the destination is never half-written;
// a destination that holds the copy's bytes already is left as it is (the
// partial copy is removed), so a rerun rewrites only the copies that changed.
// The change guard (SetChangeGuard) is called just before a copy creates or
// replaces its destination, so a run can retire what describes the old copies
// only once one of them is about to change.
#ifndef KPX_PREPROC_COPIER_ARTICLE_COPIER_H_
#define KPX_PREPROC_COPIER_ARTICLE_COPIER_H_

#include <array>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "preproc/copier/phrase_transform.h"
#include "preproc/run/run_services.h"

namespace preproc {

inline constexpr size_t kCopyBlockSize = 4096;

enum class CopyOutcome { kCopied, kNotOpened, kAccessFailed, kHeldBack };

struct CopyResult {
  CopyOutcome outcome = CopyOutcome::kCopied;
  std::string failed_file;  // set for kAccessFailed only
  bool changed = false;     // kCopied: the destination was created or replaced
};

inline constexpr size_t kStreamBufferSize = 64 * 1024;

class ArticleCopier {
 public:
  ArticleCopier(const TransformRules& rules, RunServices& services)
      : rules_(rules), services_(services) {}
  ArticleCopier(const ArticleCopier&) = delete;
  ArticleCopier& operator=(const ArticleCopier&) = delete;

  // Copies source to destination; when text is given, the copy's bytes are
  // appended to it (whatever the outcome: the caller drops them unless kCopied).
  CopyResult CopyArticleFile(const std::string& source, const std::string& destination,
                             std::string* text = nullptr);

  // Called before every copy that changes its destination; false holds the
  // copy back (kHeldBack). None by default.
  void SetChangeGuard(std::function<bool()> guard) { change_guard_ = std::move(guard); }

 private:
  // Reports that the destination could not be created.
  CopyResult DestinationNotOpened(const std::string& destination);
  // Copies every block; on failure returns the file whose access failed.
  CopyResult CopyBlocks(std::FILE* source, const std::string& source_name, std::FILE* destination,
                        const std::string& destination_name, std::string* text);

  const TransformRules& rules_;
  RunServices& services_;
  std::function<bool()> change_guard_;
  std::array<char, kCopyBlockSize + 1> block_{};   // the data bytes and a NUL
  std::array<char, kCopyBlockSize + 2> output_{};  // the block, a held-back "<" and a NUL
  std::vector<char> in_buffer_ = std::vector<char>(kStreamBufferSize);  // the source's stdio buffer
  std::vector<char> out_buffer_ = std::vector<char>(kStreamBufferSize);  // the copy's stdio buffer
};

}  // namespace preproc

#endif  // KPX_PREPROC_COPIER_ARTICLE_COPIER_H_
