#include "preproc/wx/status_line.h"

#include <wx/dcbuffer.h>

// clang-format off
wxBEGIN_EVENT_TABLE(CStatusLine, wxWindow)
  EVT_PAINT(CStatusLine::OnPaint)
wxEND_EVENT_TABLE();  // the semicolon keeps clang-format's indentation
// clang-format on

CStatusLine::CStatusLine(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos,
                         const wxSize& size)
    : wxWindow(parent, id, pos, size, wxBORDER_SUNKEN), m_text(text) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  SetBackgroundColour(*wxBLACK);
  SetForegroundColour(*wxYELLOW);
}

void CStatusLine::SetLabel(const wxString& text) {
  if (text == m_text) return;
  m_text = text;
  Refresh();
}

void CStatusLine::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  dc.SetBackground(*wxBLACK_BRUSH);
  dc.Clear();
  dc.SetFont(GetFont());
  dc.SetTextForeground(*wxYELLOW);
  dc.SetTextBackground(*wxBLACK);
  const wxSize client = GetClientSize();
  const int y = (client.GetHeight() - dc.GetCharHeight()) / 2;
  dc.DrawText(m_text, 2, y);
}
