// The program's own pictures, drawn in code: the form's decorative picture
// (130 x 106 pixels, a page of text under a magnifying glass) and the
// application icon (the magnifying glass alone).
#ifndef KPX_PREPROC_WX_FORM_PICTURE_H_
#define KPX_PREPROC_WX_FORM_PICTURE_H_

#include <wx/bitmap.h>
#include <wx/icon.h>

inline constexpr int kFormPictureWidth = 130;
inline constexpr int kFormPictureHeight = 106;

wxBitmap MakeFormPicture();
wxIcon MakeApplicationIcon();

#endif  // KPX_PREPROC_WX_FORM_PICTURE_H_
