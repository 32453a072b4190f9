// The Windows desktop form, end to end: the real main window and form,
// created in this process and driven with messages, under Wine and a display
// (scripts/windows-form-test.sh). Every message box and open-file dialog is
// answered by a watcher thread (DialogAnswerer), never by a person.
//
// The harness passes, in the environment, KPX_FORM_WORK (a folder holding a
// copy of examples/articles and examples/listing.txt, the current directory
// of the runs) and KPX_FORM_REFERENCE (the Linux tarvik's index set, copies,
// run logs and output for the same listing). Without them the program skips.
// clang-format off
#include <windows.h>  // first: the other Windows headers build on it
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "preproc/form/form_ids.h"
#include "preproc/form/form_texts.h"
#include "preproc/run/run_services.h"
#include "preproc/win32/resource.h"
#include "preproc/win32/search_dlg.h"
#include "preproc/win32/tarvik_app.h"

using namespace preproc;
namespace fs = std::filesystem;

namespace {

constexpr char kTitle[] = "Quillmoor Technologies KPXSearch PreProcessor";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string CrLfToLf(std::string text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

std::string LfToCrLf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// --- the watcher thread that answers every box and dialog ---

struct SeenBox {
  std::string caption;
  std::string text;
  std::string icon;  // "warning", "stop" or "other"
};
// So a failed expectation names the boxes it saw.
void PrintTo(const SeenBox& box, std::ostream* out) {
  *out << "{" << box.caption << " | " << box.text << " | " << box.icon << "}";
}

std::string WindowText(HWND window) {
  char text[1024] = "";
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 2000, &ignored);
  return text;
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

class DialogAnswerer {
 public:
  void Start() {
    warning_ = LoadIconA(nullptr, MAKEINTRESOURCEA(32515));  // IDI_WARNING
    stop_ = LoadIconA(nullptr, MAKEINTRESOURCEA(32513));     // IDI_HAND
    thread_ = std::thread([this] { Loop(); });
  }
  void Stop() {
    stop_flag_ = true;
    if (thread_.joinable()) thread_.join();
  }
  // The next open-file dialog gets this name typed (nothing: Cancel).
  void AnswerBrowse(std::optional<std::string> name) {
    std::lock_guard lock(mutex_);
    browse_answer_ = std::move(name);
  }
  std::vector<SeenBox> Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(seen_, {});
  }

 private:
  static BOOL CALLBACK AnswerOne(HWND window, LPARAM self) {
    reinterpret_cast<DialogAnswerer*>(self)->Answer(window);
    return TRUE;
  }
  void Loop() {
    while (!stop_flag_) {
      EnumWindows(AnswerOne, reinterpret_cast<LPARAM>(this));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  // Collects a box's texts and tells its icon.
  struct Reading {
    DialogAnswerer* self;
    SeenBox* box;
  };
  static BOOL CALLBACK ReadChild(HWND child, LPARAM data) {
    auto* reading = reinterpret_cast<Reading*>(data);
    if (ClassOf(child) != "Static") return TRUE;
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      DWORD_PTR icon = 0;
      SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon);
      if (reinterpret_cast<HICON>(icon) == reading->self->warning_) reading->box->icon = "warning";
      if (reinterpret_cast<HICON>(icon) == reading->self->stop_) reading->box->icon = "stop";
    } else if (std::string text = WindowText(child); !text.empty()) {
      reading->box->text += text;
    }
    return TRUE;
  }

  void Answer(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return;
    if (ClassOf(window) != "#32770" || window == last_answered_) return;
    if (WindowText(window) == "Try a Search") return;  // the search window: the tests drive it
    SeenBox box{WindowText(window), "", "other"};
    Reading reading{this, &box};
    EnumChildWindows(window, ReadChild, reinterpret_cast<LPARAM>(&reading));
    WPARAM answer = IDOK;
    if (box.caption.rfind("Find ", 0) == 0) {
      std::optional<std::string> name;
      {
        std::lock_guard lock(mutex_);
        name = std::exchange(browse_answer_, std::nullopt);
      }
      if (name) {
        HWND field = GetDlgItem(window, 0x47c);                   // cmb13, the name box
        if (field == nullptr) field = GetDlgItem(window, 0x480);  // edt1
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name->c_str()),
                            SMTO_ABORTIFHUNG, 2000, &ignored);
      } else {
        answer = IDCANCEL;
      }
    }
    last_answered_ = window;
    {
      std::lock_guard lock(mutex_);
      seen_.push_back(box);
    }
    PostMessageA(window, WM_COMMAND, answer, 0);
  }

  std::thread thread_;
  std::atomic<bool> stop_flag_{false};
  std::mutex mutex_;
  std::vector<SeenBox> seen_;
  std::optional<std::string> browse_answer_;
  HWND last_answered_ = nullptr;
  HICON warning_ = nullptr;
  HICON stop_ = nullptr;
};

// The system colours as found before the program started.
std::vector<COLORREF> SystemColours() {
  std::vector<COLORREF> colours;
  for (int index = 0; index <= COLOR_MENUBAR; ++index) colours.push_back(GetSysColor(index));
  return colours;
}
std::vector<COLORREF> g_colours_at_start;

// --- the fixture: one program for the whole suite, as a user has it ---

