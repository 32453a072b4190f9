// kpxsearch: searches an index set through the KPXSearch plug-in, loaded the
// way the host loads it, or runs a script of Lingo-style calls against it.
//
// A search prints, by default, each matching article's heading and the lines
// of its phrase search file that hold a phrase, the occurrences highlighted as
// KPXSearchCreateMatchesList places them; --list, --count and --json print
// forms for scripts.
//
// Exit status: 0 success (the search found at least one article); 1 the
// search found nothing; 2 a usage error, a plug-in that cannot be loaded or
// refuses a call, a script line that cannot be run, or a host resource the
// plug-in did not give back.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "kpx_version.h"
#include "platform/file_system.h"
#include "platform/terminal.h"
#include "xtra/hostsim/plugin_location.h"
#include "xtra/hostsim/plugin_search.h"
#include "xtra/hostsim/script_runner.h"
#include "xtra/hostsim/xtra_session.h"
#include "xtra/kpxsearch/search_output.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitNoMatch = 1;
constexpr int kExitError = 2;

struct Options {
  std::string plugin;
  int hostVersion = 6;
  std::string script;
  hostsim::SearchRequest search;
  bool andMode = false;
  bool orMode = false;
  std::vector<std::string> ranges;
  bool names = false;
  bool list = false;
  bool count = false;
  bool json = false;
  int maxLines = 0;
  std::string color = "auto";
  std::string encoding = "cp1252";
};

// Set by the install rules: the plug-in's place relative to this program's
// directory in an installed tree.
#ifndef KPXSEARCH_INSTALLED_PLUGIN
#define KPXSEARCH_INSTALLED_PLUGIN ""
#endif

constexpr char kGroupSearch[] = "Search";
constexpr char kGroupOutput[] = "Output";
constexpr char kGroupScript[] = "Script";
constexpr char kGroupPlugin[] = "Plug-in and host";

constexpr char kExamples[] =
    "Examples:\n"
    "  the matching lines of each article, highlighted on a terminal:\n"
    "    kpxsearch --index I --articles C \"new york\"\n"
    "  articles holding both phrases, or either, at most 2 lines each:\n"
    "    kpxsearch --index I --articles C --and cat dog\n"
    "    kpxsearch --index I --articles C --or --max-lines 2 cat dog\n"
    "  for scripts: the count and NUMBER<TAB>NAME lines; the count alone; JSON:\n"
    "    kpxsearch --index I --articles C --list --names cat\n"
    "    kpxsearch --index I --articles C --count cat\n"
    "    kpxsearch --index I --articles C --json --encoding utf-8 cat\n"
    "  Lingo-style calls, one per line:\n"
    "    kpxsearch --script calls.lingo\n"
    "\n"
    "Two phrases need --and or --or; the plug-in's first-phrase-only mode\n"
    "(KPXSearchAndOr 0) is reachable through --script.\n"
    "Exit status: 0 found (or script done), 1 nothing found, 2 usage, load or plug-in error.\n";

bool UseColor(const std::string& choice) {
  if (choice == "always") return true;
  if (choice == "never") return false;
  const char* noColor = std::getenv("NO_COLOR");
  if (noColor != nullptr && noColor[0] != '\0') return false;
  const char* term = std::getenv("TERM");
  if (term != nullptr && std::string(term) == "dumb") return false;
  return platform::IsTerminal(stdout);
}

std::string DefaultPlugin() {
  const char* fromEnvironment = std::getenv("KPXSEARCH_PLUGIN");
  if (fromEnvironment != nullptr) return fromEnvironment;
  return hostsim::LocatePlugin(hostsim::ExecutablePath(), KPXSEARCH_INSTALLED_PLUGIN,
                               KPXSEARCH_DEFAULT_PLUGIN);
}

int Fail(const std::string& message) {
  std::cerr << "kpxsearch: " << message << '\n';
  return kExitError;
}

// Ends the session and reports what the plug-in did not give back.
int Finish(hostsim::XtraSession& session, int status) {
  std::vector<std::string> problems = session.Close();
  for (const std::string& problem : problems) Fail("host check: " + problem);
  return problems.empty() ? status : kExitError;
}

