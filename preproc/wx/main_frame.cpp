#include "preproc/wx/main_frame.h"

#include <wx/menu.h>

#include "preproc/form/form_ids.h"
#include "preproc/wx/about_dlg.h"
#include "preproc/wx/form_picture.h"

// clang-format off
wxBEGIN_EVENT_TABLE(CMainFrame, wxDocParentFrame)
  EVT_MENU(wxID_ABOUT, CMainFrame::OnAbout)
wxEND_EVENT_TABLE();  // the semicolon keeps clang-format's indentation
// clang-format on

CMainFrame::CMainFrame(wxDocManager* manager)
    : wxDocParentFrame(manager, nullptr, wxID_ANY, kMainWindowTitle, wxDefaultPosition,
                       wxDefaultSize, kMainFrameStyle) {
  SetIcon(MakeApplicationIcon());
  CreateMenus();
}

// Edit and Help. Undo has no handler of its own (the form keeps it disabled);
// Try a Search opens the search window on the form's paths;
// Ignore Accents is a checked item whose state the form's controller holds.
// The menu texts carry the main accelerators; the table adds the second key
// of each pair.
void CMainFrame::CreateMenus() {
  auto* edit = new wxMenu;
  edit->Append(wxID_UNDO, "&Undo\tCtrl+Z");
  edit->AppendSeparator();
  edit->Append(wxID_CUT, "Cu&t\tCtrl+X");
  edit->Append(wxID_COPY, "&Copy\tCtrl+C");
  edit->Append(wxID_PASTE, "&Paste\tCtrl+V");
  edit->AppendSeparator();
  edit->Append(preproc::kIdTrySearch, "Try a &Search...\tCtrl+F");
  edit->AppendSeparator();
  edit->AppendCheckItem(preproc::kIdIgnoreAccents, "Ignore &Accents");
  auto* help = new wxMenu;
  help->Append(wxID_ABOUT, "&About PreProc...");
  auto* bar = new wxMenuBar;
  bar->Append(edit, "&Edit");
  bar->Append(help, "&Help");
  SetMenuBar(bar);

  wxAcceleratorEntry keys[] = {
      {wxACCEL_ALT, WXK_BACK, wxID_UNDO},
      {wxACCEL_SHIFT, WXK_DELETE, wxID_CUT},
      {wxACCEL_CTRL, WXK_INSERT, wxID_COPY},
      {wxACCEL_SHIFT, WXK_INSERT, wxID_PASTE},
  };
  SetAcceleratorTable(wxAcceleratorTable(std::size(keys), keys));
}

void CMainFrame::OnAbout(wxCommandEvent&) {
  CAboutDlg about(this);
  about.ShowModal();
}
