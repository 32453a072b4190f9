// SearchWindow: what the search window's logic needs from the window that
// shows it, and nothing more. Each desktop form implements it with its
// toolkit (preproc/wx, preproc/win32); SearchController
// (search_controller.h) carries out the window's commands through it, and
// tests put a fake window in its place.
//
// Controls are named by their IDs (form_ids.h, SearchControlId). Texts are
// bytes: the window converts between its controls' strings and the bytes the
// plug-in compares, as the form does for its fields; the bytes of a shown
// line are the article copy's own, which the window shows as UTF-8 where they
// are valid UTF-8 and as Windows-1252 otherwise. Every call is made on the
// user-interface thread and returns when its effect is done.
#ifndef KPX_PREPROC_FORM_SEARCH_WINDOW_H_
#define KPX_PREPROC_FORM_SEARCH_WINDOW_H_

#include <string>
#include <vector>

namespace preproc {

// A run of bytes of a shown line: an occurrence of a phrase (highlighted) or
// the text between occurrences.
struct LinePiece {
  std::string text;
  bool highlighted = false;
  bool operator==(const LinePiece&) const = default;
};

// One line of the lines view: its pieces in order, the first being the
// line's number within the copy ("12: "); never highlighted.
using ShownLine = std::vector<LinePiece>;

class SearchWindow {
 public:
  virtual ~SearchWindow() = default;

  // The whole text of an edit field (kIdSearchPhrase, kIdSearchSecondPhrase,
  // kIdSearchFrom, kIdSearchTo), as bytes.
  virtual std::string FieldText(int id) const = 0;
  // The and/or choice kIdSearchAndOr: true when "or" is chosen.
  virtual bool IsOrChosen() const = 0;
  // The check box kIdSearchWholeWords.
  virtual bool IsWholeWordsChecked() const = 0;

  // The result line kIdSearchResult shows text (a count or a message).
  virtual void ShowResult(const std::string& text) = 0;
  // The article list kIdSearchArticles holds these rows, none selected.
  virtual void ShowArticles(const std::vector<std::string>& rows) = 0;
  // The lines view kIdSearchLines holds these lines (empty: nothing),
  // scrolled to the top.
  virtual void ShowLines(const std::vector<ShownLine>& lines) = 0;
};

}  // namespace preproc

#endif  // KPX_PREPROC_FORM_SEARCH_WINDOW_H_
