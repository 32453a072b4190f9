// CTarvikDoc: the pre-processor's one document. It holds the run settings that
// the form fills at each command button press and the runs read; nothing else.
// It has no stored form: saving writes nothing, loading reads nothing, and it
// never counts as modified, so closing it never asks a question. The index
// generation run keeps its names table and word tree to itself for the length
// of the run, so the document does not hold them.
#ifndef KPX_PREPROC_WX_TARVIK_DOC_H_
#define KPX_PREPROC_WX_TARVIK_DOC_H_

#include <wx/docview.h>

#include "preproc/run/run_settings.h"

class CTarvikDoc : public wxDocument {
 public:
  CTarvikDoc() = default;

  preproc::RunSettings& settings() { return m_settings; }

  bool IsModified() const override { return false; }
  void Modify(bool) override {}
  bool OnSaveDocument(const wxString&) override { return true; }
  bool OnOpenDocument(const wxString&) override { return true; }

 private:
  preproc::RunSettings m_settings;  // article type starts as text (0)

  wxDECLARE_DYNAMIC_CLASS(CTarvikDoc);
};

#endif  // KPX_PREPROC_WX_TARVIK_DOC_H_
