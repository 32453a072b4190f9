// The phrase search transformation byte by byte, exactly as the rules read:
// the reference that the test and the fuzz target hold the transform's
// scanning loops to. Test code only; it allocates per block.
#ifndef KPX_PREPROC_COPIER_PHRASE_TRANSFORM_REFERENCE_H_
#define KPX_PREPROC_COPIER_PHRASE_TRANSFORM_REFERENCE_H_

#include <string>

#include "preproc/copier/phrase_transform.h"

namespace preproc::testing {

class ReferenceTransform {
 public:
  explicit ReferenceTransform(const TransformRules& rules) : rules_(rules) {}

  // The output for one NUL-terminated block; state carries to the next.
  std::string Block(const char* p) {
    out_.clear();
    if (rules_.html) p = ContinueFromLastBlock(p);
    while (*p != '\0') {
      if (rules_.html) {
        p = SkipTags(p);
        if (*p == '\0') break;
      }
      Write(*p++);
    }
    return out_;
  }
  TransformState state;

 private:
  bool Delimiter(char c) const {
    return rules_.delimiters.IsDelimiter(static_cast<unsigned char>(c));
  }
  void Write(char c) {
    const bool delimiter = Delimiter(c);
    out_.push_back(delimiter && c != '\r' && c != '\n' ? ' ' : c);
    state.after_text = !delimiter;
  }
  // The blank for a delimiter right behind a tag that followed a word.
  const char* BehindTag(const char* p) {
    if (state.after_text && Delimiter(*p)) {
      out_.push_back(' ');
      state.after_text = false;
      return p + 1;
    }
    return p;
  }
  const char* SkipTags(const char* p) {
    for (;;) {
      if (!state.pending_tag && p[0] == '<' && p[1] == '\0') {
        state.open_pending = true;
        return p + 1;
      }
      if (!state.pending_tag && (p[0] != '<' || p[1] == ' ')) return p;
      while (*p != '\0' && *p != '>') ++p;
      if (*p == '\0') {
        state.pending_tag = true;
        return p;
      }
      state.pending_tag = false;
      if (*++p == '\0') {
        state.tag_closed = true;
        return p;
      }
      p = BehindTag(p);
    }
  }
  const char* ContinueFromLastBlock(const char* p) {
    if (*p == '\0') return p;
    if (state.open_pending) {
      state.open_pending = false;
      if (*p == ' ') {
        Write('<');
      } else {
        state.pending_tag = true;
      }
    }
    if (state.tag_closed) {
      state.tag_closed = false;
      p = BehindTag(p);
    }
    return p;
  }

  const TransformRules& rules_;
  std::string out_;
};

}  // namespace preproc::testing

#endif  // KPX_PREPROC_COPIER_PHRASE_TRANSFORM_REFERENCE_H_
