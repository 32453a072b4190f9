// kpxsearch: searches an index set through the KPXSearch plug-in, loaded the
// way the host loads it, or runs a script of Lingo-style calls against it.
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
#include "xtra/hostsim/plugin_location.h"
#include "xtra/hostsim/script_runner.h"
#include "xtra/hostsim/search_command.h"
#include "xtra/hostsim/xtra_session.h"

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
};

// Set by the install rules: the plug-in's place relative to this program's
// directory in an installed tree.
#ifndef KPXSEARCH_INSTALLED_PLUGIN
#define KPXSEARCH_INSTALLED_PLUGIN ""
#endif

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
  std::map<std::int32_t, std::string> names;
  if (options.names && !hostsim::ReadArticleNames(request.indexPath, &names, &error)) {
    return Fail(error);
  }
  hostsim::SearchOutcome outcome;
  if (!hostsim::RunSearch(session, request, &outcome, &error)) {
    Finish(session, kExitError);
    return Fail(error);
  }
  std::cout << outcome.count << '\n';
  for (std::int32_t article : outcome.matches) {
    std::cout << article;
    if (options.names) std::cout << '\t' << names[article];
    std::cout << '\n';
  }
  std::cout.flush();
  return Finish(session, outcome.count > 0 ? kExitOk : kExitNoMatch);
}

void DefineOptions(CLI::App& app, Options& options) {
  app.add_option("--plugin", options.plugin,
                 "The plug-in library to load (default: $KPXSEARCH_PLUGIN, else the one "
                 "installed with this program, else the one built with it)");
  app.add_option("--host-version", options.hostVersion,
                 "Major version the simulated host reports (7 and 8 close the version gate)")
      ->check(CLI::Range(0, 255))
      ->capture_default_str();
  auto* script = app.add_option("--script", options.script,
                                "Run Lingo-style calls from FILE, one per line ('-': standard "
                                "input), printing one result line per call");
  auto* index = app.add_option("--index", options.search.indexPath, "The index path (DIR)");
  auto* articles = app.add_option("--articles", options.search.articlesPath,
                                  "The articles path: the phrase search files (DIR)");
  auto* andFlag = app.add_flag("--and", options.andMode, "Articles must match both phrases");
  auto* orFlag = app.add_flag("--or", options.orMode, "Articles may match either phrase");
  andFlag->excludes(orFlag);
  auto* whole = app.add_flag("--whole-word", options.search.wholeWord,
                             "Match whole words (default: words beginning with the phrase's)");
  auto* ranges = app.add_option("--range", options.ranges,
                                "Limit to articles LOW..HIGH (1-based) as key range NAME; "
                                "NAME:LOW:HIGH, repeatable")
                     ->allow_extra_args(false);
  auto* names = app.add_flag("--names", options.names,
                             "Print each article's listed name from the index set's log");
  auto* phrases = app.add_option("phrases", options.search.phrases,
                                 "One or two phrases, passed as bytes (without --and/--or only "
                                 "the first one decides)")
                      ->expected(1, 2);
  for (CLI::Option* option : {index, articles, andFlag, orFlag, whole, ranges, names, phrases}) {
    script->excludes(option);
  }
  app.footer(
      "Exit status: 0 found (or script done), 1 nothing found, 2 usage, load or plug-in error.\n");
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
  bool searchForm = options.script.empty();
  if (searchForm && (options.search.indexPath.empty() || options.search.articlesPath.empty() ||
                     options.search.phrases.empty())) {
    return Fail("give --script FILE, or --index DIR --articles DIR and a phrase (see --help)");
  }
  hostsim::HostOptions hostOptions;
  hostOptions.majorVersion = static_cast<std::uint8_t>(options.hostVersion);
  std::string error;
  std::string plugin = options.plugin.empty() ? DefaultPlugin() : options.plugin;
  auto session = hostsim::XtraSession::Open(plugin, hostOptions, &error);
  if (session == nullptr) return Fail(error);
  return searchForm ? RunSearchForm(*session, options) : RunScript(*session, options.script);
}
