#include "xtra/hostsim/plugin_search.h"

#include <charconv>
#include <memory>

#include "indexformat/file_mapping_log.h"
#include "indexformat/fold_record.h"
#include "indexformat/index_format.h"
#include "indexformat/phrase_search_files.h"
#include "platform/code_page.h"
#include "platform/file_system.h"

namespace hostsim {
namespace {

bool ParseInt(std::string_view text, std::int32_t* value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size();
}

// Runs one method on instance and reads its integer result.
class Caller {
 public:
  Caller(XtraSession& session, ScriptingInstance& instance)
      : session_(session), instance_(instance) {}

  bool Call(std::string_view name, const std::vector<MoaMmValue>& args, std::int32_t* result,
            std::string* error) {
    const LingoMethod* method = session_.methods().Find(name);
    if (method == nullptr) return *error = "the plug-in has no " + std::string(name), false;
    CallResult call = instance_.Call(method->selector, args, method->args.size());
    SimHost& host = session_.host();
    bool isInteger = call.code == XTRA_OK && SimHost::KindOf(call.result) == ValueKind::kInteger;
    if (isInteger) *result = host.IntegerOf(call.result);
    host.ClearValues();
    if (!isInteger) return *error = std::string(name) + " gave no result", false;
    return true;
  }

  // A call whose result is a string, such as the match list statement.
  bool CallString(std::string_view name, const std::vector<MoaMmValue>& args, std::string* result,
                  std::string* error) {
    const LingoMethod* method = session_.methods().Find(name);
    if (method == nullptr) return *error = "the plug-in has no " + std::string(name), false;
    CallResult call = instance_.Call(method->selector, args, method->args.size());
    SimHost& host = session_.host();
    bool isString = call.code == XTRA_OK && SimHost::KindOf(call.result) == ValueKind::kString;
    if (isString) *result = host.StringOf(call.result);
    host.ClearValues();
    if (!isString) return *error = std::string(name) + " gave no text", false;
    return true;
  }

  // A call whose -1 means the plug-in refused it.
  bool Require(std::string_view name, const std::vector<MoaMmValue>& args, std::string* error) {
    std::int32_t result = 0;
    if (!Call(name, args, &result, error)) return false;
    if (result == -1) return *error = "the plug-in refused " + std::string(name), false;
    return true;
  }

