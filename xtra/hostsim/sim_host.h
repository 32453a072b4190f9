// SimHost: a stand-in for the multimedia host on the far side of the
// plug-in's interfaces. It offers what the plug-in reaches through an object
// header and the host callback:
//   - the allocator (positions 3 and 4), counting live blocks;
//   - the application information (item 0 byte 3 = the major version);
//   - the value service with 8-byte values holding an integer, a string, a
//     list or nothing (void); borrowed strings are counted and checked for
//     writes;
//   - the call-context service, counting live contexts;
//   - a registry cache (position 7) and entry dictionaries (position 6) that
//     keep what is registered;
//   - objects of the plug-in's classes, created and destroyed through the
//     operations DllGetClassForm gives, with the host's own reference count.
//
// Every misuse the host can notice (a free of an unknown block, a release of a
// string never borrowed, a reference count going below zero, borrowed
// characters written to) is recorded as a problem; CheckAllReturned() adds
// every resource still held. Tests assert that the list stays empty.
// One thread; the simulator is not reentrant.
#ifndef KPX_XTRA_HOSTSIM_SIM_HOST_H_
#define KPX_XTRA_HOSTSIM_SIM_HOST_H_

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "xtra/host/host_interfaces.h"
#include "xtra/hostsim/plugin_library.h"

namespace hostsim {

struct HostOptions {
  std::uint8_t majorVersion = 6;  // byte 3 of application information item 0
  bool appInfoFails = false;      // getInfo answers an error
  bool refuseAppInfo = false;     // the callback does not hand the service out
  bool refuseValueService = false;
  bool refuseCallContext = false;
  XtraResult callContextCode = 0;      // non-zero: getCallContext refuses with it
  long allocationsBeforeFailure = -1;  // >= 0: allocator fails after that many
  XtraResult registryCode = 0;         // non-zero: addRegistryEntry refuses
  XtraResult dictionaryCode = 0;       // non-zero: put refuses
};

// The kinds a simulated Lingo value can hold (word 0 of a MoaMmValue).
enum class ValueKind : std::uint32_t { kVoid = 0, kInteger = 1, kString = 2, kList = 3 };

struct RegistryEntry {
  XtraId classId;
  XtraId interfaceId;
  std::map<std::string, std::pair<std::int32_t, std::string>> values;  // key: type, bytes
  std::map<std::string, std::int32_t> sizes;  // key: the size argument the plug-in gave
};

inline constexpr XtraResult kCannotConvert = static_cast<XtraResult>(0x80040101u);

// An interface record of the host: the interface and the host behind it.
template <typename Interface>
struct SimInterface {
  Interface iface;
  class SimHost* host;
};

class SimHost {
 public:
  explicit SimHost(const HostOptions& options = {});
  ~SimHost();
  SimHost(const SimHost&) = delete;
  SimHost& operator=(const SimHost&) = delete;

  const HostOptions& options() const { return options_; }
  HostOptions& mutable_options() { return options_; }
  HostAllocator* allocator() { return &allocator_.iface; }
  HostRegistryCache* registryCache() { return &registryCache_.iface; }
  HostDictionary* plugInDictionary() { return &plugInDictionary_->iface; }

  // Objects: made with the class form of classId; the host holds one
  // reference, ended by ReleaseObject. Null when the class is unknown.
  void* CreateObject(const PluginExports& exports, const XtraId& classId);
  std::uint32_t AddRefObject(void* object);
  std::uint32_t ReleaseObject(void* object);
  std::uint32_t ObjectReferences(void* object) const;

  // Values.
  MoaMmValue Void() const { return MakeValue(ValueKind::kVoid, 0); }
  MoaMmValue List() const { return MakeValue(ValueKind::kList, 0); }
  MoaMmValue Integer(std::int32_t value) const;
  MoaMmValue String(const std::string& text);
  static ValueKind KindOf(const MoaMmValue& value) { return ValueKind(value.words[0]); }
  std::int32_t IntegerOf(const MoaMmValue& value) const;
  const std::string& StringOf(const MoaMmValue& value) const;
  // Drops every stored string; only while none is borrowed.
  void ClearValues();

  const std::vector<RegistryEntry>& registry() const { return registry_; }
  long liveBlocks() const { return static_cast<long>(blocks_.size()); }
  // The size a live block was asked for; -1 for a block the allocator does not hold.
  long BlockSize(const void* block) const;
  long liveObjects() const { return static_cast<long>(objects_.size()); }
  long outstandingBorrows() const;
  long liveCallContexts() const { return liveContexts_; }
  long serviceReferences() const;
  long callContextRequests() const { return contextRequests_; }

  // Problems noticed so far, plus every resource still held.
  std::vector<std::string> CheckAllReturned();
  const std::vector<std::string>& problems() const { return problems_; }
  void AddProblem(std::string problem) { problems_.push_back(std::move(problem)); }

  // Used by the operation tables (sim_host.cpp, sim_values.cpp).
  void* Allocate(std::uint32_t size);
  void FreeBlock(void* block);
  XtraResult QueryService(const XtraId& id, void** out);
  void AddServiceReference(int service, int delta);
  XtraResult GetCallContext(XtraUnknown** out);
  void ReleaseCallContext();
  XtraResult AddRegistryEntry(const XtraId& classId, const XtraId& interfaceId,
                              HostDictionary** out);
  XtraResult PutEntry(HostDictionary* dictionary, std::int32_t type, const void* data,
                      std::int32_t size, const char* key);
  XtraResult Borrow(const MoaMmValue& value, const char** out);
  XtraResult ReleaseBorrow(const MoaMmValue& value);
  XtraResult ObjectQueryInterface(void* object, const XtraId& id, void** out);

 private:
  struct SimObject;
  static MoaMmValue MakeValue(ValueKind kind, std::uint32_t payload) {
    return MoaMmValue{{static_cast<std::uint32_t>(kind), payload}};
  }

  HostOptions options_;
  SimInterface<HostAllocator> allocator_;
  SimInterface<HostCallback> callback_;
  SimInterface<HostAppInfoService> appInfo_;
  SimInterface<HostValueService> values_;
  SimInterface<HostCallContextService> contexts_;
  SimInterface<HostRegistryCache> registryCache_;
  SimInterface<XtraUnknown> callContext_;
  std::deque<SimInterface<HostDictionary>> dictionaries_;
  SimInterface<HostDictionary>* plugInDictionary_;
  std::vector<RegistryEntry> registry_;
  std::map<HostDictionary*, std::size_t> entryOfDictionary_;
  std::map<const void*, std::uint32_t> blocks_;  // live block: size asked for
  long allocations_ = 0;
  std::map<void*, SimObject*> objects_;
  std::deque<std::string> strings_;
  std::map<std::uint32_t, std::pair<long, std::string>> borrows_;  // count, snapshot
  long serviceRefs_[3] = {0, 0, 0};                                // app info, values, call context
  long liveContexts_ = 0;
  long contextRequests_ = 0;
  std::vector<std::string> problems_;
};

}  // namespace hostsim

#endif  // KPX_XTRA_HOSTSIM_SIM_HOST_H_
