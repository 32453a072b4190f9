#include "preproc/wx/tarvik_app.h"

#include <wx/docview.h>

#include "preproc/run/run_services.h"
#include "preproc/wx/tarvik_doc.h"
#include "preproc/wx/tarvik_view.h"
#include "preproc/wx/main_frame.h"

bool CTarvikApp::OnInit() {
  SetAppDisplayName(preproc::kApplicationTitle);
  auto* manager = new wxDocManager;
  // Document string: no filter, no extension; "Tarvik.Document", "Kelvo Document".
  new wxDocTemplate(manager, "Kelvo Document", "", "", "", "Tarvik.Document", "Kelvo View",
                    wxCLASSINFO(CTarvikDoc), wxCLASSINFO(CTarvikView), wxTEMPLATE_VISIBLE);
  m_frame = new CMainFrame(manager);
  SetTopWindow(m_frame);
  if (manager->CreateNewDocument() == nullptr) {
    m_frame->Destroy();
    m_frame = nullptr;
    return false;
  }
  m_frame->Show();
  return true;
}

int CTarvikApp::OnExit() {
  delete wxDocManager::GetDocumentManager();
  return wxApp::OnExit();
}

CTarvikView* CTarvikApp::view() const {
  wxDocManager* manager = wxDocManager::GetDocumentManager();
  if (manager == nullptr) return nullptr;
  return wxDynamicCast(manager->GetAnyUsableView(), CTarvikView);
}
