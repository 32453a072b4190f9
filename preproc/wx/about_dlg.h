// CAboutDlg: the modal About box of the Help menu, 217 x 55 dialog units:
// the application icon, the text "KPXSearch PreProcessor" and a default OK
// button that closes it. It exchanges no data.
#ifndef KPX_PREPROC_WX_ABOUT_DLG_H_
#define KPX_PREPROC_WX_ABOUT_DLG_H_

#include <wx/dialog.h>

class CAboutDlg : public wxDialog {
 public:
  explicit CAboutDlg(wxWindow* parent);
};

#endif  // KPX_PREPROC_WX_ABOUT_DLG_H_
