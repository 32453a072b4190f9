#include "preproc/wx/tarvik_doc.h"

wxIMPLEMENT_DYNAMIC_CLASS(CTarvikDoc, wxDocument);
