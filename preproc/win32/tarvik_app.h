// CTarvikApp: the Windows desktop form's program: one document, one main
// window (CMainFrame) and one form (CTarvikView), alive for the whole run.
// InitInstance creates them; Run is the message loop, which hands every
// message to the accelerators of table 128, then to the form (its tool tips
// and dialog keys), then to its window, until the quit request arrives (QUIT
// or the main window's Close).
#ifndef KPX_PREPROC_WIN32_TARVIK_APP_H_
#define KPX_PREPROC_WIN32_TARVIK_APP_H_

#include <windows.h>

#include "preproc/win32/main_frame.h"
#include "preproc/win32/tarvik_view.h"

class CTarvikApp {
 public:
  CTarvikApp() = default;
  CTarvikApp(const CTarvikApp&) = delete;
  CTarvikApp& operator=(const CTarvikApp&) = delete;

  // Creates and shows the main window with the form. False when it cannot
  // be created; the program then ends without a message.
  bool InitInstance(HINSTANCE instance, int show);
  // The message loop; returns the quit request's exit code.
  int Run();
  // One message through the loop's chain (accelerators, form, window).
  void ProcessMessage(MSG& msg);

  CTarvikDoc& doc() { return doc_; }
  CTarvikView& view() { return view_; }
  CMainFrame& frame() { return frame_; }

 private:
  CTarvikDoc doc_;
  CTarvikView view_{doc_};
  CMainFrame frame_;  // destroyed first: the form is its child
  HACCEL accelerators_ = nullptr;
};

#endif  // KPX_PREPROC_WIN32_TARVIK_APP_H_
