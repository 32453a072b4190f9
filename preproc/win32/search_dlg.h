// CSearchDlg: the form's search window on Windows, a modeless dialog (template
// IDD_SEARCH of tarvik.rc) owned by the main window, one at a time; CTarvikView
// opens it with Edit > Try a Search... (Ctrl+F). Its controls are those of
// form_ids.h (SearchControlId) in their tab order. It is the SearchWindow of
// a SearchController (preproc/form/search_controller.h), made when the window
// opens and ended when it closes, so nothing is kept; it hands the controller
// every event: Enter (the default button) or Search searches, moving the
// article list's selection (arrows or the mouse) shows the article's lines.
// Escape closes it, as its system menu's Close does. The main loop gives the
// window its keys through PreTranslateMessage (the dialog manager: Tab,
// Enter, Escape).
//
// What is Win32's own here: texts are the ANSI code page's bytes, as the
// form's fields are; the lines view is an owner-drawn list, one row per line,
// occurrences black on yellow (kHighlight), the rest black on white.
#ifndef KPX_PREPROC_WIN32_SEARCH_DLG_H_
#define KPX_PREPROC_WIN32_SEARCH_DLG_H_

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "preproc/form/search_controller.h"
#include "preproc/form/search_window.h"

class CSearchDlg : public preproc::SearchWindow {
 public:
  static constexpr COLORREF kHighlight = RGB(255, 255, 0);

  CSearchDlg() = default;
  ~CSearchDlg() override;
  CSearchDlg(const CSearchDlg&) = delete;
  CSearchDlg& operator=(const CSearchDlg&) = delete;

  // Opens the window on these paths, or brings the open one to the front
  // with them; the focus goes to the phrase field. False when the dialog
  // cannot be created.
  bool Open(HINSTANCE instance, HWND owner, const std::string& plugin_path,
            const std::string& index_path, const std::string& copy_path);
  HWND hwnd() const { return hwnd_; }
  // Null while the window is closed.
  preproc::SearchController* controller() const { return controller_.get(); }
  // The dialog manager's part for a message meant for this window.
  bool PreTranslateMessage(MSG* msg);
  // The pieces of the lines view's rows, as shown.
  const std::vector<preproc::ShownLine>& shown_lines() const { return lines_; }

  // --- SearchWindow, on the dialog's controls ---
  std::string FieldText(int id) const override;
  bool IsOrChosen() const override;
  bool IsWholeWordsChecked() const override;
  void ShowResult(const std::string& text) override;
  void ShowArticles(const std::vector<std::string>& rows) override;
  void ShowLines(const std::vector<preproc::ShownLine>& lines) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void DrawLine(const DRAWITEMSTRUCT& item) const;

  HWND hwnd_ = nullptr;
  std::unique_ptr<preproc::SearchController> controller_;
  std::vector<preproc::ShownLine> lines_;
};

#endif  // KPX_PREPROC_WIN32_SEARCH_DLG_H_
