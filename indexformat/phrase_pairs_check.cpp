#include "indexformat/phrase_pairs_check.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "indexformat/index_format.h"

namespace indexformat {
namespace {

const unsigned char* BlockAt(std::string_view bytes, std::uint32_t number) {
  return reinterpret_cast<const unsigned char*>(bytes.data()) + size_t{number} * kPairBlockSize;
}

// The leaves, in order: each sound, its keys ascending across the whole file.
PairCheck CheckLeaves(std::string_view bytes, PairCheck check, std::vector<std::string>* firsts,
                      std::vector<PairEntry>* entries) {
  std::string previous;
  std::uint64_t count = 0;
  for (std::uint32_t leaf = 1; leaf <= check.header.leaf_blocks; ++leaf) {
    check.block = leaf;
    const unsigned char* block = BlockAt(bytes, leaf);
    if (!PairBlockSound(block, leaf)) {
      check.damage = PairDamage::kBadChecksum;
      return check;
    }
    PairLeafReader reader(block);
    bool first = true;
    while (reader.Next()) {
      std::string key(reinterpret_cast<const char*>(reader.key()), reader.key_length());
      if (count > 0 && !(previous < key)) {
        check.damage = PairDamage::kBadBlock;
        return check;
      }
      if (first) firsts->push_back(key);
      first = false;
      PairEntry entry;
      const size_t first_length = reader.key()[0];
      entry.first = key.substr(1, first_length);
      entry.second = key.substr(1 + first_length);
      int last = 0;
      bool ordered = true;
      if (!ForEachPairArticle(reader.tag(), reader.postings(), reader.postings_end(),
                              [&](int article) {
                                ordered = ordered && article > last;
                                last = article;
                                entry.articles.push_back(article);
                              }) ||
          !ordered || entry.articles.empty()) {
        check.damage = PairDamage::kBadBlock;
        return check;
      }
      if (entries != nullptr) entries->push_back(std::move(entry));
      previous = std::move(key);
      ++count;
    }
    if (reader.damaged() || first) {
      check.damage = PairDamage::kBadBlock;
      return check;
    }
  }
  if (count != check.header.pairs) {
    check.block = 0;
    check.damage = PairDamage::kBadHeader;
  }
  return check;
}

// The directory, level by level from the root: its entries name the blocks
// of the level below in order, each with that block's first key, and the
// lowest level names every leaf once.
PairCheck CheckDirectory(std::string_view bytes, PairCheck check,
                         const std::vector<std::string>& leaf_firsts) {
  const PairHeader& h = check.header;
  std::vector<std::uint32_t> level{h.root};
  std::vector<std::string> level_firsts{leaf_firsts.empty() ? std::string() : leaf_firsts[0]};
  for (std::uint32_t depth = h.height; depth > 0; --depth) {
    std::vector<std::uint32_t> below;
    std::vector<std::string> below_firsts;
    for (size_t i = 0; i < level.size(); ++i) {
      check.block = level[i];
      const unsigned char* block = BlockAt(bytes, level[i]);
      if (level[i] <= h.leaf_blocks || level[i] >= h.blocks) {
        check.damage = PairDamage::kBadHeader;
        return check;
      }
      if (!PairBlockSound(block, level[i])) {
        check.damage = PairDamage::kBadChecksum;
        return check;
      }
      PairDirectoryReader reader(block);
      bool first = true;
      while (reader.Next()) {
        std::string key(reinterpret_cast<const char*>(reader.key()), reader.key_length());
        if (first && key != level_firsts[i]) {
          check.damage = PairDamage::kBadBlock;
          return check;
        }
        first = false;
        below.push_back(reader.child());
        below_firsts.push_back(std::move(key));
      }
      if (reader.damaged() || first) {
        check.damage = PairDamage::kBadBlock;
        return check;
      }
    }
    level = std::move(below);
    level_firsts = std::move(below_firsts);
  }
  // The leaves: 1..leaf_blocks in order, each under its own first key.
  bool leaves_named = level.size() == h.leaf_blocks;
  for (size_t i = 0; leaves_named && i < level.size(); ++i) {
    leaves_named = level[i] == i + 1 && level_firsts[i] == leaf_firsts[i];
  }
  if (!leaves_named) {
    check.block = h.root;
    check.damage = PairDamage::kBadBlock;
  }
  return check;
}

}  // namespace

PairCheck CheckPhrasePairs(std::string_view bytes, std::vector<PairEntry>* entries) {
  PairCheck check;
  if (bytes.size() < kPairBlockSize) {
    const bool magic =
        bytes.substr(0, sizeof kPhrasePairsMagic - 1) == std::string_view(kPhrasePairsMagic);
    check.damage = magic ? PairDamage::kBadHeader : PairDamage::kNotPairs;
    return check;
  }
  check.damage = DecodePairHeader(reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<std::int64_t>(bytes.size()), &check.header);
  if (check.damage != PairDamage::kNone) return check;
  std::vector<std::string> firsts;
  check = CheckLeaves(bytes, check, &firsts, entries);
  if (check.damage != PairDamage::kNone || check.header.root == 0) return check;
  check = CheckDirectory(bytes, check, firsts);
  if (check.damage == PairDamage::kNone) check.block = 0;
  return check;
}

std::string DescribePairCheck(const PairCheck& check) {
  std::string text = DescribePairDamage(check.damage);
  if (check.damage != PairDamage::kNone) text += " in block " + std::to_string(check.block);
  return text;
}

namespace {}  // namespace

std::string DumpPhrasePairs(std::string_view bytes) {
  std::vector<PairEntry> entries;
  const PairCheck check = CheckPhrasePairs(bytes, &entries);
  std::string text;
  char line[160];
  if (check.header.blocks != 0) {  // the header decoded
    const PairHeader& h = check.header;
    std::snprintf(line, sizeof line,
                  "phrase accelerator: %u articles, %" PRIu64
                  " pairs, %u blocks, %u leaves, "
                  "%u directory levels, %" PRIu64 " bytes of copies\n",
                  h.articles, h.pairs, h.blocks, h.leaf_blocks, h.height, h.copy_bytes);
    text += line;
    std::snprintf(line, sizeof line, "log stamp %016" PRIx64 " of %u article lines\n", h.log_stamp,
                  h.log_lines);
    text += line;
    std::string absent;
    for (int n = 1; n <= static_cast<int>(h.articles); ++n) {
      if (PairArticleKnown(h, n)) continue;
      absent += ' ';
      absent += std::to_string(n);
    }
    if (!absent.empty()) text += "absent copies:" + absent + "\n";
  }
  for (const PairEntry& entry : entries) {
    AppendDumpBytes(entry.first, &text);
    text += ' ';
    AppendDumpBytes(entry.second, &text);
    text += ' ';
    text += std::to_string(entry.articles.size());
    text += ':';
    for (int article : entry.articles) {
      text += ' ';
      text += std::to_string(article);
    }
    text += '\n';
  }
  if (check.damage != PairDamage::kNone) {
    text += "corrupt phrase accelerator: " + DescribePairCheck(check) + "\n";
  }
  return text;
}

}  // namespace indexformat
