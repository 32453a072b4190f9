// libFuzzer target: PhraseSearchTransform block by block, at arbitrary block
// cuts, gives the same bytes as the transform of the whole text in one block,
// and every block gives the bytes and state of the byte-by-byte reference.
// Built with -DKPX_FUZZ=ON.
//
// Input: [options] [set length] [delimiter set] [cut count] [cuts, 2 bytes
// each] [text]. options bit 0 picks HTML. NUL bytes of the text are made
// 'x': a NUL ends its block, so only a text without them reads the same in
// any cutting. Each block lives in a buffer of exactly its size, so a read
// past it is caught.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "preproc/copier/phrase_transform.h"
#include "preproc/copier/phrase_transform_reference.h"

namespace {

bool SameState(const preproc::TransformState& a, const preproc::TransformState& b) {
  return a.pending_tag == b.pending_tag && a.after_text == b.after_text &&
         a.open_pending == b.open_pending && a.tag_closed == b.tag_closed;
}

// Transforms one block into the least room the transform asks for: the
// block's bytes, a "<" held back from the block before, and the NUL; the
// reference transforms it too and must agree.
std::string Transform(std::string_view block, const preproc::TransformRules& rules,
                      preproc::TransformState& state,
                      preproc::testing::ReferenceTransform& reference) {
  std::unique_ptr<char[]> in(new char[block.size() + 1]);
  std::memcpy(in.get(), block.data(), block.size());
  in[block.size()] = '\0';
  std::unique_ptr<char[]> out(new char[block.size() + 2]);
  const size_t length = preproc::PhraseSearchTransform(in.get(), out.get(), rules, state);
  if (length > block.size() + 1 || out[length] != '\0') std::abort();
  std::string result(out.get(), length);
  if (result != reference.Block(in.get()) || !SameState(state, reference.state)) std::abort();
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const bool html = (data[0] & 1) != 0;
  const size_t set_length = data[1] % 50;
  size_t at = 2;
  if (size < at + set_length + 1) return 0;
  const preproc::TransformRules rules(
      html, std::string_view(reinterpret_cast<const char*>(data + at), set_length));
  at += set_length;
  const size_t cut_count = data[at++] % 16;
  if (size < at + 2 * cut_count) return 0;
  std::vector<size_t> cuts;
  for (size_t i = 0; i < cut_count; ++i, at += 2) cuts.push_back(data[at] | (data[at + 1] << 8));
  std::string text(reinterpret_cast<const char*>(data + at), size - at);
  std::replace(text.begin(), text.end(), '\0', 'x');
  for (size_t& cut : cuts) cut = text.empty() ? 0 : cut % (text.size() + 1);
  cuts.push_back(text.size());
  std::sort(cuts.begin(), cuts.end());

  preproc::TransformState whole_state;
  preproc::testing::ReferenceTransform whole_reference(rules);
  const std::string whole = Transform(text, rules, whole_state, whole_reference);
  if (!html && whole.size() != text.size()) std::abort();  // text: one byte for every byte

  preproc::TransformState state;
  preproc::testing::ReferenceTransform reference(rules);
  std::string pieces;
  size_t begin = 0;
  for (size_t cut : cuts) {
    pieces += Transform(std::string_view(text).substr(begin, cut - begin), rules, state, reference);
    begin = cut;
  }
  if (pieces != whole) std::abort();
  return 0;
}
