// CTarvikForm: the pre-processor form's window, a fixed panel of 310 x 186
// dialog units (converted with the panel's own 8-point font) holding the
// controls of form_ids.h in their tab order, with the bold command-button font,
// yellow-on-black enabled edit fields, the decorative picture and the seven
// button tool tips. It only lays out and paints; CTarvikView owns this panel's
// events and hands them to the form controller.
#ifndef KPX_PREPROC_WX_TARVIK_FORM_H_
#define KPX_PREPROC_WX_TARVIK_FORM_H_

#include <wx/panel.h>

class wxGauge;
class wxRadioButton;
class wxStaticText;
class wxTextCtrl;
class CStatusLine;

class CTarvikForm : public wxPanel {
 public:
  explicit CTarvikForm(wxWindow* parent);

  // The form's size in pixels (310 x 186 dialog units).
  wxSize FormSize() const;

  wxTextCtrl* Field(int id) const;  // one of the six edit fields
  wxRadioButton* TextDocument() const { return m_text_document; }
  wxRadioButton* HtmlDocument() const { return m_html_document; }
  wxStaticText* SpecialTagLabel() const { return m_special_tag_label; }
  wxGauge* ProgressBar() const { return m_progress; }
  CStatusLine* StatusLine() const { return m_status; }

  // Enables or disables an edit field and gives it the matching colours:
  // yellow on black while enabled, the platform's while disabled.
  static void EnableField(wxTextCtrl* field, bool enable);
  // Gives the seven buttons their tips, sets the delay to automatic with 200 ms
  // and activates the tips.
  void InstallToolTips();
  // Turns the tips on again (after a dialog or message box, on activation).
  static void ReactivateToolTips();

 private:
  wxRect Dlu(int x, int y, int width, int height) const;
  void CreateFrames();
  void CreateButtons();
  void CreateFieldsAndChoices();
  void CreateLabelsAndProgress();

  wxRadioButton* m_text_document = nullptr;
  wxRadioButton* m_html_document = nullptr;
  wxStaticText* m_special_tag_label = nullptr;
  wxGauge* m_progress = nullptr;
  CStatusLine* m_status = nullptr;
};

#endif  // KPX_PREPROC_WX_TARVIK_FORM_H_
