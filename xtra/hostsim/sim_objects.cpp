// The host's side of the plug-in's objects: allocation with the class form,
// the object header, the host's reference count, and destruction.
#include <cstdlib>
#include <cstring>

#include "xtra/hostsim/sim_host.h"

namespace hostsim {

struct SimHost::SimObject {
  SimHost* host;
  XtraId classId;
  XtraDestroyFn destroy;
  const PluginExports* exports;
  std::uint32_t references;
};

namespace {

constexpr unsigned char kFreshObjectFill = 0x5A;

SimHost* HostOfObject(XtraUnknown* self) {
  auto* header = reinterpret_cast<XtraObjectHeader*>(self);
  return *static_cast<SimHost**>(header->hostPrivate);  // SimObject starts with its host
}

XtraResult XTRA_CALL ObjectQuery(XtraUnknown* self, const XtraId* id, void** out) {
  return HostOfObject(self)->ObjectQueryInterface(self, *id, out);
}
uint32_t XTRA_CALL ObjectAddRef(XtraUnknown* self) {
  return HostOfObject(self)->AddRefObject(self);
}
uint32_t XTRA_CALL ObjectRelease(XtraUnknown* self) {
  return HostOfObject(self)->ReleaseObject(self);
}
const XtraUnknownOps kObjectOps = {ObjectQuery, ObjectAddRef, ObjectRelease};

}  // namespace

void* SimHost::CreateObject(const PluginExports& exports, const XtraId& classId) {
  uint32_t size = 0;
  XtraCreateFn create = nullptr;
  XtraDestroyFn destroy = nullptr;
  if (exports.getClassForm(&classId, &size, &create, &destroy) != XTRA_OK) return nullptr;
  if (size < sizeof(XtraObjectHeader) || create == nullptr || destroy == nullptr) {
    AddProblem("a class form without room for the header or without operations");
    return nullptr;
  }
  void* block = std::malloc(size);
  if (block == nullptr) return nullptr;
  std::memset(block, kFreshObjectFill, size);
  auto* object = new SimObject{this, classId, destroy, &exports, 1};
  auto* header = static_cast<XtraObjectHeader*>(block);
  header->ops = &kObjectOps;
  header->hostCallback = &callback_.iface;
  header->hostAllocator = &allocator_.iface;
  header->hostPrivate = object;
  objects_[block] = object;
  if (create(block) != XTRA_OK) AddProblem("an object's create operation failed");
  return block;
}

std::uint32_t SimHost::AddRefObject(void* object) {
  auto found = objects_.find(object);
  if (found == objects_.end()) {
    AddProblem("add reference on an object that is gone");
    return 0;
  }
  return ++found->second->references;
}

std::uint32_t SimHost::ReleaseObject(void* object) {
  auto found = objects_.find(object);
  if (found == objects_.end()) {
    AddProblem("release of an object that is gone");
    return 0;
  }
  SimObject* record = found->second;
  if (--record->references != 0) return record->references;
  record->destroy(object);
  objects_.erase(found);
  delete record;
  std::free(object);
  return 0;
}

std::uint32_t SimHost::ObjectReferences(void* object) const {
  auto found = objects_.find(object);
  return found == objects_.end() ? 0 : found->second->references;
}

// Asking an object for an interface goes back to the library that made it.
XtraResult SimHost::ObjectQueryInterface(void* object, const XtraId& id, void** out) {
  auto found = objects_.find(object);
  if (found == objects_.end()) {
    AddProblem("query interface on an object that is gone");
    return XTRA_E_NO_INTERFACE;
  }
  return found->second->exports->getInterface(object, &found->second->classId, &id, out);
}

SimHost::~SimHost() {
  for (auto& [block, object] : objects_) {
    delete object;
    std::free(block);
  }
  for (auto& entry : blocks_) std::free(const_cast<void*>(entry.first));
}

}  // namespace hostsim
