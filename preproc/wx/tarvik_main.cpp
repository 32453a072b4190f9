// tarvik-gui: the pre-processor's desktop program.
#include "preproc/wx/tarvik_app.h"

wxIMPLEMENT_APP(CTarvikApp);
