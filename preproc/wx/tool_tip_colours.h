// The form's tool tips, black text on yellow, for this program only.
//
// The toolkit draws tool tips with the desktop theme's colours and offers no
// colour of its own for them. Under GTK a style sheet added to the program's
// screen, at the priority of an application's own style, colours every tool
// tip the program shows, and nothing outside it: no system-wide colour is
// changed, so none can be left changed, even by a crash.
#ifndef KPX_PREPROC_WX_TOOL_TIP_COLOURS_H_
#define KPX_PREPROC_WX_TOOL_TIP_COLOURS_H_

class wxWindow;

namespace preproc {

// The style sheet: black (0, 0, 0) on yellow (255, 255, 0).
inline constexpr char kToolTipStyle[] =
    "tooltip, tooltip.background { background-color: rgb(255, 255, 0); background-image: none; "
    "color: rgb(0, 0, 0); text-shadow: none; }\n"
    "tooltip * { color: rgb(0, 0, 0); text-shadow: none; }\n";

// Adds the style sheet to the screen of window, once per program. False when
// the toolkit cannot take it; the tips then keep the theme's colours.
bool ColourToolTipsBlackOnYellow(wxWindow* window);

}  // namespace preproc

#endif  // KPX_PREPROC_WX_TOOL_TIP_COLOURS_H_
