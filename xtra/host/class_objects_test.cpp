// The plug-in's exports, classes and interface records, through the host
// simulator loading the built library.
#include <gtest/gtest.h>

#include <cstring>

#include "xtra/host/interface_record.h"
#include "xtra/hostsim/testing/plugin_session.h"
#include "xtra/host/xtra_ids.h"

namespace xtra {
namespace {

using hostsim::HostOptions;
using hostsim::XtraSession;
using testing::ExpectCleanClose;
using testing::OpenPlugin;

TEST(ClassInfo, ListsFourEntriesAndAZeroTerminator) {
  auto session = OpenPlugin();
  ASSERT_NE(session, nullptr);
  hostsim::SimHost& host = session->host();
  XtraClassInfoEntry* table = nullptr;
  ASSERT_EQ(session->exports().getClassInfo(host.allocator(), &table), XTRA_OK);
  const XtraId* expected[4][2] = {{&kRegistrationClassId, &kClassFactoryId},
                                  {&kRegistrationClassId, &kRegisterInterfaceId},
                                  {&kScriptingClassId, &kClassFactoryId},
                                  {&kScriptingClassId, &kScriptInterfaceId}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(SameId(table[i].classId, *expected[i][0])) << i;
    EXPECT_TRUE(SameId(table[i].interfaceId, *expected[i][1])) << i;
    EXPECT_EQ(table[i].classVersion, 1u);
    EXPECT_EQ(table[i].interfaceVersion, 1u);
  }
  EXPECT_TRUE(SameId(table[4].classId, XtraId{}));
  EXPECT_TRUE(SameId(table[4].interfaceId, XtraId{}));
  EXPECT_EQ(host.BlockSize(table), 200) << "(4 entries + the terminator) x 40 bytes";
  host.FreeBlock(table);  // the host owns the table
  ExpectCleanClose(*session);
}

TEST(ClassInfo, AllocationFailureIsReported) {
  auto session = OpenPlugin();
  ASSERT_NE(session, nullptr);
  session->host().mutable_options().allocationsBeforeFailure = 0;
  XtraClassInfoEntry* table = reinterpret_cast<XtraClassInfoEntry*>(&session);
  EXPECT_EQ(session->exports().getClassInfo(session->host().allocator(), &table),
            XTRA_E_OUT_OF_MEMORY);
  EXPECT_EQ(table, nullptr);
  ExpectCleanClose(*session);
}

TEST(ClassForm, GivesEachClassItsSizeAndRefusesOthers) {
  auto session = OpenPlugin();
  ASSERT_NE(session, nullptr);
  const hostsim::PluginExports& exports = session->exports();
  uint32_t size = 0;
  XtraCreateFn create = nullptr;
  XtraDestroyFn destroy = nullptr;
  ASSERT_EQ(exports.getClassForm(&kScriptingClassId, &size, &create, &destroy), XTRA_OK);
  EXPECT_EQ(size, sizeof(ScriptingObject));
  ASSERT_EQ(exports.getClassForm(nullptr, &size, &create, &destroy), XTRA_OK);
  EXPECT_EQ(size, sizeof(XtraObjectHeader)) << "a null class ID finds the registration class";
  size = 77;
  EXPECT_EQ(exports.getClassForm(&kClassFactoryId, &size, &create, &destroy), XTRA_E_NO_CLASS);
  EXPECT_EQ(size, 77u) << "outputs untouched";
  void* out = &size;
  EXPECT_EQ(exports.getClassObject(&kScriptingClassId, &kScriptInterfaceId, &out), XTRA_E_NO_CLASS);
  ExpectCleanClose(*session);
}

class InterfaceRecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session_ = OpenPlugin();
    ASSERT_NE(session_, nullptr);
    object_ = host().CreateObject(session_->exports(), kScriptingClassId);
    ASSERT_NE(object_, nullptr);
  }
  void TearDown() override {
    if (object_ != nullptr) host().ReleaseObject(object_);
    if (session_ != nullptr) ExpectCleanClose(*session_);
  }
  hostsim::SimHost& host() { return session_->host(); }
  XtraResult GetInterface(const XtraId* classId, const XtraId& id, void** out) {
    return session_->exports().getInterface(object_, classId, &id, out);
  }

  std::unique_ptr<XtraSession> session_;
  void* object_ = nullptr;
};

