#include "preproc/indexer/index_run.h"

#include <cstdio>
#include <string>
#include <vector>

#include "indexformat/index_format.h"
#include "platform/file_system.h"
#include "platform/line_reader.h"
#include "preproc/form/message_text.h"
#include "preproc/form/run_paths.h"
#include "preproc/indexer/article_indexer.h"
#include "preproc/indexer/index_writer.h"
#include "preproc/indexer/word_tree.h"

namespace preproc {
namespace {

static_assert(indexformat::kMaxListedArticles < WordTree::kMaxArticles);

constexpr char kSeparatorLine[] = "\\-/-\\/-\\/-\\/-\\/-\\/-\\/-\\/-\\-/\n";

// One index generation run: the settings, the names table and the word tree
// live exactly as long as the run.
class IndexRun {
 public:
  IndexRun(RunSettings settings, RunServices& services)
      : settings_(std::move(settings)), services_(services) {}

  bool Run();

 private:
  bool Fail(const std::string& message);
  bool CheckPaths();
  void ReadListing();
  bool PrepareIndexPath();
  bool WriteFileMappingLog();
  bool ReadArticles();
  void WriteIndexFiles();

  RunSettings settings_;
  RunServices& services_;
  platform::LineReader listing_;
  std::vector<std::string> names_;
  WordTree tree_;
  RunCounters counters_;
};

bool IndexRun::Fail(const std::string& message) {
  services_.ReportError(message);
  services_.CloseRunLog();
  listing_.Close();
  return false;
}

bool IndexRun::CheckPaths() {
  std::string failure = PrepareRunPaths(settings_.article_path, settings_.index_path,
                                        "\n# KPXSindx: ERROR, no Index Path specified.");
  if (!failure.empty()) return Fail(failure);
  return true;
}

void IndexRun::ReadListing() {
  services_.LogText("Listing of files to be word - tree'd\n\n");
  std::string line;
  while (listing_.Next(&line)) {
    if (!line.empty() && line[0] == '|') continue;
    names_.push_back(line);
    if (names_.size() == indexformat::kMaxListedArticles) {
      services_.LogText(
          FormatMessage("# KPXSindx: Warning, no more files read in after # %d (%s)\n",
                        indexformat::kMaxListedArticles, line.c_str()));
      break;
    }
  }
  listing_.Close();
  services_.LogText(kSeparatorLine);
}

// Checks that the extras file can be written without emptying it, so a run
// that fails later leaves the previous index set whole.
bool IndexRun::PrepareIndexPath() {
  std::string extras = settings_.index_path + indexformat::kExtrasFileName;
  std::FILE* file = platform::OpenFile(extras, "ab");
  if (file == nullptr) {
    return Fail(FormatMessage("\n# KPXSindx: ERROR, could not open the extras file '%s'\n",
                              extras.c_str()));
  }
  std::fclose(file);
  return true;
}

bool IndexRun::WriteFileMappingLog() {
  std::string path = settings_.index_path + indexformat::kFileMappingLogName;
  std::FILE* file = platform::OpenFile(path, "w");
  if (file == nullptr) {
    return Fail(FormatMessage("\n# KPXSindx: ERROR, could not open the file log file '%s'\n",
                              path.c_str()));
  }
  std::fputs(" -- File Mapping Log --\n", file);
  std::fputs("[#KeyRange]\t[#FileMatch]\t[Name]\t[NewName]\n", file);
  for (size_t i = 0; i < names_.size(); ++i) {
    long n = static_cast<long>(i);
    std::fprintf(file, "%ld\t%ld\t%s\tt%04ld\n", n, n + 1, names_[i].c_str(), n + 1);
  }
  if (std::fclose(file) != 0) {
    return Fail(FormatMessage("\n# KPXSindx: ERROR, could not open the file log file '%s'\n",
                              path.c_str()));
  }
  return true;
}

bool IndexRun::ReadArticles() {
  services_.SetProgressRange(0, static_cast<std::uint16_t>(names_.size()));
  services_.SetProgressStep(1);
  services_.SetStatusText("Creating Word Tree");
  services_.LogText(FormatMessage("# KPXSindx: Reading words from %ld articles ...\n",
                                  static_cast<long>(names_.size())));
  Delimiters delimiters(settings_.delimiters);
  ArticleIndexer indexer(tree_, delimiters, settings_.article_type == kHtmlArticle,
                         platform::GetUpperCaseTable(settings_.fold));
  std::uint64_t listed_bytes = 0;  // sizes the word tree, sparing it regrowth
  for (const std::string& name : names_) {
    listed_bytes +=
        platform::RegularFileSize(settings_.article_path + platform::ToNativeSeparators(name));
  }
  tree_.Reserve(WordTree::EstimateWords(listed_bytes));
  std::string text;
  for (size_t i = 0; i < names_.size(); ++i) {
    std::string path = settings_.article_path + platform::ToNativeSeparators(names_[i]);
    if (!platform::ReadWholeFile(path, &text)) {
      return Fail(
          FormatMessage("\n# KPXSindx: ERROR, could not open article '%s'\n", path.c_str()));
    }
    indexer.IndexArticle(text.c_str(), static_cast<std::uint32_t>(i), counters_);
    services_.StepProgress();
    services_.LogText(FormatMessage("\n>> File# %4ld << #wds = %6ld; %6ld new",
                                    static_cast<long>(i + 1), counters_.word_count,
                                    counters_.new_pairs));
  }
  text = std::string();
  return true;
}

void IndexRun::WriteIndexFiles() {
  services_.LogText("\n# KPXSindx: Completed word count/sort ... now writing out wordTree\n");
  services_.LogText("Running Total :: Char :: Cnt (1-ltr + 2-ltr + extras)\n");
  services_.SetProgressRange(0, 28);
  services_.SetProgressStep(1);
  services_.SetProgressPos(0);
  services_.SetStatusText("Writing out Index Files");
  // Only now, with every article read, is the previous set replaced.
  std::string extras = settings_.index_path + indexformat::kExtrasFileName;
  if (std::FILE* file = platform::OpenFile(extras, "wb")) {
    std::fclose(file);
  } else {
    services_.ReportError(
        FormatMessage("\n# KPXSindx: ERROR, could not write to %s\n", extras.c_str()));
  }
  tree_.FinishArticleLists();
  IndexWriter writer(settings_.index_path, services_);
  writer.WriteWordTree(tree_);
  writer.RemoveStaleLetterFiles();
  services_.SetProgressPos(28);
  services_.LogText(
      FormatMessage("\n# KPXSindx: Completed file writing to %s\n", settings_.index_path.c_str()));
}

bool IndexRun::Run() {
  services_.OpenRunLog();
  services_.LogText("# KPXSindx: Search Pre-processor Started ...\n");
  if (!listing_.Open(settings_.listing_file)) {
    return Fail(FormatMessage("\n# KPXSindx: ERROR, could not open Article's listing file '%s'\n",
                              settings_.listing_file.c_str()));
  }
  if (!CheckPaths()) return false;
  ReadListing();
  if (!PrepareIndexPath() || !WriteFileMappingLog() || !ReadArticles()) return false;
  WriteIndexFiles();
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
  IndexRun run(std::move(settings), services);
  return run.Run();
}

}  // namespace preproc
