#include "preproc/form/form_controller.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/testing/temp_dir.h"
#include "preproc/form/form_ids.h"

namespace preproc {
namespace {

// A window without a toolkit: fields are strings, and everything the
// controller asks of it is recorded.
class FakeWindow : public FormWindow {
 public:
  std::map<int, std::string> fields;
  std::map<int, bool> enabled;  // only the controls the controller touched
  int checked = 0;
  std::optional<std::string> chosen;                  // what the next browse dialog returns
  std::vector<std::pair<std::string, bool>> dialogs;  // title, directory part
  FocusedControl focus;
  bool clipboard_has_text = false;
  mutable int clipboard_asked = 0;
  std::vector<EditCommand> edits;
  int closes = 0;
  std::vector<std::string> searches;  // "open I|C" or "again I|C", in order
  int tool_tip_reactivations = 0;
  std::vector<std::pair<std::string, MessageKind>> boxes;
  std::vector<std::string> statuses;
  std::string bar;  // "lower..upper@pos", as last shown

  std::string FieldText(int id) const override {
    auto field = fields.find(id);
    return field == fields.end() ? std::string() : field->second;
  }
  void SetFieldText(int id, const std::string& text) override { fields[id] = text; }
  void EnableControl(int id, bool enable) override { enabled[id] = enable; }
  void CheckRadioButton(int id) override { checked = id; }
  std::optional<std::string> ChoosePath(std::string_view title, bool directory_part) override {
    dialogs.emplace_back(std::string(title), directory_part);
    return chosen;
  }
  void ReactivateToolTips() override { ++tool_tip_reactivations; }
  FocusedControl DescribeFocusedControl() const override { return focus; }
  bool ClipboardHasText() const override {
    ++clipboard_asked;
    return clipboard_has_text;
  }
  void EditFocusedField(EditCommand command) override { edits.push_back(command); }
  void CloseProgram() override { ++closes; }
  void OpenSearchWindow(const std::string& index_path, const std::string& copy_path) override {
    searches.push_back("open " + index_path + "|" + copy_path);
  }
  void SearchAgain(const std::string& index_path, const std::string& copy_path) override {
    searches.push_back("again " + index_path + "|" + copy_path);
  }
  void ShowBox(std::string_view text, MessageKind kind) override {
    boxes.emplace_back(std::string(text), kind);
  }
  void ShowStatus(const std::string& text) override { statuses.push_back(text); }
  void ShowProgress(int lower, int upper, int pos) override {
    bar = std::to_string(lower) + ".." + std::to_string(upper) + "@" + std::to_string(pos);
  }
};

class FormControllerTest : public ::testing::Test {
 protected:
  // Two small articles and their listing; the form's fields name them.
  void FillFields() {
    dir_.Write("articles/a.txt", "Harbour lights and the old pier\n");
    dir_.Write("articles/b.txt", "New York, harbour;pier\n");
    dir_.Write("listing.txt", "a.txt\nb.txt\n");
    window_.fields[kIdListingFile] = dir_.Join("listing.txt");
    window_.fields[kIdArticlePath] = dir_.Join("articles/");
    window_.fields[kIdIndexPath] = dir_.Join("index/");
    window_.fields[kIdCopyPath] = dir_.Join("copies/");
    window_.fields[kIdDelimiters] = ",;";
  }
  std::string RunLog() const { return dir_.ReadText("kpxsindx.log"); }