TEST_F(InterfaceRecordTest, ScriptingClassDoesNotOfferRegistration) {
  void* out = nullptr;
  EXPECT_EQ(GetInterface(&kScriptingClassId, kRegisterInterfaceId, &out), XTRA_E_NO_INTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(GetInterface(&kScriptingClassId, kClassFactoryId, &out), XTRA_E_NO_INTERFACE);
  EXPECT_EQ(host().ObjectReferences(object_), 1u);
}

TEST_F(InterfaceRecordTest, UnloadIsRefusedWhileARecordLives) {
  void* record = nullptr;
  ASSERT_EQ(GetInterface(nullptr, kScriptInterfaceId, &record), XTRA_OK);
  EXPECT_EQ(session_->exports().canUnloadNow(), XTRA_E_CANNOT_UNLOAD);
  auto* script = static_cast<IMoaMmXScript*>(record);
  EXPECT_EQ(script->ops->release(script), 0u);
  EXPECT_EQ(session_->exports().canUnloadNow(), XTRA_OK);
}

TEST_F(InterfaceRecordTest, ReferencesAreMirroredOnTheOwner) {
  void* record = nullptr;
  ASSERT_EQ(GetInterface(&kScriptingClassId, kScriptInterfaceId, &record), XTRA_OK);
  auto* script = static_cast<IMoaMmXScript*>(record);
  EXPECT_EQ(host().ObjectReferences(object_), 3u) << "existence plus initial count";
  EXPECT_EQ(host().liveBlocks(), 1);
  EXPECT_EQ(script->ops->addRef(script), 2u);
  EXPECT_EQ(host().ObjectReferences(object_), 4u);
  EXPECT_EQ(script->ops->release(script), 1u);
  EXPECT_EQ(host().ObjectReferences(object_), 3u);
  EXPECT_EQ(host().liveBlocks(), 1) << "freed only on the last release";
  EXPECT_EQ(script->ops->release(script), 0u);
  EXPECT_EQ(host().ObjectReferences(object_), 1u) << "back to the references before the record";
  EXPECT_EQ(host().liveBlocks(), 0);
}

TEST_F(InterfaceRecordTest, QueryInterfaceGoesToTheOwner) {
  void* first = nullptr;
  ASSERT_EQ(GetInterface(&kScriptingClassId, kScriptInterfaceId, &first), XTRA_OK);
  auto* script = static_cast<IMoaMmXScript*>(first);
  void* second = nullptr;
  ASSERT_EQ(script->ops->queryInterface(script, &kScriptInterfaceId, &second), XTRA_OK);
  EXPECT_NE(second, first);
  EXPECT_EQ(session_->exports().canUnloadNow(), XTRA_E_CANNOT_UNLOAD);
  void* none = nullptr;
  EXPECT_EQ(script->ops->queryInterface(script, &kRegisterInterfaceId, &none), XTRA_E_NO_INTERFACE);
  static_cast<IMoaMmXScript*>(second)->ops->release(static_cast<IMoaMmXScript*>(second));
  script->ops->release(script);
}

TEST_F(InterfaceRecordTest, AllocationFailureWritesNull) {
  host().mutable_options().allocationsBeforeFailure = 0;
  void* record = &record;
  EXPECT_EQ(GetInterface(&kScriptingClassId, kScriptInterfaceId, &record), XTRA_E_OUT_OF_MEMORY);
  EXPECT_EQ(record, nullptr);
  EXPECT_EQ(host().ObjectReferences(object_), 1u);
  EXPECT_EQ(session_->exports().canUnloadNow(), XTRA_OK);
}

TEST_F(InterfaceRecordTest, CreationInitialisesTheStateAndTeardownReleasesServices) {
  const XtraInstance& instance = static_cast<ScriptingObject*>(object_)->instance;
  EXPECT_EQ(instance.callContext, nullptr);
  EXPECT_EQ(instance.searchState.indexPath[0], '\0') << "the host's block is filled with 0x5A";
  EXPECT_EQ(instance.searchState.phraseCount, 0);
  EXPECT_EQ(host().serviceReferences(), 3);
  host().ReleaseObject(object_);
  object_ = nullptr;
  EXPECT_EQ(host().serviceReferences(), 0);
}

// Byte 3 of application information item 0 decides the version class.
TEST(VersionClass, FollowsTheHostsMajorVersion) {
  const std::pair<int, int> cases[] = {{4, 6}, {5, 5}, {6, 6}, {7, 7}, {8, 7}, {9, 6}};
  for (auto [major, versionClass] : cases) {
    HostOptions options;
    options.majorVersion = static_cast<std::uint8_t>(major);
    auto session = OpenPlugin(options);
    ASSERT_NE(session, nullptr);
    std::string error;
    auto instance = session->NewInstance(&error);
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(testing::InstanceOf(*instance).versionClass, versionClass) << "major " << major;
    instance.reset();
    ExpectCleanClose(*session);
  }
}

TEST(VersionClass, UnreadableApplicationInformationGivesSix) {
  for (bool refuse : {false, true}) {
    HostOptions options;
    options.majorVersion = 8;
    options.appInfoFails = !refuse;
    options.refuseAppInfo = refuse;
    auto session = OpenPlugin(options);
    ASSERT_NE(session, nullptr);
    std::string error;
    auto instance = session->NewInstance(&error);
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(testing::InstanceOf(*instance).appInfoService == nullptr, refuse);
    EXPECT_EQ(testing::InstanceOf(*instance).versionClass, 6);
    instance.reset();
    ExpectCleanClose(*session);
  }
}

// The text the host parses, byte for byte: 16 lines, each ending in a line
// feed, comment markers at column 49.
constexpr char kHostMethodTable[] =
    "xtra KPXSearch\n"
    "new object me \n"
    "-- KPXSearchXtra (Quillmoor Technologies v2.0) --\n"
    "* KPXSearchSetIndexPath string path             -- set the index path\n"
    "* KPXSearchSetArticlesPath string path          -- set the articles path\n"
    "* KPXSearchCountMatches                         -- count the number of matches\n"
    "* KPXSearchGetMatch int subscript               -- get the most recent match\n"
    "* KPXSearchGetAt int subscript                  -- get the specified match\n"
    "* KPXSearchAddWordPhrase string wordPhrase      -- add a word phrase\n"
    "* KPXSearchDeleteWordPhrase string wordPhrase   -- delete a word phrase\n"
    "* KPXSearchAndOr int mode                       -- set the boolean mode\n"
    "* KPXSearchWholeWord int mode                   -- set the word search mode\n"
    "* KPXSearchAddKeyRange string keyName, int lowerBound, int upperBound\n"
    "--                                              -- add a key range\n"
    "* KPXSearchDeleteKeyRange string keyName        -- delete a key range\n"
    "* KPXSearchCreateMatchesList string text        -- create a list of matches\n";

TEST(Registration, StoresTheMethodTableUnderMsgTable) {
  auto session = OpenPlugin();
  ASSERT_NE(session, nullptr);
  const auto& registry = session->host().registry();
  ASSERT_EQ(registry.size(), 1u);
  EXPECT_TRUE(SameId(registry[0].classId, kScriptingClassId));
  EXPECT_TRUE(SameId(registry[0].interfaceId, kScriptInterfaceId));
  auto entry = registry[0].values.find("msgTable");
  ASSERT_NE(entry, registry[0].values.end());
  EXPECT_EQ(entry->second.first, 9);
  EXPECT_EQ(entry->second.second, kHostMethodTable);
  EXPECT_EQ(registry[0].sizes.at("msgTable"), 0) << "the host measures the NUL-terminated text";
  ExpectCleanClose(*session);
}

TEST(Registration, PassesRegistryAndDictionaryRefusalsBack) {
  constexpr auto kRefusal = static_cast<XtraResult>(0x80040777u);
  auto session = OpenPlugin();
  ASSERT_NE(session, nullptr);
  hostsim::SimHost& host = session->host();
  void* object = host.CreateObject(session->exports(), kRegistrationClassId);
  void* record = nullptr;
  ASSERT_EQ(session->exports().getInterface(object, nullptr, &kRegisterInterfaceId, &record),
            XTRA_OK);
  auto* registration = static_cast<IMoaRegister*>(record);
  for (bool inDictionary : {false, true}) {
    host.mutable_options().registryCode = inDictionary ? XTRA_OK : kRefusal;
    host.mutable_options().dictionaryCode = inDictionary ? kRefusal : XTRA_OK;
    EXPECT_EQ(registration->ops->registerPlugIn(registration, host.registryCache(),
                                                host.plugInDictionary()),
              kRefusal);
  }
  registration->ops->release(registration);
  host.ReleaseObject(object);
  ExpectCleanClose(*session);
}

}  // namespace
}  // namespace xtra
