#include "xtra/hostsim/xtra_session.h"

#include <algorithm>

#include "xtra/host/xtra_ids.h"

namespace hostsim {
namespace {

constexpr std::size_t kMaxClassInfoEntries = 64;  // a table without terminator ends here
const XtraId kNoId{};

}  // namespace

ScriptingInstance::~ScriptingInstance() {
  script_->ops->release(script_);
  host_.ReleaseObject(object_);
}

CallResult ScriptingInstance::Call(std::int32_t selector, const std::vector<MoaMmValue>& args,
                                   std::size_t declaredCount) {
  std::vector<MoaMmValue> slots = args;
  slots.resize(std::max(args.size(), declaredCount) + 1, host_.Void());
  MoaMmCallInfo info{};
  info.resultValue = host_.Void();
  info.methodSelector = selector;
  info.argCount = static_cast<int32_t>(args.size());
  info.args = slots.data();
  CallResult result;
  result.code = script_->ops->call(script_, &info);
  result.result = info.resultValue;
  if (host_.outstandingBorrows() != 0) host_.AddProblem("a call ended with a string borrowed");
  if (host_.liveCallContexts() != 0) host_.AddProblem("a call ended holding its call context");
  return result;
}

std::unique_ptr<XtraSession> XtraSession::Open(const std::string& libraryPath,
                                               const HostOptions& options, std::string* error) {
  std::unique_ptr<XtraSession> session(new XtraSession(options));
  session->library_ = PluginLibrary::Load(libraryPath, error);
  if (session->library_ == nullptr || !session->ReadClassInfo(error) || !session->Register(error)) {
    return nullptr;
  }
  for (const RegistryEntry& entry : session->host_.registry()) {
    auto text = entry.values.find("msgTable");
    if (text == entry.values.end()) continue;
    if (!ParseMethodTable(text->second.second, &session->methods_, error)) return nullptr;
    return session;
  }
  *error = "the plug-in registered no method table";
  return nullptr;
}

XtraSession::~XtraSession() {
  // Unload only once nothing of the library can be called any more.
  if (library_ != nullptr && exports().canUnloadNow() != XTRA_OK) library_.release();
}

bool XtraSession::ReadClassInfo(std::string* error) {
  XtraClassInfoEntry* table = nullptr;
  XtraResult code = exports().getClassInfo(host_.allocator(), &table);
  if (code != XTRA_OK || table == nullptr) {
    *error = "DllGetClassInfo failed";
    return false;
  }
  for (std::size_t i = 0; i < kMaxClassInfoEntries; ++i) {
    if (xtra::SameId(table[i].classId, kNoId) && xtra::SameId(table[i].interfaceId, kNoId)) break;
    classInfo_.push_back(table[i]);
  }
  host_.FreeBlock(table);
  return true;
}

const XtraId* XtraSession::ClassOffering(const XtraId& interfaceId) const {
  for (const XtraClassInfoEntry& entry : classInfo_) {
    if (xtra::SameId(entry.interfaceId, interfaceId)) return &entry.classId;
  }
  return nullptr;
}

bool XtraSession::Register(std::string* error) {
  const XtraId* classId = ClassOffering(xtra::kRegisterInterfaceId);
  void* object = classId == nullptr ? nullptr : host_.CreateObject(exports(), *classId);
  if (object == nullptr) {
    *error = "the plug-in offers no registration class";
    return false;
  }
  void* record = nullptr;
  XtraResult code = exports().getInterface(object, classId, &xtra::kRegisterInterfaceId, &record);
  if (code == XTRA_OK) {
    auto* registration = static_cast<IMoaRegister*>(record);
    code = registration->ops->registerPlugIn(registration, host_.registryCache(),
                                             host_.plugInDictionary());
    registration->ops->release(registration);
  }
  host_.ReleaseObject(object);
  if (code != XTRA_OK) *error = "the plug-in's registration failed";
  return code == XTRA_OK;
}

std::unique_ptr<ScriptingInstance> XtraSession::NewInstance(std::string* error) {
  const XtraId* classId = ClassOffering(xtra::kScriptInterfaceId);
  void* object = classId == nullptr ? nullptr : host_.CreateObject(exports(), *classId);
  if (object == nullptr) {
    *error = "the plug-in offers no scripting class";
    return nullptr;
  }
  void* record = nullptr;
  if (exports().getInterface(object, classId, &xtra::kScriptInterfaceId, &record) != XTRA_OK) {
    host_.ReleaseObject(object);
    *error = "the scripting class did not hand out its script interface";
    return nullptr;
  }
  return std::make_unique<ScriptingInstance>(host_, object, static_cast<IMoaMmXScript*>(record));
}

std::vector<std::string> XtraSession::Close() {
  std::vector<std::string> problems;
  if (exports().canUnloadNow() != XTRA_OK) {
    problems.push_back("DllCanUnloadNow refuses: interface records are still alive");
    library_.release();  // keep the code mapped: records may still be called
  } else {
    library_.reset();
  }
  for (std::string& problem : host_.CheckAllReturned()) problems.push_back(std::move(problem));
  return problems;
}

}  // namespace hostsim
