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
    if (!state.pending_tag && p[0] == '<' && p[1] == '\0') {
      state.open_pending = true;  // the next block's first byte decides
      return p + 1;
    }
    if (!state.pending_tag && (p[0] != '<' || p[1] == ' ')) return p;
    while (*p != '\0' && *p != '>') ++p;
    if (*p == '\0') {
      state.pending_tag = true;  // the tag goes on in the next block
      return p;
    }
    state.pending_tag = false;
    ++p;  // past the ">"
    if (*p == '\0') {
      state.tag_closed = true;  // the byte behind the tag is the next block's first
      return p;
    }
    if (state.after_text && IsDelimiter(rules, *p)) {
      *out++ = ' ';
      ++p;
      state.after_text = false;
    }
  }
}

// The character step for one byte.
void WriteCharacter(char c, char*& out, const TransformRules& rules, TransformState& state) {
  if (IsDelimiter(rules, c)) {
    *out++ = (c == '\r' || c == '\n') ? c : ' ';
    state.after_text = false;
  } else {
    *out++ = c;
    state.after_text = true;
  }
}

// Settles what the last block left open at its end with the first byte of
// this one: a "<" that opens a tag unless a blank follows, and a tag whose
// ">" was the last byte, behind which a delimiter after a word is one blank.
const char* ContinueFromLastBlock(const char* p, char*& out, const TransformRules& rules,
                                  TransformState& state) {
  if (*p == '\0') return p;  // an empty block: still open
  if (state.open_pending) {
    state.open_pending = false;
    if (*p == ' ') {
      WriteCharacter('<', out, rules, state);
    } else {
      state.pending_tag = true;
    }
  }
  if (state.tag_closed) {
    state.tag_closed = false;
    if (state.after_text && IsDelimiter(rules, *p)) {
      *out++ = ' ';
      ++p;
      state.after_text = false;
    }
  }
  return p;
}

}  // namespace

size_t PhraseSearchTransform(const char* block, char* out, const TransformRules& rules,
                             TransformState& state) {
  char* const start = out;
  const char* p = block;
  if (rules.html) p = ContinueFromLastBlock(p, out, rules, state);
  while (*p != '\0') {
    if (rules.html) {
      p = SkipTags(p, out, rules, state);
      if (*p == '\0') break;
    }
    WriteCharacter(*p++, out, rules, state);
  }
  *out = '\0';
  return static_cast<size_t>(out - start);
}

}  // namespace preproc
