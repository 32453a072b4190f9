// End-to-end tests of tarvik-gui: the real application, main frame, form and
// runs, driven through the controls' own events under an X server (ctest runs
// this binary under xvfb-run). Message boxes and browse dialogs are answered
// by test hooks instead of being shown modally. One application lives for the
// whole binary, as in the program; the last test closes it with QUIT.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/evtloop.h>
#include <wx/gauge.h>
#include <wx/image.h>
#include <wx/listbox.h>
#include <wx/menu.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/testing/temp_dir.h"
#include "preproc/form/form_ids.h"
#include "preproc/wx/main_frame.h"
#include "preproc/wx/search_dlg.h"
#include "preproc/wx/status_line.h"
#include "preproc/wx/tarvik_app.h"
#include "preproc/wx/tarvik_doc.h"
#include "preproc/wx/tarvik_form.h"
#include "preproc/wx/tarvik_view.h"

namespace fs = std::filesystem;
using namespace preproc;

namespace {

bool g_app_running = false;
std::string g_skip_reason = "the application did not start";

// Lets the toolkit map, lay out and paint the windows.
void Pump(int rounds = 5) {
  for (int i = 0; i < rounds; ++i) {
    wxTheApp->Yield(true);
    wxTheApp->ProcessIdle();
    wxMilliSleep(20);
  }
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class TarvikGui : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g_app_running) GTEST_SKIP() << g_skip_reason;
    app_ = static_cast<CTarvikApp*>(wxTheApp);
    frame_ = app_->main_frame();
    view_ = app_->view();
    ASSERT_NE(view_, nullptr);
    form_ = view_->form();
    view_->SetBoxAnswerer([this](std::string_view text, MessageKind kind) {
      boxes_.emplace_back(std::string(text), kind);
    });
    view_->SetPathChooser([this](const wxString& title) -> std::optional<wxString> {
      titles_.push_back(title);
      return chosen_;
    });
  }
  void TearDown() override {
    if (view_ == nullptr || app_->view() == nullptr) return;
    view_->SetBoxAnswerer(nullptr);
    view_->SetPathChooser(nullptr);
  }

  wxTextCtrl* Field(int id) { return form_->Field(id); }
  void SetField(int id, const std::string& text) { Field(id)->SetValue(wxString::FromUTF8(text)); }
  void Click(int id) {
    wxWindow* button = form_->FindWindow(id);
    wxCommandEvent click(wxEVT_BUTTON, id);
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
    Pump(1);
  }
  void ChooseType(int id) {
    auto* radio = wxDynamicCast(form_->FindWindow(id), wxRadioButton);
    radio->SetValue(true);
    wxCommandEvent click(wxEVT_RADIOBUTTON, id);
    click.SetEventObject(radio);
    click.SetInt(1);
    radio->GetEventHandler()->ProcessEvent(click);
  }
  bool MenuEnabled(int id) {
    frame_->GetMenuBar()->UpdateMenus();
    return frame_->GetMenuBar()->IsEnabled(id);
  }
  bool MenuChecked(int id) {
    frame_->GetMenuBar()->UpdateMenus();
    return frame_->GetMenuBar()->IsChecked(id);
  }
  void FillForSample(const platform::testing::TempDir& out) {
    const fs::path examples = fs::path(KPX_SOURCE_DIR) / "examples";
    SetField(kIdListingFile, (examples / "listing.txt").string());
    SetField(kIdArticlePath, (examples / "articles").string() + "/");
    SetField(kIdIndexPath, out.Join("index/"));
    SetField(kIdCopyPath, out.Join("copies/"));
    SetField(kIdDelimiters, "");
  }

  // A listing of n small articles, each with a word of a two-letter group of
  // its own (up to 676), so that both runs step the bar many times past its
  // range. The articles numbered in missing are listed but not written.
  void FillForMany(const platform::testing::TempDir& out, int n, std::set<int> missing = {}) {
    std::string listing;
    for (int number = 1; number <= n; ++number) {
      const std::string name = "a" + std::to_string(number) + ".txt";
      const std::string group = {static_cast<char>('A' + number % 26),
                                 static_cast<char>('A' + number / 26 % 26)};
      if (!missing.count(number)) out.Write("articles/" + name, group + "WORD and some text\n");
      listing += name + "\n";
    }
    out.Write("listing.txt", listing);
    SetField(kIdListingFile, out.Join("listing.txt"));
    SetField(kIdArticlePath, out.Join("articles/"));
    SetField(kIdIndexPath, out.Join("index/"));
    SetField(kIdCopyPath, out.Join("copies/"));
    SetField(kIdDelimiters, "");
  }
  // The bar's position as the services hold it, 0 to 1.
  double HeldPart() const {
    const FormController& services = view_->controller();
    return static_cast<double>(services.progress_pos() - services.progress_lower()) /
           (services.progress_upper() - services.progress_lower());
  }

  CTarvikApp* app_ = nullptr;
  CMainFrame* frame_ = nullptr;
  CTarvikView* view_ = nullptr;
  CTarvikForm* form_ = nullptr;
  std::vector<std::pair<std::string, MessageKind>> boxes_;
  std::vector<wxString> titles_;
  std::optional<wxString> chosen_;
};

