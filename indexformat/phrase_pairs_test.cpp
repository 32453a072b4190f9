#include "indexformat/phrase_pairs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "indexformat/phrase_pairs_check.h"

namespace indexformat {
namespace {

TEST(PairVarint, ValuesRoundTripAndOverlongOrCutOnesAreRefused) {
  for (std::uint32_t value : {0u, 1u, 127u, 128u, 2500u, 0xFFFFFFFFu}) {
    unsigned char bytes[5];
    const size_t n = PutPairVarint(value, bytes);
    const unsigned char* at = bytes;
    std::uint32_t back = 7;
    ASSERT_TRUE(GetPairVarint(bytes + n, &at, &back));
    EXPECT_EQ(back, value);
    EXPECT_EQ(at, bytes + n);
    at = bytes;
    EXPECT_FALSE(GetPairVarint(bytes + n - 1, &at, &back)) << value;  // cut short
  }
  const unsigned char too_big[] = {0xFF, 0xFF, 0xFF, 0xFF, 0x1F};
  const unsigned char* at = too_big;
  std::uint32_t value = 0;
  EXPECT_FALSE(GetPairVarint(too_big + 5, &at, &value));
  const unsigned char endless[] = {0x80, 0x80, 0x80, 0x80, 0x80, 0x01};
  at = endless;
  EXPECT_FALSE(GetPairVarint(endless + 6, &at, &value));
}

// A file of one leaf built by hand: header, the leaf, read back and dumped.
std::string OneLeafFile(const std::vector<std::string>& keys, std::vector<std::string> postings) {
  std::string file(2 * kPairBlockSize, '\0');
  auto* leaf = reinterpret_cast<unsigned char*>(file.data()) + kPairBlockSize;
  leaf[0] = static_cast<unsigned char>(keys.size());
  size_t used = 2;
  for (size_t i = 0; i < keys.size(); ++i) {
    used += PutPairVarint(0, leaf + used);
    used += PutPairVarint(static_cast<std::uint32_t>(keys[i].size()), leaf + used);
    std::memcpy(leaf + used, keys[i].data(), keys[i].size());
    used += keys[i].size();
    std::memcpy(leaf + used, postings[i].data(), postings[i].size());
    used += postings[i].size();
  }
  SealPairBlock(leaf, 1);
  PairHeader header;
  header.articles = 20;
  header.absent[0] = 0x04;  // article 3
  header.leaf_blocks = 1;
  header.blocks = 2;
  header.root = 1;
  header.pairs = keys.size();
  EncodePairHeader(header, reinterpret_cast<unsigned char*>(file.data()));
  return file;
}

TEST(PhrasePairs, AHandBuiltFileReadsAndDumpsAsWritten) {
  // "NEW YORK" in 2 and 5 (distances 2, 3); "NEW YORK," in 1..9 as a bitmap;
  // "NEW YORKER" in 7 alone.
  const std::string file = OneLeafFile({"\x03NEWYORK", "\x03NEWYORK,", "\x03NEWYORKER"},
                                       {std::string("\x08\x02\x03", 3), "\x05\xFF\x01", "\x1E"});
  std::vector<PairEntry> entries;
  const PairCheck check = CheckPhrasePairs(file, &entries);
  ASSERT_EQ(check.damage, PairDamage::kNone) << DescribePairCheck(check);
  EXPECT_EQ(DumpPhrasePairs(file),
            "phrase accelerator: 20 articles, 3 pairs, 2 blocks, 1 leaves, 0 directory levels, 0 "
            "bytes of copies\n"
            "log stamp 0000000000000000 of 0 article lines\n"
            "absent copies: 3\n"
            "NEW YORK 2: 2 5\n"
            "NEW YORK, 9: 1 2 3 4 5 6 7 8 9\n"
            "NEW YORKER 1: 7\n");
  EXPECT_FALSE(PairArticleKnown(check.header, 3));
  EXPECT_TRUE(PairArticleKnown(check.header, 20));
  EXPECT_FALSE(PairArticleKnown(check.header, 21));
}

// What a reader refuses: keys out of order, article numbers out of order or
// past 2,500, a file whose size is not the header's, a block moved.
TEST(PhrasePairs, DamageIsFoundWhereItLies) {
  auto damage = [](const std::string& file) { return CheckPhrasePairs(file, nullptr).damage; };
  EXPECT_EQ(damage(OneLeafFile({"\x03NEWYORK,", "\x03NEWYORK"}, {"\x06", "\x06"})),
            PairDamage::kBadBlock);
  EXPECT_EQ(damage(OneLeafFile({"\x03NEWYORK"}, {std::string("\x08\x02\x00", 3)})),
            PairDamage::kBadBlock);
  EXPECT_EQ(damage(OneLeafFile({"\x03NEWYORK"}, {"\x04\xC5\x13"})), PairDamage::kBadBlock);  // 2501
  EXPECT_EQ(damage(OneLeafFile({"\x03NEWYORK"}, {"\x96\x4E"})), PairDamage::kBadBlock);      // 2501
  EXPECT_EQ(damage(OneLeafFile({"\x03NEWYORK"}, {"\x02"})), PairDamage::kBadBlock);  // article 0
  EXPECT_EQ(damage(OneLeafFile({"\x09NEWYORK"}, {"\x06"})), PairDamage::kBadBlock);
  const std::string good = OneLeafFile({"\x03NEWYORK"}, {"\x06"});
  EXPECT_EQ(damage(good), PairDamage::kNone);
  EXPECT_EQ(damage(good + std::string(kPairBlockSize, '\0')), PairDamage::kBadHeader);
  EXPECT_EQ(damage(good.substr(0, kPairBlockSize + 100)), PairDamage::kBadHeader);
  EXPECT_EQ(damage("KPXPAIRS"), PairDamage::kBadHeader);
  EXPECT_EQ(damage("notes"), PairDamage::kNotPairs);
  std::string moved = good;  // the leaf's checksum names block 1, not 2
  moved += moved.substr(kPairBlockSize);
  PairHeader header;
  DecodePairHeader(reinterpret_cast<const unsigned char*>(good.data()), 2 * kPairBlockSize,
                   &header);
  EXPECT_FALSE(
      PairBlockSound(reinterpret_cast<const unsigned char*>(moved.data()) + 2 * kPairBlockSize, 2));
  std::string version = good;
  version[8] = 2;
  EXPECT_EQ(damage(version), PairDamage::kUnknownVersion);
}

TEST(LogStamp, LineEndsDoNotChangeIt) {
  LogStamp lf, crlf, lone_cr;
  lf.Add("a\nb\n", 4);
  crlf.Add("a\r", 2);
  crlf.Add("\nb\r\n", 4);
  lone_cr.Add("a\rb\n", 4);
  EXPECT_EQ(lf.Value(), crlf.Value());
  EXPECT_NE(lf.Value(), lone_cr.Value());
  LogStamp ends_in_cr;
  ends_in_cr.Add("a\r", 2);
  LogStamp plain;
  plain.Add("a", 1);
  EXPECT_NE(ends_in_cr.Value(), plain.Value());
}

}  // namespace
}  // namespace indexformat
