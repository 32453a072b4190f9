/* The host interfaces the search plug-in meets, declared by us in C layout.
 *
 * Contract:
 *   - Every interface is a record whose first field points at an operation
 *     table. Positions 0 to 2 of every table are query interface, add
 *     reference and release; the positions after them are named below only
 *     where the plug-in or the host simulator uses them. Unused positions are
 *     reserved slots, so every named operation sits at the position the host
 *     expects (the static assertions at the end check each one).
 *   - IDs are 16 bytes in GUID layout; result codes are 32-bit, 0 success.
 *   - XTRA_CALL is the calling convention of every operation and export:
 *     stdcall on 32-bit Windows, the platform default elsewhere.
 *   - Reference rules: query interface and every operation handing out an
 *     interface add one reference that the receiver ends with release; a
 *     borrowed string lives until its release; the call context lives until
 *     its release. Nothing here is thread-safe: the host calls one at a time.
 *   - Plain C: compiles as C11 and as C++.
 */
#ifndef KPX_XTRA_HOST_HOST_INTERFACES_H_
#define KPX_XTRA_HOST_HOST_INTERFACES_H_

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define XTRA_CALL __stdcall
#else
#define XTRA_CALL
#endif

#ifdef __cplusplus
#define XTRA_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
extern "C" {
#else
#define XTRA_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

typedef int32_t XtraResult;

#define XTRA_OK ((XtraResult)0)
#define XTRA_E_OUT_OF_MEMORY ((XtraResult)(int32_t)0x80040002u)
#define XTRA_E_CANNOT_UNLOAD ((XtraResult)(int32_t)0x80040003u)
#define XTRA_E_NO_INTERFACE ((XtraResult)(int32_t)0x80040004u)
#define XTRA_E_NO_CLASS ((XtraResult)(int32_t)0x80040005u)

/* A class or interface ID: a 32-bit and two 16-bit little-endian fields,
 * then 8 bytes in order. */
typedef struct XtraId {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
} XtraId;

/* A position of a table the plug-in never calls. */
typedef void(XTRA_CALL* XtraReservedSlot)(void);

/* Positions 0 to 2 of every operation table, with self of type Self. */
#define XTRA_BASIC_OPS(Self)                                                                 \
  XtraResult(XTRA_CALL* queryInterface)(Self * self, const XtraId* interfaceId, void** out); \
  uint32_t(XTRA_CALL* addRef)(Self * self);                                                  \
  uint32_t(XTRA_CALL* release)(Self * self)

/* Any interface, seen only through its three basic operations. */
typedef struct XtraUnknown XtraUnknown;
typedef struct XtraUnknownOps {
  XTRA_BASIC_OPS(XtraUnknown);
} XtraUnknownOps;
struct XtraUnknown {
  const XtraUnknownOps* ops;
};

/* A Lingo value: 8 opaque bytes that only the host's value service reads or
 * makes. */
typedef struct MoaMmValue {
  uint32_t words[2];
} MoaMmValue;

/* The host's record of one Lingo call. args holds the declared arguments in
 * declared order; the host pads missing ones with values it cannot convert.
 * The plug-in reads methodSelector and args and writes resultValue only. */
typedef struct MoaMmCallInfo {
  MoaMmValue resultValue;
  int32_t methodSelector;
  int32_t argCount;
  MoaMmValue* args;
} MoaMmCallInfo;

/* The host's allocator: position 3 allocates (null on failure), 4 frees. */
typedef struct HostAllocator HostAllocator;
typedef struct HostAllocatorOps {
  XTRA_BASIC_OPS(HostAllocator);
  void*(XTRA_CALL* allocate)(HostAllocator* self, uint32_t size);
  void(XTRA_CALL* freeBlock)(HostAllocator* self, void* block);
} HostAllocatorOps;
struct HostAllocator {
  const HostAllocatorOps* ops;
};

/* The host callback: host services are obtained through its position 0. */
typedef struct HostCallback HostCallback;
typedef struct HostCallbackOps {
  XTRA_BASIC_OPS(HostCallback);
} HostCallbackOps;
struct HostCallback {
  const HostCallbackOps* ops;
};

/* Application information: position 3 fills buffer (of size bytes) with
 * item number item. Item 0 byte 3 is the host's major version. */
typedef struct HostAppInfoService HostAppInfoService;
typedef struct HostAppInfoServiceOps {
  XTRA_BASIC_OPS(HostAppInfoService);
  XtraResult(XTRA_CALL* getInfo)(HostAppInfoService* self, int32_t item, void* buffer,
                                 int32_t size);
} HostAppInfoServiceOps;
struct HostAppInfoService {
  const HostAppInfoServiceOps* ops;
};

/* A registry dictionary: position 6 stores an entry (type, data, size, key);
 * size 0 means data is a NUL-terminated text. */
typedef struct HostDictionary HostDictionary;
typedef struct HostDictionaryOps {
  XTRA_BASIC_OPS(HostDictionary);
  XtraReservedSlot reserved3;
  XtraReservedSlot reserved4;
  XtraReservedSlot reserved5;
  XtraResult(XTRA_CALL* put)(HostDictionary* self, int32_t entryType, const void* data,
                             int32_t size, const char* key);
} HostDictionaryOps;
struct HostDictionary {
  const HostDictionaryOps* ops;
};

/* The host's registry cache: position 7 adds an entry for a class and
 * interface and hands out its dictionary (owned by the host). */
typedef struct HostRegistryCache HostRegistryCache;
typedef struct HostRegistryCacheOps {
  XTRA_BASIC_OPS(HostRegistryCache);
  XtraReservedSlot reserved3;
  XtraReservedSlot reserved4;
  XtraReservedSlot reserved5;
  XtraReservedSlot reserved6;
  XtraResult(XTRA_CALL* addRegistryEntry)(HostRegistryCache* self, HostDictionary* plugInDict,
                                          const XtraId* classId, const XtraId* interfaceId,
                                          HostDictionary** entryDict);
} HostRegistryCacheOps;
struct HostRegistryCache {
  const HostRegistryCacheOps* ops;
};

/* Lingo value conversion. Each operation returns a code; a value the host
 * cannot convert gives a non-zero code and leaves the output untouched. */
typedef struct HostValueService HostValueService;
typedef struct HostValueServiceOps {
  XTRA_BASIC_OPS(HostValueService);
  XtraReservedSlot reserved3[10]; /* positions 3 to 12 */
  XtraResult(XTRA_CALL* valueToInteger)(HostValueService* self, const MoaMmValue* value,
                                        int32_t* out);
  XtraReservedSlot reserved14[4]; /* positions 14 to 17 */
  XtraResult(XTRA_CALL* stringBorrow)(HostValueService* self, const MoaMmValue* value,
                                      const char** out);
  XtraResult(XTRA_CALL* stringRelease)(HostValueService* self, const MoaMmValue* value);
  XtraReservedSlot reserved20[2]; /* positions 20 and 21 */
  XtraResult(XTRA_CALL* integerToValue)(HostValueService* self, int32_t integer, MoaMmValue* out);
  XtraReservedSlot reserved23[2]; /* positions 23 and 24 */
  XtraResult(XTRA_CALL* stringToValue)(HostValueService* self, const char* text, MoaMmValue* out);
} HostValueServiceOps;
struct HostValueService {
  const HostValueServiceOps* ops;
};

/* The call-context service: position 6 stores a reference for the current
 * call into *out; the reference is ended by its own release. */
typedef struct HostCallContextService HostCallContextService;
typedef struct HostCallContextServiceOps {
  XTRA_BASIC_OPS(HostCallContextService);
  XtraReservedSlot reserved3[3]; /* positions 3 to 5 */
  XtraResult(XTRA_CALL* getCallContext)(HostCallContextService* self, XtraUnknown** out);
} HostCallContextServiceOps;
struct HostCallContextService {
  const HostCallContextServiceOps* ops;
};

/* The host's header at the start of every object of either class. The host
 * allocates the object with the class's instance size; the plug-in's own
 * fields follow the header. ops are the object's own operations. */
typedef struct XtraObjectHeader {
  const XtraUnknownOps* ops;
  HostCallback* hostCallback;
  HostAllocator* hostAllocator;
  void* hostPrivate; /* the host's own bookkeeping; never touched by the plug-in */
} XtraObjectHeader;

/* The registration interface handed to the host. */
typedef struct IMoaRegister IMoaRegister;
typedef struct IMoaRegisterOps {
  XTRA_BASIC_OPS(IMoaRegister);
  XtraResult(XTRA_CALL* registerPlugIn)(IMoaRegister* self, HostRegistryCache* cache,
                                        HostDictionary* plugInDict);
} IMoaRegisterOps;
struct IMoaRegister {
  const IMoaRegisterOps* ops;
};

/* The scripting interface handed to the host: position 3 runs one Lingo call. */
typedef struct IMoaMmXScript IMoaMmXScript;
typedef struct IMoaMmXScriptOps {
  XTRA_BASIC_OPS(IMoaMmXScript);
  XtraResult(XTRA_CALL* call)(IMoaMmXScript* self, MoaMmCallInfo* callInfo);
} IMoaMmXScriptOps;
struct IMoaMmXScript {
  const IMoaMmXScriptOps* ops;
};

/* One entry of the class table built by DllGetClassInfo (40 bytes). */
typedef struct XtraClassInfoEntry {
  XtraId classId;
  uint32_t classVersion;
  XtraId interfaceId;
  uint32_t interfaceVersion;
} XtraClassInfoEntry;

/* A class's create and destroy operations; object is the host-made block. */
typedef XtraResult(XTRA_CALL* XtraCreateFn)(void* object);
typedef void(XTRA_CALL* XtraDestroyFn)(void* object);

/* The five exports, as the host looks them up by name. */
typedef XtraResult(XTRA_CALL* DllGetClassObjectFn)(const XtraId* classId, const XtraId* interfaceId,
                                                   void** out);
typedef XtraResult(XTRA_CALL* DllCanUnloadNowFn)(void);
typedef XtraResult(XTRA_CALL* DllGetClassFormFn)(const XtraId* classId, uint32_t* instanceSize,
                                                 XtraCreateFn* create, XtraDestroyFn* destroy);
typedef XtraResult(XTRA_CALL* DllGetInterfaceFn)(void* owner, const XtraId* classId,
                                                 const XtraId* interfaceId, void** out);
typedef XtraResult(XTRA_CALL* DllGetClassInfoFn)(HostAllocator* allocator,
                                                 XtraClassInfoEntry** table);

/* Layout checks. Pointers are 4 bytes on the 32-bit Windows target and 8 on
 * 64-bit builds; every position is counted in pointer-sized slots. */
#define XTRA_SLOT(n) ((size_t)(n) * sizeof(void*))
XTRA_STATIC_ASSERT(sizeof(XtraId) == 16, "IDs are 16 bytes");
XTRA_STATIC_ASSERT(sizeof(XtraResult) == 4, "result codes are 32-bit");
XTRA_STATIC_ASSERT(sizeof(MoaMmValue) == 8, "Lingo values are 8 bytes");
XTRA_STATIC_ASSERT(sizeof(XtraClassInfoEntry) == 40, "class table entries are 40 bytes");
XTRA_STATIC_ASSERT(offsetof(XtraClassInfoEntry, classVersion) == 16, "class version at 16");
XTRA_STATIC_ASSERT(offsetof(XtraClassInfoEntry, interfaceId) == 20, "interface ID at 20");
XTRA_STATIC_ASSERT(offsetof(XtraClassInfoEntry, interfaceVersion) == 36, "version at 36");
XTRA_STATIC_ASSERT(sizeof(void (*)(void)) == sizeof(void*), "code and data pointers agree");
XTRA_STATIC_ASSERT(offsetof(XtraUnknownOps, release) == XTRA_SLOT(2), "release at 2");
XTRA_STATIC_ASSERT(offsetof(HostAllocatorOps, allocate) == XTRA_SLOT(3), "allocate at 3");
XTRA_STATIC_ASSERT(offsetof(HostAllocatorOps, freeBlock) == XTRA_SLOT(4), "freeBlock at 4");
XTRA_STATIC_ASSERT(offsetof(HostAppInfoServiceOps, getInfo) == XTRA_SLOT(3), "getInfo at 3");
XTRA_STATIC_ASSERT(offsetof(HostDictionaryOps, put) == XTRA_SLOT(6), "put at 6");
XTRA_STATIC_ASSERT(offsetof(HostRegistryCacheOps, addRegistryEntry) == XTRA_SLOT(7),
                   "addRegistryEntry at 7");
XTRA_STATIC_ASSERT(offsetof(HostValueServiceOps, valueToInteger) == XTRA_SLOT(13),
                   "valueToInteger at 13");
XTRA_STATIC_ASSERT(offsetof(HostValueServiceOps, stringBorrow) == XTRA_SLOT(18),
                   "stringBorrow at 18");
XTRA_STATIC_ASSERT(offsetof(HostValueServiceOps, stringRelease) == XTRA_SLOT(19),
                   "stringRelease at 19");
XTRA_STATIC_ASSERT(offsetof(HostValueServiceOps, integerToValue) == XTRA_SLOT(22),
                   "integerToValue at 22");
XTRA_STATIC_ASSERT(offsetof(HostValueServiceOps, stringToValue) == XTRA_SLOT(25),
                   "stringToValue at 25");
XTRA_STATIC_ASSERT(offsetof(HostCallContextServiceOps, getCallContext) == XTRA_SLOT(6),
                   "getCallContext at 6");
XTRA_STATIC_ASSERT(offsetof(IMoaRegisterOps, registerPlugIn) == XTRA_SLOT(3),
                   "registration operation at 3");
XTRA_STATIC_ASSERT(offsetof(IMoaMmXScriptOps, call) == XTRA_SLOT(3), "call operation at 3");
XTRA_STATIC_ASSERT(sizeof(XtraObjectHeader) == XTRA_SLOT(4), "object header is 4 slots");
XTRA_STATIC_ASSERT(offsetof(MoaMmCallInfo, methodSelector) == 8, "selector at 8");
XTRA_STATIC_ASSERT(offsetof(MoaMmCallInfo, args) == 16, "arguments at 16");

#ifdef __cplusplus
}
#endif

#endif /* KPX_XTRA_HOST_HOST_INTERFACES_H_ */
