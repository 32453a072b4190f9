#include "xtra/engine/file_names.h"

#include "indexformat/fold_record.h"
#include "indexformat/index_format.h"
#include "indexformat/phrase_pairs.h"
#include "indexformat/phrase_search_files.h"
#include "platform/file_system.h"
#include "xtra/engine/char_classes.h"

namespace engine {

namespace {

// Appends text to out at *used, keeping room for the NUL; false when it does
// not fit (out then holds a terminated prefix that the caller discards).
bool Append(const char* text, size_t length, char (&out)[kFileNameCapacity], size_t* used) {
  if (length >= kFileNameCapacity - *used) return false;
  for (size_t i = 0; i < length; ++i) out[(*used)++] = text[i];
  out[*used] = '\0';
  return true;
}

bool AppendPathAndSeparator(const char* path, char (&out)[kFileNameCapacity], size_t* used) {
  const char separator = platform::kSeparator;
  return Append(path, BoundedLength(path, kFieldSize), out, used) &&
         Append(&separator, 1, out, used);
}

}  // namespace

bool IndexFileName(const char* indexPath, const char* word, size_t length,
                   char (&out)[kFileNameCapacity]) {
  char relative[indexformat::kMaxRelativeName];
  size_t relativeLength = indexformat::RelativeFileName(
      reinterpret_cast<const unsigned char*>(word), length, platform::kSeparator, relative);
  size_t used = 0;
  out[0] = '\0';
  return AppendPathAndSeparator(indexPath, out, &used) &&
         Append(relative, relativeLength, out, &used);
}

bool FoldRecordFileName(const char* indexPath, char (&out)[kFileNameCapacity]) {
  size_t used = 0;
  out[0] = '\0';
  return AppendPathAndSeparator(indexPath, out, &used) &&
         Append(indexformat::kFoldRecordName, sizeof indexformat::kFoldRecordName - 1, out, &used);
}

bool FileMappingLogFileName(const char* indexPath, char (&out)[kFileNameCapacity]) {
  size_t used = 0;
  out[0] = '\0';
  return AppendPathAndSeparator(indexPath, out, &used) &&
         Append(indexformat::kFileMappingLogName, sizeof indexformat::kFileMappingLogName - 1, out,
                &used);
}

bool PhrasePairsFileName(const char* articlesPath, char (&out)[kFileNameCapacity]) {
  size_t used = 0;
  out[0] = '\0';
  return AppendPathAndSeparator(articlesPath, out, &used) &&
         Append(indexformat::kPhrasePairsName, sizeof indexformat::kPhrasePairsName - 1, out,
                &used);
}

bool ArticleFileName(const char* articlesPath, int article, char blockLetter,
                     char (&out)[kFileNameCapacity]) {
  if (article < 1 || article > kMaxArticles) return false;
  char relative[indexformat::kMaxCopyName];
  size_t relativeLength =
      indexformat::RelativeCopyFileName(article, blockLetter, platform::kSeparator, relative);
  size_t used = 0;
  out[0] = '\0';
  return AppendPathAndSeparator(articlesPath, out, &used) &&
         Append(relative, relativeLength, out, &used);
}

}  // namespace engine
