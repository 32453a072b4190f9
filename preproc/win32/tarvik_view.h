// CTarvikView: the Windows desktop form, a child dialog of the main window
// built from dialog template 101, and the run services the two runs report
// through. It is the Win32 counterpart of preproc/wx/tarvik_view.h and
// shares with it everything that needs no window: the hand-over and browse
// rules (form_logic.h), the run settings and services, and the runs.
//
//   - "Generate Index Files" and "Copy the Articles" hand the fields at the
//     moment of the click over to the document's run settings and run
//     GenerateIndexFiles or CopyArticles synchronously on this thread;
//   - the browse buttons open the platform's open-file dialog and put the
//     chosen file (or its directory part) into a field;
//   - the article-type buttons set the document's article type;
//   - Edit > Cut, Copy, Paste act on the focused edit field; Undo stays
//     disabled; QUIT posts the quit request.
//
// Every text is 8-bit, in the active code page: the form uses the ANSI
// functions only. Tool tips are black on yellow on the form's own tool-tip
// control; no system colour is changed. One thread: every method is called on
// the user-interface thread.
#ifndef KPX_PREPROC_WIN32_TARVIK_VIEW_H_
#define KPX_PREPROC_WIN32_TARVIK_VIEW_H_

#include <windows.h>

#include <string>
#include <string_view>

#include "preproc/form/form_logic.h"
#include "preproc/run/run_services.h"
#include "preproc/run/run_settings.h"

// The pre-processor's document: the run settings, and nothing that is stored.
struct CTarvikDoc {
  preproc::RunSettings settings;  // article type starts as text (0)
};

class CTarvikView : public preproc::RunServices {
 public:
  static constexpr COLORREF kFieldText = RGB(255, 255, 0);  // yellow on ...
  static constexpr COLORREF kFieldBack = RGB(0, 0, 0);      // ... black
  static constexpr COLORREF kTipText = RGB(0, 0, 0);        // black on ...
  static constexpr COLORREF kTipBack = RGB(255, 255, 0);    // ... yellow
  static constexpr int kToolTipDelayMs = 200;

  explicit CTarvikView(CTarvikDoc& doc) : doc_(doc) {}
  ~CTarvikView() override;

  // Creates the form as a child of the main window and runs its initial
  // update (button font, article type, tool tips). False when the dialog
  // cannot be created. Sizing the main window is the frame's business.
  bool Create(HINSTANCE instance, HWND frame);

  HWND hwnd() const { return form_; }
  HWND tool_tip() const { return tool_tip_; }  // null when it could not be created
  CTarvikDoc& doc() { return doc_; }

  // Lets the tool-tip control see a message meant for the form or one of its
  // controls, then the dialog manager (Tab, Enter). True when handled.
  bool PreTranslateMessage(MSG* msg);
  // Turns the tool tips on again (after a dialog or box, on activation changes).
  void ReactivateToolTips();
  // Edit menu: enables Cut, Copy and Paste by the focused control; Undo never.
  void UpdateEditMenu(HMENU edit_menu);
  // Performs Cut, Copy or Paste on the focused edit field.
  void OnEditCommand(int command);

  // How the clipboard rules see a window that has the focus (null: none).
  static preproc::FocusedControl DescribeFocus(HWND focus);

 protected:
  void ShowStatus(const std::string& text) override;
  void ShowProgress(int lower, int upper, int pos) override;
  void ShowBox(std::string_view text, preproc::MessageKind kind) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void InitialUpdate();
  void CreateToolTips();
  void OnCommand(int id);
  void DisableSpecialTag();
  std::string FieldText(int id) const;
  preproc::FormFields ReadFields() const;
  void Browse(const char* title, int field_id, bool directory_part);
  HBRUSH FieldColours(HDC dc);

  CTarvikDoc& doc_;
  HWND form_ = nullptr;
  HWND tool_tip_ = nullptr;
  HFONT button_font_ = nullptr;
  HBRUSH field_brush_ = nullptr;
};

#endif  // KPX_PREPROC_WIN32_TARVIK_VIEW_H_
