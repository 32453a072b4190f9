#include "preproc/wx/form_picture.h"

#include <wx/dcmemory.h>

namespace {

const wxColour kNavy(16, 28, 64);
const wxColour kTeal(20, 110, 130);
const wxColour kPaper(250, 248, 236);
const wxColour kInk(120, 120, 130);
const wxColour kHighlight(255, 255, 0);
const wxColour kRim(40, 40, 40);
const wxColour kHandle(150, 90, 30);

// A magnifying glass whose lens is centred at (x, y) with the given radius.
void DrawMagnifier(wxDC& dc, int x, int y, int radius) {
  const int rim = radius / 4 + 1;
  dc.SetPen(wxPen(kHandle, rim + 2));
  dc.DrawLine(x + radius * 7 / 10, y + radius * 7 / 10, x + radius * 17 / 10, y + radius * 17 / 10);
  dc.SetPen(wxPen(kRim, rim));
  dc.SetBrush(wxBrush(wxColour(200, 230, 255)));
  dc.DrawCircle(x, y, radius);
  dc.SetPen(wxPen(*wxWHITE, 2));
  dc.DrawArc(x - radius / 2, y - radius / 6, x - radius / 6, y - radius / 2, x, y);
}

void DrawPage(wxDC& dc) {
  dc.SetPen(wxPen(kInk, 1));
  dc.SetBrush(wxBrush(kPaper));
  dc.DrawRectangle(14, 10, 70, 86);
  dc.SetPen(wxPen(kInk, 2));
  for (int line = 0; line < 9; ++line) {
    const int y = 20 + line * 8;
    const int length = (line % 3 == 2) ? 34 : 54;
    dc.DrawLine(22, y, 22 + length, y);
  }
  dc.SetPen(*wxTRANSPARENT_PEN);
  dc.SetBrush(wxBrush(kHighlight));
  dc.DrawRectangle(30, 41, 26, 7);  // the word found
  dc.SetPen(wxPen(kInk, 2));
  dc.DrawLine(30, 44, 56, 44);
}

}  // namespace

wxBitmap MakeFormPicture() {
  wxBitmap picture(kFormPictureWidth, kFormPictureHeight, 24);
  wxMemoryDC dc(picture);
  dc.GradientFillLinear(wxRect(0, 0, kFormPictureWidth, kFormPictureHeight), kNavy, kTeal, wxSOUTH);
  DrawPage(dc);
  DrawMagnifier(dc, 80, 54, 22);
  dc.SelectObject(wxNullBitmap);
  return picture;
}

wxIcon MakeApplicationIcon() {
  wxBitmap icon(32, 32, 24);
  wxMemoryDC dc(icon);
  dc.GradientFillLinear(wxRect(0, 0, 32, 32), kNavy, kTeal, wxSOUTH);
  DrawMagnifier(dc, 13, 13, 8);
  dc.SelectObject(wxNullBitmap);
  wxIcon result;
  result.CopyFromBitmap(icon);
  return result;
}
