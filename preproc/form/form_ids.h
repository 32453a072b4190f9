// The control IDs of the pre-processor form, and the one menu command both
// desktop forms number alike. The form's commands and its tests find the
// controls by these numbers.
#ifndef KPX_PREPROC_FORM_FORM_IDS_H_
#define KPX_PREPROC_FORM_FORM_IDS_H_

namespace preproc {

enum FormControlId : int {
  kIdTextDocument = 1000,       // radio button, article type 0
  kIdHtmlDocument = 1001,       // radio button, article type 1
  kIdSpecialTag = 1002,         // edit field, always disabled
  kIdDelimiters = 1003,         // edit field, the delimiter set
  kIdProgressBar = 1004,        // the runs' progress bar
  kIdCopyPath = 1009,           // edit field
  kIdGenerate = 1010,           // "Generate Index Files"
  kIdCopy = 1011,               // "Copy the Articles"
  kIdQuit = 1012,               // "QUIT"
  kIdIndexPath = 1013,          // edit field
  kIdBrowseCopyPath = 1014,     // "Path to Copy Articles"
  kIdBrowseIndexPath = 1015,    // "Path for Index Files"
  kIdArticlePath = 1016,        // edit field
  kIdBrowseArticlePath = 1017,  // "Path to Articles"
  kIdListingFile = 1018,        // edit field
  kIdBrowseListingFile = 1019,  // "Articles Listing File"
  kIdSpecialTagLabel = 1020,    // "Special Tag"
  kIdStatusLine = 1021,         // sunken one-line status display
  kIdIgnoreAccents = 1022,      // Edit menu: the checked item "Ignore Accents" (a menu command)
};

}  // namespace preproc

#endif  // KPX_PREPROC_FORM_FORM_IDS_H_
