#include "preproc/indexer/index_run.h"

#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "indexformat/file_mapping_log.h"
#include "indexformat/fold_record.h"
#include "indexformat/index_format.h"
#include "indexformat/letter_files.h"
#include "platform/file_system.h"
#include "preproc/indexer/article_indexer.h"
#include "preproc/indexer/article_word_reader.h"
#include "preproc/indexer/index_staging.h"
#include "preproc/indexer/index_writer.h"
#include "preproc/indexer/stale_files.h"
#include "preproc/indexer/word_tree.h"
#include "preproc/run/article_listing.h"
#include "preproc/run/message_text.h"
#include "preproc/run/run_paths.h"

namespace preproc {
namespace {

static_assert(indexformat::kMaxListedArticles < WordTree::kMaxArticles);

// The error of a run that runs out of memory, by the phase it is in.
constexpr char kNoMemoryForListing[] =
    "\n# KPXSindx: ERROR, not enough memory to read the listing\n";
constexpr char kNoMemoryForArticles[] =
    "\n# KPXSindx: ERROR, not enough memory to read the articles\n";
constexpr char kNoMemoryForIndexFiles[] =
    "\n# KPXSindx: ERROR, not enough memory to write the index files\n";
constexpr char kNoMemoryToFinish[] = "\n# KPXSindx: ERROR, not enough memory to finish the run\n";

// One index generation run: the settings, the names table and the word tree
// live exactly as long as the run.
//
// Every file of the set is written first into the staging directory
// (IndexStaging) and replaces the live one only when all have been written,
// so a run that fails, at any step, leaves the previous set as it was.
class IndexRun {
 public:
  IndexRun(RunSettings settings, RunServices& services, StagingRename rename)
      : settings_(std::move(settings)), services_(services), rename_(std::move(rename)) {}

  bool Run();
  // Memory ran out, on the run's thread or handed on from a second one.
  bool FailForMemory() noexcept;

 private:
  bool Fail(const std::string& message);
  bool CheckPaths();
  bool RecoverIndexSet();
  bool ReadListing();
  bool PrepareIndexPath();
  bool WriteFileMappingLog();
  bool WriteFoldRecord();
  bool ReadArticles();
  bool WriteIndexFiles();
  bool ReplaceIndexSet(const IndexWriter& writer);
  bool SameAsLive(const char* name, const std::string& bytes) const;
  std::string LivePath(const char* name) const { return settings_.index_path + name; }
  std::string StagedPath(const char* name) const { return staging_->path() + name; }

