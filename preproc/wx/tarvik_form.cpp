#include "preproc/wx/tarvik_form.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/radiobut.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/tooltip.h>

#include "preproc/form/form_ids.h"
#include "preproc/wx/form_picture.h"
#include "preproc/form/form_texts.h"
#include "preproc/wx/status_line.h"
#include "preproc/wx/tool_tip_colours.h"

using namespace preproc;

namespace {

struct Placed {
  int id;
  const char* text;
  int x, y, width, height;  // dialog units
};

// The command and browse buttons, in tab order.
constexpr Placed kCommandButtons[] = {
    {kIdGenerate, "Generate Index Files", 14, 85, 85, 14},
    {kIdCopy, "Copy the Articles", 14, 102, 85, 14},
    {kIdQuit, "QUIT", 14, 120, 85, 14},
};
constexpr Placed kBrowseButtonPlaces[] = {
    {kIdBrowseListingFile, "Articles Listing File", 107, 13, 74, 13},
    {kIdBrowseArticlePath, "Path to Articles", 107, 44, 74, 13},
    {kIdBrowseIndexPath, "Path for Index Files", 107, 76, 74, 13},
    {kIdBrowseCopyPath, "Path to Copy Articles", 107, 107, 74, 13},
};
constexpr Placed kPathFields[] = {
    {kIdListingFile, "", 106, 28, 77, 12},
    {kIdArticlePath, "", 106, 60, 77, 12},
    {kIdIndexPath, "", 106, 91, 77, 12},
    {kIdCopyPath, "", 106, 122, 77, 12},
};

constexpr int kFormWidth = 310;  // dialog units
constexpr int kFormHeight = 186;
constexpr int kToolTipDelayMs = 200;

}  // namespace

CTarvikForm::CTarvikForm(wxWindow* parent) : wxPanel(parent, wxID_ANY) {
  SetFont(wxFont(8, wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL));
  SetClientSize(FormSize());
  CreateFrames();
  CreateButtons();
  CreateFieldsAndChoices();
  CreateLabelsAndProgress();
}

wxSize CTarvikForm::FormSize() const {
  return ConvertDialogToPixels(wxSize(kFormWidth, kFormHeight));
}

wxRect CTarvikForm::Dlu(int x, int y, int width, int height) const {
  return wxRect(ConvertDialogToPixels(wxPoint(x, y)), ConvertDialogToPixels(wxSize(width, height)));
}

wxTextCtrl* CTarvikForm::Field(int id) const { return wxDynamicCast(FindWindow(id), wxTextCtrl); }

// The frames come first so that the controls they surround lie above them.
void CTarvikForm::CreateFrames() {
  auto frame = [this](const wxString& label, const wxRect& r) {
    new wxStaticBox(this, wxID_ANY, label, r.GetPosition(), r.GetSize());
  };
  frame("", Dlu(10, 9, 179, 129));   // the left-hand column
  frame("", Dlu(193, 9, 106, 129));  // the right-hand column
  frame("Article Types", Dlu(197, 13, 98, 55));
  frame("", Dlu(10, 142, 290, 34));  // the progress area
  wxRect picture = Dlu(13, 12, 88, 66);
  new wxStaticBitmap(this, wxID_ANY, MakeFormPicture(), picture.GetPosition(),
                     wxSize(kFormPictureWidth + 4, kFormPictureHeight + 4), wxBORDER_SUNKEN);
}

void CTarvikForm::CreateButtons() {
  const wxFont button_font(wxSize(0, 12), wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL,
                           wxFONTWEIGHT_BOLD);
  for (const Placed& b : kCommandButtons) {
    wxRect r = Dlu(b.x, b.y, b.width, b.height);
    auto* button = new wxButton(this, b.id, b.text, r.GetPosition(), r.GetSize());
    button->SetFont(button_font);
  }
  for (const Placed& b : kBrowseButtonPlaces) {
    wxRect r = Dlu(b.x, b.y, b.width, b.height);
    new wxButton(this, b.id, b.text, r.GetPosition(), r.GetSize());
  }
}

void CTarvikForm::CreateFieldsAndChoices() {
  auto field = [this](int id, const wxRect& r) {
    auto* text = new wxTextCtrl(this, id, "", r.GetPosition(), r.GetSize());
    EnableField(text, true);
  };
  for (const Placed& f : kPathFields) field(f.id, Dlu(f.x, f.y, f.width, f.height));
  wxRect r = Dlu(208, 31, 73, 10);
  m_text_document = new wxRadioButton(this, kIdTextDocument, "Text Document", r.GetPosition(),
                                      r.GetSize(), wxRB_GROUP);
  r = Dlu(208, 47, 72, 10);
  m_html_document =
      new wxRadioButton(this, kIdHtmlDocument, "HTML Document", r.GetPosition(), r.GetSize());
  field(kIdSpecialTag, Dlu(196, 90, 99, 13));
  field(kIdDelimiters, Dlu(196, 121, 100, 13));
}

void CTarvikForm::CreateLabelsAndProgress() {
  wxRect r = Dlu(197, 79, 98, 9);
  m_special_tag_label =
      new wxStaticText(this, kIdSpecialTagLabel, "Special Tag", r.GetPosition(), r.GetSize());
  r = Dlu(197, 110, 98, 9);
  new wxStaticText(this, wxID_ANY, "Delimiters", r.GetPosition(), r.GetSize());
  r = Dlu(18, 162, 274, 10);
  m_progress = new wxGauge(this, kIdProgressBar, 100, r.GetPosition(), r.GetSize(),
                           wxGA_HORIZONTAL | wxGA_SMOOTH);
  r = Dlu(18, 148, 274, 11);
  m_status = new CStatusLine(this, kIdStatusLine, "Progress", r.GetPosition(), r.GetSize());
}

void CTarvikForm::EnableField(wxTextCtrl* field, bool enable) {
  field->Enable(enable);
  field->SetForegroundColour(enable ? *wxYELLOW : wxNullColour);
  field->SetBackgroundColour(enable ? *wxBLACK : wxNullColour);
  field->Refresh();
}

void CTarvikForm::InstallToolTips() {
  for (const ButtonToolTip& tip : kButtonToolTips) FindWindow(tip.id)->SetToolTip(tip.text);
  wxToolTip::SetDelay(kToolTipDelayMs);
  wxToolTip::SetAutoPop(10 * kToolTipDelayMs);  // "automatic": shown 10x, re-shown at 1/5
  wxToolTip::SetReshow(kToolTipDelayMs / 5);
  ColourToolTipsBlackOnYellow(this);
  ReactivateToolTips();
}

void CTarvikForm::ReactivateToolTips() { wxToolTip::Enable(true); }