  platform::testing::TempDir dir_;
  FakeWindow window_;
  RunSettings settings_;
  FormController controller_{window_, settings_, dir_.Join("kpxsindx.log")};
};

// --- hand-over and the runs ---

TEST_F(FormControllerTest, GenerateHandsOverItsFieldsAndRunsTheIndexRun) {
  FillFields();
  settings_.copy_path = "kept";
  settings_.article_type = kHtmlArticle;
  controller_.OnGenerate();
  EXPECT_EQ(settings_.listing_file, dir_.Join("listing.txt"));
  EXPECT_EQ(settings_.article_path, dir_.Join("articles/"));
  EXPECT_EQ(settings_.index_path, dir_.Join("index/"));
  EXPECT_EQ(settings_.delimiters, ",;");
  EXPECT_EQ(settings_.copy_path, "kept");
  EXPECT_EQ(settings_.article_type, kHtmlArticle);
  EXPECT_TRUE(dir_.Exists("index/H/HA"));
  EXPECT_FALSE(dir_.Exists("copies"));
  ASSERT_EQ(window_.boxes.size(), 1u);
  EXPECT_EQ(window_.boxes[0].second, MessageKind::kResult);
  EXPECT_EQ(window_.boxes[0].first.rfind("Words in vocabulary: ", 0), 0u);
  EXPECT_NE(RunLog().find("# KPXSindx:"), std::string::npos);
  // What the status line and the bar are left showing.
  EXPECT_EQ(window_.statuses.back(), "Done -- Check log for statistics");
  EXPECT_EQ(window_.bar, "0..28@28");
}

TEST_F(FormControllerTest, CopyHandsOverItsFieldsAndRunsTheCopyRun) {
  FillFields();
  settings_.index_path = "kept";
  controller_.OnCopy();
  EXPECT_EQ(settings_.copy_path, dir_.Join("copies/"));
  EXPECT_EQ(settings_.listing_file, dir_.Join("listing.txt"));
  EXPECT_EQ(settings_.article_path, dir_.Join("articles/"));
  EXPECT_EQ(settings_.delimiters, ",;");
  EXPECT_EQ(settings_.index_path, "kept");
  EXPECT_TRUE(dir_.Exists("copies/a1/t0002"));
  EXPECT_TRUE(window_.boxes.empty());
  EXPECT_NE(RunLog().find("# KPXScopy:"), std::string::npos);
  EXPECT_EQ(window_.statuses.front(), "Starting Article Duplication Process");
  EXPECT_EQ(window_.statuses.back(), "Done");
  EXPECT_EQ(window_.bar, "0..28@28");
}

// Try a Search opens the window on the path fields as typed; each run, also
// one that fails, then has the open window search again on what it read.
TEST_F(FormControllerTest, TrySearchOpensOnThePathFieldsAndEachRunSearchesAgain) {
  FillFields();
  window_.fields[kIdIndexPath] = "idx\\";
  controller_.OnTrySearch();
  window_.fields[kIdIndexPath] = dir_.Join("index/");
  controller_.OnGenerate();
  controller_.OnCopy();
  window_.fields[kIdListingFile] = dir_.Join("missing.txt");
  window_.boxes.clear();
  controller_.OnGenerate();
  ASSERT_EQ(window_.boxes.size(), 1u);
  const std::string paths = dir_.Join("index/") + "|" + dir_.Join("copies/");
  EXPECT_EQ(window_.searches,
            (std::vector<std::string>{"open idx\\|" + dir_.Join("copies/"), "again " + paths,
                                      "again " + paths, "again " + paths}));
}

// Every field empty: the run starts, and its error reaches the user as a box
// through the window, then the run log; the status line is left as it was.
TEST_F(FormControllerTest, ARunsErrorIsABoxThenALogLineAndTheToolTipsComeBack) {
  const std::string expected = "\n# KPXSindx: ERROR, could not open Article's listing file ''\n";
  controller_.OnGenerate();
  ASSERT_EQ(window_.boxes.size(), 1u);
  EXPECT_EQ(window_.boxes[0].first, expected);
  EXPECT_EQ(window_.boxes[0].second, MessageKind::kError);
  EXPECT_EQ(window_.tool_tip_reactivations, 1);
  EXPECT_EQ(RunLog(), "# KPXSindx: Search Pre-processor Started ...\n" + expected);
  EXPECT_TRUE(window_.statuses.empty());

  controller_.ShowMessage("An unknown error occurred while accessing a.txt.", MessageKind::kFatal);
  ASSERT_EQ(window_.boxes.size(), 2u);
  EXPECT_EQ(window_.boxes[1].second, MessageKind::kFatal);
  EXPECT_EQ(window_.tool_tip_reactivations, 2);
}

// --- initial update and article type ---

TEST_F(FormControllerTest, InitialUpdateChoosesTextAndOnlyTextClicksDisableTheSpecialTag) {
  const std::map<int, bool> special_tag_disabled = {{kIdSpecialTag, false},
                                                    {kIdSpecialTagLabel, false}};
  settings_.article_type = kHtmlArticle;
  controller_.OnInitialUpdate();
  EXPECT_EQ(window_.checked, kIdTextDocument);
  EXPECT_EQ(window_.enabled, special_tag_disabled);
  EXPECT_EQ(settings_.article_type, kHtmlArticle);  // the document's type is not touched

  window_.enabled.clear();
  controller_.OnArticleType(kHtmlArticle);
  EXPECT_EQ(settings_.article_type, kHtmlArticle);
  EXPECT_TRUE(window_.enabled.empty());
  controller_.OnArticleType(kTextArticle);
  EXPECT_EQ(settings_.article_type, kTextArticle);
  EXPECT_EQ(window_.enabled, special_tag_disabled);
}

// --- browse ---

TEST_F(FormControllerTest, BrowseFillsTheWholePathOrItsDirectoryPart) {
  window_.chosen = "C:\\data\\news\\a.txt";
  for (int button :
       {kIdBrowseListingFile, kIdBrowseArticlePath, kIdBrowseIndexPath, kIdBrowseCopyPath}) {
    controller_.OnBrowse(button);
  }
  EXPECT_EQ(window_.fields[kIdListingFile], "C:\\data\\news\\a.txt");
  EXPECT_EQ(window_.fields[kIdArticlePath], "C:\\data\\news\\");
  EXPECT_EQ(window_.fields[kIdIndexPath], "C:\\data\\news\\");
  EXPECT_EQ(window_.fields[kIdCopyPath], "C:\\data\\news\\");
  const std::vector<std::pair<std::string, bool>> dialogs = {
      {"Find Articles File", false},
      {"Find Path to Articles", true},
      {"Find Path to Put Index Files", true},
      {"Find Path to Copy Articles to", true}};
  EXPECT_EQ(window_.dialogs, dialogs);
  EXPECT_EQ(window_.tool_tip_reactivations, 4);
}

TEST_F(FormControllerTest, BrowseWithoutADirectoryPartOrCancelled) {
  window_.chosen = "a.txt";  // a bare name has no directory part
  controller_.OnBrowse(kIdBrowseListingFile);
  controller_.OnBrowse(kIdBrowseIndexPath);
  EXPECT_EQ(window_.fields[kIdListingFile], "a.txt");
  EXPECT_EQ(window_.fields[kIdIndexPath], "");

  window_.fields[kIdCopyPath] = "before";
  window_.chosen.reset();  // Cancel
  controller_.OnBrowse(kIdBrowseCopyPath);
  EXPECT_EQ(window_.fields[kIdCopyPath], "before");
  EXPECT_EQ(window_.tool_tip_reactivations, 3);  // after Cancel as well

  controller_.OnBrowse(kIdGenerate);  // not a browse button
  EXPECT_EQ(window_.dialogs.size(), 3u);
}

// --- the Edit menu ---

struct FocusCase {
  const char* name;
  FocusedControl focus;
  bool clipboard_has_text;
  bool cut_copy;
  bool paste;
};

TEST_F(FormControllerTest, EditMenuIsEnabledByTheFocusedControlAndTheClipboard) {
  // FocusedControl: is an edit field, has a selection, is read-only.
  const FocusCase cases[] = {
      {"nothing focused", {}, true, false, false},
      {"a button", {false, true, false}, true, false, false},
      {"a field, no selection", {true, false, false}, true, false, true},
      {"a field with a selection", {true, true, false}, true, true, true},
      {"empty clipboard", {true, true, false}, false, true, false},
      {"read-only field", {true, true, true}, true, true, false},
  };
  for (const FocusCase& c : cases) {
    SCOPED_TRACE(c.name);
    window_.focus = c.focus;
    window_.clipboard_has_text = c.clipboard_has_text;
    EXPECT_FALSE(controller_.IsEditCommandEnabled(EditCommand::kUndo));
    EXPECT_EQ(controller_.IsEditCommandEnabled(EditCommand::kCut), c.cut_copy);
    EXPECT_EQ(controller_.IsEditCommandEnabled(EditCommand::kCopy), c.cut_copy);
    EXPECT_EQ(controller_.IsEditCommandEnabled(EditCommand::kPaste), c.paste);
  }
  EXPECT_EQ(window_.clipboard_asked, 3);  // only for Paste into the three writable fields
}

TEST_F(FormControllerTest, EditCommandsReachOnlyAFieldThatAllowsThem) {
  const auto all = {EditCommand::kUndo, EditCommand::kCut, EditCommand::kCopy, EditCommand::kPaste};
  window_.focus = {.is_edit_field = false, .has_selection = true};  // a button
  for (EditCommand command : all) controller_.OnEditCommand(command);
  EXPECT_TRUE(window_.edits.empty());

  window_.focus = {.is_edit_field = true, .has_selection = false};
  for (EditCommand command : all) controller_.OnEditCommand(command);
  EXPECT_EQ(window_.edits, std::vector<EditCommand>{EditCommand::kPaste});

  window_.edits.clear();
  window_.focus = {.is_edit_field = true, .has_selection = true, .read_only = true};
  for (EditCommand command : all) controller_.OnEditCommand(command);
  EXPECT_EQ(window_.edits, (std::vector<EditCommand>{EditCommand::kCut, EditCommand::kCopy}));
  EXPECT_EQ(window_.clipboard_asked, 0);
}

// Off at the start; checked, the index run folds accents away and the set
// records it; the copy run keeps the accents. The ASCII fold (UTF-8 text)
// cannot ignore accents, so the item is disabled and a click changes nothing.
TEST_F(FormControllerTest, IgnoreAccentsIsACheckedItemTheIndexRunFollows) {
  FillFields();
  window_.fields[kIdDelimiters] = "";
  dir_.Write("articles/b.txt", "Caf\xE9 Z\xFCrich\n");
  EXPECT_TRUE(controller_.IsIgnoreAccentsEnabled());
  EXPECT_FALSE(controller_.IsIgnoreAccentsChecked());
  controller_.OnGenerate();
  EXPECT_TRUE(dir_.Exists("index/C/CA"));
  EXPECT_FALSE(dir_.Exists("index/Z/ZU"));  // Z&Uuml;RICH is in extras

  controller_.OnIgnoreAccents();
  EXPECT_TRUE(controller_.IsIgnoreAccentsChecked());
  controller_.OnGenerate();
  EXPECT_TRUE(settings_.ignore_accents);
  EXPECT_TRUE(dir_.Exists("index/Z/ZU"));
  EXPECT_EQ(dir_.Read("index/fold").substr(0, 29), "KPXFOLD 1\ncp1252-accent-free\n");
  controller_.OnCopy();
  EXPECT_EQ(dir_.Read("copies/a1/t0002"), "Caf\xE9 Z\xFCrich\n");

  controller_.OnIgnoreAccents();
  EXPECT_FALSE(controller_.IsIgnoreAccentsChecked());
  settings_.fold = platform::CaseFold::kAscii;
  EXPECT_FALSE(controller_.IsIgnoreAccentsEnabled());
  controller_.OnIgnoreAccents();
  EXPECT_FALSE(controller_.IsIgnoreAccentsChecked());
}

// --- QUIT ---

TEST_F(FormControllerTest, QuitClosesTheProgramWithoutAQuestion) {
  controller_.OnQuit();
  EXPECT_EQ(window_.closes, 1);
  EXPECT_TRUE(window_.boxes.empty());
}

}  // namespace
}  // namespace preproc