class Win32FormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    app_ = new CTarvikApp;
    ASSERT_TRUE(app_->InitInstance(GetModuleHandleA(nullptr), SW_SHOW));
    answerer_.Start();
    Pump();
  }
  static void TearDownTestSuite() {
    answerer_.Stop();
    delete app_;
    app_ = nullptr;
  }

  // Runs the program's own message chain until the queue is empty.
  static bool Pump(int milliseconds = 50) {
    const ULONGLONG until = GetTickCount64() + milliseconds;
    MSG msg;
    do {
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return false;
        app_->ProcessMessage(msg);
      }
      Sleep(5);
    } while (GetTickCount64() < until);
    return true;
  }

  static HWND Form() { return app_->view().hwnd(); }
  static HWND Frame() { return app_->frame().hwnd(); }
  static HWND Item(int id) { return GetDlgItem(Form(), id); }
  static void Click(int id) {
    SendMessageA(Item(id), BM_CLICK, 0, 0);  // returns when the command (and its run) is done
    Pump();
  }
  static void SetField(int id, const std::string& text) {
    SetDlgItemTextA(Form(), id, text.c_str());
  }
  static std::string Field(int id) {
    char text[1024] = "";
    GetDlgItemTextA(Form(), id, text, sizeof text);
    return text;
  }
  static void ClearFields() {
    for (int id : {kIdListingFile, kIdArticlePath, kIdIndexPath, kIdCopyPath, kIdDelimiters}) {
      SetField(id, "");
    }
  }
  // The boxes seen since the last call, waiting briefly for late ones.
  static std::vector<SeenBox> Boxes() {
    Pump(100);
    return answerer_.Take();
  }
  // As the dialog manager places a control: position and size each converted.
  static RECT DialogRect(int x, int y, int width, int height) {
    RECT units = {x, y, width, height};
    MapDialogRect(Form(), &units);
    return RECT{units.left, units.top, units.left + units.right, units.top + units.bottom};
  }
  static RECT PlaceInForm(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, Form(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }
  static std::vector<UINT> MenuStates() {
    HMENU edit = app_->frame().edit_menu();
    SendMessageA(Frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 0);
    std::vector<UINT> states;
    for (UINT command : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE}) {
      states.push_back(GetMenuState(edit, command, MF_BYCOMMAND) & MF_GRAYED);
    }
    return states;
  }

  static CTarvikApp* app_;
  static DialogAnswerer answerer_;
};

CTarvikApp* Win32FormTest::app_ = nullptr;
DialogAnswerer Win32FormTest::answerer_;

std::array<LONG, 4> Corners(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// --- the main window ---

TEST_F(Win32FormTest, MainWindowFitsTheFormAndCannotBeResized) {
  const LONG style = GetWindowLongA(Frame(), GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  char caption[256] = "";
  GetWindowTextA(Frame(), caption, sizeof caption);
  EXPECT_STREQ(caption, kTitle);

  RECT client;
  GetClientRect(Frame(), &client);
  const RECT form = DialogRect(0, 0, 310, 186);
  EXPECT_EQ(client.right, form.right);
  EXPECT_EQ(client.bottom, form.bottom);
  EXPECT_EQ(Corners(PlaceInForm(Form())), Corners(form));  // the form is the whole client area

  RECT window;
  RECT desktop;
  GetWindowRect(Frame(), &window);
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &desktop, 0);
  EXPECT_NEAR(window.left + window.right, desktop.left + desktop.right, 1) << "centred";
  EXPECT_NEAR(window.top + window.bottom, desktop.top + desktop.bottom, 1) << "centred";

  // Brought to the top: no visible window of this program lies above it.
  HWND top = GetTopWindow(nullptr);
  for (; top != nullptr; top = GetWindow(top, GW_HWNDNEXT)) {
    DWORD process = 0;
    GetWindowThreadProcessId(top, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(top)) break;
  }
  EXPECT_EQ(top, Frame());

  // The caption stays after a run.
  Click(kIdGenerate);
  Boxes();
  GetWindowTextA(Frame(), caption, sizeof caption);
  EXPECT_STREQ(caption, kTitle);
}

// --- the form's controls ---

struct Expected {
  int id;  // 0xffff: a control without an ID
  const char* kind;
  const char* text;
  int x, y, width, height;
};

constexpr Expected kFormControls[] = {
    {1010, "push", "Generate Index Files", 14, 85, 85, 14},
    {1011, "push", "Copy the Articles", 14, 102, 85, 14},
    {1012, "push", "QUIT", 14, 120, 85, 14},
    {1019, "push", "Articles Listing File", 107, 13, 74, 13},
    {1017, "push", "Path to Articles", 107, 44, 74, 13},
    {1015, "push", "Path for Index Files", 107, 76, 74, 13},
    {1014, "push", "Path to Copy Articles", 107, 107, 74, 13},
    {1018, "edit", "", 106, 28, 77, 12},
    {1016, "edit", "", 106, 60, 77, 12},
    {1013, "edit", "", 106, 91, 77, 12},
    {1009, "edit", "", 106, 122, 77, 12},
    {1000, "radio", "Text Document", 208, 31, 73, 10},
    {1001, "radio", "HTML Document", 208, 47, 72, 10},
    {1002, "edit", "", 196, 90, 99, 13},
    {1003, "edit", "", 196, 121, 100, 13},
    {0xffff, "group", "Article Types", 197, 13, 98, 55},
    {0xffff, "etched", "", 193, 9, 106, 129},
    {1020, "label", "Special Tag", 197, 79, 98, 9},
    {0xffff, "label", "Delimiters", 197, 110, 98, 9},
    {1004, "progress", "", 18, 162, 274, 10},
    {1021, "sunken", "Progress", 18, 148, 274, 11},
    {0xffff, "etched", "", 10, 142, 290, 34},
    {0xffff, "etched", "", 10, 9, 179, 129},
    {0xffff, "picture", "", 13, 12, 88, 66},
};

std::string KindOf(HWND control) {
  const std::string name = ClassOf(control);
  const LONG style = GetWindowLongA(control, GWL_STYLE);
  if (name == "Edit") {
    const bool single_line = (style & ES_MULTILINE) == 0;
    // The dialog manager draws a bordered field's border as a client edge.
    const bool bordered =
        (style & WS_BORDER) || (GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    return single_line && (style & ES_AUTOHSCROLL) && bordered ? "edit" : "edit?";
  }
  if (name == "msctls_progress32") return "progress";
  if (name == "Button") {
    switch (style & BS_TYPEMASK) {
      case BS_PUSHBUTTON:
      case BS_DEFPUSHBUTTON:
        return "push";
      case BS_AUTORADIOBUTTON:
        return "radio";
      case BS_GROUPBOX:
        return "group";
    }
  }
  if (name == "Static") {
    switch (style & SS_TYPEMASK) {
      case SS_ETCHEDFRAME:
        return "etched";
      case SS_BITMAP:
        return style & SS_SUNKEN ? "picture" : "bitmap";
      case SS_LEFT:
        return style & SS_SUNKEN ? "sunken" : "label";
    }
  }
  return name + "?";
}

TEST_F(Win32FormTest, EveryControlSitsAtItsDialogUnitsInTabOrder) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(Form(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  ASSERT_EQ(children.size(), std::size(kFormControls));
  for (size_t i = 0; i < children.size(); ++i) {
    const Expected& want = kFormControls[i];
    HWND control = children[i];
    SCOPED_TRACE(testing::Message()
                 << "control " << i << " (" << want.id << " " << want.text << ")");
    EXPECT_EQ(GetDlgCtrlID(control) & 0xffff, want.id);
    EXPECT_EQ(KindOf(control), want.kind);
    char text[256] = "";
    GetWindowTextA(control, text, sizeof text);
    if (std::string(want.kind) != "picture") {
      EXPECT_STREQ(text, want.text);
    }
    const RECT place = PlaceInForm(control);
    const RECT want_place = DialogRect(want.x, want.y, want.width, want.height);
    if (std::string(want.kind) == "picture") {
      // A picture control takes the size of its bitmap, 130 x 106 pixels,
      // which fits in the place the template gives it.
      BITMAP picture{};
      GetObjectA(reinterpret_cast<HBITMAP>(SendMessageA(control, STM_GETIMAGE, IMAGE_BITMAP, 0)),
                 sizeof picture, &picture);
      EXPECT_EQ(picture.bmWidth, 130);
      EXPECT_EQ(picture.bmHeight, 106);
      EXPECT_EQ(place.left, want_place.left);
      EXPECT_EQ(place.top, want_place.top);
      EXPECT_LE(place.right, want_place.right);
      EXPECT_LE(place.bottom, want_place.bottom);
    } else {
      EXPECT_EQ(Corners(place), Corners(want_place));
    }
    const bool takes_tab = std::string(want.kind) == "push" || std::string(want.kind) == "edit" ||
                           want.id == kIdTextDocument;
    EXPECT_EQ((GetWindowLongA(control, GWL_STYLE) & WS_TABSTOP) != 0, takes_tab);
  }
  // The button font on the three command buttons only.
  auto font_of = [](int id) {
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Item(id), WM_GETFONT, 0, 0)), sizeof font,
               &font);
    return font;
  };
  for (int id : {kIdGenerate, kIdCopy, kIdQuit}) {
    const LOGFONTA font = font_of(id);
    EXPECT_EQ(font.lfHeight, 12);
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
  }
  EXPECT_NE(font_of(kIdBrowseListingFile).lfWeight, FW_BOLD);
  EXPECT_EQ(IsDlgButtonChecked(Form(), kIdTextDocument), BST_CHECKED);
  EXPECT_FALSE(IsWindowEnabled(Item(kIdSpecialTag)));
  EXPECT_FALSE(IsWindowEnabled(Item(kIdSpecialTagLabel)));
}

