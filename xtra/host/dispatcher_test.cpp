// Lingo calls through the dispatcher, made by the host simulator on the
// built library.
#include "xtra/host/dispatcher.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "platform/testing/temp_dir.h"
#include "xtra/host/method_table.h"
#include "xtra/host/testing/box_watch.h"
#include "xtra/hostsim/testing/plugin_session.h"
#include "xtra/hostsim/testing/index_set.h"

namespace xtra {
namespace {

using hostsim::CallResult;
using hostsim::HostOptions;
using hostsim::ValueKind;

class DispatcherTest : public ::testing::Test {
 protected:
  void Open(const HostOptions& options = {}) {
    session_ = testing::OpenPlugin(options);
    ASSERT_NE(session_, nullptr);
    std::string error;
    instance_ = session_->NewInstance(&error);
    ASSERT_NE(instance_, nullptr) << error;
  }
  void SetUp() override { Open(); }
  void TearDown() override {
    instance_.reset();
    if (session_ != nullptr) testing::ExpectCleanClose(*session_);
  }

  hostsim::SimHost& host() { return session_->host(); }
  engine::SearchState& state() { return testing::InstanceOf(*instance_).searchState; }
  CallResult Call(Selector selector, std::vector<MoaMmValue> args = {}) {
    return instance_->Call(static_cast<std::int32_t>(selector), args);
  }
  // The integer result, or INT_MIN when the method set none.
  std::int32_t Integer(Selector selector, std::vector<MoaMmValue> args = {}) {
    CallResult result = Call(selector, std::move(args));
    EXPECT_EQ(result.code, XTRA_OK);
    if (hostsim::SimHost::KindOf(result.result) != ValueKind::kInteger) return INT_MIN;
    return host().IntegerOf(result.result);
  }

