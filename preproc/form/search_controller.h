// SearchController: the search window's commands, carried out once for every
// desktop form. The window (wx or Win32) maps its controls' events to the On*
// methods below and implements SearchWindow for them.
//
// A search goes through the shipped plug-in, loaded through the host
// simulator (xtra/hostsim) the way the host loads it, so what the author sees
// is what a title's scripts get:
//   - the phrase, and the second phrase with "and" or "or" (empty: one
//     phrase, the plug-in's first-phrase mode); "Whole words" is the
//     plug-in's word mode; a range "from".."to" of article numbers (either
//     end may be left empty: 1, or the last article) is one key range;
//   - the result line shows "N articles" ("1 article") or "No article holds
//     ...", and the list one row "NUMBER  NAME" per match, in the plug-in's
//     order, the names from the set's file mapping log;
//   - selecting an article shows the lines of its phrase search file that
//     hold a phrase (at most kMaxShownLines), each occurrence where
//     KPXSearchCreateMatchesList places it; a message about the article
//     (no copy, no line) takes the lines' place.
// Before a search the paths are checked: an index path without a file
// mapping log, a copy path without the phrase search files, and a set and
// copies that cannot come from one listing (the log's last article has no
// copy, or a copy lies beyond it) each give a message on the result line and
// no search. A plug-in that cannot be loaded, or that refuses a call, is a
// message too; the next search tries again.
//
// The plug-in is loaded at the first search and stays loaded until the
// controller ends. Nothing is kept between program runs. One thread: every
// method is called on the user-interface thread.
#ifndef KPX_PREPROC_FORM_SEARCH_CONTROLLER_H_
#define KPX_PREPROC_FORM_SEARCH_CONTROLLER_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "preproc/form/search_window.h"
#include "xtra/hostsim/plugin_search.h"
#include "xtra/hostsim/xtra_session.h"

namespace preproc {

inline constexpr int kMaxShownLines = 500;  // lines shown of one article

// The key range's name as the search window adds it.
inline constexpr char kSearchRangeName[] = "articles";

class SearchController {
 public:
  // plugin_path: the plug-in library to load (see the desktop forms for
  // where they find it).
  SearchController(SearchWindow& window, std::string plugin_path);
  ~SearchController();
  SearchController(const SearchController&) = delete;
  SearchController& operator=(const SearchController&) = delete;

  // The form's Index Path and Copy Path fields, as typed; the next search
  // reads these.
  void SetPaths(const std::string& index_path, const std::string& copy_path);
  // After a run of the form: new paths, and the search is run again when
  // one has been run in this window.
  void OnSetRebuilt(const std::string& index_path, const std::string& copy_path);

  // Enter or the Search button.
  void OnSearch();
  // The article list's selection moved to row (from 0; -1: none).
  void OnSelectArticle(int row);

  const std::string& index_path() const { return index_path_; }
  const std::string& copy_path() const { return copy_path_; }
  // The matches of the last search that succeeded, in the list's order.
  const std::vector<std::int32_t>& matches() const { return matches_; }

 private:
  // The request the fields make; false with *message when they make none.
  bool ReadRequest(hostsim::SearchRequest* request, std::string* message) const;
  // The paths' checks before a search; empty when they hold a set and its
  // copies. Fills names_ from the file mapping log.
  std::string CheckPaths(const hostsim::SearchRequest& request);
  // The loaded plug-in, loading it when needed; null with *message.
  hostsim::XtraSession* Session(std::string* message);
  void Fail(const std::string& message);
  std::string NoArticleText(const hostsim::SearchRequest& request) const;

  SearchWindow& window_;
  std::string plugin_path_;
  std::string index_path_;
  std::string copy_path_;
  std::unique_ptr<hostsim::XtraSession> session_;
  bool searched_ = false;           // a search has been run (successfully or not)
  hostsim::SearchRequest request_;  // of the last search that succeeded
  std::vector<std::int32_t> matches_;
  std::map<std::int32_t, std::string> names_;
};

}  // namespace preproc

#endif  // KPX_PREPROC_FORM_SEARCH_CONTROLLER_H_