  RunSettings settings_;
  RunServices& services_;
  StagingRename rename_;  // every rename of the replacement; tests choose one
  ArticleListing listing_;
  platform::PathLock lock_;                // of the index path, for the whole run
  std::unique_ptr<IndexStaging> staging_;  // made once the index path is known
  std::vector<std::string> names_;
  WordTree tree_;
  RunCounters counters_;
  // The file mapping log and the fold record, when staged: a file whose
  // bytes the live one holds already is not.
  bool log_staged_ = false;
  bool fold_staged_ = false;
  // The error that ends the run if memory runs out now.
  const char* no_memory_ = kNoMemoryForListing;
};

bool IndexRun::Fail(const std::string& message) {
  if (staging_ != nullptr) staging_->Discard();
  services_.ReportError(message);
  services_.CloseRunLog();
  listing_.Close();
  return false;
}

// Frees what the run holds, so that the report finds room, and fails as every
// error does: the staging directory goes, the live set stays as it was. When
// not even the report finds memory, the run fails without it; a staging
// directory left then is removed by the next run.
bool IndexRun::FailForMemory() noexcept {
  { WordTree released(std::move(tree_)); }
  std::vector<std::string>().swap(names_);
  try {
    return Fail(no_memory_);
  } catch (const std::bad_alloc&) {
    services_.CloseRunLog();
    listing_.Close();
    return false;
  }
}

bool IndexRun::CheckPaths() {
  std::string failure = PrepareRunPaths(settings_.article_path, settings_.index_path,
                                        "\n# KPXSindx: ERROR, no Index Path specified.");
  if (!failure.empty()) return Fail(failure);
  // Before the staging directory is known: a run refused here touches nothing.
  if (!LockOutputPath(lock_, settings_.index_path, kIndexLockName)) {
    return Fail(
        FormatMessage("\n# KPXSindx: ERROR, index path '%s' is in use by another index run\n",
                      settings_.index_path.c_str()));
  }
  staging_ = std::make_unique<IndexStaging>(settings_.index_path, rename_);
  return RecoverIndexSet();
}

// A replacement that a killed run left unfinished is undone (or, when it had
// committed, finished) before this run starts.
bool IndexRun::RecoverIndexSet() {
  switch (staging_->Recover()) {
    case IndexStaging::Recovery::kNothing:
      return true;
    case IndexStaging::Recovery::kRestored:
      services_.LogText(FormatMessage(
          "# KPXSindx: restored the index set in '%s' that an earlier run left partly "
          "replaced\n",
          settings_.index_path.c_str()));
      return true;
    case IndexStaging::Recovery::kFinished:
      return true;
    case IndexStaging::Recovery::kFailed:
      break;
  }
  return Fail(FormatMessage(
      "\n# KPXSindx: ERROR, index set in '%s' was left partly replaced by an earlier run and "
      "cannot be restored: '%s' could not be put back\n",
      settings_.index_path.c_str(), staging_->failed().c_str()));
}

// A listing that fails to read fails the run before anything is staged.
bool IndexRun::ReadListing() {
  services_.LogText("Listing of files to be word - tree'd\n\n");
  std::string line;
  while (listing_.Next(&line)) {
    names_.push_back(line);
    if (names_.size() == indexformat::kMaxListedArticles) {
      services_.LogText(
          FormatMessage("# KPXSindx: Warning, no more files read in after # %d (%s)\n",
                        indexformat::kMaxListedArticles, line.c_str()));
      break;
    }
  }
  if (listing_.failed()) return Fail(ListingNotReadMessage(settings_.listing_file));
  listing_.Close();
  services_.LogText(kSeparatorLine);
  return true;
}

// Starts the staging directory (removing one that a killed run left); the
// index writer stages the extras file there when it differs from the live
// one. A failure names the live extras file: that is the file the run could
// not make. A directory under the live name could never be replaced, so it
// fails the run here already.
bool IndexRun::PrepareIndexPath() {
  const std::string extras = LivePath(indexformat::kExtrasFileName);
  if (platform::IsDirectory(extras) || !staging_->Begin()) {
    return Fail(FormatMessage("\n# KPXSindx: ERROR, could not open the extras file '%s'\n",
                              extras.c_str()));
  }
  return true;
}

// True when the live file name holds exactly bytes: it needs no staged copy.
bool IndexRun::SameAsLive(const char* name, const std::string& bytes) const {
  std::string live;
  return platform::ReadWholeFile(LivePath(name), &live) && live == bytes;
}

// Staged files are created anew, never written through a link.
bool IndexRun::WriteFileMappingLog() {
  const std::string path = LivePath(indexformat::kFileMappingLogName);
  std::string text = indexformat::FileMappingLogText(names_);
#ifdef _WIN32
  std::string crlf;  // the log is a text file: what text mode writes
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  text.swap(crlf);
#endif
  if (!platform::IsDirectory(path) && SameAsLive(indexformat::kFileMappingLogName, text)) {
    return true;
  }
  log_staged_ = true;
  std::FILE* file =
      platform::IsDirectory(path)
          ? nullptr
          : platform::CreateNewFile(StagedPath(indexformat::kFileMappingLogName), true);
  if (file == nullptr) {
    return Fail(FormatMessage("\n# KPXSindx: ERROR, could not open the file log file '%s'\n",
                              path.c_str()));
  }
  const bool written = indexformat::WriteFileMappingLines(file, names_);
  // A staged file that lost a write fails the run as a letter file does.
  if (!(std::fclose(file) == 0 && written)) return Fail(NotWrittenMessage(path));
  return true;
}

// The fold record says how the words were upper-cased, so the search folds
// phrases and text alike.
bool IndexRun::WriteFoldRecord() {
  const std::string path = LivePath(indexformat::kFoldRecordName);
  const platform::UpperCaseTable& table = FoldTableOf(settings_);
  const std::string bytes = indexformat::EncodeFoldRecord(
      indexformat::FoldNameOf(table, platform::ActiveCodePage()), table);
  if (!platform::IsDirectory(path) && SameAsLive(indexformat::kFoldRecordName, bytes)) return true;
  fold_staged_ = true;
  std::FILE* file = platform::IsDirectory(path)
                        ? nullptr
                        : platform::CreateNewFile(StagedPath(indexformat::kFoldRecordName));
  bool written =
      file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (file != nullptr && std::fclose(file) != 0) written = false;
  if (!written) {
    return Fail(
        FormatMessage("\n# KPXSindx: ERROR, could not write the fold record '%s'\n", path.c_str()));
  }
  return true;
}

bool IndexRun::ReadArticles() {
  no_memory_ = kNoMemoryForArticles;
  services_.SetProgressRange(0, static_cast<std::uint16_t>(names_.size()));
  services_.SetProgressStep(1);
  services_.SetStatusText("Creating Word Tree");
  services_.LogText(FormatMessage("# KPXSindx: Reading words from %ld articles ...\n",
                                  static_cast<long>(names_.size())));
  std::vector<std::string> paths;
  for (const std::string& name : names_) {
    paths.push_back(settings_.article_path + platform::ToNativeSeparators(name));
  }
  // The reader starts at once; meanwhile the tree is sized from the articles'
  // total size, sparing it regrowth.
  Delimiters delimiters(settings_.delimiters);
  ArticleWordReader reader(paths, delimiters, settings_.article_type == kHtmlArticle,
                           FoldTableOf(settings_));
  std::uint64_t listed_bytes = 0;
  for (const std::string& path : paths) listed_bytes += platform::RegularFileSize(path);
  tree_.Reserve(WordTree::EstimateWords(listed_bytes), WordTree::EstimateAdditions(listed_bytes));
  ArticleIndexer indexer(tree_);
  for (size_t i = 0; i < paths.size(); ++i) {
    if (!indexer.IndexNextArticle(reader, static_cast<std::uint32_t>(i), counters_)) {
      return Fail(
          FormatMessage("\n# KPXSindx: ERROR, could not open article '%s'\n", paths[i].c_str()));
    }
    services_.StepProgress();
    services_.LogText(FormatMessage("\n>> File# %4ld << #wds = %6ld; %6ld new",
                                    static_cast<long>(i + 1), counters_.word_count,
                                    counters_.new_pairs));
  }
  return true;
}

// Walks the tree into the staging directory, then replaces the live set.
bool IndexRun::WriteIndexFiles() {
  no_memory_ = kNoMemoryForIndexFiles;
  services_.LogText("\n# KPXSindx: Completed word count/sort ... now writing out wordTree\n");
  services_.LogText("Running Total :: Char :: Cnt (1-ltr + 2-ltr + extras)\n");
  services_.SetProgressRange(0, 28);
  services_.SetProgressStep(1);
  services_.SetProgressPos(0);
  services_.SetStatusText("Writing out Index Files");
  tree_.FinishArticleLists();
  IndexWriter writer(staging_->path(), settings_.index_path, services_);
  writer.WriteWordTree(tree_);
  if (!ReplaceIndexSet(writer)) return false;
  no_memory_ = kNoMemoryToFinish;  // the new set is in place
  services_.SetProgressPos(28);
  services_.LogText(
      FormatMessage("\n# KPXSindx: Completed file writing to %s\n", settings_.index_path.c_str()));
  return true;
}

// When every file has been staged, moves those that changed into the live
// set and removes the letter files this run did not write, all or nothing.
// Otherwise the live set stays as it was and the run fails with one closing
// error.
bool IndexRun::ReplaceIndexSet(const IndexWriter& writer) {
  std::vector<std::string> files;
  for (int slot = 0; slot < indexformat::kLetterFileCount; ++slot) {
    if (writer.written().Has(slot)) {
      files.push_back(indexformat::LetterFileName(slot, platform::kSeparator));
    }
  }
  files.push_back(indexformat::kExtrasFileName);
  files.push_back(indexformat::kFoldRecordName);
  files.push_back(indexformat::kFileMappingLogName);  // last: it names the new numbering

  int failed = writer.status().failed_files;
  if (failed == 0) {
    // A directory where a file must go: "could not write to" it, like a failed chunk.
    for (const std::string& file : staging_->Obstacles(files)) {
      services_.ReportError(NotWrittenMessage(settings_.index_path + file));
      ++failed;
    }
    // Nothing is written through a letter directory that is a link.
    for (const std::string& letter : staging_->LinkedLetterDirectories(files)) {
      services_.ReportError(FormatMessage(
          "\n# KPXSindx: ERROR, letter directory '%s' is a link; nothing is written through it\n",
          letter.c_str()));
      ++failed;
    }
  }
  if (failed > 0) {
    return Fail(FormatMessage(
        "\n# KPXSindx: ERROR, index set in '%s' not replaced: %d index file(s) could not be "
        "written\n",
        settings_.index_path.c_str(), failed));
  }
  // Only what was staged is replaced: a file whose bytes the live one has
  // already stays as it is.
  std::vector<std::string> staged;
  for (int slot = 0; slot < indexformat::kLetterFileCount; ++slot) {
    if (writer.written().Has(slot) && writer.staged().Has(slot)) {
      staged.push_back(indexformat::LetterFileName(slot, platform::kSeparator));
    }
  }
  if (writer.extras_staged()) staged.push_back(indexformat::kExtrasFileName);
  if (fold_staged_) staged.push_back(indexformat::kFoldRecordName);
  if (log_staged_) staged.push_back(indexformat::kFileMappingLogName);
  const std::vector<std::string> stale =
      StaleLetterFiles(settings_.index_path, writer.written(), services_);
  switch (staging_->Replace(staging_->Changed(staged), stale)) {
    case IndexStaging::Outcome::kReplaced:
      break;
    case IndexStaging::Outcome::kKept:
      return Fail(FormatMessage(
          "\n# KPXSindx: ERROR, index set in '%s' not replaced: could not rename '%s'; the "
          "previous set is kept\n",
          settings_.index_path.c_str(), staging_->failed().c_str()));
    case IndexStaging::Outcome::kNotRestored:
      return Fail(FormatMessage(
          "\n# KPXSindx: ERROR, index set in '%s' only partly replaced: could not rename '%s', "
          "nor put '%s' back; the next index run restores the previous set\n",
          settings_.index_path.c_str(), staging_->failed().c_str(),
          staging_->not_restored().c_str()));
  }
  staging_->Discard();
  return true;
}

bool IndexRun::Run() {
  services_.OpenRunLog();
  services_.LogText("# KPXSindx: Search Pre-processor Started ...\n");
  if (!listing_.Open(settings_.listing_file)) {
    return Fail(ListingNotOpenedMessage(settings_.listing_file));
  }
  if (!CheckPaths() || !ReadListing()) return false;
  if (!PrepareIndexPath() || !WriteFileMappingLog() || !WriteFoldRecord() || !ReadArticles()) {
    return false;
  }
  if (!WriteIndexFiles()) return false;
  services_.LogText("# KPXSindx: FREEing tree and list nodes.\n");
  services_.SetStatusText("Done -- Check log for statistics");
  tree_.Clear();
  names_.clear();
  services_.LogText("# KPXSindx: Search Pre-processor Finished.\n");
  services_.CloseRunLog();
  services_.ShowMessage(
      FormatMessage("Words in vocabulary: %d", static_cast<int>(counters_.new_pairs)),
      MessageKind::kResult);
  return true;
}

}  // namespace

bool GenerateIndexFiles(RunSettings settings, RunServices& services) {
  return GenerateIndexFiles(std::move(settings), services, StagingRename());
}

bool GenerateIndexFiles(RunSettings settings, RunServices& services, StagingRename rename) {
  std::unique_ptr<IndexRun> run;
  try {
    run = std::make_unique<IndexRun>(std::move(settings), services, std::move(rename));
    return run->Run();
  } catch (const std::bad_alloc&) {
    if (run != nullptr) return run->FailForMemory();
  }
  try {  // not even the run's first tables: nothing was opened
    services.ReportError(kNoMemoryForListing);
  } catch (const std::bad_alloc&) {
  }
  return false;
}

}  // namespace preproc
