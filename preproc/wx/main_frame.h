// CMainFrame: the pre-processor's one main window. A caption and a system menu
// only: it cannot be resized, minimised or maximised, and its caption stays
// "Quillmoor Technologies KPXSearch PreProcessor" (the view never renames it).
// It carries the Edit and Help menus and their accelerators; the form fills
// its whole client area. Closing it closes the document without a question.
#ifndef KPX_PREPROC_WX_MAIN_FRAME_H_
#define KPX_PREPROC_WX_MAIN_FRAME_H_

#include <wx/docview.h>

inline constexpr char kMainWindowTitle[] = "Quillmoor Technologies KPXSearch PreProcessor";
inline constexpr long kMainFrameStyle = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX;

class CMainFrame : public wxDocParentFrame {
 public:
  explicit CMainFrame(wxDocManager* manager);

 private:
  void CreateMenus();
  void OnAbout(wxCommandEvent& event);

  wxDECLARE_EVENT_TABLE();
};

#endif  // KPX_PREPROC_WX_MAIN_FRAME_H_
