#include "preproc/run/run_services.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"

namespace preproc {
namespace {

class RecordingServices : public RunServices {
 public:
  using RunServices::RunServices;
  std::vector<std::string> events;

 protected:
  void ShowBox(std::string_view text, MessageKind) override {
    events.push_back("box:" + std::string(text));
  }
};

TEST(RunServices, StepProgressWrapsToTheLowerBound) {
  RunServices services("unused.log");
  services.SetProgressRange(0, 28);
  services.SetProgressStep(1);
  services.SetProgressPos(0);
  for (int i = 0; i < 28; ++i) services.StepProgress();
  EXPECT_EQ(services.progress_pos(), 28);
  services.StepProgress();  // the 29th step starts again
  EXPECT_EQ(services.progress_pos(), 0);
  services.SetProgressPos(28);
  EXPECT_EQ(services.progress_pos(), 28);
}

TEST(RunServices, ReportErrorShowsThenLogsExactly) {
  platform::testing::TempDir dir;
  RecordingServices services(dir.Join("run.log"));
  services.LogText("before open is dropped\n");
  ASSERT_TRUE(services.OpenRunLog());
  services.ReportError("\n# KPXSindx: ERROR, no Index Path specified.");
  services.ShowMessage("Words in vocabulary: 0", MessageKind::kResult);
  services.CloseRunLog();
  services.LogText("after close is dropped\n");
  EXPECT_EQ(dir.ReadText("run.log"), "\n# KPXSindx: ERROR, no Index Path specified.");
  ASSERT_EQ(services.events.size(), 2u);
  EXPECT_EQ(services.events[0], "box:\n# KPXSindx: ERROR, no Index Path specified.");
}

TEST(RunServices, RunLogThatCannotBeCreatedLeavesLogTextSilent) {
  platform::testing::TempDir dir;
  RunServices services(dir.path());  // a directory cannot be a log
  EXPECT_FALSE(services.OpenRunLog());
  services.LogText("nothing happens\n");
  EXPECT_FALSE(services.run_log_open());
}

}  // namespace
}  // namespace preproc

#include "preproc/run/message_text.h"

namespace preproc {
namespace {

TEST(MessageText, LongPathsAreNeverCut) {
  std::string path(1000, 'p');
  std::string text =
      FormatMessage("\n# KPXSindx: ERROR, could not open article '%s'\n", path.c_str());
  EXPECT_EQ(text, "\n# KPXSindx: ERROR, could not open article '" + path + "'\n");
  EXPECT_EQ(FormatMessage("Copying File %3d: %s", 7, "x"), "Copying File   7: x");
}

}  // namespace
}  // namespace preproc
