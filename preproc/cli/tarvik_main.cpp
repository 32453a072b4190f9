// tarvik: the pre-processor's command line. Two subcommands drive the same
// runs as the desktop form's two buttons:
//   tarvik index  writes the index file set and the file mapping log
//   tarvik copy   writes the numbered phrase search files
// and a third checks what they wrote, touching nothing:
//   tarvik verify reports damage and mismatches, one line per finding
// Exit status: 0 the run completed without an error (warnings allowed), 1 the
// run failed or reported an error (verify: found a problem), 2 usage error.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "indexformat/index_format.h"
#include "kpx_version.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/terminal.h"
#include "preproc/cli/console_services.h"
#include "preproc/copier/copy_run.h"
#include "preproc/indexer/index_run.h"
#include "preproc/verify/verify.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitRunFailed = 1;
constexpr int kExitUsage = 2;

// The --fold names. Windows builds fold with the system's CharUpperA in the
// active ANSI code page by default; elsewhere cp1252 stands in for it.
#if defined(_WIN32)
constexpr char kDefaultFold[] = "ansi";
constexpr char kFoldNames[] = "ansi|cp1252|ascii";
constexpr char kFoldHelp[] =
    "How words are upper-cased: ansi (default; the system's CharUpperA in the active ANSI "
    "code page), cp1252 (Western accented letters too) or ascii (a-z only, for UTF-8 articles)";
#else
constexpr char kDefaultFold[] = "cp1252";
constexpr char kFoldNames[] = "cp1252|ascii";
constexpr char kFoldHelp[] =
    "How words are upper-cased: cp1252 (default; Western accented letters too) or ascii (a-z "
    "only, for UTF-8 articles)";
#endif

platform::CaseFold FoldNamed(const std::string& name) {
#if defined(_WIN32)
  if (name == "ansi") return platform::CaseFold::kAnsi;
#endif
  return name == "ascii" ? platform::CaseFold::kAscii : platform::CaseFold::kCp1252;
}

constexpr char kDescription[] =
    "tarvik - the search kit's pre-processor.\n"
    "Reads an article listing (one article file name per line, relative to the\n"
    "article path; lines beginning with \"|\" are comments) and either writes the\n"
    "index file set (index) or the numbered phrase search files (copy). Run both\n"
    "on the same listing: they number its articles the same way.\n"
    "Exit status: 0 the run completed with no error (warnings allowed), 1 the run\n"
    "failed or reported an error (a copy run still writes the good copies), 2 usage\n"
    "error.";

constexpr char kIgnoreAccentsHelp[] =
    "Also fold accented letters to their letters without accent (Windows-1252 text), so the "
    "search finds a word typed with or without its accents; the set records it. Not with --fold "
    "ascii"
#if defined(_WIN32)
    "; only where the active code page is 1252"
#endif
    ;

struct Options {
  preproc::RunSettings settings;
  std::string log = preproc::kRunLogName;
  bool html = false;
  std::string delimiters;
  std::string fold = kDefaultFold;
  bool ignore_accents = false;
  bool no_phrase_index = false;
};

// Why --ignore-accents cannot be used with these options, or empty: the
// accent-free table knows Windows-1252 letters only.
std::string IgnoreAccentsRefusal(const Options& options) {
  if (!options.ignore_accents) return "";
  if (options.fold == "ascii") {
    return "--ignore-accents folds Windows-1252 text; it does not go with --fold ascii";
  }
  if (!platform::CanIgnoreAccents()) {
    return "--ignore-accents folds Windows-1252 text, but the active code page is " +
           std::to_string(platform::ActiveCodePage());
  }
  return "";
}

// --fold and --ignore-accents: the index run folds its words so, the copy run
// the phrase accelerator's.
void AddFoldOptions(CLI::App* command, Options& options, const char* fold_help,
                    const char* ignore_accents_help) {
  command->add_option("--fold", options.fold, fold_help)
      ->check(CLI::IsMember(std::vector<std::string> {
#if defined(_WIN32)
        "ansi",
#endif
            "cp1252", "ascii"
      }))
      ->type_name(kFoldNames);
  command->add_flag("--ignore-accents", options.ignore_accents, ignore_accents_help);
}

