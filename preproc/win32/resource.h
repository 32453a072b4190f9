// Resource numbers of the Windows desktop form (tarvik.rc) and the command
// IDs of its menu. The form's control IDs are preproc/form/form_ids.h; the
// resource script repeats them as numbers (windres reads no C++).
#ifndef KPX_PREPROC_WIN32_RESOURCE_H_
#define KPX_PREPROC_WIN32_RESOURCE_H_

#define IDD_ABOUTBOX 100     // the About box
#define IDD_TARVIK_FORM 101  // the pre-processor form
#define IDD_SEARCH 102       // the search window
#define IDR_MAINFRAME 128    // menu, accelerators, icon and document string
#define IDB_FORM_PICTURE 139

// Menu commands, numbered as the platform framework numbers its own.
#define ID_EDIT_COPY 0xE122
#define ID_EDIT_CUT 0xE123
#define ID_EDIT_PASTE 0xE125
#define ID_EDIT_UNDO 0xE12B
#define ID_APP_ABOUT 0xE140
// Edit > Ignore Accents, a checked item: preproc::kIdIgnoreAccents.
#define ID_EDIT_IGNORE_ACCENTS 1022
// Edit > Try a Search...: preproc::kIdTrySearch.
#define ID_EDIT_TRY_SEARCH 1023

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#endif  // KPX_PREPROC_WIN32_RESOURCE_H_
