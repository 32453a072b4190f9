// engine_bench: latency of KPXSearchCountMatches over a 2,500-article set made
// by the pre-processor's own runs, beside SQLite FTS5 answering the same
// queries over the same articles, and a plain read of the copies the engine
// must scan for "of the".
//
//   engine_bench WORK [benchmark flags]
//
// WORK is bench/run.sh's work directory: WORK/shuffled holds the corpus that
// make_corpus wrote (ENGINE_BENCH_CORPUS=text: WORK/text, the real text
// corpus). The first 2,500 listed articles are indexed and copied once into
// WORK/engine2500 (WORK/engine2500-text), copied again without the phrase
// accelerator into its copies-bare, and loaded into its fts5.db. The engine's
// phrase queries run over both copy paths: engine/ with the accelerator,
// engine-bare/ without.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "indexformat/index_format.h"
#include "indexformat/phrase_search_files.h"
#include "platform/file_system.h"
#include "preproc/copier/copy_run.h"
#include "preproc/run/article_listing.h"
#include "preproc/indexer/index_run.h"
#include "xtra/engine/search_engine.h"

namespace {

namespace fs = std::filesystem;

struct Query {
  std::string name;
  bool phrase;                       // of several words: also run over the bare copies
  std::vector<std::string> phrases;  // the engine's phrases
  int booleanMode;
  std::string fts;  // the same query in FTS5 syntax
};

std::string work;  // WORK/engine2500
std::vector<Query> queries;

std::string ReadFile(const std::string& path) {
  std::string bytes;
  platform::ReadWholeFile(path, &bytes);
  return bytes;
}

// The phrase search file of an article, named as the copy run names it.
std::string CopyFile(int article) {
  char name[indexformat::kMaxCopyName];
  indexformat::RelativeCopyFileName(article, 'a', '/', name);
  return work + "/copies/" + name;
}

// Indexes and copies the first 2,500 articles of the corpus, once.
bool MakeSet(const std::string& corpus) {
  preproc::RunSettings settings;
  settings.listing_file = work + "/listing.txt";
  settings.article_path = corpus + "/articles";
  settings.index_path = work + "/index";
  settings.copy_path = work + "/copies";
  preproc::RunServices services(work + "/run.log");
  if (fs::exists(work + "/index/extras")) {
    // A set of an earlier version may lack the accelerator or the bare copies.
    if (!fs::exists(work + "/copies/kpxpairs") && !preproc::CopyArticles(settings, services)) {
      return false;
    }
    settings.copy_path = work + "/copies-bare";
    settings.phrase_index = false;
    return fs::exists(work + "/copies-bare/a1") || preproc::CopyArticles(settings, services);
  }
  fs::create_directories(work);
  preproc::ArticleListing in;
  if (!in.Open(corpus + "/listing.txt")) return false;
  std::ofstream out(work + "/listing.txt");
  std::string line;
  while (in.Next(&line) && in.number() <= engine::kMaxArticles) out << line << "\n";
  out.close();
  if (!preproc::GenerateIndexFiles(settings, services) ||
      !preproc::CopyArticles(settings, services)) {
    return false;
  }
  settings.copy_path = work + "/copies-bare";
  settings.phrase_index = false;
  return preproc::CopyArticles(settings, services);
}

bool MakeFts(const std::string& corpus) {
  std::string db = work + "/fts5.db";
  if (fs::exists(db)) return true;
  sqlite3* handle = nullptr;
  if (sqlite3_open(db.c_str(), &handle) != SQLITE_OK) return false;
  sqlite3_exec(handle, "CREATE VIRTUAL TABLE docs USING fts5(body); BEGIN;", nullptr, nullptr,
               nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(handle, "INSERT INTO docs(rowid, body) VALUES (?, ?)", -1, &insert, nullptr);
  preproc::ArticleListing in;
  in.Open(work + "/listing.txt");
  std::string line;
  while (in.Next(&line)) {
    std::string body = ReadFile(corpus + "/articles/" + line);
    sqlite3_bind_int(insert, 1, in.number());
    sqlite3_bind_text(insert, 2, body.data(), static_cast<int>(body.size()), SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(handle, "COMMIT;", nullptr, nullptr, nullptr);
  sqlite3_close(handle);
  return true;
}

// A letters-only word listed by 2 to 4 articles, from the index itself.
std::string RareWord() {
  std::string bytes = ReadFile(work + "/index/Q/QU");
  if (bytes.empty()) bytes = ReadFile(work + "/index/Z/ZA");
  indexformat::EntryView entry;
  for (size_t offset = 0;
       indexformat::DecodeEntry(bytes, offset, &entry) == indexformat::DecodeResult::kOk;
       offset += entry.size) {
    if (entry.count >= 2 && entry.count <= 4 && entry.word.size() >= 5) {
      return std::string(entry.word);
    }
  }
  return "QUXQUX";
}

// The rare word and the word after it in its first article's copy.
std::string RarePhrase(const std::string& word) {
  engine::SearchState state;
  engine::InitSearchState(state);
  engine::KPXSearchSetIndexPath(state, (work + "/index").c_str());
  engine::KPXSearchAddWordPhrase(state, word.c_str());
  engine::KPXSearchWholeWord(state, 1);
  engine::KPXSearchCountMatches(state);
  int article = engine::KPXSearchGetAt(state, 1);
  std::string text = ReadFile(CopyFile(article));
  for (char& c : text) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  size_t at = text.find(word + " ");
  if (at == std::string::npos) return word;
  size_t end = text.find_first_of(" \r\n", at + word.size() + 1);
  return text.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

void DefineQueries() {
  std::string rare = RareWord();
  std::string phrase = RarePhrase(rare);
  queries = {
      {"rare word", false, {rare}, 0, rare},
      {"the", false, {"the"}, 0, "the"},
      {"prefix new", false, {"new"}, 0, "new*"},
      {"rare phrase", true, {phrase}, 0, "\"" + phrase + "\""},
      {"of the", true, {"of the"}, 0, "\"of the\""},
      {"new york AND of the", true, {"new york", "of the"}, 1, "\"new york\" AND \"of the\""},
      {"new york OR of the", true, {"new york", "of the"}, 2, "\"new york\" OR \"of the\""},
  };
}

void BM_Engine(benchmark::State& bench, const Query* query, const char* copies) {
  auto state = std::make_unique<engine::SearchState>();
  engine::InitSearchState(*state);
  engine::KPXSearchSetIndexPath(*state, (work + "/index").c_str());
  engine::KPXSearchSetArticlesPath(*state, (work + copies).c_str());
  for (const std::string& p : query->phrases) engine::KPXSearchAddWordPhrase(*state, p.c_str());
  engine::KPXSearchAndOr(*state, query->booleanMode);
  int matches = 0;
  for (auto _ : bench) benchmark::DoNotOptimize(matches = engine::KPXSearchCountMatches(*state));
  bench.counters["matches"] = matches;
}

void BM_Fts5(benchmark::State& bench, const Query* query) {
  sqlite3* handle = nullptr;
  sqlite3_open_v2((work + "/fts5.db").c_str(), &handle, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* count = nullptr;
  sqlite3_prepare_v2(handle, "SELECT count(*) FROM docs WHERE docs MATCH ?", -1, &count, nullptr);
  int matches = 0;
  for (auto _ : bench) {
    sqlite3_bind_text(count, 1, query->fts.c_str(), -1, SQLITE_STATIC);
    if (sqlite3_step(count) == SQLITE_ROW) matches = sqlite3_column_int(count, 0);
    sqlite3_reset(count);
  }
  bench.counters["matches"] = matches;
  sqlite3_finalize(count);
  sqlite3_close(handle);
}

// Reads whole every copy that "of the" leaves to be scanned: the articles
// the index lists under both OF and THE.
void BM_ReadCandidates(benchmark::State& bench) {
  auto state = std::make_unique<engine::SearchState>();
  engine::InitSearchState(*state);
  engine::KPXSearchSetIndexPath(*state, (work + "/index").c_str());
  engine::KPXSearchWholeWord(*state, 1);
  engine::KPXSearchAndOr(*state, 1);
  engine::KPXSearchAddWordPhrase(*state, "of");
  engine::KPXSearchAddWordPhrase(*state, "the");
  engine::KPXSearchCountMatches(*state);
  std::vector<std::string> files;
  for (int i = 0; i < engine::kMaxArticles; ++i) {
    if (state->matchFlags[i] == 0) continue;
    files.push_back(CopyFile(i + 1));
  }
  static char buffer[1 << 16];
  for (auto _ : bench) {
    size_t total = 0;
    for (const std::string& file : files) {
      int fd = open(file.c_str(), O_RDONLY);
      for (ssize_t n; fd >= 0 && (n = read(fd, buffer, sizeof buffer)) > 0;) total += n;
      if (fd >= 0) close(fd);
    }
    benchmark::DoNotOptimize(total);
  }
  bench.counters["files"] = static_cast<double>(files.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: engine_bench WORK [benchmark flags]\n");
    return 2;
  }
  const char* kind = std::getenv("ENGINE_BENCH_CORPUS");
  const bool text = kind != nullptr && std::string(kind) == "text";
  std::string corpus = std::string(argv[1]) + (text ? "/text" : "/shuffled");
  work = std::string(argv[1]) + (text ? "/engine2500-text" : "/engine2500");
  if (!MakeSet(corpus) || !MakeFts(corpus)) {
    std::fprintf(stderr, "engine_bench: could not build the set from %s\n", corpus.c_str());
    return 1;
  }
  DefineQueries();
  for (const Query& q : queries) {
    benchmark::RegisterBenchmark(("engine/" + q.name).c_str(), BM_Engine, &q, "/copies")
        ->Unit(benchmark::kMicrosecond);
    if (q.phrase) {
      benchmark::RegisterBenchmark(("engine-bare/" + q.name).c_str(), BM_Engine, &q,
                                   "/copies-bare")
          ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark(("fts5/" + q.name).c_str(), BM_Fts5, &q)
        ->Unit(benchmark::kMicrosecond);
  }
  benchmark::RegisterBenchmark("read candidate copies of \"of the\"", BM_ReadCandidates)
      ->Unit(benchmark::kMicrosecond);
  argv[1] = argv[0];
  --argc;
  ++argv;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
