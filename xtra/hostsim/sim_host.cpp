#include "xtra/hostsim/sim_host.h"

#include <cstdlib>
#include <cstring>

#include "xtra/host/xtra_ids.h"

namespace hostsim {
namespace {

constexpr unsigned char kFreshBlockFill = 0xA5;  // never hand out zeroed memory
enum Service { kAppInfo = 0, kValues = 1, kCallContext = 2 };

template <typename Interface>
SimHost* HostOf(Interface* self) {
  return reinterpret_cast<SimInterface<Interface>*>(self)->host;
}

// Basic operations of the host's service records: query interface answers
// nothing, references are counted per service where it matters.
template <typename Interface>
XtraResult XTRA_CALL NoInterface(Interface*, const XtraId*, void** out) {
  if (out != nullptr) *out = nullptr;
  return XTRA_E_NO_INTERFACE;
}
template <typename Interface>
uint32_t XTRA_CALL Uncounted(Interface*) {
  return 1;
}
template <typename Interface, int kService>
uint32_t XTRA_CALL ServiceAddRef(Interface* self) {
  HostOf(self)->AddServiceReference(kService, 1);
  return 2;
}
template <typename Interface, int kService>
uint32_t XTRA_CALL ServiceRelease(Interface* self) {
  HostOf(self)->AddServiceReference(kService, -1);
  return 1;
}

void* XTRA_CALL AllocatorAllocate(HostAllocator* self, uint32_t size) {
  return HostOf(self)->Allocate(size);
}
void XTRA_CALL AllocatorFree(HostAllocator* self, void* block) { HostOf(self)->FreeBlock(block); }
const HostAllocatorOps kAllocatorOps = {NoInterface<HostAllocator>, Uncounted<HostAllocator>,
                                        Uncounted<HostAllocator>, AllocatorAllocate, AllocatorFree};

XtraResult XTRA_CALL CallbackQuery(HostCallback* self, const XtraId* id, void** out) {
  return HostOf(self)->QueryService(*id, out);
}
const HostCallbackOps kCallbackOps = {CallbackQuery, Uncounted<HostCallback>,
                                      Uncounted<HostCallback>};

XtraResult XTRA_CALL AppInfoGet(HostAppInfoService* self, int32_t item, void* buffer,
                                int32_t size) {
  const HostOptions& options = HostOf(self)->options();
  if (options.appInfoFails || item != 0 || size < 4) return kCannotConvert;
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  std::memset(bytes, 0, static_cast<std::size_t>(size));
  bytes[0] = 'S';  // the rest of the item is the host's business
  bytes[3] = options.majorVersion;
  return XTRA_OK;
}
const HostAppInfoServiceOps kAppInfoOps = {
    NoInterface<HostAppInfoService>, ServiceAddRef<HostAppInfoService, kAppInfo>,
    ServiceRelease<HostAppInfoService, kAppInfo>, AppInfoGet};

XtraResult XTRA_CALL ContextGet(HostCallContextService* self, XtraUnknown** out) {
  return HostOf(self)->GetCallContext(out);
}
const HostCallContextServiceOps kContextServiceOps = {
    NoInterface<HostCallContextService>,
    ServiceAddRef<HostCallContextService, kCallContext>,
    ServiceRelease<HostCallContextService, kCallContext>,
    {},
    ContextGet};

uint32_t XTRA_CALL ContextRelease(XtraUnknown* self) {
  HostOf(self)->ReleaseCallContext();
  return 0;
}
const XtraUnknownOps kContextOps = {NoInterface<XtraUnknown>, Uncounted<XtraUnknown>,
                                    ContextRelease};

XtraResult XTRA_CALL RegistryAdd(HostRegistryCache* self, HostDictionary*, const XtraId* classId,
                                 const XtraId* interfaceId, HostDictionary** out) {
  return HostOf(self)->AddRegistryEntry(*classId, *interfaceId, out);
}
const HostRegistryCacheOps kRegistryOps = {NoInterface<HostRegistryCache>,
                                           Uncounted<HostRegistryCache>,
                                           Uncounted<HostRegistryCache>,
                                           {},
                                           {},
                                           {},
                                           {},
                                           RegistryAdd};

XtraResult XTRA_CALL DictionaryPut(HostDictionary* self, int32_t type, const void* data,
                                   int32_t size, const char* key) {
  return HostOf(self)->PutEntry(self, type, data, size, key);
}
const HostDictionaryOps kDictionaryOps = {NoInterface<HostDictionary>,
                                          Uncounted<HostDictionary>,
                                          Uncounted<HostDictionary>,
                                          {},
                                          {},
                                          {},
                                          DictionaryPut};

}  // namespace

extern const HostValueServiceOps kSimValueServiceOps;  // sim_values.cpp

SimHost::SimHost(const HostOptions& options)
    : options_(options),
      allocator_{{&kAllocatorOps}, this},
      callback_{{&kCallbackOps}, this},
      appInfo_{{&kAppInfoOps}, this},
      values_{{&kSimValueServiceOps}, this},
      contexts_{{&kContextServiceOps}, this},
      registryCache_{{&kRegistryOps}, this},
      callContext_{{&kContextOps}, this} {
  dictionaries_.push_back({{&kDictionaryOps}, this});
  plugInDictionary_ = &dictionaries_.back();
}

void* SimHost::Allocate(std::uint32_t size) {
  if (options_.allocationsBeforeFailure >= 0 && allocations_ >= options_.allocationsBeforeFailure) {
    return nullptr;
  }
  ++allocations_;
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) return nullptr;
  std::memset(block, kFreshBlockFill, size);
  blocks_[block] = size;
  return block;
}