// The colours GTK gives a tool tip's background and its text on window's
// screen, read through a style context with the nodes of a tool tip window
// ("tooltip.background") and its label. GTK's headers are not installed, so
// its calls are looked up in the library the toolkit loaded.
struct Rgba {
  double red, green, blue, alpha;  // GdkRGBA
  bool operator==(const Rgba&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const Rgba& c) {
    return out << "rgba(" << c.red << ", " << c.green << ", " << c.blue << ", " << c.alpha << ")";
  }
};
template <typename Function>
Function Gtk(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_DEFAULT, name));
}
bool ReadToolTipColours(wxWindow* window, Rgba* background, Rgba* text) {
  auto pathNew = Gtk<void* (*)()>("gtk_widget_path_new");
  auto appendType = Gtk<int (*)(void*, unsigned long)>("gtk_widget_path_append_type");
  auto windowType = Gtk<unsigned long (*)()>("gtk_window_get_type");
  auto labelType = Gtk<unsigned long (*)()>("gtk_label_get_type");
  auto setName = Gtk<void (*)(void*, int, const char*)>("gtk_widget_path_iter_set_object_name");
  auto addClass = Gtk<void (*)(void*, int, const char*)>("gtk_widget_path_iter_add_class");
  auto pathUnref = Gtk<void (*)(void*)>("gtk_widget_path_unref");
  auto contextNew = Gtk<void* (*)()>("gtk_style_context_new");
  auto setPath = Gtk<void (*)(void*, void*)>("gtk_style_context_set_path");
  auto setScreen = Gtk<void (*)(void*, void*)>("gtk_style_context_set_screen");
  auto screenOf = Gtk<void* (*)(void*)>("gtk_widget_get_screen");
  auto color = Gtk<void (*)(void*, int, Rgba*)>("gtk_style_context_get_color");
  auto backgroundColor = Gtk<void (*)(void*, int, Rgba*)>("gtk_style_context_get_background_color");
  auto unref = Gtk<void (*)(void*)>("g_object_unref");
  for (void* f :
       {(void*)pathNew, (void*)appendType, (void*)windowType, (void*)labelType, (void*)setName,
        (void*)addClass, (void*)pathUnref, (void*)contextNew, (void*)setPath, (void*)setScreen,
        (void*)screenOf, (void*)color, (void*)backgroundColor, (void*)unref}) {
    if (f == nullptr) return false;
  }
  void* screen = screenOf(window->GetHandle());
  auto read = [&](bool label, Rgba* out) {
    void* path = pathNew();
    appendType(path, windowType());
    setName(path, 0, "tooltip");
    addClass(path, 0, "background");
    if (label) setName(path, appendType(path, labelType()), "label");
    void* context = contextNew();
    setPath(context, path);
    setScreen(context, screen);
    if (label)
      color(context, 0, out);
    else
      backgroundColor(context, 0, out);
    unref(context);
    pathUnref(path);
  };
  read(false, background);
  read(true, text);
  return true;
}

// --- the main window ---

TEST_F(TarvikGui, MainWindowHasItsCaptionAFixedSizeAndTheFormFillsIt) {
  EXPECT_EQ(frame_->GetTitle(), kMainWindowTitle);
  const long style = frame_->GetWindowStyleFlag();
  EXPECT_FALSE(style & wxRESIZE_BORDER);
  EXPECT_FALSE(style & wxMAXIMIZE_BOX);
  EXPECT_FALSE(style & wxMINIMIZE_BOX);
  EXPECT_EQ(frame_->GetMinSize(), frame_->GetSize());
  EXPECT_EQ(frame_->GetMaxSize(), frame_->GetSize());
  EXPECT_EQ(frame_->GetClientSize(), form_->FormSize());
  EXPECT_EQ(form_->GetSize(), form_->FormSize());
}

TEST_F(TarvikGui, MenusOfferEditAndHelpAndUndoIsAlwaysDisabled) {
  wxMenuItem* search = frame_->GetMenuBar()->GetMenu(0)->FindItem(kIdTrySearch);
  ASSERT_NE(search, nullptr);
  EXPECT_EQ(search->GetItemLabel(), "Try a &Search...\tCtrl+F");
  EXPECT_EQ(frame_->GetMenuBar()->GetMenuCount(), 2u);
  EXPECT_FALSE(MenuEnabled(wxID_UNDO));
  SetField(kIdListingFile, "typed");
  Field(kIdListingFile)->SetFocus();
  EXPECT_FALSE(MenuEnabled(wxID_UNDO));
}

