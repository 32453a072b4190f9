// CTarvikApp: the pre-processor program. At start-up it registers the one
// document template (CTarvikDoc with CTarvikView), creates the main frame and
// the one document, whose view puts the form into the frame, sizes the frame
// to it and centres it. The program stores and reads no settings. If the
// document or its view cannot be created the program ends at once. It ends
// when the main window is closed (QUIT or the window's Close).
#ifndef KPX_PREPROC_WX_TARVIK_APP_H_
#define KPX_PREPROC_WX_TARVIK_APP_H_

#include <wx/app.h>

class CMainFrame;
class CTarvikView;

class CTarvikApp : public wxApp {
 public:
  bool OnInit() override;
  int OnExit() override;

  CMainFrame* main_frame() const { return m_frame; }
  // The one view; null once the main window has been closed.
  CTarvikView* view() const;

 private:
  CMainFrame* m_frame = nullptr;
};

#endif  // KPX_PREPROC_WX_TARVIK_APP_H_
