// The fixed list of what the plug-in offers, walked by DllGetClassForm,
// DllGetInterface and DllGetClassInfo, always in this order:
//   1. the registration class (version 1, header-only size, do-nothing
//      create and destroy);
//   2. its IMoaRegister interface (version 1);
//   3. the scripting class (version 1, header plus XtraInstance, instance
//      creation and teardown);
//   4. its IMoaMmXScript interface (version 1).
// A walk may be restricted to one class ID (null: every class) and stops at
// the first visit that returns non-zero.
#ifndef KPX_XTRA_HOST_CLASS_LIST_H_
#define KPX_XTRA_HOST_CLASS_LIST_H_

#include <cstdint>

#include "xtra/host/host_interfaces.h"

namespace xtra {

struct ClassListItem {
  bool isInterface;
  const XtraId* classId;
  std::uint32_t classVersion;
  // Class items.
  std::uint32_t instanceSize;
  XtraCreateFn create;
  XtraDestroyFn destroy;
  // Interface items: the interface-creating operation.
  const XtraId* interfaceId;
  std::uint32_t interfaceVersion;
  XtraResult (*makeInterface)(void* owner, void** out);
};

using ClassListVisitor = int (*)(const ClassListItem& item, void* context);

// Visits the items of classFilter (null: all) in list order; returns the
// first non-zero visit result, or 0.
int WalkClassList(const XtraId* classFilter, ClassListVisitor visit, void* context);

}  // namespace xtra

#endif  // KPX_XTRA_HOST_CLASS_LIST_H_
