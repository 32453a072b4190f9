#include "preproc/copier/phrase_transform.h"

namespace preproc {
namespace {

bool IsDelimiter(const TransformRules& rules, char c) {
  return rules.delimiters.IsDelimiter(static_cast<unsigned char>(c));
}

// The tag step: drops the tags at p (and the rest of a pending one), writing
// the blank that stands for a delimiter right behind a tag that followed a word
// character. Returns the position after what was consumed.
const char* SkipTags(const char* p, char*& out, const TransformRules& rules,
                     TransformState& state) {
  for (;;) {
    // A "<" at the block's end is followed by the NUL, not a blank: it opens a tag.
    if (!state.pending_tag && (p[0] != '<' || p[1] == ' ')) return p;
    while (*p != '\0' && *p != '>') ++p;
    if (*p == '\0') {
      state.pending_tag = true;  // the tag goes on in the next block
      return p;
    }
    state.pending_tag = false;
    ++p;  // past the ">"
    if (state.after_text && IsDelimiter(rules, *p)) {
      *out++ = ' ';
      ++p;
      state.after_text = false;
    }
  }
}

}  // namespace

size_t PhraseSearchTransform(const char* block, char* out, const TransformRules& rules,
                             TransformState& state) {
  char* const start = out;
  const char* p = block;
  while (*p != '\0') {
    if (rules.html) {
      p = SkipTags(p, out, rules, state);
      if (*p == '\0') break;
    }
    const char c = *p++;
    if (IsDelimiter(rules, c)) {
      *out++ = (c == '\r' || c == '\n') ? c : ' ';
      state.after_text = false;
    } else {
      *out++ = c;
      state.after_text = true;
    }
  }
  *out = '\0';
  return static_cast<size_t>(out - start);
}

}  // namespace preproc
