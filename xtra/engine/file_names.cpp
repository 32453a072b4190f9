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
  ArticleFileNames names(articlesPath);
  const char* name = names.Name(article, blockLetter);
  if (name == nullptr) {
    out[0] = '\0';
    return false;
  }
  size_t used = 0;
  return Append(name, BoundedLength(name, kFileNameCapacity), out, &used);
}

ArticleFileNames::ArticleFileNames(const char* articlesPath) {
  name_[0] = '\0';
  if (!AppendPathAndSeparator(articlesPath, name_, &pathLength_)) pathLength_ = kFileNameCapacity;
}

const char* ArticleFileNames::Name(int article, char blockLetter) {
  if (article < 1 || article > kMaxArticles || pathLength_ >= kFileNameCapacity) return nullptr;
  static_assert(kMaxArticles <= 9999, "an article's file name ends in its four digits");
  const int block = indexformat::CopyBlockNumber(article);
  if (block != block_ || blockLetter != letter_) {
    char relative[indexformat::kMaxCopyName];
    size_t relativeLength =
        indexformat::RelativeCopyFileName(article, blockLetter, platform::kSeparator, relative);
    size_t used = pathLength_;
    block_ = 0;
    if (!Append(relative, relativeLength, name_, &used)) return nullptr;
    block_ = block;
    letter_ = blockLetter;
    length_ = used;
    return name_;
  }
  for (size_t at = length_, rest = static_cast<size_t>(article); at > length_ - 4; rest /= 10) {
    name_[--at] = static_cast<char>('0' + rest % 10);
  }
  return name_;
}

}  // namespace engine