TEST_F(Win32FormTest, MenuAcceleratorsAndAboutBox) {
  HMENU bar = GetMenu(Frame());
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  auto item_text = [](HMENU menu, UINT position) {
    char text[64] = "";
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return std::string(text);
  };
  EXPECT_EQ(item_text(bar, 0), "&Edit");
  EXPECT_EQ(item_text(bar, 1), "&Help");
  HMENU edit = GetSubMenu(bar, 0);
  EXPECT_EQ(item_text(edit, 0), "&Undo\tCtrl+Z");
  EXPECT_EQ(GetMenuState(edit, 1, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
  EXPECT_EQ(item_text(edit, 2), "Cu&t\tCtrl+X");
  EXPECT_EQ(item_text(edit, 3), "&Copy\tCtrl+C");
  EXPECT_EQ(item_text(edit, 4), "&Paste\tCtrl+V");
  EXPECT_EQ(GetMenuState(edit, 5, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
  EXPECT_EQ(item_text(edit, 6), "Try a &Search...\tCtrl+F");
  EXPECT_EQ(GetMenuState(edit, 7, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
  EXPECT_EQ(item_text(edit, 8), "Ignore &Accents");
  EXPECT_EQ(item_text(GetSubMenu(bar, 1), 0), "&About PreProc...");

  HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
  ACCEL keys[16];
  const int count = CopyAcceleratorTableA(table, keys, 16);
  std::vector<std::string> rows;
  for (int i = 0; i < count; ++i) {
    std::ostringstream row;
    row << int(keys[i].fVirt & (FCONTROL | FSHIFT | FALT)) << ":" << keys[i].key << ":" << std::hex
        << keys[i].cmd;
    rows.push_back(row.str());
  }
  const std::vector<std::string> expected = {
      "8:90:e12b", "8:88:e123", "8:67:e122", "8:86:e125",  // Ctrl+Z, X, C, V
      "16:8:e12b", "4:46:e123", "8:45:e122", "4:45:e125",  // Alt+Back, Shift+Del, Ctrl/Shift+Ins
      "8:70:3ff"};                                         // Ctrl+F: Try a Search
  EXPECT_EQ(rows, expected);

  SendMessageA(Frame(), WM_COMMAND, ID_APP_ABOUT, 0);  // modal: returns once answered
  const std::vector<SeenBox> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "About KPXSearch PreProcessor");
  EXPECT_EQ(boxes[0].text, "KPXSearch PreProcessor");
}

TEST_F(Win32FormTest, ToolTipsAreBlackOnYellowOnTheFormsOwnControl) {
  HWND tips = app_->view().tool_tip();
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(SendMessageA(tips, TTM_GETTIPBKCOLOR, 0, 0), RGB(255, 255, 0));
  EXPECT_EQ(SendMessageA(tips, TTM_GETTIPTEXTCOLOR, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(SendMessageA(tips, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 200);
  EXPECT_EQ(SendMessageA(tips, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 2000);
  EXPECT_EQ(SendMessageA(tips, TTM_GETDELAYTIME, TTDT_RESHOW, 0), 40);
  ASSERT_EQ(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0), 7);
  for (const ButtonToolTip& tip : kButtonToolTips) {
    char text[256] = "";
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = Form();
    tool.uId = reinterpret_cast<UINT_PTR>(Item(tip.id));
    tool.lpszText = text;
    SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, tip.text);
  }
  EXPECT_EQ(GetSysColor(COLOR_INFOBK), g_colours_at_start[COLOR_INFOBK]);
  EXPECT_EQ(GetSysColor(COLOR_INFOTEXT), g_colours_at_start[COLOR_INFOTEXT]);
}

// What the form answers when a control asks for its colours.
struct Painted {
  bool field_brush;
  COLORREF text;
  COLORREF back;
};
Painted PaintColours(HWND form, HWND control, UINT message, HBRUSH field_brush) {
  HDC dc = CreateCompatibleDC(nullptr);
  SetTextColor(dc, RGB(1, 2, 3));
  SetBkColor(dc, RGB(4, 5, 6));
  auto brush = reinterpret_cast<HBRUSH>(
      SendMessageA(form, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
  Painted painted{brush == field_brush, GetTextColor(dc), GetBkColor(dc)};
  DeleteDC(dc);
  return painted;
}

TEST_F(Win32FormTest, EnabledFieldsAndStatusLineAreYellowOnBlack) {
  // The field brush is the one an enabled field gets.
  HDC dc = CreateCompatibleDC(nullptr);
  auto brush =
      reinterpret_cast<HBRUSH>(SendMessageA(Form(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                            reinterpret_cast<LPARAM>(Item(kIdListingFile))));
  DeleteDC(dc);
  LOGBRUSH solid{};
  ASSERT_EQ(GetObjectA(brush, sizeof solid, &solid), int(sizeof solid));
  EXPECT_EQ(solid.lbColor, RGB(0, 0, 0));
  for (int id : {kIdListingFile, kIdArticlePath, kIdIndexPath, kIdCopyPath, kIdDelimiters}) {
    const Painted field = PaintColours(Form(), Item(id), WM_CTLCOLOREDIT, brush);
    EXPECT_TRUE(field.field_brush) << id;
    EXPECT_EQ(field.text, RGB(255, 255, 0)) << id;
    EXPECT_EQ(field.back, RGB(0, 0, 0)) << id;
  }
  const Painted status = PaintColours(Form(), Item(kIdStatusLine), WM_CTLCOLORSTATIC, brush);
  EXPECT_TRUE(status.field_brush);
  EXPECT_EQ(status.text, RGB(255, 255, 0));
  // A disabled field, a read-only field and the labels keep the platform's colours.
  for (int id : {kIdSpecialTag, kIdSpecialTagLabel}) {
    const Painted other = PaintColours(Form(), Item(id), WM_CTLCOLORSTATIC, brush);
    EXPECT_FALSE(other.field_brush) << id;
    EXPECT_NE(other.text, RGB(255, 255, 0)) << id;
  }
  SendMessageA(Item(kIdCopyPath), EM_SETREADONLY, TRUE, 0);
  EXPECT_FALSE(PaintColours(Form(), Item(kIdCopyPath), WM_CTLCOLOREDIT, brush).field_brush);
  SendMessageA(Item(kIdCopyPath), EM_SETREADONLY, FALSE, 0);
}

// --- hand-over and the runs' reports ---

TEST_F(Win32FormTest, EmptyFieldsReachTheRunsWhichReportThem) {
  ClearFields();
  const std::string listing_error =
      "\n# KPXSindx: ERROR, could not open Article's listing file ''\n";
  struct Case {
    int button;
    const char* log_start;
  };
  for (const Case& run : {Case{kIdGenerate, "# KPXSindx: Search Pre-processor Started ...\n"},
                          Case{kIdCopy, "# KPXScopy: Duplication of files Started ...\n"}}) {
    SCOPED_TRACE(run.button);
    const std::string status_before = Field(kIdStatusLine);
    Click(run.button);
    const std::vector<SeenBox> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, kApplicationTitle);
    EXPECT_EQ(boxes[0].icon, "warning");
    EXPECT_EQ(boxes[0].text, listing_error);
    // The run log: the start line, then the box's text as it was shown.
    EXPECT_EQ(ReadFile(kRunLogName), LfToCrLf(std::string(run.log_start) + listing_error));
    EXPECT_EQ(Field(kIdStatusLine), status_before);  // the run failed before it said anything
  }
}

TEST_F(Win32FormTest, ADelimiterFieldOf60HandsOver49) {
  ClearFields();
  const std::string sixty =
      "-=+*~^#@!%&;:,.<>/?[]{}()_'`|$"
      "0123456789abcdefghijklmnopqrst";
  ASSERT_EQ(sixty.size(), 60u);
  SetField(kIdDelimiters, sixty);
  SetField(kIdCopyPath, "kept");
  Click(kIdGenerate);
  Boxes();
  EXPECT_EQ(app_->doc().settings.delimiters, sixty.substr(0, 49));
  EXPECT_EQ(Field(kIdDelimiters), sixty);         // the field itself keeps all 60
  EXPECT_EQ(app_->doc().settings.copy_path, "");  // the index run leaves the copy path alone
  Click(kIdCopy);
  Boxes();
  EXPECT_EQ(app_->doc().settings.copy_path, "kept");
}

TEST_F(Win32FormTest, SpecialTagStaysDisabledWhateverTheArticleType) {
  Click(kIdHtmlDocument);
  EXPECT_EQ(app_->doc().settings.article_type, kHtmlArticle);
  EXPECT_EQ(IsDlgButtonChecked(Form(), kIdTextDocument), BST_UNCHECKED);
  EXPECT_FALSE(IsWindowEnabled(Item(kIdSpecialTag)));
  EXPECT_FALSE(IsWindowEnabled(Item(kIdSpecialTagLabel)));
  Click(kIdTextDocument);
  EXPECT_EQ(app_->doc().settings.article_type, kTextArticle);
  EXPECT_EQ(IsDlgButtonChecked(Form(), kIdHtmlDocument), BST_UNCHECKED);
  EXPECT_FALSE(IsWindowEnabled(Item(kIdSpecialTag)));
  EXPECT_FALSE(IsWindowEnabled(Item(kIdSpecialTagLabel)));
}

TEST_F(Win32FormTest, BrowseFillsTheWholePathOrItsDirectoryPart) {
  // The open-file dialog accepts a name that does not exist, in a folder that does.
  char folder[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof folder, folder);
  const std::string chosen = std::string(folder) + "\\not-there.txt";
  ClearFields();
  std::vector<std::string> titles;
  struct Case {
    int button;
    int field;
    std::string want;
  };
  for (const Case& browse : {Case{kIdBrowseListingFile, kIdListingFile, chosen},
                             Case{kIdBrowseArticlePath, kIdArticlePath, std::string(folder) + "\\"},
                             Case{kIdBrowseIndexPath, kIdIndexPath, std::string(folder) + "\\"},
                             Case{kIdBrowseCopyPath, kIdCopyPath, std::string(folder) + "\\"}}) {
    answerer_.AnswerBrowse(chosen);
    Click(browse.button);
    std::vector<SeenBox> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    titles.push_back(boxes[0].caption);
    EXPECT_EQ(Field(browse.field), browse.want);
    // Cancel leaves the field as it is.
    answerer_.AnswerBrowse(std::nullopt);
    Click(browse.button);
    boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Field(browse.field), browse.want);
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"Find Articles File", "Find Path to Articles",
                                              "Find Path to Put Index Files",
                                              "Find Path to Copy Articles to"}));
}

// --- the Edit menu ---

void PutTextOnClipboard(HWND owner, const char* text) {
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, strlen(text) + 1);
  strcpy(static_cast<char*>(GlobalLock(memory)), text);
  GlobalUnlock(memory);
  SetClipboardData(CF_TEXT, memory);
  CloseClipboard();
}

std::string ClipboardText(HWND owner) {
  if (!OpenClipboard(owner)) return "(not opened)";
  std::string text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    text = static_cast<const char*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

TEST_F(Win32FormTest, EditMenuFollowsTheFocusedControl) {
  constexpr UINT on = MF_ENABLED;
  constexpr UINT off = MF_GRAYED;
  PutTextOnClipboard(Frame(), "pasted");
  SetFocus(Item(kIdGenerate));
  EXPECT_EQ(MenuStates(), (std::vector<UINT>{off, off, off, off})) << "a button has the focus";

  SetField(kIdListingFile, "listing.txt");
  SetFocus(Item(kIdListingFile));
  SendMessageA(Item(kIdListingFile), EM_SETSEL, 0, 7);
  EXPECT_EQ(MenuStates(), (std::vector<UINT>{off, on, on, on})) << "a selection";
  SendMessageA(Frame(), WM_COMMAND, ID_EDIT_COPY, 0);
  EXPECT_EQ(ClipboardText(Frame()), "listing");

  SendMessageA(Item(kIdListingFile), EM_SETSEL, 3, 3);
  EXPECT_EQ(MenuStates(), (std::vector<UINT>{off, off, off, on})) << "no selection";
  SendMessageA(Frame(), WM_COMMAND, ID_EDIT_PASTE, 0);
  EXPECT_EQ(Field(kIdListingFile), "lislistingting.txt");

  SendMessageA(Item(kIdListingFile), EM_SETREADONLY, TRUE, 0);
  SendMessageA(Item(kIdListingFile), EM_SETSEL, 0, 3);
  EXPECT_EQ(MenuStates(), (std::vector<UINT>{off, on, on, off})) << "read-only";
  SendMessageA(Item(kIdListingFile), EM_SETREADONLY, FALSE, 0);

  SendMessageA(Frame(), WM_COMMAND, ID_EDIT_CUT, 0);
  EXPECT_EQ(Field(kIdListingFile), "listingting.txt");
  EXPECT_EQ(ClipboardText(Frame()), "lis");

  PutTextOnClipboard(Frame(), "");
  OpenClipboard(Frame());
  EmptyClipboard();
  CloseClipboard();
  SendMessageA(Item(kIdListingFile), EM_SETSEL, 0, 0);
  EXPECT_EQ(MenuStates(), (std::vector<UINT>{off, off, off, off})) << "empty clipboard";
  SetFocus(Item(kIdGenerate));
}

// Edit > Ignore Accents: off at the start, turned over by its command, held
// by the controller's run settings; enabled where the code page is 1252.
TEST_F(Win32FormTest, IgnoreAccentsIsACheckedEditMenuItem) {
  HMENU edit = app_->frame().edit_menu();
  auto state = [&] {
    SendMessageA(Frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 0);
    return GetMenuState(edit, ID_EDIT_IGNORE_ACCENTS, MF_BYCOMMAND) & (MF_CHECKED | MF_GRAYED);
  };
  const UINT enabled = GetACP() == 1252 ? 0 : MF_GRAYED;
  EXPECT_EQ(state(), enabled);
  SendMessageA(Frame(), WM_COMMAND, ID_EDIT_IGNORE_ACCENTS, 0);
  EXPECT_EQ(state(), enabled | (GetACP() == 1252 ? MF_CHECKED : 0));
  EXPECT_EQ(app_->doc().settings.ignore_accents, GetACP() == 1252);
  SendMessageA(Frame(), WM_COMMAND, ID_EDIT_IGNORE_ACCENTS, 0);
  EXPECT_EQ(state(), enabled);
  EXPECT_FALSE(app_->doc().settings.ignore_accents);
}

// The edit-field test reads a class name to 5 characters and ignores case.
LRESULT CALLBACK PlainWindow(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(window, message, wparam, lparam);
}

TEST_F(Win32FormTest, AnEditFieldIsToldByItsClassNameReadTo5Characters) {
  WNDCLASSA editor{};
  editor.lpfnWndProc = PlainWindow;
  editor.hInstance = GetModuleHandleA(nullptr);
  editor.lpszClassName = "Editor";  // read as "Edito"
  RegisterClassA(&editor);
  HWND look_alike = CreateWindowA("Editor", "", WS_CHILD, 0, 0, 10, 10, Form(), nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
  HWND field = CreateWindowA("EDIT", "abc", WS_CHILD, 0, 0, 10, 10, Form(), nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  SendMessageA(field, EM_SETSEL, 0, 2);
  EXPECT_FALSE(CTarvikView::DescribeFocus(look_alike).is_edit_field);
  EXPECT_FALSE(CTarvikView::DescribeFocus(Item(kIdGenerate)).is_edit_field);
  EXPECT_FALSE(CTarvikView::DescribeFocus(nullptr).is_edit_field);
  const FocusedControl edit = CTarvikView::DescribeFocus(field);
  EXPECT_TRUE(edit.is_edit_field);
  EXPECT_TRUE(edit.has_selection);
  EXPECT_FALSE(edit.read_only);
  DestroyWindow(look_alike);
  DestroyWindow(field);
}

// --- run services on the native controls ---

TEST_F(Win32FormTest, ProgressBarStartsAgainPastItsUpperBound) {
  FormController& services = app_->view().controller();
  HWND bar = Item(kIdProgressBar);
  services.SetProgressRange(0, 28);
  services.SetProgressStep(1);
  services.SetProgressPos(0);
  for (int i = 0; i < 28; ++i) services.StepProgress();
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 28);
  services.StepProgress();  // the 29th step starts again
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
  services.SetProgressPos(28);
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 28);
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), 0);
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 28);
  services.SetStatusText("Writing out Index Files");
  EXPECT_EQ(Field(kIdStatusLine), "Writing out Index Files");
}

TEST_F(Win32FormTest, AFileErrorShowsTheStopBox) {
  app_->view().controller().ShowMessage("An unknown error occurred while accessing a.txt.",
                                        MessageKind::kFatal);
  const std::vector<SeenBox> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, kApplicationTitle);
  EXPECT_EQ(boxes[0].icon, "stop");
  EXPECT_EQ(boxes[0].text, "An unknown error occurred while accessing a.txt.");
}

// --- both runs, clicked, against the Linux tarvik ---

// Every file under one folder against the other; "log" (the file mapping log,
// a text file) after CR LF -> LF. Returns the differences.
std::string CompareTrees(const fs::path& linux_side, const fs::path& windows_side) {
  std::string problems;
  size_t count = 0;
  for (const auto& entry : fs::recursive_directory_iterator(linux_side)) {
    if (!entry.is_regular_file()) continue;
    ++count;
    const fs::path relative = fs::relative(entry.path(), linux_side);
    const fs::path other = windows_side / relative;
    std::string mine = fs::exists(other) ? ReadFile(other) : "(missing)";
    if (relative == "log") mine = CrLfToLf(mine);
    if (mine != ReadFile(entry.path())) problems += " " + relative.generic_string();
  }
  for (const auto& entry : fs::recursive_directory_iterator(windows_side)) {
    if (entry.is_regular_file() &&
        !fs::exists(linux_side / fs::relative(entry.path(), windows_side)))
      problems += " extra:" + fs::relative(entry.path(), windows_side).generic_string();
  }
  if (count < 3) problems += " (only " + std::to_string(count) + " files)";
  return problems;
}

// Run logs line for line after CR LF -> LF; a line may differ only in its
// path separators.
std::string CompareRunLogs(const fs::path& linux_log, const fs::path& windows_log) {
  auto lines = [](std::string text) {
    for (char& c : text) {
      if (c == '\\') c = '/';
    }
    return text;
  };
  const std::string windows = ReadFile(windows_log);
  if (windows.find("\r\n") == std::string::npos) return "no CR LF line ends";
  return lines(CrLfToLf(windows)) == lines(ReadFile(linux_log)) ? "" : "differ";
}

TEST_F(Win32FormTest, BothRunsWriteWhatTheLinuxTarvikWrites) {
  const fs::path reference = Env("KPX_FORM_REFERENCE");
  if (reference.empty()) GTEST_SKIP() << "KPX_FORM_REFERENCE is not set";
  ClearFields();
  SetField(kIdListingFile, "listing.txt");
  SetField(kIdArticlePath, "articles");
  SetField(kIdIndexPath, "index");
  SetField(kIdCopyPath, "copies");
  Click(kIdHtmlDocument);  // the reference was written with --html

  Click(kIdGenerate);
  std::vector<SeenBox> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  std::string vocabulary = ReadFile(reference / "index.out");
  vocabulary = vocabulary.substr(0, vocabulary.find('\n'));
  EXPECT_EQ(boxes[0].text, vocabulary);
  EXPECT_EQ(boxes[0].icon, "warning");
  EXPECT_EQ(Field(kIdStatusLine), "Done -- Check log for statistics");
  EXPECT_EQ(SendMessageA(Item(kIdProgressBar), PBM_GETPOS, 0, 0), 28);
  EXPECT_EQ(SendMessageA(Item(kIdProgressBar), PBM_GETRANGE, FALSE, 0), 28);
  fs::rename(kRunLogName, "index.log");
  EXPECT_EQ(CompareTrees(reference / "index", "index"), "");
  EXPECT_EQ(CompareRunLogs(reference / "index.log", "index.log"), "");
  EXPECT_EQ(ReadFile("index.log").find("Words in vocabulary"), std::string::npos);

  Click(kIdCopy);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Field(kIdStatusLine), "Done");
  EXPECT_EQ(SendMessageA(Item(kIdProgressBar), PBM_GETPOS, 0, 0), 28);
  fs::rename(kRunLogName, "copy.log");
  EXPECT_EQ(CompareTrees(reference / "copies", "copies"), "");
  EXPECT_EQ(CompareRunLogs(reference / "copy.log", "copy.log"), "");
  Click(kIdTextDocument);
}

// --- the search window, on the set the runs above wrote ---

// Keys as the user types them, through the system's input queue, then the
// program's message chain (accelerators, the dialog manager).
void Press(WORD key, bool control = false) {
  std::vector<INPUT> inputs;
  auto add = [&](WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  };
  if (control) add(VK_CONTROL, false);
  add(key, false);
  add(key, true);
  if (control) add(VK_CONTROL, true);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The search window's helpers; its tests are the form's, so that they run
// before QUIT.
struct SearchDriver : Win32FormTest {
  // Writes window's place on the screen (WxH+X+Y) to ready, then runs the
  // program until the harness has written done, 30 s at most.
  static void HoldFor(HWND window, const std::string& ready, const std::string& done) {
    RECT place;
    GetWindowRect(window, &place);
    std::ofstream(ready) << place.right - place.left << "x" << place.bottom - place.top << "+"
                         << place.left << "+" << place.top << "\n";
    for (int i = 0; i < 600 && !fs::exists(done); ++i) Pump(50);
    EXPECT_TRUE(fs::exists(done)) << "no screenshot within 30 s";
  }
  static void Keys(const std::vector<WORD>& keys) {
    for (WORD key : keys) {
      Press(key);
      Pump(30);
    }
    Pump(100);
  }
  static HWND Search() { return app_->view().search_window().hwnd(); }
  static std::string SearchText(int id) {
    char text[1024] = "";
    GetDlgItemTextA(Search(), id, text, sizeof text);
    return text;
  }
  static std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    HWND list = GetDlgItem(Search(), kIdSearchArticles);
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      char text[512] = "";
      SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      rows.push_back(text);
    }
    return rows;
  }
};