  std::unique_ptr<hostsim::XtraSession> session_;
  std::unique_ptr<hostsim::ScriptingInstance> instance_;
};

TEST_F(DispatcherTest, SelectorsOutsideTheTableDoNothing) {
  Integer(Selector::kAddWordPhrase, {host().String("cat")});
  engine::SearchState before = state();
  for (std::int32_t selector : {13, 100, -1, INT_MIN, INT_MAX}) {
    CallResult result = instance_->Call(selector, {host().String("x"), host().Integer(1)});
    EXPECT_EQ(result.code, XTRA_OK) << selector;
    EXPECT_EQ(hostsim::SimHost::KindOf(result.result), ValueKind::kVoid) << selector;
  }
  EXPECT_EQ(std::memcmp(&before, &state(), sizeof before), 0);
}

TEST_F(DispatcherTest, PathsAreStoredWholeAndZeroFilled) {
  std::string longPath(254, 'p');
  EXPECT_EQ(Integer(Selector::kSetIndexPath, {host().String(longPath)}), 0);
  EXPECT_EQ(std::string(state().indexPath), longPath);
  EXPECT_EQ(Integer(Selector::kSetIndexPath, {host().String("ab")}), 0);
  EXPECT_STREQ(state().indexPath, "ab");
  for (int i = 2; i < engine::kFieldSize; ++i) ASSERT_EQ(state().indexPath[i], '\0') << i;
  // A path with no room for its terminator is refused and the old one kept.
  EXPECT_EQ(Integer(Selector::kSetArticlesPath, {host().String(std::string(255, 'q'))}), -1);
  EXPECT_STREQ(state().articlesPath, "");
}

TEST_F(DispatcherTest, ModesAndRangesReachTheEngineAsRead) {
  for (std::int32_t mode : {0, 5, -3}) {
    EXPECT_EQ(Integer(Selector::kWholeWord, {host().Integer(mode)}), 1);
    EXPECT_EQ(state().wordSearchMode, mode);
  }
  EXPECT_EQ(Integer(Selector::kAndOr, {host().Integer(2)}), 2);
  EXPECT_EQ(Integer(Selector::kAndOr, {host().Integer(3)}), -1);
  EXPECT_EQ(state().booleanMode, 2);
  EXPECT_EQ(
      Integer(Selector::kAddKeyRange, {host().String("Key"), host().Integer(5), host().Integer(3)}),
      -1);
  EXPECT_EQ(Integer(Selector::kAddKeyRange,
                    {host().String("Key"), host().Integer(1), host().Integer(10)}),
            1);
  EXPECT_STREQ(state().keyRanges[0].keyName, "Key");
  EXPECT_EQ(state().keyRanges[0].upperBound, 9);
  EXPECT_EQ(Integer(Selector::kDeleteKeyRange, {host().String("KEY")}), -1);
  EXPECT_EQ(Integer(Selector::kDeleteKeyRange, {host().String("Key")}), 0);
}

TEST_F(DispatcherTest, MatchesListLeavesTheLingoStringUnchanged) {
  Integer(Selector::kAddWordPhrase, {host().String("cat")});
  MoaMmValue text = host().String("the cat sat on the cat mat");
  CallResult result = Call(Selector::kCreateMatchesList, {text});
  EXPECT_EQ(host().StringOf(result.result), "set t123Match = [5,7,20,22]\r");
  EXPECT_EQ(host().StringOf(text), "the cat sat on the cat mat");
  EXPECT_TRUE(host().problems().empty()) << "the simulator notices writes to borrowed text";
}

TEST_F(DispatcherTest, UnconvertibleArgumentsReadAsEmptyOrZero) {
  EXPECT_EQ(Integer(Selector::kAddWordPhrase, {host().List()}), 1);
  EXPECT_STREQ(state().wordPhrases[0], "");
  EXPECT_EQ(Integer(Selector::kAndOr, {host().String("2")}), 0);
  EXPECT_EQ(Integer(Selector::kGetAt, {}), -1) << "a missing argument is a void value";
  CallResult list = Call(Selector::kCreateMatchesList, {host().Void()});
  EXPECT_EQ(host().StringOf(list.result), "set t123Match = []\r");
}

TEST_F(DispatcherTest, NoArgumentArrayReadsAsEmptyOrZero) {
  IMoaMmXScript* script = instance_->script();
  MoaMmCallInfo info{};
  info.resultValue = host().Void();
  info.methodSelector = static_cast<std::int32_t>(Selector::kAddKeyRange);
  info.args = nullptr;
  EXPECT_EQ(script->ops->call(script, &info), XTRA_OK);
  EXPECT_EQ(host().IntegerOf(info.resultValue), 1);
  EXPECT_STREQ(state().keyRanges[0].keyName, "");
  EXPECT_EQ(state().keyRanges[0].lowerBound, 0);
}

TEST_F(DispatcherTest, NewKeepsThePathsForTheNextSearch) {
  platform::testing::TempDir dir;
  hostsim::testing::WriteIndexSet(
      dir, {{"a.txt", "the cat sat"}, {"b.txt", "a dog"}, {"c.txt", "cats and dogs"}});
  Integer(Selector::kSetIndexPath, {host().String(dir.Join("index"))});
  Integer(Selector::kAddWordPhrase, {host().String("cat")});
  EXPECT_EQ(Integer(Selector::kCountMatches), 2);
  EXPECT_EQ(Integer(Selector::kNew), 0);
  EXPECT_EQ(state().phraseCount, 0);
  EXPECT_EQ(state().matchCount, 0);
  Integer(Selector::kAddWordPhrase, {host().String("dog")});
  EXPECT_EQ(Integer(Selector::kCountMatches), 2);
  EXPECT_EQ(Integer(Selector::kGetMatch, {host().Integer(1)}), 2);
  EXPECT_EQ(Integer(Selector::kGetMatch, {host().Integer(2)}), 3);
}

// Hosts of major version 7 and 8 (version class 7). Reopens the session on
// such a host and fills the search state through calls made while the gate is
// held open, so a gated call has something to change.
class ClosedGateTest : public DispatcherTest {
 protected:
  void OpenOnHost(std::uint8_t major) {
    instance_.reset();
    testing::ExpectCleanClose(*session_);
    HostOptions options;
    options.majorVersion = major;
    Open(options);
    XtraInstance& instance = testing::InstanceOf(*instance_);
    ASSERT_EQ(instance.versionClass, 7);
    instance.versionClass = 6;
    Integer(Selector::kNew);
    Integer(Selector::kSetIndexPath, {host().String("index")});
    Integer(Selector::kSetArticlesPath, {host().String("copies")});
    Integer(Selector::kAddWordPhrase, {host().String("cat")});
    Integer(Selector::kAddKeyRange, {host().String("r"), host().Integer(1), host().Integer(9)});
    instance.versionClass = 7;
  }
  // Each gated method (all twelve but new: CountMatches and the eleven others)
  // with arguments it would act on.
  struct GatedCall {
    Selector selector;
    std::vector<MoaMmValue> args;
  };
  std::vector<GatedCall> GatedCalls() {
    return {{Selector::kSetIndexPath, {host().String("elsewhere")}},
            {Selector::kSetArticlesPath, {host().String("elsewhere")}},
            {Selector::kCountMatches, {}},
            {Selector::kGetMatch, {host().Integer(1)}},
            {Selector::kGetAt, {host().Integer(1)}},
            {Selector::kAddWordPhrase, {host().String("dog")}},
            {Selector::kDeleteWordPhrase, {host().String("cat")}},
            {Selector::kAndOr, {host().Integer(1)}},
            {Selector::kWholeWord, {host().Integer(1)}},
            {Selector::kAddKeyRange, {host().String("s"), host().Integer(2), host().Integer(3)}},
            {Selector::kDeleteKeyRange, {host().String("r")}},
            {Selector::kCreateMatchesList, {host().String("the cat")}}};
  }
};

TEST_F(ClosedGateTest, EveryMethodButNewDoesNothingAndSetsNoResult) {
  for (std::uint8_t major : {7, 8}) {
    OpenOnHost(major);
    testing::BoxWatch boxes;  // keeps the boxes off the test's output
    std::vector<GatedCall> calls = GatedCalls();
    ASSERT_EQ(calls.size(), std::size_t{kLastSelector}) << "every method but new";
    engine::SearchState before = state();
    for (const GatedCall& call : calls) {
      CallResult result = Call(call.selector, call.args);
      EXPECT_EQ(result.code, XTRA_OK);
      EXPECT_EQ(hostsim::SimHost::KindOf(result.result), ValueKind::kVoid)
          << "selector " << static_cast<int>(call.selector) << " set a result";
      EXPECT_EQ(std::memcmp(&before, &state(), sizeof before), 0)
          << "selector " << static_cast<int>(call.selector) << " changed the state";
    }
    EXPECT_EQ(Integer(Selector::kNew), 0);
    EXPECT_EQ(state().phraseCount, 0);
    EXPECT_EQ(state().keyRangeCount, 0);
    EXPECT_STREQ(state().indexPath, "index") << "new keeps the paths";
  }
}

// A box under Wine takes about a second, so one host (major version 8) here.
TEST_F(ClosedGateTest, OnlyCountMatchesShowsTheBoxAtEveryCall) {
  if (!testing::BoxWatch::CanSeeBoxes()) GTEST_SKIP() << "no desktop to show message boxes on";
  const std::string expected = std::string(kVersionGateCaption) + ": " + kVersionGateText;
  OpenOnHost(8);
  testing::BoxWatch boxes;
  for (const GatedCall& call : GatedCalls()) {
    Call(call.selector, call.args);
    std::vector<std::string> shown = boxes.Take();
    if (call.selector == Selector::kCountMatches) {
      EXPECT_EQ(shown, std::vector<std::string>{expected});
    } else {
      EXPECT_TRUE(shown.empty()) << "selector " << static_cast<int>(call.selector);
    }
  }
  for (int i = 0; i < 2; ++i) Call(Selector::kCountMatches);
  EXPECT_EQ(boxes.Take(), std::vector<std::string>(2, expected));
  Call(Selector::kNew);
  EXPECT_TRUE(boxes.Take().empty()) << "new is never gated";
}

#ifndef _WIN32  // there the message is a modal box
// Of the gated methods only KPXSearchCountMatches shows the box, and only on
// a host whose version closes the gate.
TEST_F(DispatcherTest, OnlyCountMatchesShowsTheVersionGateBox) {
  auto shown_by = [&](std::uint32_t selector) {
    ::testing::internal::CaptureStderr();
    Call(static_cast<Selector>(selector), {host().String("x"), host().Integer(1)});
    return ::testing::internal::GetCapturedStderr();
  };
  const auto count = static_cast<std::uint32_t>(Selector::kCountMatches);
  EXPECT_EQ(shown_by(count), "");  // version 6: the gate is open
  instance_.reset();
  testing::ExpectCleanClose(*session_);
  HostOptions options;
  options.majorVersion = 7;
  Open(options);
  for (std::uint32_t selector = 0; selector <= kLastSelector; ++selector) {
    const std::string shown = shown_by(selector);
    if (selector == count) {
      EXPECT_NE(shown.find(kVersionGateText), std::string::npos);
    } else {
      EXPECT_EQ(shown, "") << selector;
    }
  }
}
#endif

TEST_F(DispatcherTest, RefusedCallContextStopsTheCall) {
  constexpr auto kRefusal = static_cast<XtraResult>(0x80040999u);
  host().mutable_options().callContextCode = kRefusal;
  CallResult result = Call(Selector::kAddWordPhrase, {host().String("cat")});
  EXPECT_EQ(result.code, kRefusal);
  EXPECT_EQ(hostsim::SimHost::KindOf(result.result), ValueKind::kVoid);
  EXPECT_EQ(state().phraseCount, 0);
  host().mutable_options().callContextCode = XTRA_OK;
  EXPECT_EQ(Integer(Selector::kAddWordPhrase, {host().String("cat")}), 1);
  EXPECT_EQ(host().callContextRequests(), 2);
}

TEST_F(DispatcherTest, MissingServicesAreNeverTouched) {
  instance_.reset();
  testing::ExpectCleanClose(*session_);
  HostOptions options;
  options.refuseCallContext = true;
  Open(options);
  EXPECT_EQ(Integer(Selector::kAddWordPhrase, {host().String("cat")}), -1);
  EXPECT_EQ(state().phraseCount, 0);
  EXPECT_EQ(host().callContextRequests(), 0);
  instance_.reset();
  testing::ExpectCleanClose(*session_);
  options.refuseValueService = true;
  Open(options);
  for (std::int32_t selector = 0; selector <= 12; ++selector) {
    CallResult result = instance_->Call(selector, {host().String("x")});
    EXPECT_EQ(result.code, XTRA_OK);
    EXPECT_EQ(hostsim::SimHost::KindOf(result.result), ValueKind::kVoid) << selector;
  }
}

}  // namespace
}  // namespace xtra