// --- the form at start ---

TEST_F(TarvikGui, FormStartsEmptyWithTextChosenAndTheSpecialTagDisabled) {
  EXPECT_TRUE(form_->TextDocument()->GetValue());
  EXPECT_FALSE(form_->HtmlDocument()->GetValue());
  EXPECT_FALSE(Field(kIdSpecialTag)->IsEnabled());
  EXPECT_FALSE(form_->SpecialTagLabel()->IsEnabled());
  EXPECT_EQ(Field(kIdCopyPath)->GetValue(), "");
  EXPECT_EQ(view_->doc()->settings().article_type, kTextArticle);
  for (int id : {kIdListingFile, kIdArticlePath, kIdIndexPath, kIdCopyPath, kIdDelimiters}) {
    EXPECT_EQ(Field(id)->GetForegroundColour(), *wxYELLOW) << id;
    EXPECT_EQ(Field(id)->GetBackgroundColour(), *wxBLACK) << id;
  }
  EXPECT_NE(Field(kIdSpecialTag)->GetBackgroundColour(), *wxBLACK);
  for (int id : {kIdGenerate, kIdCopy, kIdQuit}) {
    EXPECT_EQ(form_->FindWindow(id)->GetFont().GetWeight(), wxFONTWEIGHT_BOLD) << id;
  }
  EXPECT_EQ(form_->FindWindow(kIdGenerate)->GetToolTipText(),
            "Generate the index files for Moskel");
  EXPECT_EQ(form_->FindWindow(kIdBrowseCopyPath)->GetToolTipText(),
            "Push button to select the path to copy the Articles to Phrase Search files");
}

TEST_F(TarvikGui, ControlsFollowTheTabOrder) {
  const int expected[] = {kIdGenerate,
                          kIdCopy,
                          kIdQuit,
                          kIdBrowseListingFile,
                          kIdBrowseArticlePath,
                          kIdBrowseIndexPath,
                          kIdBrowseCopyPath,
                          kIdListingFile,
                          kIdArticlePath,
                          kIdIndexPath,
                          kIdCopyPath,
                          kIdTextDocument,
                          kIdHtmlDocument,
                          kIdSpecialTag,
                          kIdDelimiters};
  std::vector<int> focusable;
  for (wxWindow* child : form_->GetChildren()) {
    if (child->GetId() >= kIdTextDocument && child->AcceptsFocusFromKeyboard()) {
      focusable.push_back(child->GetId());
    }
  }
  EXPECT_EQ(focusable, std::vector<int>(std::begin(expected), std::end(expected)));
}

// The program's own tool tips are black on yellow, whatever the theme.
TEST_F(TarvikGui, ToolTipsAreBlackOnYellow) {
  Rgba background{}, text{};
  ASSERT_TRUE(ReadToolTipColours(form_, &background, &text)) << "GTK's style calls not found";
  EXPECT_EQ(background, (Rgba{1, 1, 0, 1}));
  EXPECT_EQ(text, (Rgba{0, 0, 0, 1}));
}

// --- article type, browsing, clipboard ---

TEST_F(TarvikGui, ArticleTypeFollowsTheLastClickAndSpecialTagStaysDisabled) {
  ChooseType(kIdHtmlDocument);
  EXPECT_EQ(view_->doc()->settings().article_type, kHtmlArticle);
  EXPECT_FALSE(Field(kIdSpecialTag)->IsEnabled());
  ChooseType(kIdTextDocument);
  EXPECT_EQ(view_->doc()->settings().article_type, kTextArticle);
  EXPECT_FALSE(Field(kIdSpecialTag)->IsEnabled());
  EXPECT_FALSE(form_->SpecialTagLabel()->IsEnabled());
}

TEST_F(TarvikGui, BrowseFillsTheFieldWithThePathOrItsDirectoryPart) {
  chosen_ = wxString("/data/news/a.txt");
  Click(kIdBrowseListingFile);
  Click(kIdBrowseArticlePath);
  Click(kIdBrowseIndexPath);
  Click(kIdBrowseCopyPath);
  EXPECT_EQ(Field(kIdListingFile)->GetValue(), "/data/news/a.txt");
  EXPECT_EQ(Field(kIdArticlePath)->GetValue(), "/data/news/");
  EXPECT_EQ(Field(kIdIndexPath)->GetValue(), "/data/news/");
  EXPECT_EQ(Field(kIdCopyPath)->GetValue(), "/data/news/");
  const std::vector<wxString> titles = {"Find Articles File", "Find Path to Articles",
                                        "Find Path to Put Index Files",
                                        "Find Path to Copy Articles to"};
  EXPECT_EQ(titles_, titles);

  chosen_.reset();  // Cancel
  Click(kIdBrowseArticlePath);
  EXPECT_EQ(Field(kIdArticlePath)->GetValue(), "/data/news/");
}

