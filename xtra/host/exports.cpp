// The five exports of the plug-in library: the host's only way in.
#include <cstring>

#include "xtra/host/class_list.h"
#include "xtra/host/interface_record.h"
#include "xtra/host/kpxsearch.h"
#include "xtra/host/xtra_ids.h"

namespace {

using xtra::ClassListItem;

struct ClassFormRequest {
  std::uint32_t* instanceSize;
  XtraCreateFn* create;
  XtraDestroyFn* destroy;
};

int VisitClassForm(const ClassListItem& item, void* context) {
  if (item.isInterface) return 0;
  auto* request = static_cast<ClassFormRequest*>(context);
  *request->instanceSize = item.instanceSize;
  *request->create = item.create;
  *request->destroy = item.destroy;
  return 1;
}

struct InterfaceRequest {
  void* owner;
  const XtraId* interfaceId;
  void** out;
  bool found;
  XtraResult code;
};

int VisitInterface(const ClassListItem& item, void* context) {
  auto* request = static_cast<InterfaceRequest*>(context);
  if (!item.isInterface || !xtra::SameId(*item.interfaceId, *request->interfaceId)) return 0;
  request->found = true;
  request->code = item.makeInterface(request->owner, request->out);
  return 1;
}

int CountItem(const ClassListItem&, void* context) {
  ++*static_cast<int*>(context);
  return 0;
}

// One class table entry per item: a class lists the class-factory ID.
int FillEntry(const ClassListItem& item, void* context) {
  auto** next = static_cast<XtraClassInfoEntry**>(context);
  XtraClassInfoEntry& entry = **next;
  entry.classId = *item.classId;
  entry.classVersion = item.classVersion;
  entry.interfaceId = item.isInterface ? *item.interfaceId : xtra::kClassFactoryId;
  entry.interfaceVersion = item.isInterface ? item.interfaceVersion : 1;
  ++*next;
  return 0;
}

}  // namespace

extern "C" {

KPXSEARCH_EXPORT XtraResult XTRA_CALL DllGetClassObject(const XtraId*, const XtraId*, void**) {
  return XTRA_E_NO_CLASS;
}

KPXSEARCH_EXPORT XtraResult XTRA_CALL DllCanUnloadNow(void) {
  return xtra::liveInterfaceCount == 0 ? XTRA_OK : XTRA_E_CANNOT_UNLOAD;
}

KPXSEARCH_EXPORT XtraResult XTRA_CALL DllGetClassForm(const XtraId* classId, uint32_t* instanceSize,
                                                      XtraCreateFn* create,
                                                      XtraDestroyFn* destroy) {
  ClassFormRequest request{instanceSize, create, destroy};
  return xtra::WalkClassList(classId, VisitClassForm, &request) != 0 ? XTRA_OK : XTRA_E_NO_CLASS;
}

KPXSEARCH_EXPORT XtraResult XTRA_CALL DllGetInterface(void* owner, const XtraId* classId,
                                                      const XtraId* interfaceId, void** out) {
  if (interfaceId == nullptr || out == nullptr) return XTRA_E_NO_INTERFACE;
  InterfaceRequest request{owner, interfaceId, out, false, XTRA_OK};
  xtra::WalkClassList(classId, VisitInterface, &request);
  return request.found ? request.code : XTRA_E_NO_INTERFACE;
}

KPXSEARCH_EXPORT XtraResult XTRA_CALL DllGetClassInfo(HostAllocator* allocator,
                                                      XtraClassInfoEntry** table) {
  if (allocator == nullptr || table == nullptr) return XTRA_E_OUT_OF_MEMORY;
  int count = 0;
  xtra::WalkClassList(nullptr, CountItem, &count);
  auto size = static_cast<std::uint32_t>((count + 1) * sizeof(XtraClassInfoEntry));
  auto* entries = static_cast<XtraClassInfoEntry*>(allocator->ops->allocate(allocator, size));
  *table = entries;
  if (entries == nullptr) return XTRA_E_OUT_OF_MEMORY;
  XtraClassInfoEntry* next = entries;
  xtra::WalkClassList(nullptr, FillEntry, &next);
  // The terminator: all-zero IDs. Its versions are zeroed too, so the host
  // never reads bytes nobody wrote.
  std::memset(next, 0, sizeof(XtraClassInfoEntry));
  return XTRA_OK;
}

}  // extern "C"