// The rows kpxsearch --list --names gave for the same set on Linux
// (search.out of the reference: the count, then NUMBER<TAB>NAME lines), as
// the window shows them.
std::vector<std::string> ReferenceRows(const fs::path& file, std::string* count) {
  std::istringstream lines(ReadFile(file));
  std::vector<std::string> rows;
  std::getline(lines, *count);
  for (std::string line; std::getline(lines, line);) {
    const size_t tab = line.find('\t');
    rows.push_back(line.substr(0, tab) + "  " + line.substr(tab + 1));
  }
  return rows;
}

TEST_F(Win32FormTest, KeyboardOnlySearchAgreesWithKpxsearchAndHighlights) {
  const fs::path reference = Env("KPX_FORM_REFERENCE");
  if (reference.empty()) GTEST_SKIP() << "KPX_FORM_REFERENCE is not set";
  ASSERT_TRUE(fs::exists("copies")) << "the runs' test comes first";
  HMENU edit = app_->frame().edit_menu();
  char label[64] = "";
  GetMenuStringA(edit, ID_EDIT_TRY_SEARCH, label, sizeof label, MF_BYCOMMAND);
  EXPECT_STREQ(label, "Try a &Search...\tCtrl+F");

  SetForegroundWindow(Frame());
  SetFocus(Item(kIdListingFile));
  Pump();
  Press('F', true);
  for (int i = 0;
       i < 40 && (SearchDriver::Search() == nullptr || !IsWindowVisible(SearchDriver::Search()));
       ++i)
    Pump(50);
  ASSERT_NE(SearchDriver::Search(), nullptr) << "Ctrl+F opened no search window";
  char caption[64] = "";
  GetWindowTextA(SearchDriver::Search(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Try a Search");
  EXPECT_EQ(GetFocus(), GetDlgItem(SearchDriver::Search(), kIdSearchPhrase));

  SearchDriver::Keys({'H', 'A', 'R', 'B', 'O', 'U', 'R', VK_RETURN});
  EXPECT_EQ(SearchDriver::SearchText(kIdSearchPhrase), "harbour");
  std::string count;
  const std::vector<std::string> expected = ReferenceRows(reference / "search.out", &count);
  ASSERT_GT(expected.size(), 1u);
  EXPECT_EQ(SearchDriver::SearchText(kIdSearchResult), count + " articles");
  EXPECT_EQ(SearchDriver::Rows(), expected);

  // Tab through the fields and the button to the list; Down selects the first article.
  SearchDriver::Keys({VK_TAB, VK_TAB, VK_TAB, VK_TAB, VK_TAB, VK_TAB, VK_TAB});
  ASSERT_EQ(GetFocus(), GetDlgItem(SearchDriver::Search(), kIdSearchArticles));
  SearchDriver::Keys({VK_DOWN});
  ASSERT_EQ(SendDlgItemMessageA(SearchDriver::Search(), kIdSearchArticles, LB_GETCURSEL, 0, 0), 0);
  const auto& lines = app_->view().search_window().shown_lines();
  ASSERT_FALSE(lines.empty());
  bool highlighted = false;
  for (const auto& piece : lines[0]) highlighted = highlighted || piece.highlighted;
  EXPECT_TRUE(highlighted);

  // The first row of the lines view holds highlight pixels.
  HWND view = GetDlgItem(SearchDriver::Search(), kIdSearchLines);
  UpdateWindow(view);
  RECT row{};
  SendMessageA(view, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
  HDC dc = GetDC(view);
  int yellow = 0;
  for (int y = row.top; y < row.bottom; ++y) {
    for (int x = row.left; x < row.right; ++x)
      yellow += GetPixel(dc, x, y) == CSearchDlg::kHighlight;
  }
  ReleaseDC(view, dc);
  EXPECT_GT(yellow, 20) << "no highlight on the first row";

  SearchDriver::Keys({VK_ESCAPE});
  EXPECT_EQ(SearchDriver::Search(), nullptr) << "Escape did not close the window";
  EXPECT_EQ(app_->view().search_window().controller(), nullptr);
}

TEST_F(Win32FormTest, NoSetIsAMessageAndARunSearchesAgain) {
  if (Env("KPX_FORM_REFERENCE").empty()) GTEST_SKIP() << "KPX_FORM_REFERENCE is not set";
  SetField(kIdIndexPath, "nothing");
  SendMessageA(Frame(), WM_COMMAND, ID_EDIT_TRY_SEARCH, 0);
  ASSERT_NE(SearchDriver::Search(), nullptr);
  SetDlgItemTextA(SearchDriver::Search(), kIdSearchPhrase, "harbour");
  SendMessageA(GetDlgItem(SearchDriver::Search(), kIdSearchButton), BM_CLICK, 0, 0);
  Pump();
  EXPECT_EQ(SearchDriver::SearchText(kIdSearchResult),
            "No index set in nothing: generate the index files first.");
  EXPECT_TRUE(SearchDriver::Rows().empty());
  SetField(kIdIndexPath, "index");
  Click(kIdGenerate);  // the same set again: its box, then the search
  Boxes();
  EXPECT_EQ(SearchDriver::SearchText(kIdSearchResult).find(" articles"),
            SearchDriver::SearchText(kIdSearchResult).size() - 9);
  EXPECT_FALSE(SearchDriver::Rows().empty());
  SendMessageA(SearchDriver::Search(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(SearchDriver::Search(), nullptr);
}

// With KPX_FORM_HOLD set, the form stays as the runs left it until the
// harness has taken its screenshot (it writes the file named there). With
// KPX_FORM_TITLE (the work folder under an author's path, such as
// C:\\Titles\\Harbour) both runs are first made again on that path; with
// KPX_FORM_HOLD_SEARCH the search window, on the same set, is held next.
TEST_F(Win32FormTest, HoldsForTheScreenshot) {
  const std::string done = Env("KPX_FORM_HOLD");
  if (done.empty()) GTEST_SKIP() << "no screenshot asked for";
  const std::string title = Env("KPX_FORM_TITLE");
  if (!title.empty()) {
    SetField(kIdListingFile, title + "\\listing.txt");
    SetField(kIdArticlePath, title + "\\articles");
    SetField(kIdIndexPath, title + "\\index");
    SetField(kIdCopyPath, title + "\\copies");
    Click(kIdGenerate);
    Click(kIdCopy);
    Boxes();
  }
  SearchDriver::HoldFor(Frame(), "screenshot.ready", done);
  const std::string search_done = Env("KPX_FORM_HOLD_SEARCH");
  if (search_done.empty()) return;
  SendMessageA(Frame(), WM_COMMAND, ID_EDIT_TRY_SEARCH, 0);
  HWND search = SearchDriver::Search();
  ASSERT_NE(search, nullptr);
  SetDlgItemTextA(search, kIdSearchPhrase, "harbour");
  SendMessageA(GetDlgItem(search, kIdSearchButton), BM_CLICK, 0, 0);
  HWND list = GetDlgItem(search, kIdSearchArticles);
  SetFocus(list);
  SendMessageA(list, LB_SETCURSEL, 0, 0);
  SendMessageA(search, WM_COMMAND, MAKEWPARAM(kIdSearchArticles, LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  Pump(200);
  SearchDriver::HoldFor(search, "search.ready", search_done);
  SendMessageA(search, WM_COMMAND, IDCANCEL, 0);
}

// --- the end: QUIT ---

TEST_F(Win32FormTest, QuitEndsTheProgramLeavingTheSystemColours) {
  auto quit_requested = [] {  // within 5 s: Wine under load can be slow to deliver
    for (int i = 0; i < 250; ++i) {
      if (!Pump(20)) return true;
    }
    return false;
  };
  Pump(500);
  Boxes();  // a late box of an earlier test is not QUIT's
  SendMessageA(Item(kIdQuit), BM_CLICK, 0, 0);
  EXPECT_TRUE(quit_requested()) << "QUIT posts no quit request";
  std::vector<SeenBox> boxes = Boxes();
  EXPECT_TRUE(boxes.empty()) << "QUIT asks nothing: " << ::testing::PrintToString(boxes);
  EXPECT_EQ(SystemColours(), g_colours_at_start);

  // The system menu's Close ends the program as well, without a question.
  SendMessageA(Frame(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(Frame(), nullptr) << "the main window is destroyed";
  EXPECT_TRUE(quit_requested()) << "Close posts no quit request";
  boxes = Boxes();
  EXPECT_TRUE(boxes.empty()) << "Close asks nothing: " << ::testing::PrintToString(boxes);
  EXPECT_EQ(SystemColours(), g_colours_at_start);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const std::string work = Env("KPX_FORM_WORK");
  if (work.empty()) {
    std::printf("tarvik_gui_win32_test: skipped: run it through scripts/windows-form-test.sh\n");
    return 0;
  }
  if (!SetCurrentDirectoryA(work.c_str())) {
    std::printf("tarvik_gui_win32_test: cannot enter %s\n", work.c_str());
    return 1;
  }
  g_colours_at_start = SystemColours();
  return RUN_ALL_TESTS();
}
