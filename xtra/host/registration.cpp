#include "xtra/host/registration.h"

#include "xtra/host/method_table.h"
#include "xtra/host/xtra_ids.h"

namespace xtra {

XtraResult XTRA_CALL RegisterPlugIn(IMoaRegister*, HostRegistryCache* cache,
                                    HostDictionary* plugInDict) noexcept {
  HostDictionary* entry = nullptr;
  XtraResult code = cache->ops->addRegistryEntry(cache, plugInDict, &kScriptingClassId,
                                                 &kScriptInterfaceId, &entry);
  if (code != XTRA_OK) return code;
  if (entry == nullptr) return XTRA_E_NO_INTERFACE;  // success without a dictionary
  return entry->ops->put(entry, kMethodTableEntryType, kMethodTableText, 0, kMethodTableKey);
}

}  // namespace xtra