TEST_F(TarvikGui, ClipboardRulesFollowTheFocusedControl) {
  wxTextCtrl* field = Field(kIdDelimiters);
  field->SetValue("abc");
  field->SetSelection(0, 2);
  FocusedControl focus = CTarvikView::DescribeFocus(field);
  EXPECT_TRUE(focus.is_edit_field);
  EXPECT_TRUE(focus.has_selection);
  EXPECT_FALSE(focus.read_only);
  field->SetSelection(1, 1);
  EXPECT_FALSE(CTarvikView::DescribeFocus(field).has_selection);
  EXPECT_FALSE(CTarvikView::DescribeFocus(form_->FindWindow(kIdGenerate)).is_edit_field);
  EXPECT_FALSE(CTarvikView::DescribeFocus(nullptr).is_edit_field);

  form_->FindWindow(kIdGenerate)->SetFocus();
  Pump(2);
  ASSERT_EQ(wxWindow::FindFocus(), form_->FindWindow(kIdGenerate));
  EXPECT_FALSE(MenuEnabled(wxID_CUT));
  EXPECT_FALSE(MenuEnabled(wxID_COPY));
  EXPECT_FALSE(MenuEnabled(wxID_PASTE));

  // Copy from one field and paste into another through the Edit menu's commands.
  field->SetFocus();
  field->SetSelection(0, 2);
  Pump(2);
  ASSERT_EQ(wxWindow::FindFocus(), field);
  EXPECT_TRUE(MenuEnabled(wxID_CUT));
  EXPECT_TRUE(MenuEnabled(wxID_COPY));
  frame_->ProcessCommand(wxID_COPY);
  Pump(2);
  wxTextCtrl* target = Field(kIdCopyPath);
  target->SetValue("");
  target->SetFocus();
  Pump(2);
  EXPECT_FALSE(MenuEnabled(wxID_COPY));  // nothing selected in the target
  EXPECT_TRUE(MenuEnabled(wxID_PASTE));
  frame_->ProcessCommand(wxID_PASTE);
  EXPECT_EQ(target->GetValue(), "ab");
  target->SetValue("");
  field->SetValue("");
}

// --- the runs ---

TEST_F(TarvikGui, GenerateWithEveryFieldEmptyShowsTheListingErrorThenLogsIt) {
  for (int id : {kIdListingFile, kIdArticlePath, kIdIndexPath, kIdCopyPath, kIdDelimiters}) {
    SetField(id, "");
  }
  // A real mouse click, through the X server, on "Generate Index Files".
  wxWindow* button = form_->FindWindow(kIdGenerate);
  wxUIActionSimulator mouse;
  mouse.MouseMove(button->GetScreenRect().GetPosition() + wxPoint(10, 8));
  Pump(2);
  mouse.MouseClick();
  for (int i = 0; i < 50 && boxes_.empty(); ++i) Pump(1);
  const std::string expected = "\n# KPXSindx: ERROR, could not open Article's listing file ''\n";
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].first, expected);
  EXPECT_EQ(boxes_[0].second, MessageKind::kError);
  const std::string log = ReadFile(kRunLogName);
  EXPECT_NE(log.find(expected), std::string::npos) << log;
  EXPECT_EQ(frame_->GetTitle(), kMainWindowTitle);
}

TEST_F(TarvikGui, GenerateAndCopyWriteTheIndexAndThePhraseSearchFiles) {
  platform::testing::TempDir out;
  FillForSample(out);
  Click(kIdGenerate);
  ASSERT_EQ(boxes_.size(), 1u) << boxes_[0].first;
  EXPECT_EQ(boxes_[0].second, MessageKind::kResult);
  EXPECT_EQ(boxes_[0].first.rfind("Words in vocabulary: ", 0), 0u);
  EXPECT_TRUE(out.Exists("index/log"));
  EXPECT_TRUE(out.Exists("index/extras"));
  EXPECT_FALSE(out.Exists("copies"));  // the index run does not touch the copy path
  EXPECT_EQ(form_->StatusLine()->GetLabel(), wxString::FromUTF8(view_->controller().status_text()));
  EXPECT_NE(form_->StatusLine()->GetLabel(), "Progress");

  boxes_.clear();
  Click(kIdCopy);
  EXPECT_TRUE(boxes_.empty()) << boxes_[0].first;
  EXPECT_TRUE(out.Exists("copies/a1/t0001"));
  EXPECT_EQ(view_->doc()->settings().copy_path, out.Join("copies/"));
  EXPECT_EQ(view_->doc()->settings().index_path, out.Join("index/"));
  EXPECT_NE(ReadFile(kRunLogName).find("# KPXScopy:"), std::string::npos);
  EXPECT_EQ(frame_->GetTitle(), kMainWindowTitle);
}

