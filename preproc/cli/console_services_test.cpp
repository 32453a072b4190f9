#include "preproc/cli/console_services.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/testing/temp_dir.h"

namespace preproc {
namespace {

std::string ReadBack(std::FILE* file) {
  std::rewind(file);
  std::string text;
  int c;
  while ((c = std::fgetc(file)) != EOF) text.push_back(static_cast<char>(c));
  return text;
}

TEST(ConsoleServices, PlainOutputWhenNotATerminal) {
  platform::testing::TempDir dir;
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  {
    ConsoleServices services(dir.Join("run.log"), out, err, false);
    services.SetStatusText("Creating Word Tree");
    services.SetProgressRange(0, 28);
    services.StepProgress();
    services.ReportError("\n# KPXSindx: ERROR, no Index Path specified.");
    services.ShowMessage("Words in vocabulary: 3", MessageKind::kResult);
    EXPECT_EQ(services.errors_shown(), 1);
  }
  EXPECT_EQ(ReadBack(err), "Creating Word Tree\n# KPXSindx: ERROR, no Index Path specified.\n");
  EXPECT_EQ(ReadBack(out), "Words in vocabulary: 3\n");
  std::fclose(out);
  std::fclose(err);
}

TEST(ConsoleServices, TerminalRedrawsOneLineWithABar) {
  platform::testing::TempDir dir;
  std::FILE* err = std::tmpfile();
  ConsoleServices services(dir.Join("run.log"), stdout, err, true);
  services.SetProgressRange(0, 4);
  services.SetProgressPos(2);
  services.SetStatusText("Writing out Index Files");
  services.FinishStatusLine();
  std::string text = ReadBack(err);
  EXPECT_NE(text.find("\r\033[K[##############..............] 2/4 Writing out Index Files\n"),
            std::string::npos);
  std::fclose(err);
}

}  // namespace
}  // namespace preproc
