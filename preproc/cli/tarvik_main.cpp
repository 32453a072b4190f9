// tarvik: the pre-processor's command line. Two subcommands drive the same
// runs as the desktop form's two buttons:
//   tarvik index  writes the index file set and the file mapping log
//   tarvik copy   writes the numbered phrase search files
// Exit status: 0 the run completed without an error (warnings allowed), 1 the
// run failed or reported an error, 2 usage error.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>

#if defined(_WIN32)
#include <io.h>
#define KPX_ISATTY _isatty
#define KPX_FILENO _fileno
#else
#include <unistd.h>
#define KPX_ISATTY isatty
#define KPX_FILENO fileno
#endif

#include "platform/file_system.h"
#include "preproc/cli/console_services.h"
#include "preproc/copier/copy_run.h"
#include "preproc/indexer/index_run.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitRunFailed = 1;
constexpr int kExitUsage = 2;

constexpr char kDescription[] =
    "tarvik - the search kit's pre-processor.\n"
    "Reads an article listing (one article file name per line, relative to the\n"
    "article path; lines beginning with \"|\" are comments) and either writes the\n"
    "index file set (index) or the numbered phrase search files (copy). Run both\n"
    "on the same listing: they number its articles the same way.\n"
    "Exit status: 0 the run completed with no error (warnings allowed), 1 the run\n"
    "failed or reported an error (a copy run still writes the good copies), 2 usage\n"
    "error.";

struct Options {
  preproc::RunSettings settings;
  std::string log = preproc::kRunLogName;
  bool html = false;
  std::string delimiters;
  std::string fold = "cp1252";
};

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
  s.fold = options.fold == "ascii" ? platform::CaseFold::kAscii : platform::CaseFold::kCp1252;
  return s;
}

bool StderrIsTerminal() { return KPX_ISATTY(KPX_FILENO(stderr)) != 0; }

int RunIndex(Options& options) {
  preproc::ConsoleServices services(options.log, stdout, stderr, StderrIsTerminal());
  bool ok = preproc::GenerateIndexFiles(HandOver(options), services);
  services.FinishStatusLine();
  return ok ? kExitOk : kExitRunFailed;
}

int RunCopy(Options& options) {
  preproc::ConsoleServices services(options.log, stdout, stderr, StderrIsTerminal());
  preproc::CopyCounts counts;
  bool ok = preproc::CopyArticles(HandOver(options), services, &counts);
  services.FinishStatusLine();
  if (counts.failed > 0) {
    std::fprintf(stderr,
                 "tarvik copy: %d of %d article(s) could not be copied; see the run log '%s'\n",
                 counts.failed, counts.articles, options.log.c_str());
  }
  return ok && !counts.any_error() ? kExitOk : kExitRunFailed;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{kDescription, "tarvik"};
  app.require_subcommand(1);
  Options options;

  CLI::App* index = app.add_subcommand(
      "index", "Write the index file set and the file mapping log into the index path");
  AddCommonOptions(index, options);
  index
      ->add_option("--index", options.settings.index_path,
                   "The directory that receives the index file set (created when missing)")
      ->required();
  index
      ->add_option("--fold", options.fold,
                   "How words are upper-cased: cp1252 (default; Western accented letters too) "
                   "or ascii (a-z only, for UTF-8 articles)")
      ->check(CLI::IsMember({"cp1252", "ascii"}))
      ->type_name("cp1252|ascii");
  index->footer(
      "Example:\n  tarvik index --html --listing examples/listing.txt "
      "--articles examples/articles --index examples/index");

  CLI::App* copy = app.add_subcommand(
      "copy", "Write each listed article, normalised for phrase search, as COPY/aK/tNNNN");
  AddCommonOptions(copy, options);
  copy->add_option("--copy", options.settings.copy_path,
                   "The directory that receives the phrase search files (created when missing)")
      ->required();
  copy->footer(
      "Example:\n  tarvik copy --html --listing examples/listing.txt "
      "--articles examples/articles --copy examples/copies");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }
  if (index->parsed()) return RunIndex(options);
  return RunCopy(options);
}
