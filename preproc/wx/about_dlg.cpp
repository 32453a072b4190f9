#include "preproc/wx/about_dlg.h"

#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "preproc/wx/form_picture.h"
#include "preproc/run/run_services.h"

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "About KPXSearch PreProcessor") {
  SetFont(wxFont(8, wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL));
  SetClientSize(ConvertDialogToPixels(wxSize(217, 55)));
  new wxStaticBitmap(this, wxID_ANY, wxBitmap(MakeApplicationIcon()),
                     ConvertDialogToPixels(wxPoint(11, 17)));
  auto* text = new wxStaticText(this, wxID_ANY, "", ConvertDialogToPixels(wxPoint(39, 18)),
                                ConvertDialogToPixels(wxSize(119, 8)), wxST_NO_AUTORESIZE);
  text->SetLabelText(preproc::kApplicationTitle);  // ampersands shown as they are
  auto* ok = new wxButton(this, wxID_OK, "OK", ConvertDialogToPixels(wxPoint(178, 7)),
                          ConvertDialogToPixels(wxSize(32, 14)));
  ok->SetDefault();
  SetAffirmativeId(wxID_OK);
  CentreOnParent();
}