// The options both runs share.
void AddCommonOptions(CLI::App* command, Options& options) {
  command
      ->add_option("--listing", options.settings.listing_file,
                   "The article listing file: one article name per line, \"|\" lines skipped")
      ->required();
  command
      ->add_option("--articles", options.settings.article_path,
                   "The directory the listed names are relative to (created when missing)")
      ->required();
  command->add_flag("--html", options.html,
                    "The articles are HTML: tags (\"<\" not followed by a space, up to \">\") are "
                    "not text");
  command->add_option("--delimiters", options.delimiters,
                      "Extra characters that separate words, besides whitespace (at most 49 are "
                      "used)");
  command->add_option("--log", options.log,
                      "The run log to write (default: kpxsindx.log in the "
                      "current directory)");
}

preproc::RunSettings HandOver(Options& options) {
  preproc::RunSettings s = options.settings;
  s.listing_file = platform::ToNativeSeparators(s.listing_file);
  s.article_path = platform::ToNativeSeparators(s.article_path);
  s.index_path = platform::ToNativeSeparators(s.index_path);
  s.copy_path = platform::ToNativeSeparators(s.copy_path);
  s.article_type = options.html ? preproc::kHtmlArticle : preproc::kTextArticle;
  s.delimiters = preproc::CutDelimiters(options.delimiters);
  s.fold = FoldNamed(options.fold);
  s.ignore_accents = options.ignore_accents;
  return s;
}

bool StderrIsTerminal() { return platform::IsTerminal(stderr); }

// The user asked for the run log: one that could not be written is worth a
// warning, though the run's files do not depend on it.
void WarnOfLostRunLog(const char* command, const preproc::RunServices& services) {
  if (services.run_log_whole()) return;
  std::fprintf(stderr, "tarvik %s: WARNING, could not write the run log '%s'\n", command,
               services.run_log_path().c_str());
}

int RunIndex(Options& options) {
  const std::string refusal = IgnoreAccentsRefusal(options);
  if (!refusal.empty()) {
    std::fprintf(stderr, "tarvik index: %s\n", refusal.c_str());
    return kExitUsage;
  }
  preproc::ConsoleServices services(options.log, stdout, stderr, StderrIsTerminal());
  bool ok = preproc::GenerateIndexFiles(HandOver(options), services);
  services.FinishStatusLine();
  WarnOfLostRunLog("index", services);
  // A note for the user only: the run log stays as the run wrote it.
  int listed =
      preproc::CountListedArticles(platform::ToNativeSeparators(options.settings.listing_file));
  if (ok && listed > indexformat::kMaxSearchableArticles) {
    std::fprintf(stderr,
                 "tarvik index: note: the listing names %d articles; the search reaches articles 1 "
                 "to 2,500 only\n",
                 listed);
  }
  return ok ? kExitOk : kExitRunFailed;
}

int RunCopy(Options& options) {
  const std::string refusal = IgnoreAccentsRefusal(options);
  if (!refusal.empty()) {
    std::fprintf(stderr, "tarvik copy: %s\n", refusal.c_str());
    return kExitUsage;
  }
  options.settings.phrase_index = !options.no_phrase_index;
  preproc::ConsoleServices services(options.log, stdout, stderr, StderrIsTerminal());
  // The copy run's own bar has the range 0 to 28; the terminal counts the
  // listing's articles instead.
  services.set_article_total(
      preproc::CountListedArticles(platform::ToNativeSeparators(options.settings.listing_file)));
  preproc::CopyCounts counts;
  bool ok = preproc::CopyArticles(HandOver(options), services, &counts);
  services.FinishStatusLine();
  WarnOfLostRunLog("copy", services);
  if (counts.failed > 0) {
    std::fprintf(stderr,
                 "tarvik copy: %d of %d article(s) could not be copied; see the run log '%s'\n",
                 counts.failed, counts.articles, options.log.c_str());
  }
  return ok && !counts.any_error() ? kExitOk : kExitRunFailed;
}