int RunScript(hostsim::XtraSession& session, const std::string& file) {
  std::ifstream stream;
  if (file != "-") {
    stream.open(file, std::ios::binary);
    if (!stream) return Fail("cannot open the script " + file);
  }
  std::istream& script = file == "-" ? std::cin : stream;
  std::string error;
  int status = kExitOk;
  {
    hostsim::ScriptRunner runner(session);
    if (!runner.Run(script, std::cout, &error)) status = Fail(error);
  }
  std::cout.flush();
  return Finish(session, status);
}

int RunSearchForm(hostsim::XtraSession& session, Options& options) {
  std::string error;
  hostsim::SearchRequest& request = options.search;
  request.booleanMode = options.andMode ? 1 : options.orMode ? 2 : 0;
  for (const std::string& text : options.ranges) {
    hostsim::KeyRangeRequest range;
    if (!hostsim::ParseKeyRange(text, &range, &error)) return Fail(error);
    request.ranges.push_back(range);
  }
  request.showLines = !options.list && !options.count;
  request.maxLines = options.maxLines;
  kpxsearch::TextEncoding encoding = options.encoding == "utf-8" ? kpxsearch::TextEncoding::kUtf8
                                                                 : kpxsearch::TextEncoding::kCp1252;
  // The names are shown where there is room for them; a missing log leaves
  // the articles nameless rather than failing the search, except for
  // --list --names, which was asked for the names alone.
  kpxsearch::ArticleNames names;
  if (options.names || request.showLines) {
    std::string nameError;
    if (!hostsim::ReadArticleNames(request.indexPath, &names, &nameError) && options.names) {
      return Fail(nameError);
    }
  }
  hostsim::SearchOutcome outcome;
  if (!hostsim::RunSearch(session, request, &outcome, &error)) {
    Finish(session, kExitError);
    return Fail(error);
  }
  if (options.count) {
    std::cout << outcome.count << '\n';
  } else if (options.list) {
    kpxsearch::WriteArticleList(std::cout, outcome, options.names ? &names : nullptr);
  } else if (options.json) {
    kpxsearch::WriteJson(std::cout, outcome, names, encoding,
                         hostsim::ReadSetFoldName(request.indexPath));
  } else {
    kpxsearch::WriteMatchedLines(std::cout, outcome, names, encoding, UseColor(options.color));
  }
  std::cout.flush();
  return Finish(session, outcome.count > 0 ? kExitOk : kExitNoMatch);
}

void DefineOptions(CLI::App& app, Options& options) {
  app.add_option("--index", options.search.indexPath, "The index path: what tarvik index wrote")
      ->type_name("DIR")
      ->group(kGroupSearch);
  app.add_option("--articles", options.search.articlesPath,
                 "The articles path: the phrase search files tarvik copy wrote")
      ->type_name("DIR")
      ->group(kGroupSearch);
  app.add_flag("--and", options.andMode, "Articles must match both phrases")->group(kGroupSearch);
  app.add_flag("--or", options.orMode, "Articles may match either phrase")->group(kGroupSearch);
  app.add_flag("--whole-word", options.search.wholeWord,
               "Match whole words (default: words beginning with the phrase's)")
      ->group(kGroupSearch);
  app.add_option("--range", options.ranges,
                 "Limit to articles LOW..HIGH (1-based) as key range NAME; NAME:LOW:HIGH, "
                 "repeatable")
      ->allow_extra_args(false)
      ->type_name("NAME:LOW:HIGH")
      ->group(kGroupSearch);
  app.add_option("phrases", options.search.phrases,
                 "One phrase, or two with --and or --or; passed as bytes")
      ->expected(1, 2)
      ->type_name("PHRASE");

  app.add_option("--max-lines", options.maxLines, "Show at most N lines of each article")
      ->check(CLI::PositiveNumber)
      ->type_name("N")
      ->group(kGroupOutput);
  app.add_option("--color", options.color,
                 "Highlight the phrases: auto (on a terminal, unless NO_COLOR is set), always, "
                 "never")
      ->check(CLI::IsMember({"auto", "always", "never"}))
      ->type_name("WHEN")
      ->capture_default_str()
      ->group(kGroupOutput);
  app.add_option("--encoding", options.encoding,
                 "How the articles' text is read: cp1252 (the title's code page) or utf-8; "
                 "output is UTF-8")
      ->check(CLI::IsMember({"cp1252", "utf-8"}))
      ->type_name("ENC")
      ->capture_default_str()
      ->group(kGroupOutput);
  app.add_flag("--list", options.list, "Print the count, then one article number per line")
      ->group(kGroupOutput);
  app.add_flag("--names", options.names, "With --list: a tab and the article's listed name")
      ->group(kGroupOutput);
  app.add_flag("--count", options.count, "Print the count alone")->group(kGroupOutput);
  app.add_flag("--json", options.json,
               "Print one JSON document: count, articles, their names, lines and occurrences")
      ->group(kGroupOutput);

  app.add_option("--script", options.script,
                 "Run Lingo-style calls from FILE, one per line ('-': standard input), printing "
                 "one result line per call")
      ->type_name("FILE")
      ->group(kGroupScript);

  app.add_option("--plugin", options.plugin,
                 "The plug-in library to load (default: $KPXSEARCH_PLUGIN, else the one "
                 "installed with this program, else the one built with it)")
      ->type_name("PATH")
      ->group(kGroupPlugin);
  app.add_option("--host-version", options.hostVersion,
                 "Major version the simulated host reports (7 and 8 close the version gate)")
      ->check(CLI::Range(0, 255))
      ->type_name("N")
      ->capture_default_str()
      ->group(kGroupPlugin);
  app.footer(kExamples);
}