// Edit > Ignore Accents: a checked item after a separator, off at the start;
// the index run follows it and the set records the fold.
TEST_F(TarvikGui, IgnoreAccentsIsACheckedEditMenuItemTheIndexRunFollows) {
  wxMenu* edit = frame_->GetMenuBar()->GetMenu(0);
  wxMenuItem* item = edit->FindItem(kIdIgnoreAccents);
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->IsCheckable());
  EXPECT_EQ(item->GetItemLabelText(), "Ignore Accents");
  EXPECT_TRUE(edit->FindItemByPosition(edit->GetMenuItemCount() - 2)->IsSeparator());
  EXPECT_TRUE(MenuEnabled(kIdIgnoreAccents));
  EXPECT_FALSE(MenuChecked(kIdIgnoreAccents));

  platform::testing::TempDir out;
  FillForSample(out);
  frame_->ProcessCommand(kIdIgnoreAccents);
  EXPECT_TRUE(MenuChecked(kIdIgnoreAccents));
  Click(kIdGenerate);
  EXPECT_EQ(ReadFile(out.Join("index/fold")).substr(0, 29), "KPXFOLD 1\ncp1252-accent-free\n");
  frame_->ProcessCommand(kIdIgnoreAccents);
  EXPECT_FALSE(MenuChecked(kIdIgnoreAccents));
  Click(kIdGenerate);
  EXPECT_EQ(ReadFile(out.Join("index/fold")).substr(0, 17), "KPXFOLD 1\ncp1252\n");
  boxes_.clear();
}

// --- what the form draws ---

// The window's pixels as the X server shows them now, read by ImageMagick's
// import from outside the program (the toolkit's own screen reading can hand
// back pixels of an earlier frame). An empty image when that fails.
wxImage Grab(wxWindow* window) {
  const fs::path file =
      fs::temp_directory_path() / ("tarvik-gui-grab-" + std::to_string(getpid()) + ".png");
  const std::string command = "import -window root " + file.string();
  if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr) wxImage::AddHandler(new wxPNGHandler);
  wxImage image;
  if (std::system(command.c_str()) == 0 && image.LoadFile(file.string(), wxBITMAP_TYPE_PNG)) {
    image = image.GetSubImage(window->GetScreenRect());
  } else {
    ADD_FAILURE() << "could not read the screen with '" << command << "' (package imagemagick)";
  }
  fs::remove(file);
  return image;
}

// The filled part of a progress bar's image, 0 to 1: the longest row of
// coloured pixels (the theme fills with a colour, its trough is grey) over
// the bar's width.
double FilledPart(const wxImage& bar) {
  int longest = 0;
  for (int y = 0; y < bar.GetHeight(); ++y) {
    int coloured = 0;
    for (int x = 0; x < bar.GetWidth(); ++x) {
      const int r = bar.GetRed(x, y), g = bar.GetGreen(x, y), b = bar.GetBlue(x, y);
      if (std::max({r, g, b}) - std::min({r, g, b}) > 60) ++coloured;
    }
    longest = std::max(longest, coloured);
  }
  return static_cast<double>(longest) / bar.GetWidth();
}

// The column after the status line's rightmost yellow (text) pixel.
int TextEnd(const wxImage& line) {
  int end = 0;
  for (int y = 0; y < line.GetHeight(); ++y) {
    for (int x = 0; x < line.GetWidth(); ++x) {
      if (line.GetRed(x, y) > 150 && line.GetGreen(x, y) > 150 && line.GetBlue(x, y) < 100) {
        end = std::max(end, x + 1);
      }
    }
  }
  return end;
}

// After a run the bar on the screen is full and the status line shows the
// run's last text, also when the run stepped the bar many times past its
// range: 300 articles, and as many index groups.
TEST_F(TarvikGui, AfterARunOverManyArticlesTheDrawnBarIsFullAndTheStatusFinal) {
  platform::testing::TempDir out;
  FillForMany(out, 300);
  wxUIActionSimulator().MouseMove(0, 0);  // no tool tip over the form
  for (int command : {kIdGenerate, kIdCopy}) {
    boxes_.clear();
    Click(command);
    Pump(3);
    ASSERT_EQ(view_->controller().progress_pos(), 28) << command;
    EXPECT_NEAR(FilledPart(Grab(form_->ProgressBar())), 1.0, 0.02) << command;
    const wxString last = form_->StatusLine()->GetLabel();
    EXPECT_EQ(last, command == kIdGenerate ? "Done -- Check log for statistics" : "Done");
    EXPECT_NEAR(TextEnd(Grab(form_->StatusLine())),
                2 + form_->StatusLine()->GetTextExtent(last).GetWidth(), 3)
        << command;
  }
  EXPECT_TRUE(out.Exists("copies/a3/t0300"));
}