// tarvik verify: exit 0 nothing found, 1 something found, 2 usage error.
int RunVerify(Options& options) {
  const std::string refusal = IgnoreAccentsRefusal(options);
  if (!refusal.empty()) {
    std::fprintf(stderr, "tarvik verify: %s\n", refusal.c_str());
    return kExitUsage;
  }
  preproc::RunSettings settings = HandOver(options);
  bool rerun = !settings.listing_file.empty();
  if (rerun == settings.article_path.empty()) {
    std::fprintf(stderr, "tarvik verify: --listing and --articles go together\n");
    return kExitUsage;
  }
  if (rerun && !platform::IsDirectory(settings.article_path)) {
    std::fprintf(stderr, "tarvik verify: the article path '%s' is not a directory\n",
                 settings.article_path.c_str());
    return kExitUsage;
  }
  if (!platform::IsDirectory(settings.index_path)) {
    std::fprintf(stderr, "tarvik verify: the index path '%s' is not a directory\n",
                 settings.index_path.c_str());
    return kExitUsage;
  }
  std::vector<preproc::verify::Finding> findings;
  int listed = preproc::verify::CheckIndexSet(settings.index_path, &findings);
  if (!settings.copy_path.empty()) {
    preproc::verify::CheckCopies(settings.copy_path, listed, &findings);
    preproc::verify::CheckPhraseIndex(settings.copy_path, settings.index_path, &findings);
  }
  if (rerun && !preproc::verify::CompareWithRuns(settings, &findings)) {
    std::fprintf(stderr, "tarvik verify: cannot make a temporary directory for the runs\n");
    return kExitUsage;
  }
  for (const preproc::verify::Finding& finding : findings) {
    std::printf("%s\n", preproc::verify::FormatFinding(finding).c_str());
  }
  if (findings.empty()) {
    std::fprintf(stderr, "tarvik verify: no problems found\n");
  } else {
    std::fprintf(stderr, "tarvik verify: %lu problem(s) found\n",
                 static_cast<unsigned long>(findings.size()));
  }
  return findings.empty() ? kExitOk : kExitRunFailed;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{kDescription, "tarvik"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("tarvik ") + kpx::kVersion);
  app.set_help_all_flag("--help-all", "Print this help with both subcommands' options and exit");
  Options options;

  CLI::App* index = app.add_subcommand(
      "index", "Write the index file set and the file mapping log into the index path");
  AddCommonOptions(index, options);
  index
      ->add_option("--index", options.settings.index_path,
                   "The directory that receives the index file set (created when missing)")
      ->required();
  AddFoldOptions(index, options, kFoldHelp, kIgnoreAccentsHelp);
  index->footer(
      "Example:\n  tarvik index --html --listing examples/listing.txt "
      "--articles examples/articles --index examples/index");

  CLI::App* copy = app.add_subcommand(
      "copy", "Write each listed article, normalised for phrase search, as COPY/aK/tNNNN");
  AddCommonOptions(copy, options);
  copy->add_option("--copy", options.settings.copy_path,
                   "The directory that receives the phrase search files (created when missing)")
      ->required();
  AddFoldOptions(copy, options,
                 "The --fold given to tarvik index: the phrase accelerator's words are folded "
                 "so, and the search uses it only beside a set folded the same way",
                 "The --ignore-accents given to tarvik index, for the phrase accelerator");
  copy->add_flag("--no-phrase-index", options.no_phrase_index,
                 "Write no phrase accelerator (the file kpxpairs), only the phrase search files; "
                 "an accelerator left by an earlier run is removed all the same");
  copy->footer(
      "Example:\n  tarvik copy --html --listing examples/listing.txt "
      "--articles examples/articles --copy examples/copies");

  CLI::App* verify = app.add_subcommand(
      "verify", "Check an index set (and its copies) before a title ships; change nothing");
  verify->add_option("--index", options.settings.index_path, "The index path to check")->required();
  verify->add_option("--copy", options.settings.copy_path,
                     "Also check the phrase search files of this copy path");
  verify->add_option(
      "--listing", options.settings.listing_file,
      "Run both runs again on this listing, privately, and compare with the sets on disk");
  verify->add_option("--articles", options.settings.article_path,
                     "The article path of that listing (with --listing)");
  verify->add_flag("--html", options.html, "The articles are HTML (as given to the runs)");
  verify->add_option("--delimiters", options.delimiters, "The extra delimiters given to the runs");
  verify->add_flag("--ignore-accents", options.ignore_accents,
                   "The --ignore-accents given to tarvik index, for a set without a fold record");
  verify
      ->add_option("--fold", options.fold,
                   "The --fold given to tarvik index, for a set without a fold record (the "
                   "runs fold as the set's record says)")
      ->check(CLI::IsMember({"cp1252", "ascii"}))
      ->type_name("cp1252|ascii");
  verify->footer(
      "Findings go to standard output, one a line: \"FILE: what is wrong\".\n"
      "Exit status: 0 nothing found, 1 something found, 2 usage error.\n"
      "Example:\n  tarvik verify --index examples/index --copy examples/copies "
      "--listing examples/listing.txt --articles examples/articles --html\n");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }
  try {
    if (index->parsed()) return RunIndex(options);
    if (verify->parsed()) return RunVerify(options);
    return RunCopy(options);
  } catch (const std::bad_alloc&) {  // outside the runs, which report their own
    std::fputs("tarvik: not enough memory\n", stderr);
    return kExitRunFailed;
  }
}
