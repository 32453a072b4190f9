// The objects of the plug-in's two classes as the host allocates them, and the
// scripting class's creation and teardown.
//
// The host allocates every object with the instance size the class declares
// (DllGetClassForm) and puts its header first. The registration class has no
// fields of its own; a scripting object is the header followed by an
// XtraInstance, which holds the host services obtained at creation and the
// engine's SearchState for this instance alone.
//
// Creation never fails. A service the host does not hand out stays null and
// the dispatcher answers without it; application information that cannot be
// read gives versionClass 6. Teardown releases the services; the host frees
// the object.
#ifndef KPX_XTRA_HOST_XTRA_INSTANCE_H_
#define KPX_XTRA_HOST_XTRA_INSTANCE_H_

#include <cstddef>
#include <cstdint>

#include "xtra/engine/search_engine.h"
#include "xtra/host/host_interfaces.h"

namespace xtra {

struct XtraInstance {
  HostAppInfoService* appInfoService;          // used only at creation
  HostValueService* valueService;              // Lingo value conversion
  HostCallContextService* callContextService;  // source of the per-call reference
  XtraUnknown* callContext;                    // held only during one call
  std::int16_t versionClass;                   // 5, 6 or 7
  engine::SearchState searchState;
};

struct RegistrationObject {
  XtraObjectHeader header;
};

struct ScriptingObject {
  XtraObjectHeader header;
  XtraInstance instance;
};

// Pointer fields take 4 bytes on the 32-bit Windows target and 8 on 64-bit
// builds; the search state follows versionClass at 4-byte alignment.
static_assert(offsetof(XtraInstance, valueService) == sizeof(void*));
static_assert(offsetof(XtraInstance, callContext) == 3 * sizeof(void*));
static_assert(offsetof(XtraInstance, versionClass) == 4 * sizeof(void*));
static_assert(offsetof(XtraInstance, searchState) == 4 * sizeof(void*) + 4);
static_assert(offsetof(ScriptingObject, instance) == sizeof(XtraObjectHeader));
// The search state's layout is the same on every target: 16,328 bytes up to
// and with wordSearchMode, then the set's fold table of 256 bytes, then the
// 20 bytes of what is known of the phrase accelerator, then the 44 bytes of
// what is known of the set's fold record, then the 44 bytes that name the
// accelerator blocks kept and those two blocks (8,192 bytes), then the scan
// buffer of 32,768 bytes: 57,652 in all.
static_assert(offsetof(engine::SearchState, foldTable) == 16328);
static_assert(offsetof(engine::SearchState, pairCheckKey) == 16328 + engine::kFoldTableSize);
static_assert(offsetof(engine::SearchState, foldCheckKey) == 16328 + engine::kFoldTableSize + 20);
static_assert(offsetof(engine::SearchState, pairBlocksKey) ==
              16328 + engine::kFoldTableSize + 20 + 44);
static_assert(offsetof(engine::SearchState, pairHeaderBlock) ==
              16328 + engine::kFoldTableSize + 20 + 44 + 44);
static_assert(offsetof(engine::SearchState, scanBuffer) ==
              16328 + engine::kFoldTableSize + 20 + 44 + 44 + 2 * engine::kPairBlockBytes);
static_assert(sizeof(engine::SearchState) == 16328 + engine::kFoldTableSize + 20 + 44 + 44 +
                                                 2 * engine::kPairBlockBytes +
                                                 engine::kScanBufferSize);
static_assert(sizeof(engine::SearchState) == 57652);
static_assert(alignof(engine::SearchState) == 4);
static_assert(sizeof(RegistrationObject) == sizeof(XtraObjectHeader));

// Version class of a host major version: 7 for 7 and 8, 5 for 5, else 6.
std::int16_t VersionClassOf(std::uint8_t majorVersion);

// The scripting class's create and destroy operations (object is a
// ScriptingObject); the registration class's do-nothing pair.
XtraResult XTRA_CALL CreateScriptingInstance(void* object);
void XTRA_CALL DestroyScriptingInstance(void* object);
XtraResult XTRA_CALL CreateRegistrationObject(void* object);
void XTRA_CALL DestroyRegistrationObject(void* object);

}  // namespace xtra

#endif  // KPX_XTRA_HOST_XTRA_INSTANCE_H_