// A box in the middle of a run shows over a form that shows where the run
// is: once the box lets the toolkit run, the drawn bar is the position the
// services hold, neither 0 nor full.
TEST_F(TarvikGui, ABoxDuringARunShowsTheBarWhereTheRunIs) {
  platform::testing::TempDir out;
  // Drawn and held parts at the first two boxes of each run that come while
  // the bar is well inside its range.
  std::vector<std::pair<double, double>> drawn_and_held;
  size_t wanted = 2;
  view_->SetBoxAnswerer([&](std::string_view, MessageKind kind) {
    const double held = HeldPart();
    if (kind == MessageKind::kError && drawn_and_held.size() < wanted && held > 0.1 && held < 0.9) {
      Pump(3);  // as a modal box would
      drawn_and_held.emplace_back(FilledPart(Grab(form_->ProgressBar())), held);
    }
  });
  // The copy run goes on after an article it cannot open: 12 and then 25 of 28.
  FillForMany(out, 300, {100, 200});
  wxUIActionSimulator().MouseMove(0, 0);
  Click(kIdCopy);
  ASSERT_EQ(drawn_and_held.size(), 2u);
  // The index run warns while writing: every word is in more than 2,500
  // articles; the boxes come before and after the bar passes its range of
  // 28 groups.
  std::string words;
  for (int group = 0; group < 40; ++group) {
    words += {static_cast<char>('A' + group % 20), static_cast<char>('A' + group / 20), 'X', ' '};
  }
  out.Write("articles/many.txt", words + "ZZ\n");
  std::string listing;
  for (int i = 0; i < 2501; ++i) listing += "many.txt\n";
  out.Write("listing.txt", listing);
  wanted = 4;
  Click(kIdGenerate);
  ASSERT_EQ(drawn_and_held.size(), 4u);
  for (const auto& [drawn, held] : drawn_and_held) EXPECT_NEAR(drawn, held, 0.03);
}

// --- the search window ---

// What kpxsearch --list --names prints for the set, as the window's rows
// ("NUMBER  NAME"), after the count line.
std::vector<std::string> KpxsearchRows(const std::string& index, const std::string& copies,
                                       const std::string& phrase, std::string* count) {
  const std::string command = std::string(KPXSEARCH_PATH) + " --index '" + index +
                              "' --articles '" + copies + "' --list --names '" + phrase + "'";
  std::vector<std::string> rows;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return rows;
  std::string out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  pclose(pipe);
  size_t start = 0;
  for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = out.substr(start, end - start);
    if (count->empty()) {
      *count = line;
      continue;
    }
    const size_t tab = line.find('\t');
    rows.push_back(line.substr(0, tab) + "  " + line.substr(tab + 1));
  }
  return rows;
}

// The rows of image whose pixels hold colour: first and last, -1 when none.
std::pair<int, int> RowsOfColour(const wxImage& image, const wxColour& colour) {
  int first = -1, last = -1;
  for (int y = 0; y < image.GetHeight(); ++y) {
    for (int x = 0; x < image.GetWidth(); ++x) {
      if (image.GetRed(x, y) == colour.Red() && image.GetGreen(x, y) == colour.Green() &&
          image.GetBlue(x, y) == colour.Blue()) {
        if (first < 0) first = y;
        last = y;
        break;
      }
    }
  }
  return {first, last};
}

class TarvikGuiSearch : public TarvikGui {
 protected:
  void TearDown() override {
    if (view_ != nullptr && view_->search_window() != nullptr) view_->search_window()->Destroy();
    Pump(2);
    TarvikGui::TearDown();
  }
  // Index and copies of the sample articles, made with the form's own buttons.
  void BuildSample(const platform::testing::TempDir& out) {
    FillForSample(out);
    Click(kIdGenerate);
    Click(kIdCopy);
    boxes_.clear();
  }
  // Keys through the X server, to the window that has the focus.
  void Keys(const std::function<void(wxUIActionSimulator&)>& type) {
    wxUIActionSimulator keyboard;
    type(keyboard);
    Pump(3);
  }
  // Ctrl+F on the form, then waits for the window.
  CSearchDlg* PressCtrlF() {
    frame_->Raise();
    Field(kIdListingFile)->SetFocus();
    Pump(3);
    Keys([](wxUIActionSimulator& k) { k.Char('f', wxMOD_CONTROL); });
    for (int i = 0; i < 50 && (view_->search_window() == nullptr ||
                               !view_->search_window()->IsShownOnScreen());
         ++i) {
      Pump(1);
    }
    return view_->search_window();
  }
};

