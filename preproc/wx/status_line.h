// CStatusLine: the form's one-line status display (control 1021), a sunken
// strip that draws its text yellow on black. It draws itself so that the
// colours hold on every theme, and so that a run can repaint it at once.
#ifndef KPX_PREPROC_WX_STATUS_LINE_H_
#define KPX_PREPROC_WX_STATUS_LINE_H_

#include <wx/window.h>

class CStatusLine : public wxWindow {
 public:
  CStatusLine(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos,
              const wxSize& size);

  void SetLabel(const wxString& text) override;
  wxString GetLabel() const override { return m_text; }
  bool AcceptsFocus() const override { return false; }  // a display, not an input

 private:
  void OnPaint(wxPaintEvent& event);

  wxString m_text;

  wxDECLARE_EVENT_TABLE();
};

#endif  // KPX_PREPROC_WX_STATUS_LINE_H_