 private:
  XtraSession& session_;
  ScriptingInstance& instance_;
};

bool SetUp(Caller& caller, SimHost& host, const SearchRequest& request, std::string* error) {
  std::int32_t ignored = 0;
  if (!caller.Call("new", {}, &ignored, error) ||
      !caller.Require("KPXSearchSetIndexPath", {host.String(request.indexPath)}, error) ||
      !caller.Require("KPXSearchSetArticlesPath", {host.String(request.articlesPath)}, error) ||
      !caller.Require("KPXSearchAndOr", {host.Integer(request.booleanMode)}, error) ||
      !caller.Require("KPXSearchWholeWord", {host.Integer(request.wholeWord ? 1 : 0)}, error)) {
    return false;
  }
  for (const KeyRangeRequest& range : request.ranges) {
    std::vector<MoaMmValue> args = {host.String(range.name), host.Integer(range.lowerBound),
                                    host.Integer(range.upperBound)};
    if (!caller.Require("KPXSearchAddKeyRange", args, error)) return false;
  }
  for (const std::string& phrase : request.phrases) {
    if (!caller.Require("KPXSearchAddWordPhrase", {host.String(phrase)}, error)) return false;
  }
  return true;
}

// Calls KPXSearchCreateMatchesList for each line of the article's phrase
// search file and keeps the lines with an occurrence.
bool ReadArticleLines(Caller& caller, SimHost& host, const SearchRequest& request,
                      ArticleLines* article, std::string* error) {
  std::string contents;
  if (!platform::ReadWholeFile(PhraseSearchFilePath(request.articlesPath, article->article),
                               &contents)) {
    article->readable = false;
    return true;
  }
  std::string_view text = contents;
  for (int number = 1; !text.empty(); ++number) {
    if (request.maxLines > 0 && static_cast<int>(article->lines.size()) >= request.maxLines) break;
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? "" : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    std::string statement;
    if (!caller.CallString("KPXSearchCreateMatchesList", {host.String(std::string(line))},
                           &statement, error)) {
      return false;
    }
    MatchedLine matched;
    if (!ParseMatchList(statement, &matched.occurrences)) {
      return *error = "KPXSearchCreateMatchesList gave no match list: " + statement, false;
    }
    if (matched.occurrences.empty()) continue;
    matched.number = number;
    matched.text = std::string(line);
    article->lines.push_back(std::move(matched));
  }
  return true;
}

}  // namespace

bool ParseMatchList(std::string_view statement, std::vector<Occurrence>* occurrences) {
  constexpr std::string_view kHead = "set t123Match = [";
  constexpr std::string_view kTail = "]\r";
  occurrences->clear();
  if (statement.size() < kHead.size() + kTail.size() ||
      statement.substr(0, kHead.size()) != kHead ||
      statement.substr(statement.size() - kTail.size()) != kTail) {
    return false;
  }
  std::string_view list =
      statement.substr(kHead.size(), statement.size() - kHead.size() - kTail.size());
  std::vector<std::int32_t> numbers;
  while (!list.empty()) {
    std::size_t comma = list.find(',');
    std::int32_t value = 0;
    if (!ParseInt(list.substr(0, comma), &value)) return false;
    numbers.push_back(value);
    list = comma == std::string_view::npos ? "" : list.substr(comma + 1);
  }
  if (numbers.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < numbers.size(); i += 2) {
    occurrences->push_back({numbers[i], numbers[i + 1]});
  }
  return true;
}

std::string PhraseSearchFilePath(const std::string& articlesPath, std::int32_t article) {
  std::string base = articlesPath;
  platform::AppendSeparator(base);
  char block[indexformat::kMaxCopyName];
  char file[indexformat::kMaxCopyName];
  indexformat::CopyBlockName(article, 'a', block);
  indexformat::CopyFileName(article, file);
  std::string directory = base + block;
  if (!platform::IsDirectory(directory)) {
    indexformat::CopyBlockName(article, 'A', block);
    directory = base + block;
  }
  return directory + platform::kSeparator + file;
}

bool ParseKeyRange(std::string_view text, KeyRangeRequest* range, std::string* error) {
  std::size_t second = text.rfind(':');
  std::size_t first = second == 0 || second == std::string_view::npos ? std::string_view::npos
                                                                      : text.rfind(':', second - 1);
  if (first == std::string_view::npos ||
      !ParseInt(text.substr(first + 1, second - first - 1), &range->lowerBound) ||
      !ParseInt(text.substr(second + 1), &range->upperBound)) {
    return *error = "a key range is NAME:LOW:HIGH, not " + std::string(text), false;
  }
  range->name = std::string(text.substr(0, first));
  return true;
}

bool RunSearch(XtraSession& session, const SearchRequest& request, SearchOutcome* outcome,
               std::string* error) {
  std::unique_ptr<ScriptingInstance> instance = session.NewInstance(error);
  if (instance == nullptr) return false;
  Caller caller(session, *instance);
  SimHost& host = session.host();
  if (!SetUp(caller, host, request, error) ||
      !caller.Call("KPXSearchCountMatches", {}, &outcome->count, error)) {
    return false;
  }
  outcome->matches.clear();
  for (std::int32_t i = 1; i <= outcome->count; ++i) {
    std::int32_t article = 0;
    if (!caller.Call("KPXSearchGetMatch", {host.Integer(i)}, &article, error)) return false;
    outcome->matches.push_back(article);
  }
  outcome->articles.clear();
  if (!request.showLines) return true;
  for (std::int32_t article : outcome->matches) {
    ArticleLines lines;
    lines.article = article;
    if (!ReadArticleLines(caller, host, request, &lines, error)) return false;
    outcome->articles.push_back(std::move(lines));
  }
  return true;
}

bool ReadMatchedLines(XtraSession& session, const SearchRequest& request, std::int32_t article,
                      ArticleLines* lines, std::string* error) {
  std::unique_ptr<ScriptingInstance> instance = session.NewInstance(error);
  if (instance == nullptr) return false;
  Caller caller(session, *instance);
  *lines = ArticleLines{};
  lines->article = article;
  return SetUp(caller, session.host(), request, error) &&
         ReadArticleLines(caller, session.host(), request, lines, error);
}

bool ReadArticleNames(const std::string& indexPath, std::map<std::int32_t, std::string>* names,
                      std::string* error) {
  std::string path = indexPath;
  platform::AppendSeparator(path);
  path += indexformat::kFileMappingLogName;
  std::string contents;
  if (!platform::ReadWholeFile(path, &contents)) {
    return *error = "cannot read the file mapping log " + path, false;
  }
  indexformat::FileMappingLogReader reader(contents);
  indexformat::FileMappingLine line;
  while (reader.Next(&line)) {
    if (line.is_article) (*names)[line.article] = std::string(line.name);
  }
  return true;
}

SetFoldName ReadSetFoldName(const std::string& indexPath) {
  std::string path = indexPath;
  platform::AppendSeparator(path);
  path += indexformat::kFoldRecordName;
  std::string bytes;
  indexformat::FoldRecordView record;
  if (platform::IsRegularFile(path) && platform::ReadWholeFile(path, &bytes) &&
      indexformat::DecodeFoldRecord(reinterpret_cast<const unsigned char*>(bytes.data()),
                                    bytes.size(), &record) == indexformat::FoldDamage::kNone) {
    return {std::string(record.name), true};
  }
  platform::UpperCaseTable table;
  platform::FillDefaultUpperCaseTable(&table);
  return {indexformat::FoldNameOf(table, platform::ActiveCodePage()), false};
}

}  // namespace hostsim