// Ctrl+F opens it with the focus in the phrase field; a typed phrase and
// Enter give what kpxsearch gives; the arrow keys select an article and its
// occurrences are drawn in the highlight colour; Escape closes it.
TEST_F(TarvikGuiSearch, KeyboardOnlySearchAgreesWithKpxsearchAndHighlights) {
  platform::testing::TempDir out;
  BuildSample(out);
  CSearchDlg* search = PressCtrlF();
  ASSERT_NE(search, nullptr);
  EXPECT_EQ(search->GetTitle(), kSearchWindowTitle);
  EXPECT_FALSE(search->IsModal());
  EXPECT_EQ(search->controller().index_path(), out.Join("index/"));
  EXPECT_EQ(search->controller().copy_path(), out.Join("copies/"));
  for (int i = 0; i < 20 && wxWindow::FindFocus() != search->Field(kIdSearchPhrase); ++i) Pump(1);
  ASSERT_EQ(wxWindow::FindFocus(), search->Field(kIdSearchPhrase));

  Keys([](wxUIActionSimulator& k) {
    k.Text("harbour");
    k.Char(WXK_RETURN);
  });
  std::string count;
  const std::vector<std::string> expected =
      KpxsearchRows(out.Join("index/"), out.Join("copies/"), "harbour", &count);
  ASSERT_GT(expected.size(), 1u);
  EXPECT_EQ(search->Result()->GetLabel(), count + " articles");
  std::vector<std::string> rows;
  for (const wxString& row : search->Articles()->GetStrings()) rows.push_back(row.utf8_string());
  EXPECT_EQ(rows, expected);

  // Tab through the fields and the button to the list, which selects its
  // first article; Down and Up move the selection.
  Keys([](wxUIActionSimulator& k) {
    for (int i = 0; i < 7; ++i) k.Char(WXK_TAB);
  });
  ASSERT_EQ(wxWindow::FindFocus(), search->Articles());
  EXPECT_EQ(search->Articles()->GetSelection(), 0);
  Keys([](wxUIActionSimulator& k) { k.Char(WXK_DOWN); });
  EXPECT_EQ(search->Articles()->GetSelection(), 1);
  EXPECT_EQ(search->controller().matches().size(), expected.size());
  Keys([](wxUIActionSimulator& k) { k.Char(WXK_UP); });
  ASSERT_EQ(search->Articles()->GetSelection(), 0);
  const wxString lines = search->Lines()->GetValue();
  EXPECT_NE(lines.Lower().Find("harbour"), wxNOT_FOUND) << lines;
  wxUIActionSimulator().MouseMove(0, 0);
  Pump(5);
  const wxImage view = Grab(search->Lines());
  const auto [first, last] = RowsOfColour(view, kHighlightColour);
  ASSERT_GE(first, 0) << "no highlighted pixel in the lines view";
  // The first line holds an occurrence: the highlight lies on its row.
  EXPECT_LT(first, 4 + 2 * search->Lines()->GetCharHeight());
  EXPECT_LT(last - first, view.GetHeight());

  Keys([](wxUIActionSimulator& k) { k.Char(WXK_ESCAPE); });
  for (int i = 0; i < 20 && view_->search_window() != nullptr; ++i) Pump(1);
  EXPECT_EQ(view_->search_window(), nullptr);
}

TEST_F(TarvikGuiSearch, OneWindowAtATimeAndARunSearchesAgain) {
  platform::testing::TempDir out;
  BuildSample(out);
  frame_->ProcessCommand(kIdTrySearch);
  CSearchDlg* search = view_->search_window();
  ASSERT_NE(search, nullptr);
  search->Field(kIdSearchPhrase)->SetValue("harbour");
  wxCommandEvent press(wxEVT_BUTTON, kIdSearchButton);
  search->ProcessWindowEvent(press);
  const wxString before = search->Result()->GetLabel();
  EXPECT_TRUE(before.EndsWith(" articles")) << before;
  frame_->ProcessCommand(kIdTrySearch);
  EXPECT_EQ(view_->search_window(), search);

  // A new set of three articles, one with "harbour": the runs search again.
  out.Write("small/a.txt", "the harbour\n");
  out.Write("small/b.txt", "the pier\n");
  out.Write("small/c.txt", "the town\n");
  out.Write("small.txt", "a.txt\nb.txt\nc.txt\n");
  SetField(kIdListingFile, out.Join("small.txt"));
  SetField(kIdArticlePath, out.Join("small/"));
  SetField(kIdIndexPath, out.Join("small-index/"));
  SetField(kIdCopyPath, out.Join("small-copies/"));
  Click(kIdGenerate);
  EXPECT_EQ(search->Result()->GetLabel().rfind("No copied articles in ", 0), 0u)
      << search->Result()->GetLabel();
  Click(kIdCopy);
  EXPECT_EQ(search->Result()->GetLabel(), "1 article");
  EXPECT_EQ(search->Articles()->GetString(0), "1  a.txt");
  boxes_.clear();
}

