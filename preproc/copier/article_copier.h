// ArticleCopier: copies one article into its phrase search file. The source
// is read whole, then transformed (PhraseSearchTransform) in blocks of
// kCopyBlockSize bytes, as if read a block at a time, into the copy, which is
// kept whole in memory and written only when the destination does not hold
// those bytes already.
//
// A run makes one ArticleCopier and copies every article through it; the
// buffers live as long as the copier, so an article allocates only when it is
// longer than every one before it.
//
// Outcomes of CopyArticleFile:
//   - kCopied: the destination holds the whole transformed article.
//   - kNotOpened: the source could not be opened (a directory cannot) or the
//     destination could not be created (nor replaced: a directory of its name
//     is found when the final rename fails). The matching "could not open"
//     message has gone through services.ReportError; nothing was written under
//     the destination's name. The run goes on.
//   - kAccessFailed: reading the source or writing the destination failed after
//     the source was open; failed_file names the file whose access failed (the
//     source for a read, the destination for a write, flush, close or the
//     final rename). Nothing has been reported: the caller abandons the run.
//     Both files are closed and the partial copy is removed; an earlier copy
//     under the destination's name stays as it was.
//   - kHeldBack: the copy would have created or replaced the destination and
//     the copier's change guard refused; nothing changed, nothing reported.
//
// A destination that holds the copy's bytes already is left as it is, its
// inode and time included, and nothing else is created: so a rerun over
// unchanged articles reads each source and each copy once and writes
// nothing. Any other copy is written under PartialCopyName(destination) and
// renamed over the destination only when it is whole, so the destination is
// never half-written. The change guard (SetChangeGuard) is called once the
// partial copy is whole, just before it replaces or creates the destination,
// so a run can retire what describes the old copies only once one of them is
// about to change.
#ifndef KPX_PREPROC_COPIER_ARTICLE_COPIER_H_
#define KPX_PREPROC_COPIER_ARTICLE_COPIER_H_

#include <array>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
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
  size_t bytes = 0;         // kCopied: the copy's length
};

// The article file a listing line names under article_path (which ends in a
// separator), as the copy run reads it.
std::string ArticleSourceName(const std::string& article_path, const std::string& line);

// The destination is read back in blocks of this size to compare it with a copy.
inline constexpr size_t kCompareBlockSize = 64 * 1024;

class ArticleCopier {
 public:
  ArticleCopier(const TransformRules& rules, RunServices& services)
      : rules_(rules), services_(services) {}
  ArticleCopier(const ArticleCopier&) = delete;
  ArticleCopier& operator=(const ArticleCopier&) = delete;

  // Copies source to destination; when text is given, the copy's bytes are
  // appended to it (whatever the outcome: the caller drops them unless kCopied),
  // else the copier keeps them until the next copy. absent says the
  // destination cannot be there yet (its directory was made by this run), so
  // it is not looked for.
  CopyResult CopyArticleFile(const std::string& source, const std::string& destination,
                             std::string* text = nullptr, bool absent = false);

  // Whether destination holds the copy of source already, as CopyArticleFile
  // finds it before it leaves a copy as it is: *bytes is then the copy's
  // length. Only reads: reports nothing, writes nothing; any failure is a no.
  bool HoldsCurrentCopy(const std::string& source, const std::string& destination, size_t* bytes);

  // Called before every copy that changes its destination; false holds the
  // copy back (kHeldBack). None by default.
  void SetChangeGuard(std::function<bool()> guard) { change_guard_ = std::move(guard); }

 private:
  // Reports that the destination could not be created.
  CopyResult DestinationNotOpened(const std::string& destination);
  // Transforms the article read (source_) onto the end of copy.
  void TransformSource(std::string& copy);
  // Whether destination is a regular file holding exactly bytes.
  bool DestinationHolds(const std::string& destination, std::string_view bytes);
  // Writes bytes under the partial name and, the guard permitting, renames
  // them over the destination.
  CopyResult WriteCopy(const std::string& destination, std::string_view bytes);

  const TransformRules& rules_;
  RunServices& services_;
  std::function<bool()> change_guard_;
  std::string source_;                             // the article, read whole
  std::array<char, kCopyBlockSize + 2> output_{};  // a block, a held-back "<" and a NUL
  std::string copy_;  // the copy being made, when the caller takes no text
  // What the destination holds, a block at a time, compared with the copy.
  std::vector<char> compare_buffer_ = std::vector<char>(kCompareBlockSize);
};

}  // namespace preproc

#endif  // KPX_PREPROC_COPIER_ARTICLE_COPIER_H_
