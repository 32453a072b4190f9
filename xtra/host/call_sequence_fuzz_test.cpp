// Property: whatever sequence of calls the host makes (any selector, any kind
// and number of arguments, long strings, refused call contexts, instances
// coming and going), the plug-in does not crash and gives every host resource
// back. Seeded and bounded, so it runs the same in every build.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"
#include "xtra/hostsim/testing/plugin_session.h"
#include "xtra/hostsim/testing/index_set.h"

namespace xtra {
namespace {

constexpr int kCallsPerSeed = 1500;
constexpr auto kRefusal = static_cast<XtraResult>(0x80040123u);

class CallGenerator {
 public:
  CallGenerator(unsigned seed, hostsim::SimHost& host, std::string indexPath)
      : rng_(seed), host_(host), indexPath_(std::move(indexPath)) {}

  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  std::int32_t Selector() {
    if (Below(5) != 0) return Below(13);
    const std::int32_t odd[] = {-1, 13, 14, 255, INT_MIN, INT_MAX};
    return Below(2) == 0 ? odd[Below(6)] : static_cast<std::int32_t>(rng_());
  }

  std::vector<MoaMmValue> Arguments() {
    std::vector<MoaMmValue> args;
    for (int n = Below(5); n > 0; --n) args.push_back(Argument());
    return args;
  }

 private:
  MoaMmValue Argument() {
    switch (Below(5)) {
      case 0:
        return host_.Void();
      case 1:
        return host_.List();
      case 2: {
        const std::int32_t interesting[] = {0, 1, -1, 2, 3, 10, 2500, 2501, INT_MIN, INT_MAX};
        return host_.Integer(Below(2) == 0 ? interesting[Below(10)]
                                           : static_cast<std::int32_t>(rng_()));
      }
      default:
        return host_.String(Below(4) == 0 ? indexPath_ : Text());
    }
  }

  // Words from a small vocabulary, sometimes very long runs of any byte.
  std::string Text() {
    const char* words[] = {"cat", "CATS", "new", "york", "a", "1997", " ", "dog", "\t"};
    std::string text;
    if (Below(6) == 0) {
      text.assign(static_cast<std::size_t>(Below(600)), 'x');
      for (char& c : text) c = static_cast<char>(1 + Below(255));
      return text;
    }
    for (int n = Below(5); n > 0; --n) text += std::string(words[Below(9)]) + " ";
    return text;
  }

  std::mt19937 rng_;
  hostsim::SimHost& host_;
  std::string indexPath_;
};

void RunSequence(unsigned seed, const std::string& indexPath) {
  hostsim::HostOptions options;
  options.majorVersion = seed % 3 == 0 ? 5 : 6;
  auto session = testing::OpenPlugin(options);
  ASSERT_NE(session, nullptr);
  hostsim::SimHost& host = session->host();
  CallGenerator generate(seed, host, indexPath);
  std::string error;
  std::vector<std::unique_ptr<hostsim::ScriptingInstance>> instances;
  instances.push_back(session->NewInstance(&error));
  instances.push_back(session->NewInstance(&error));
  for (int i = 0; i < kCallsPerSeed; ++i) {
    if (generate.Below(200) == 0) instances[generate.Below(2)] = session->NewInstance(&error);
    host.mutable_options().callContextCode = generate.Below(50) == 0 ? kRefusal : XTRA_OK;
    hostsim::CallResult result =
        instances[generate.Below(2)]->Call(generate.Selector(), generate.Arguments());
    ASSERT_TRUE(result.code == XTRA_OK || result.code == kRefusal) << "call " << i;
    ASSERT_TRUE(host.problems().empty())
        << "seed " << seed << " call " << i << ": " << host.problems().front();
    host.ClearValues();
  }
  instances.clear();
  testing::ExpectCleanClose(*session);
}

TEST(CallSequence, RandomCallsGiveEveryResourceBack) {
  platform::testing::TempDir dir;
  hostsim::testing::WriteIndexSet(
      dir,
      {{"a", "the cat sat"}, {"b", "new york 1997"}, {"c", "a new yorker and cats"}, {"d", "dog"}});
  for (unsigned seed : {1u, 2u, 3u}) RunSequence(seed, dir.Join("index"));
}

}  // namespace
}  // namespace xtra
