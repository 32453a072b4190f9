// CTarvikView: the Windows desktop form, a child dialog of the main window
// built from dialog template 101. It is the Win32 glue of the form's
// commands: it hands every button, radio button and Edit menu command to the
// form controller (preproc/form/form_controller.h), which carries the command
// out and is the run services the runs report through, and it is the
// controller's FormWindow on the dialog's controls. The wx form
// (preproc/wx/tarvik_view.h) is glue over the same controller, so both forms
// share every command, the run settings and services, and the runs.
//
// What is Win32's own here: the dialog and its button font, the yellow-on-
// black field colours, the tool-tip control, the open-file common dialog,
// the clipboard messages, and the boxes (MessageBoxA). Every text is 8-bit,
// in the active code page: the form uses the ANSI functions only. Tool tips
// are black on yellow on the form's own tool-tip control; no system colour is
// changed. One thread: every method is called on the user-interface thread.
#ifndef KPX_PREPROC_WIN32_TARVIK_VIEW_H_
#define KPX_PREPROC_WIN32_TARVIK_VIEW_H_

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "preproc/form/form_controller.h"
#include "preproc/form/form_window.h"
#include "preproc/run/run_settings.h"
#include "preproc/win32/search_dlg.h"

// The pre-processor's document: the run settings, and nothing that is stored.
struct CTarvikDoc {
  preproc::RunSettings settings;  // article type starts as text (0)
};

class CTarvikView : public preproc::FormWindow {
 public:
  static constexpr COLORREF kFieldText = RGB(255, 255, 0);  // yellow on ...
  static constexpr COLORREF kFieldBack = RGB(0, 0, 0);      // ... black
  static constexpr COLORREF kTipText = RGB(0, 0, 0);        // black on ...
  static constexpr COLORREF kTipBack = RGB(255, 255, 0);    // ... yellow
  static constexpr int kToolTipDelayMs = 200;

  explicit CTarvikView(CTarvikDoc& doc) : doc_(doc), controller_(*this, doc.settings) {}
  ~CTarvikView() override;

  // Creates the form as a child of the main window and runs its initial
  // update (button font, article type, tool tips). False when the dialog
  // cannot be created. Sizing the main window is the frame's business.
  bool Create(HINSTANCE instance, HWND frame);

  HWND hwnd() const { return form_; }
  HWND tool_tip() const { return tool_tip_; }  // null when it could not be created
  CTarvikDoc& doc() { return doc_; }
  // The form's commands and the run services.
  preproc::FormController& controller() { return controller_; }

  // Lets the tool-tip control see a message meant for the form or one of its
  // controls, then the dialog manager (Tab, Enter). True when handled.
  bool PreTranslateMessage(MSG* msg);
  // Edit menu: enables Undo, Cut, Copy, Paste and Ignore Accents, and checks
  // Ignore Accents, as the controller says.
  void UpdateEditMenu(HMENU edit_menu);
  // Edit menu command ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE,
  // ID_EDIT_IGNORE_ACCENTS or ID_EDIT_TRY_SEARCH.
  void OnEditCommand(int command);

  // How the clipboard rules see a window that has the focus (null: none).
  static preproc::FocusedControl DescribeFocus(HWND focus);

  // --- FormWindow, on the dialog's controls ---
  std::string FieldText(int id) const override;
  void SetFieldText(int id, const std::string& text) override;
  void EnableControl(int id, bool enable) override;
  void CheckRadioButton(int id) override;
  std::optional<std::string> ChoosePath(std::string_view title, bool directory_part) override;
  // Turns the tool tips on again (after a dialog or box, on activation changes).
  void ReactivateToolTips() override;
  preproc::FocusedControl DescribeFocusedControl() const override;
  bool ClipboardHasText() const override;
  void EditFocusedField(preproc::EditCommand command) override;
  void CloseProgram() override;
  void OpenSearchWindow(const std::string& index_path, const std::string& copy_path) override;
  void SearchAgain(const std::string& index_path, const std::string& copy_path) override;

  // The search window (closed: its hwnd() is null).
  CSearchDlg& search_window() { return search_; }
  // The plug-in the search window loads: KPXSearch.x32 beside the program,
  // else the one of the build tree (xtra/host, two folders up).
  static std::string SearchPluginPath();
  void ShowBox(std::string_view text, preproc::MessageKind kind) override;
  void ShowStatus(const std::string& text) override;
  void ShowProgress(int lower, int upper, int pos) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void InitialUpdate();
  void CreateToolTips();
  void OnCommand(int id);
  HBRUSH FieldColours(HDC dc);

  CTarvikDoc& doc_;
  preproc::FormController controller_;
  HWND form_ = nullptr;
  HWND tool_tip_ = nullptr;
  HFONT button_font_ = nullptr;
  HBRUSH field_brush_ = nullptr;
  HINSTANCE instance_ = nullptr;
  CSearchDlg search_;
};

#endif  // KPX_PREPROC_WIN32_TARVIK_VIEW_H_
