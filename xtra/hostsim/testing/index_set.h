// WriteIndexSet: a small index file set and its phrase search files for
// end-to-end tests of the plug-in, written by the pre-processor's own runs
// (GenerateIndexFiles and CopyArticles) from articles given as texts.
// Test-only.
#ifndef KPX_XTRA_HOSTSIM_TESTING_INDEX_SET_H_
#define KPX_XTRA_HOSTSIM_TESTING_INDEX_SET_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/testing/temp_dir.h"
#include "preproc/copier/copy_run.h"
#include "preproc/indexer/index_run.h"

namespace hostsim::testing {

struct TestArticle {
  std::string name;  // the listing line
  std::string text;
};

// Writes dir/index and dir/COPY_DIR (the copy path) for articles numbered
// 1, 2, ... in order; the articles themselves go to dir/src. With
// ignore_accents the index folds words without their accents. The settings
// the runs used go to *used, when given.
inline void WriteIndexSet(const platform::testing::TempDir& dir,
                          const std::vector<TestArticle>& articles, bool ignore_accents = false,
                          const std::string& copy_dir = "articles",
                          preproc::RunSettings* used = nullptr) {
  std::string listing;
  for (const TestArticle& article : articles) {
    dir.Write("src/" + platform::ToNativeSeparators(article.name), article.text);
    listing += article.name + "\n";
  }
  preproc::RunSettings settings;
  settings.listing_file = dir.Write("listing.txt", listing);
  settings.article_path = dir.Join("src");
  settings.index_path = dir.Join("index");
  settings.copy_path = dir.Join(copy_dir);
  settings.ignore_accents = ignore_accents;
  if (used != nullptr) *used = settings;
  preproc::RunServices services(dir.Join("run.log"));
  ASSERT_TRUE(preproc::GenerateIndexFiles(settings, services));
  ASSERT_TRUE(preproc::CopyArticles(settings, services));
}

}  // namespace hostsim::testing

#endif  // KPX_XTRA_HOSTSIM_TESTING_INDEX_SET_H_
