#include "preproc/copier/copy_run.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "indexformat/phrase_pairs.h"
#include "platform/file_system.h"
#include "preproc/copier/article_copier.h"
#include "preproc/copier/copy_look_ahead.h"
#include "preproc/copier/phrase_index_writer.h"
#include "preproc/copier/phrase_search_file.h"
#include "preproc/run/article_listing.h"
#include "preproc/run/message_text.h"
#include "preproc/run/run_paths.h"

namespace preproc {
namespace {

constexpr std::uint16_t kProgressUpper = 28;

// Fewer articles left than this are not worth a second thread.
constexpr int kFewestLookedAhead = 16;

// One run over one listing. Every step that ends the run closes the listing
// and the run log.
class CopyRun {
 public:
  CopyRun(RunSettings settings, RunServices& services, CopyCounts& counts)
      : settings_(std::move(settings)),
        services_(services),
        counts_(counts),
        rules_(settings_.article_type == kHtmlArticle, settings_.delimiters) {}

  bool Run();

 private:
  enum class Next { kGoOn, kStop, kAbandon };

  bool PrepareInputs();
  bool ReadListing();
  bool CopyListing();
  Next CopyArticle(ArticleCopier& copier, int n, const std::string& line);
  CopyResult CopyOrFindCurrent(ArticleCopier& copier, int n, const std::string& source,
                               const std::string& destination, bool covered);
  bool RetirePhraseIndex();
  void NoteCopy(int n, const CopyResult& result);
  void GiveCopiesBefore(int n);
  void Finish();
  bool Fail(const std::string& message);
  bool Abandon(const std::string& file);

