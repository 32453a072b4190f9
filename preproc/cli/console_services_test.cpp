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

TEST(ConsoleServices, TerminalCountsArticlesNotTheWrappingBar) {
  platform::testing::TempDir dir;
  std::FILE* err = std::tmpfile();
  ConsoleServices services(dir.Join("run.log"), stdout, err, true);
  services.set_article_total(30);
  // The copy run's calls: a range of 0 to 28 and one step per article.
  services.SetProgressRange(0, 28);
  services.SetProgressStep(1);
  services.SetProgressPos(0);
  services.SetStatusText("Starting Article Duplication Process");
  for (int i = 0; i < 15; ++i) services.StepProgress();
  std::string text = ReadBack(err);
  EXPECT_NE(text.find("\r\033[K[##############..............] 15/30 articles Starting"),
            std::string::npos)
      << text;
  for (int i = 0; i < 15; ++i) services.StepProgress();
  services.FinishStatusLine();
  text = ReadBack(err);
  EXPECT_NE(text.find("[############################] 30/30 articles"), std::string::npos);
  // The services still wrap as the run's range says.
  EXPECT_EQ(services.progress_upper(), 28);
  EXPECT_EQ(services.progress_pos(), 1);
  std::fclose(err);
}

TEST(ConsoleServices, IndexRunShowsArticlesThenGroups) {
  platform::testing::TempDir dir;
  std::FILE* err = std::tmpfile();
  ConsoleServices services(dir.Join("run.log"), stdout, err, true);
  services.SetProgressRange(0, 4);  // the reading phase's range is the article count
  services.SetProgressStep(1);
  services.SetStatusText("Creating Word Tree");
  services.StepProgress();
  services.StepProgress();
  EXPECT_NE(ReadBack(err).find("[##############..............] 2/4 articles Creating Word Tree"),
            std::string::npos);
  services.SetProgressRange(0, 28);
  services.SetProgressPos(0);
  services.SetStatusText("Writing out Index Files");
  for (int i = 0; i < 3; ++i) services.StepProgress();
  services.SetStatusText("Done -- Check log for statistics");
  services.FinishStatusLine();
  std::string text = ReadBack(err);
  EXPECT_NE(text.find("\r\033[K3 groups written  Writing out Index Files"), std::string::npos)
      << text;
  EXPECT_NE(text.find("3 groups written  Done -- Check log for statistics\n"), std::string::npos)
      << text;
  std::fclose(err);
}

TEST(ConsoleServices, CountsTheListingAsTheRunsNumberIt) {
  platform::testing::TempDir dir;
  // Comment lines get no number; an empty line and a last line without a
  // line end do.
  EXPECT_EQ(CountListedArticles(dir.Write("listing.txt", "a.txt\r\n|note\n\nb.txt")), 3);
  EXPECT_EQ(CountListedArticles(dir.Join("missing.txt")), -1);
}

}  // namespace
}  // namespace preproc