long SimHost::BlockSize(const void* block) const {
  auto live = blocks_.find(block);
  return live == blocks_.end() ? -1 : static_cast<long>(live->second);
}

void SimHost::FreeBlock(void* block) {
  if (blocks_.erase(block) == 0) {
    AddProblem("freed a block the allocator never handed out (or freed it twice)");
    return;
  }
  std::free(block);
}

XtraResult SimHost::QueryService(const XtraId& id, void** out) {
  *out = nullptr;
  if (xtra::SameId(id, xtra::kAppInfoServiceId) && !options_.refuseAppInfo) {
    *out = &appInfo_.iface;
    AddServiceReference(kAppInfo, 1);
  } else if (xtra::SameId(id, xtra::kValueServiceId) && !options_.refuseValueService) {
    *out = &values_.iface;
    AddServiceReference(kValues, 1);
  } else if (xtra::SameId(id, xtra::kCallContextServiceId) && !options_.refuseCallContext) {
    *out = &contexts_.iface;
    AddServiceReference(kCallContext, 1);
  }
  return *out != nullptr ? XTRA_OK : XTRA_E_NO_INTERFACE;
}

void SimHost::AddServiceReference(int service, int delta) {
  serviceRefs_[service] += delta;
  if (serviceRefs_[service] < 0) AddProblem("a host service was released more than obtained");
}

long SimHost::serviceReferences() const {
  return serviceRefs_[kAppInfo] + serviceRefs_[kValues] + serviceRefs_[kCallContext];
}

XtraResult SimHost::GetCallContext(XtraUnknown** out) {
  ++contextRequests_;
  if (options_.callContextCode != XTRA_OK) return options_.callContextCode;
  if (liveContexts_ != 0) AddProblem("a call context was requested while one is held");
  ++liveContexts_;
  *out = &callContext_.iface;
  return XTRA_OK;
}

void SimHost::ReleaseCallContext() {
  if (--liveContexts_ < 0) AddProblem("a call context was released more than obtained");
}

XtraResult SimHost::AddRegistryEntry(const XtraId& classId, const XtraId& interfaceId,
                                     HostDictionary** out) {
  if (options_.registryCode != XTRA_OK) return options_.registryCode;
  registry_.push_back({classId, interfaceId, {}, {}});
  dictionaries_.push_back({{&kDictionaryOps}, this});
  entryOfDictionary_[&dictionaries_.back().iface] = registry_.size() - 1;
  *out = &dictionaries_.back().iface;
  return XTRA_OK;
}

XtraResult SimHost::PutEntry(HostDictionary* dictionary, std::int32_t type, const void* data,
                             std::int32_t size, const char* key) {
  if (options_.dictionaryCode != XTRA_OK) return options_.dictionaryCode;
  auto entry = entryOfDictionary_.find(dictionary);
  if (entry == entryOfDictionary_.end()) {
    AddProblem("an entry was put into a dictionary that is no registry entry");
    return XTRA_E_NO_INTERFACE;
  }
  const char* bytes = static_cast<const char*>(data);
  std::string value = size == 0 ? std::string(bytes) : std::string(bytes, size);
  registry_[entry->second].values[key] = {type, value};
  registry_[entry->second].sizes[key] = size;
  return XTRA_OK;
}

std::vector<std::string> SimHost::CheckAllReturned() {
  std::vector<std::string> all = problems_;
  auto held = [&all](long count, const char* what) {
    if (count != 0) all.push_back(std::to_string(count) + " " + what + " still held");
  };
  held(liveBlocks(), "allocator blocks");
  held(liveObjects(), "objects");
  held(outstandingBorrows(), "borrowed strings");
  held(liveContexts_, "call contexts");
  held(serviceReferences(), "service references");
  return all;
}

}  // namespace hostsim
