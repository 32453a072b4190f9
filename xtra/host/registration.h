// The registration class's IMoaRegister operation: hands the method table
// text to the host's registry for the scripting class.
#ifndef KPX_XTRA_HOST_REGISTRATION_H_
#define KPX_XTRA_HOST_REGISTRATION_H_

#include <cstdint>

#include "xtra/host/host_interfaces.h"

namespace xtra {

inline constexpr std::int32_t kMethodTableEntryType = 9;
inline constexpr char kMethodTableKey[] = "msgTable";

// Adds a registry entry for the scripting class and its IMoaMmXScript
// interface, then stores the method table text in the entry's dictionary
// (type 9, size 0, key "msgTable"). A refusal from the registry or the
// dictionary is passed back unchanged. The entry dictionary belongs to the
// host and is not released here.
XtraResult XTRA_CALL RegisterPlugIn(IMoaRegister* self, HostRegistryCache* cache,
                                    HostDictionary* plugInDict) noexcept;

}  // namespace xtra

#endif  // KPX_XTRA_HOST_REGISTRATION_H_
