// InterfaceRecord: what the host receives for each interface it obtains from
// one of the plug-in's objects, and the module-wide count of live records.
//
// Reference rules:
//   - A record is allocated from its owner's hostAllocator and starts with
//     count 1. At birth it adds two references to its owner: one for its own
//     existence and one for its initial count.
//   - Add reference adds one to the owner and one to the count; release takes
//     one from the count and releases the owner once. When the count reaches
//     0 the record is freed, liveInterfaceCount drops by one and the owner is
//     released once more (the existence reference). So the owner outlives
//     every record made on it.
//   - Query interface is forwarded to the owner's query interface.
//   - Counts are plain integers: the host calls one at a time.
#ifndef KPX_XTRA_HOST_INTERFACE_RECORD_H_
#define KPX_XTRA_HOST_INTERFACE_RECORD_H_

#include <cstddef>
#include <cstdint>

#include "xtra/host/host_interfaces.h"

namespace xtra {

struct InterfaceRecord {
  const void* ops;          // the interface's operation table
  XtraObjectHeader* owner;  // the object the interface belongs to
  std::uint32_t count;      // references held by the host, from 1
};

static_assert(offsetof(InterfaceRecord, owner) == sizeof(void*));
static_assert(offsetof(InterfaceRecord, count) == 2 * sizeof(void*));
static_assert(sizeof(InterfaceRecord) == (sizeof(void*) == 4 ? 12 : 24));

// Records created and not yet freed, over the whole module.
extern std::uint32_t liveInterfaceCount;

// Makes a record with ops on owner and writes it to *out. On allocation
// failure writes null and returns XTRA_E_OUT_OF_MEMORY.
XtraResult CreateInterfaceRecord(void* owner, const void* ops, void** out);

// The three basic operations every record's table starts with.
XtraResult XTRA_CALL RecordQueryInterface(InterfaceRecord* self, const XtraId* interfaceId,
                                          void** out);
std::uint32_t XTRA_CALL RecordAddRef(InterfaceRecord* self);
std::uint32_t XTRA_CALL RecordRelease(InterfaceRecord* self);

// The owner of an interface handed to the host (the self of an operation).
template <typename Object>
Object* OwnerOf(void* interface) {
  return reinterpret_cast<Object*>(static_cast<InterfaceRecord*>(interface)->owner);
}

}  // namespace xtra

#endif  // KPX_XTRA_HOST_INTERFACE_RECORD_H_
