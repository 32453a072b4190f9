#include "xtra/host/interface_record.h"

namespace xtra {

std::uint32_t liveInterfaceCount = 0;

namespace {

XtraUnknown* AsUnknown(XtraObjectHeader* owner) { return reinterpret_cast<XtraUnknown*>(owner); }

void AddOwnerReference(XtraObjectHeader* owner) { owner->ops->addRef(AsUnknown(owner)); }

void ReleaseOwner(XtraObjectHeader* owner) { owner->ops->release(AsUnknown(owner)); }

}  // namespace

XtraResult CreateInterfaceRecord(void* owner, const void* ops, void** out) {
  auto* header = static_cast<XtraObjectHeader*>(owner);
  HostAllocator* allocator = header->hostAllocator;
  void* block = allocator->ops->allocate(allocator, sizeof(InterfaceRecord));
  if (block == nullptr) {
    *out = nullptr;
    return XTRA_E_OUT_OF_MEMORY;
  }
  auto* record = static_cast<InterfaceRecord*>(block);
  record->ops = ops;
  record->owner = header;
  record->count = 1;
  AddOwnerReference(header);  // the record's existence
  AddOwnerReference(header);  // its initial count
  ++liveInterfaceCount;
  *out = record;
  return XTRA_OK;
}

XtraResult XTRA_CALL RecordQueryInterface(InterfaceRecord* self, const XtraId* interfaceId,
                                          void** out) {
  XtraObjectHeader* owner = self->owner;
  return owner->ops->queryInterface(AsUnknown(owner), interfaceId, out);
}

std::uint32_t XTRA_CALL RecordAddRef(InterfaceRecord* self) {
  AddOwnerReference(self->owner);
  return ++self->count;
}

std::uint32_t XTRA_CALL RecordRelease(InterfaceRecord* self) {
  XtraObjectHeader* owner = self->owner;
  std::uint32_t count = --self->count;
  if (count == 0) {
    // Free the record while its owner (and so the owner's allocator) is
    // certainly alive, then drop the existence reference.
    HostAllocator* allocator = owner->hostAllocator;
    allocator->ops->freeBlock(allocator, self);
    --liveInterfaceCount;
    ReleaseOwner(owner);
  }
  ReleaseOwner(owner);
  return count;
}

}  // namespace xtra
