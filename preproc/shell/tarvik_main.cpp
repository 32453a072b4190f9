// tarvik-gui: the pre-processor's desktop program.
#include "preproc/shell/tarvik_app.h"

wxIMPLEMENT_APP(CTarvikApp);