TEST_F(TarvikGuiSearch, PathsWithoutASetGiveAMessageInTheWindow) {
  platform::testing::TempDir out;
  SetField(kIdIndexPath, out.Join("nothing/"));
  SetField(kIdCopyPath, out.Join("nothing/"));
  frame_->ProcessCommand(kIdTrySearch);
  CSearchDlg* search = view_->search_window();
  ASSERT_NE(search, nullptr);
  search->Field(kIdSearchPhrase)->SetValue("harbour");
  wxCommandEvent enter(wxEVT_TEXT_ENTER, kIdSearchPhrase);
  search->ProcessWindowEvent(enter);
  EXPECT_EQ(search->Result()->GetLabelText(),
            "No index set in " + out.Join("nothing/") + ": generate the index files first.");
  EXPECT_EQ(search->Articles()->GetCount(), 0u);
}

// The pictures of the README: the form after both runs and the search window
// on their set, saved in the build tree. With KPX_SCREENSHOT_ROOT (a folder
// holding listing.txt and articles/, as scripts/gui-screenshots.sh lays out
// an author's title) the fields name that folder, else a temporary one with
// the sample articles.
TEST_F(TarvikGuiSearch, ScreenshotsOfTheFormAfterBothRunsAndOfTheSearchWindow) {
  platform::testing::TempDir out;
  const char* root = std::getenv("KPX_SCREENSHOT_ROOT");
  if (root != nullptr && root[0] != '\0') {
    const std::string title = root;
    SetField(kIdListingFile, title + "/listing.txt");
    SetField(kIdArticlePath, title + "/articles/");
    SetField(kIdIndexPath, title + "/index/");
    SetField(kIdCopyPath, title + "/copies/");
    SetField(kIdDelimiters, "");
    Click(kIdGenerate);
    Click(kIdCopy);
    boxes_.clear();
  } else {
    BuildSample(out);
  }
  wxUIActionSimulator().MouseMove(0, 0);  // no tool tip in the picture
  frame_->Raise();
  frame_->Refresh();
  Pump(10);
  const wxImage form = Grab(frame_);
  EXPECT_NEAR(FilledPart(Grab(form_->ProgressBar())), 1.0, 0.02);
  const fs::path form_file = fs::path(KPX_BINARY_DIR) / "tarvik-gui-form.png";
  EXPECT_TRUE(form.SaveFile(form_file.string(), wxBITMAP_TYPE_PNG));

  CSearchDlg* search = PressCtrlF();
  ASSERT_NE(search, nullptr);
  Keys([](wxUIActionSimulator& k) {
    k.Text("harbour");
    k.Char(WXK_RETURN);
    for (int i = 0; i < 7; ++i) k.Char(WXK_TAB);
  });
  ASSERT_GE(search->Articles()->GetSelection(), 0);
  EXPECT_FALSE(search->Lines()->IsEmpty());
  search->Raise();
  Pump(10);
  const wxImage window = Grab(search);
  EXPECT_GE(RowsOfColour(window, kHighlightColour).first, 0);
  const fs::path search_file = fs::path(KPX_BINARY_DIR) / "tarvik-gui-search.png";
  EXPECT_TRUE(window.SaveFile(search_file.string(), wxBITMAP_TYPE_PNG));
}

// Last: QUIT closes the main window, the document and the view without a question.
TEST_F(TarvikGui, ZzQuitClosesTheMainWindow) {
  Click(kIdQuit);
  Pump(5);
  EXPECT_EQ(app_->view(), nullptr);
  EXPECT_EQ(wxTheApp->GetTopWindow(), nullptr);
  g_app_running = false;
  view_ = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  platform::testing::TempDir work;  // the run log is written to the current directory
  fs::current_path(work.path());
  std::unique_ptr<wxEventLoopBase> loop;
  if (std::getenv("DISPLAY") == nullptr) {
    g_skip_reason = "no X display: run this test under xvfb-run (install the xvfb package)";
  } else if (wxApp::SetInstance(new CTarvikApp); !wxEntryStart(argc, argv)) {
    g_skip_reason = "the toolkit could not open the X display";
  } else {
    loop.reset(wxTheApp->GetTraits()->CreateEventLoop());
    wxEventLoopBase::SetActive(loop.get());
    g_app_running = wxTheApp->CallOnInit();
    Pump(10);
  }
  const int result = RUN_ALL_TESTS();
  if (loop) {
    if (wxWindow* top = wxTheApp->GetTopWindow()) top->Close(true);
    Pump(2);
    wxTheApp->OnExit();
    wxEventLoopBase::SetActive(nullptr);
    loop.reset();
    wxEntryCleanup();
  }
  fs::current_path(fs::temp_directory_path());
  return result;
}
