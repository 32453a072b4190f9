// The texts and pairings of the form's buttons that every desktop form shows
// alike (the wx form on Linux, the Win32 form on Windows): the seven tool
// tips, and which field each browse button fills, under which dialog title.
#ifndef KPX_PREPROC_FORM_FORM_TEXTS_H_
#define KPX_PREPROC_FORM_FORM_TEXTS_H_

#include "preproc/form/form_ids.h"

namespace preproc {

struct ButtonToolTip {
  int id;
  const char* text;
};

// One tip per button, in the form's tab order.
inline constexpr ButtonToolTip kButtonToolTips[] = {
    {kIdGenerate, "Generate the index files for Moskel"},
    {kIdCopy, "Copy the Articles to Phrase Search files"},
    {kIdQuit, "Quit the PreProcessor"},
    {kIdBrowseListingFile,
     "Push button to select the file that contains the list of articles to use"},
    {kIdBrowseArticlePath, "Push button to select the path to the articles to be processed"},
    {kIdBrowseIndexPath, "Push button to select the path to write the new index files to"},
    {kIdBrowseCopyPath,
     "Push button to select the path to copy the Articles to Phrase Search files"},
};

struct BrowseButton {
  int id;               // the browse button
  const char* title;    // the open-file dialog's title
  int field_id;         // the field that receives the choice
  bool directory_part;  // true: only the chosen path's directory part
};

inline constexpr BrowseButton kBrowseButtons[] = {
    {kIdBrowseListingFile, "Find Articles File", kIdListingFile, false},
    {kIdBrowseArticlePath, "Find Path to Articles", kIdArticlePath, true},
    {kIdBrowseIndexPath, "Find Path to Put Index Files", kIdIndexPath, true},
    {kIdBrowseCopyPath, "Find Path to Copy Articles to", kIdCopyPath, true},
};

}  // namespace preproc

#endif  // KPX_PREPROC_FORM_FORM_TEXTS_H_
