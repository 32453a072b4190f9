#include "preproc/form/search_controller.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <utility>

#include "platform/file_system.h"
#include "preproc/form/form_ids.h"

namespace preproc {
namespace {

constexpr int kMaxPhraseBytes = 254;         // what the plug-in's phrase slots hold
constexpr std::int32_t kLastArticle = 9999;  // the highest article number of a listing

bool IsBlank(char c) { return c == ' ' || (c >= 9 && c <= 13); }

std::string Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// An end of the range: digits only, 1 to kLastArticle; empty gives fallback.
bool ParseRangeEnd(const std::string& text, std::int32_t fallback, std::int32_t* value) {
  if (text.empty()) return *value = fallback, true;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size() && *value >= 1 &&
         *value <= kLastArticle;
}

std::string Quoted(const std::string& phrase) { return "\"" + phrase + "\""; }

bool HasCopy(const std::string& copy_path, std::int32_t article) {
  return platform::IsRegularFile(hostsim::PhraseSearchFilePath(copy_path, article));
}

// A line's pieces: its number, then the text between and of the occurrences.
// Occurrences are 1-based inclusive byte positions, listed phrase by phrase:
// they are shown in the line's order, overlapping ones as one, and any that
// do not fit the line as plain text.
ShownLine PiecesOf(const hostsim::MatchedLine& line) {
  const std::string& text = line.text;
  std::vector<hostsim::Occurrence> spans;
  for (const hostsim::Occurrence& occurrence : line.occurrences) {
    if (occurrence.first >= 1 && occurrence.last >= occurrence.first &&
        static_cast<std::size_t>(occurrence.last) <= text.size()) {
      spans.push_back(occurrence);
    }
  }
  std::sort(spans.begin(), spans.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  ShownLine pieces;
  pieces.push_back({std::to_string(line.number) + ": ", false});
  std::size_t shown = 0;  // bytes of text in pieces so far
  for (const hostsim::Occurrence& span : spans) {
    const std::size_t first = static_cast<std::size_t>(span.first - 1);
    const std::size_t end = static_cast<std::size_t>(span.last);
    if (end <= shown) continue;  // inside the one before
    if (first > shown) {
      pieces.push_back({text.substr(shown, first - shown), false});
    } else if (first < shown) {
      pieces.back().text += text.substr(shown, end - shown);  // overlaps the one before
      shown = end;
      continue;
    }
    pieces.push_back({text.substr(first, end - first), true});
    shown = end;
  }
  if (shown < text.size()) pieces.push_back({text.substr(shown), false});
  return pieces;
}

}  // namespace

SearchController::SearchController(SearchWindow& window, std::string plugin_path)
    : window_(window), plugin_path_(std::move(plugin_path)) {}

SearchController::~SearchController() {
  // What the plug-in may not have given back is the host simulator's
  // business; the window has nothing left to show it in.
  if (session_ != nullptr) session_->Close();
}

void SearchController::SetPaths(const std::string& index_path, const std::string& copy_path) {
  index_path_ = index_path;
  copy_path_ = copy_path;
}

void SearchController::OnSetRebuilt(const std::string& index_path, const std::string& copy_path) {
  SetPaths(index_path, copy_path);
  if (searched_) OnSearch();
}

void SearchController::Fail(const std::string& message) {
  matches_.clear();
  window_.ShowResult(message);
  window_.ShowArticles({});
  window_.ShowLines({});
}

bool SearchController::ReadRequest(hostsim::SearchRequest* request, std::string* message) const {
  const std::string phrase = Trimmed(window_.FieldText(kIdSearchPhrase));
  const std::string second = Trimmed(window_.FieldText(kIdSearchSecondPhrase));
  if (phrase.empty()) {
    *message = second.empty() ? "Type a phrase to search for."
                              : "Type the first phrase too, or search for the second alone.";
    return false;
  }
  if (phrase.size() > kMaxPhraseBytes || second.size() > kMaxPhraseBytes) {
    *message = "A phrase holds at most " + std::to_string(kMaxPhraseBytes) + " characters.";
    return false;
  }
  request->phrases = {phrase};
  request->booleanMode = 0;
  if (!second.empty()) {
    request->phrases.push_back(second);
    request->booleanMode = window_.IsOrChosen() ? 2 : 1;
  }
  request->wholeWord = window_.IsWholeWordsChecked();

  const std::string from = Trimmed(window_.FieldText(kIdSearchFrom));
  const std::string to = Trimmed(window_.FieldText(kIdSearchTo));
  request->ranges.clear();
  if (!from.empty() || !to.empty()) {
    hostsim::KeyRangeRequest range{kSearchRangeName, 0, 0};
    if (!ParseRangeEnd(from, 1, &range.lowerBound) ||
        !ParseRangeEnd(to, kLastArticle, &range.upperBound)) {
      *message = "The range's ends are article numbers from 1 to " + std::to_string(kLastArticle) +
                 " (or empty).";
      return false;
    }
    if (range.lowerBound > range.upperBound) {
      *message = "The range's first article comes after its last.";
      return false;
    }
    request->ranges.push_back(range);
  }

  request->indexPath = platform::ToNativeSeparators(index_path_);
  request->articlesPath = platform::ToNativeSeparators(copy_path_);
  if (request->indexPath.empty()) {
    *message = "The form's Index Path is empty: fill it in with the index files' path.";
    return false;
  }
  if (request->articlesPath.empty()) {
    *message = "The form's Copy Path is empty: fill it in with the copied articles' path.";
    return false;
  }
  request->maxLines = kMaxShownLines;
  return true;
}

std::string SearchController::CheckPaths(const hostsim::SearchRequest& request) {
  const std::string& index = request.indexPath;
  const std::string& copies = request.articlesPath;
  names_.clear();
  std::string ignored;
  if (!platform::IsDirectory(index) || !hostsim::ReadArticleNames(index, &names_, &ignored)) {
    return "No index set in " + index + ": generate the index files first.";
  }
  const std::int32_t listed = names_.empty() ? 0 : names_.rbegin()->first;
  if (!platform::IsDirectory(copies) || (listed > 0 && !HasCopy(copies, 1))) {
    return "No copied articles in " + copies + ": copy the articles first.";
  }
  if (listed == 0) return "";
  const std::string head = "The index set in " + index + " lists " + std::to_string(listed) +
                           (listed == 1 ? " article" : " articles") + ", but the copies in " +
                           copies;
  const std::string tail =
      ": they come from different listings. Run both on one listing (tarvik verify shows what "
      "differs).";
  if (!HasCopy(copies, listed))
    return head + " end before article " + std::to_string(listed) + tail;
  if (HasCopy(copies, listed + 1)) return head + " go on beyond it" + tail;
  return "";
}

hostsim::XtraSession* SearchController::Session(std::string* message) {
  if (session_ != nullptr) return session_.get();
  std::string error;
  session_ = hostsim::XtraSession::Open(plugin_path_, hostsim::HostOptions{}, &error);
  if (session_ == nullptr) {
    *message = "The search plug-in " + plugin_path_ + " cannot be loaded: " + error + ".";
  }
  return session_.get();
}

std::string SearchController::NoArticleText(const hostsim::SearchRequest& request) const {
  std::string text = "No article holds " + Quoted(request.phrases[0]);
  if (request.phrases.size() == 2) {
    text += (request.booleanMode == 2 ? " or " : " and ") + Quoted(request.phrases[1]);
  }
  if (request.wholeWord) text += " as whole words";
  if (!request.ranges.empty()) {
    text += " among articles " + std::to_string(request.ranges[0].lowerBound) + " to " +
            std::to_string(request.ranges[0].upperBound);
  }
  return text + ".";
}

void SearchController::OnSearch() {
  searched_ = true;
  hostsim::SearchRequest request;
  std::string message;
  if (!ReadRequest(&request, &message)) return Fail(message);
  message = CheckPaths(request);
  if (!message.empty()) return Fail(message);
  hostsim::XtraSession* session = Session(&message);
  if (session == nullptr) return Fail(message);
  hostsim::SearchOutcome outcome;
  std::string error;
  if (!hostsim::RunSearch(*session, request, &outcome, &error)) {
    return Fail("The search plug-in failed: " + error + ".");
  }
  request_ = request;
  matches_ = outcome.matches;
  std::vector<std::string> rows;
  for (std::int32_t article : matches_) {
    auto name = names_.find(article);
    rows.push_back(std::to_string(article) + "  " + (name == names_.end() ? "" : name->second));
  }
  window_.ShowResult(outcome.count == 0   ? NoArticleText(request)
                     : outcome.count == 1 ? "1 article"
                                          : std::to_string(outcome.count) + " articles");
  window_.ShowArticles(rows);
  window_.ShowLines({});
}

// A message about the selected article takes the lines view's place, so the
// result line keeps the count.
void SearchController::OnSelectArticle(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= matches_.size()) return window_.ShowLines({});
  const std::int32_t article = matches_[static_cast<std::size_t>(row)];
  std::string message;
  hostsim::XtraSession* session = Session(&message);
  hostsim::ArticleLines lines;
  std::string error;
  if (session == nullptr) {
    // message says why
  } else if (!hostsim::ReadMatchedLines(*session, request_, article, &lines, &error)) {
    message = "The search plug-in failed: " + error + ".";
  } else if (!lines.readable) {
    message = "Article " + std::to_string(article) + " has no readable copy in " +
              request_.articlesPath + ": copy the articles again.";
  } else if (lines.lines.empty()) {
    message = "No single line of article " + std::to_string(article) +
              "'s copy holds the phrase; if one should, check the set and the copies with "
              "tarvik verify.";
  }
  std::vector<ShownLine> shown;
  if (!message.empty()) shown.push_back({{message, false}});
  for (const hostsim::MatchedLine& line : lines.lines) shown.push_back(PiecesOf(line));
  window_.ShowLines(shown);
}

}  // namespace preproc