// The combinations the options do not allow; empty when they are fine.
// Checked here rather than by the parser, so --help stays free of the
// parser's per-option notes.
std::string UsageProblem(const CLI::App& app, const Options& options) {
  auto given = [&](const char* name) { return app.count(name) > 0; };
  if (!options.script.empty()) {
    for (const char* name : {"--index", "--articles", "--and", "--or", "--whole-word", "--range",
                             "--names", "--list", "--count", "--json", "--max-lines", "phrases"}) {
      if (given(name)) {
        return std::string("--script cannot be combined with ") +
               (std::string(name) == "phrases" ? "a phrase" : name);
      }
    }
    return "";
  }
  if (options.search.indexPath.empty() || options.search.articlesPath.empty() ||
      options.search.phrases.empty()) {
    return "give --script FILE, or --index DIR --articles DIR and a phrase (see --help)";
  }
  if (options.andMode && options.orMode) return "--and and --or exclude each other";
  if (options.search.phrases.size() == 2 && !options.andMode && !options.orMode) {
    return "two phrases need --and (articles with both) or --or (either); quote a phrase of "
           "several words, as in \"new york\"";
  }
  if (int(options.list) + int(options.count) + int(options.json) > 1) {
    return "choose one of --list, --count and --json";
  }
  if (options.names && !options.list) return "--names goes with --list";
  if (given("--max-lines") && (options.list || options.count)) {
    return "--max-lines limits the lines shown; --list and --count show none";
  }
  return "";
}

// A path to search that names no directory is an error, not "nothing
// found"; empty when it is one.
std::string PathProblem(const char* which, const std::string& path) {
  if (platform::IsDirectory(platform::ToNativeSeparators(path))) return "";
  return std::string("the ") + which + " path " + path + " does not exist or is not a directory";
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Search an index set through the KPXSearch plug-in, as the host would."};
  app.set_version_flag("--version", std::string("kpxsearch ") + kpx::kVersion);
  Options options;
  DefineOptions(app, options);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int code = app.exit(e);
    return code == 0 ? kExitOk : kExitError;
  }
  std::string problem = UsageProblem(app, options);
  if (!problem.empty()) return Fail(problem);
  bool searchForm = options.script.empty();
  if (searchForm) {
    problem = PathProblem("index", options.search.indexPath);
    if (problem.empty()) problem = PathProblem("articles", options.search.articlesPath);
    if (!problem.empty()) return Fail(problem);
  }
  hostsim::HostOptions hostOptions;
  hostOptions.majorVersion = static_cast<std::uint8_t>(options.hostVersion);
  std::string error;
  std::string plugin = options.plugin.empty() ? DefaultPlugin() : options.plugin;
  auto session = hostsim::XtraSession::Open(plugin, hostOptions, &error);
  if (session == nullptr) return Fail(error);
  return searchForm ? RunSearchForm(*session, options) : RunScript(*session, options.script);
}