  RunSettings settings_;
  RunServices& services_;
  CopyCounts& counts_;
  TransformRules rules_;
  platform::PathLock lock_;  // of the copy path, for the whole run
  ArticleListing listing_;   // numbers the articles
  // The listing's names, read whole before the first copy, so that a listing
  // whose read fails changes no copy; one past the last number at most.
  std::vector<std::string> names_;
  int number_ = 0;  // the article being copied: the counter of the run
  std::string abandoned_file_;
  std::string made_directory_;  // the copy block directory made last
  // Whether this run created it: it then holds no copy but the ones this run
  // wrote there since, each of another article, so none is looked for.
  bool new_directory_ = false;
  // Whether a copy was created or replaced (the accelerator found was removed
  // just before), and why the accelerator could not be removed.
  bool copies_changed_ = false;
  std::string retire_failure_;
  // The copies the accelerator covers, as this run knows them.
  KnownCopies known_;
  // From the first change on, the accelerator's pairs are collected beside
  // the copying: the copies before it (found unchanged) are read back from
  // the copy path, the others handed over as they are made. A run that
  // changes nothing has none. given_ copies have been handed to it.
  std::string text_;  // the copy being made
  std::unique_ptr<PhraseIndexBuilder> builder_;
  int given_ = 0;
  // A rerun's later articles looked at on a second thread (copy_look_ahead.h).
  std::unique_ptr<CopyLookAhead> look_ahead_;
  bool look_ahead_tried_ = false;
};

bool CopyRun::Run() {
  services_.OpenRunLog();  // without a log the run goes on silently
  services_.LogText("# KPXScopy: Duplication of files Started ...\n");
  if (!PrepareInputs()) return false;
  // No accelerator may outlive a change of the copies it describes: one that
  // is to be written again goes just before the first copy changes (a run
  // that changes none may keep it), one that is not goes now.
  if (!settings_.phrase_index) {
    const std::string failure = DropPhraseIndex(settings_.copy_path);
    if (!failure.empty()) return Fail(failure);
  }
  services_.LogText("# KPXScopy: Starting file duplication process\n\n");
  services_.SetProgressRange(0, kProgressUpper);
  services_.SetProgressStep(1);
  services_.SetProgressPos(0);
  services_.SetStatusText("Starting Article Duplication Process");
  const bool copied = CopyListing();
  look_ahead_.reset();  // done, or its articles will not be copied
  if (!copied) return retire_failure_.empty() ? Abandon(abandoned_file_) : Fail(retire_failure_);
  if (settings_.phrase_index) {
    const int articles = std::min(number_, kMaxArticleNumber);
    if (builder_ != nullptr)
      GiveCopiesBefore(std::min(articles, indexformat::kMaxPairArticles) + 1);
    counts_.phrase_index_failed =
        !AddPhraseIndex(settings_.copy_path, articles, names_, FoldTableOf(settings_), known_,
                        !copies_changed_, builder_.get(), services_);
    builder_.reset();
  }
  Finish();
  return true;
}

// Opens the listing, checks both paths, gives them their final separator and
// creates them.
bool CopyRun::PrepareInputs() {
  if (!listing_.Open(settings_.listing_file)) {
    return Fail(ListingNotOpenedMessage(settings_.listing_file));
  }
  std::string failure = PrepareRunPaths(settings_.article_path, settings_.copy_path,
                                        "\n# KPXSindx: ERROR, no Copy Path specified.");
  if (!failure.empty()) return Fail(failure);
  if (!LockOutputPath(lock_, settings_.copy_path, kCopyLockName)) {
    return Fail(FormatMessage("# KPXScopy: ERROR, copy path '%s' is in use by another copy run\n",
                              settings_.copy_path.c_str()));
  }
  return ReadListing();
}

bool CopyRun::ReadListing() {
  std::string line;
  while (listing_.Next(&line)) {
    names_.push_back(line);
    if (listing_.number() > kMaxArticleNumber) break;
  }
  if (listing_.failed()) return Fail(ListingNotReadMessage(settings_.listing_file));
  listing_.Close();
  return true;
}

// Copies every article line; false when a file access failure abandons the run.
bool CopyRun::CopyListing() {
  ArticleCopier copier(rules_, services_);
  if (settings_.phrase_index) copier.SetChangeGuard([this] { return RetirePhraseIndex(); });
  for (const std::string& line : names_) {
    number_ = static_cast<int>(&line - names_.data()) + 1;
    if (number_ > kMaxArticleNumber) {
      services_.ReportError(
          FormatMessage("# KPXScopy: ERROR, no more files copied after # %d\n", kMaxArticleNumber));
      counts_.cut_off = true;
      return true;
    }
    const Next next = CopyArticle(copier, number_, line);
    if (next == Next::kAbandon) return false;
    if (next == Next::kStop) return true;
  }
  return true;
}

// Copies the article of one listing line under its article number.
CopyRun::Next CopyRun::CopyArticle(ArticleCopier& copier, int n, const std::string& line) {
  const std::string block_directory = CopyBlockDirectory(settings_.copy_path, n);
  const std::string source = ArticleSourceName(settings_.article_path, line);
  const std::string destination = PhraseSearchFileName(settings_.copy_path, n);
  services_.LogText(
      FormatMessage("Copying File %3d: %s to %s\n", n, source.c_str(), destination.c_str()));
  // A directory this run has made already needs no second look.
  const bool next_directory = block_directory != made_directory_;
  if (next_directory && !platform::EnsurePath(block_directory, &new_directory_)) {
    services_.ReportError(FormatMessage("# KPXScopy: ERROR, could not find/create path '%s'\n",
                                        block_directory.c_str()));
    ++counts_.failed;
    return Next::kStop;
  }
  // Nothing is written through a copy block directory that is a link (a
  // file of its name fails each copy, as a copy that cannot be created).
  const std::string block_name = block_directory.substr(0, block_directory.size() - 1);
  if (next_directory && !new_directory_ && platform::IsDirectory(block_name) &&
      !platform::IsOwnDirectory(block_name)) {
    services_.ReportError(FormatMessage(
        "# KPXScopy: ERROR, copy block directory '%s' is a link; nothing is written through it\n",
        block_directory.c_str()));
    ++counts_.failed;
    return Next::kStop;
  }
  made_directory_ = block_directory;
  const bool covered = settings_.phrase_index && n <= indexformat::kMaxPairArticles;
  text_.clear();
  const CopyResult result = CopyOrFindCurrent(copier, n, source, destination, covered);
  if (covered) NoteCopy(n, result);
  if (result.outcome == CopyOutcome::kHeldBack) return Next::kAbandon;
  if (result.outcome == CopyOutcome::kAccessFailed) {
    ++counts_.failed;
    abandoned_file_ = result.failed_file;
    return Next::kAbandon;
  }
  if (result.outcome == CopyOutcome::kNotOpened) {
    services_.ReportError(
        FormatMessage("# KPXScopy: ERROR, during copy of file '%s'\n", source.c_str()));
    ++counts_.failed;
  } else {
    ++counts_.copied;
  }
  services_.StepProgress();
  return Next::kGoOn;
}

// Copies article n, or finds that the look-ahead has found its copy current.
// The look-ahead starts at the first copy found current while none has
// changed, and goes at the first change (the builder's thread then has the
// second core); it is not started again.
CopyResult CopyRun::CopyOrFindCurrent(ArticleCopier& copier, int n, const std::string& source,
                                      const std::string& destination, bool covered) {
  // A copy found current is not in text_: the look-ahead serves only while
  // no builder would want it (the first change ends the look-ahead).
  CopyResult result;
  if (look_ahead_ != nullptr && builder_ == nullptr && look_ahead_->Current(n, &result.bytes)) {
    return result;
  }
  result = copier.CopyArticleFile(source, destination, covered ? &text_ : nullptr, new_directory_);
  if (result.changed) {
    look_ahead_.reset();
    look_ahead_tried_ = true;
  } else if (!look_ahead_tried_ && result.outcome == CopyOutcome::kCopied) {
    look_ahead_tried_ = true;
    const int last = std::min(static_cast<int>(names_.size()), kMaxArticleNumber);
    if (last - n >= kFewestLookedAhead) {
      look_ahead_ = std::make_unique<CopyLookAhead>(rules_, settings_.article_path,
                                                    settings_.copy_path, names_, n + 1, last);
    }
  }
  return result;
}

// The copier's change guard: the first change removes the accelerator found.
bool CopyRun::RetirePhraseIndex() {
  if (copies_changed_) return true;
  retire_failure_ = DropPhraseIndex(settings_.copy_path);
  copies_changed_ = retire_failure_.empty();
  return copies_changed_;
}

// Counts a covered copy and, once one has changed, hands it to the builder.
void CopyRun::NoteCopy(int n, const CopyResult& result) {
  const auto i = static_cast<size_t>(n - 1);
  const bool copied = result.outcome == CopyOutcome::kCopied;
  known_.copied.resize(i + 1, false);
  known_.bytes.resize(i + 1, 0);
  known_.copied[i] = copied;
  known_.bytes[i] = copied ? result.bytes : 0;
  if (builder_ == nullptr && result.changed) {
    builder_ = std::make_unique<PhraseIndexBuilder>(settings_.copy_path, FoldTableOf(settings_));
  }
  if (builder_ == nullptr) return;
  GiveCopiesBefore(n);
  if (copied) {
    builder_->Add(n, std::move(text_));
    text_ = builder_->SpareText();
  } else {
    builder_->AddFromCopyPath(n);
  }
  given_ = n;
}

// Hands the builder, from the copy path, every copy it has not had before n.
void CopyRun::GiveCopiesBefore(int n) {
  for (; given_ + 1 < n; ++given_) builder_->AddFromCopyPath(given_ + 1);
}

void CopyRun::Finish() {
  services_.SetProgressPos(kProgressUpper);
  services_.SetStatusText("Done");
  // Every article line handled, failed ones included; not the one past the limit.
  counts_.articles = std::min(number_, kMaxArticleNumber);
  services_.LogText(kSeparatorLine);
  services_.LogText(FormatMessage("# KPXScopy: Completed copying %d files to %s\n",
                                  counts_.articles, settings_.copy_path.c_str()));
  services_.LogText("# KPXScopy: Finished.\n");
  services_.CloseRunLog();
}

bool CopyRun::Fail(const std::string& message) {
  services_.ReportError(message);
  listing_.Close();
  services_.CloseRunLog();
  return false;
}

// A read or write failure: the user is told which article file, the run log
// keeps what it has and gets no closing lines.
bool CopyRun::Abandon(const std::string& file) {
  counts_.articles = number_;
  services_.CloseRunLog();
  services_.ShowMessage(
      FormatMessage("An unknown error occurred while accessing %s.", file.c_str()),
      MessageKind::kFatal);
  return false;
}

}  // namespace

bool CopyArticles(RunSettings settings, RunServices& services, CopyCounts* counts) {
  CopyCounts ignored;
  try {
    CopyRun run(std::move(settings), services, counts != nullptr ? *counts : ignored);
    return run.Run();
  } catch (const std::bad_alloc&) {
    // The run is gone, with its listing and what it had read of it: the
    // report finds room again. Every copy made is whole, the others as they were.
  }
  try {
    services.ReportError("# KPXScopy: ERROR, not enough memory to copy the articles\n");
  } catch (const std::bad_alloc&) {  // the run fails without its report
  }
  services.CloseRunLog();
  return false;
}

}  // namespace preproc
