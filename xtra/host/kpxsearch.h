/* KPXSearch: the five entry points of the search plug-in library, the only
 * symbols it exports. The host calls them one at a time, in any order, once
 * the library is loaded.
 *
 *   DllGetClassObject  always XTRA_E_NO_CLASS: classes are reached only
 *                      through DllGetClassForm and DllGetInterface.
 *   DllCanUnloadNow    0 while no interface record handed out is alive,
 *                      else XTRA_E_CANNOT_UNLOAD.
 *   DllGetClassForm    instance size, create and destroy operations of a
 *                      class (null classId: the first class); XTRA_E_NO_CLASS
 *                      and outputs untouched for an unknown class.
 *   DllGetInterface    makes an interface record on owner for the class and
 *                      interface named (null classId: any class); the host
 *                      ends it with its release. XTRA_E_NO_INTERFACE when the
 *                      class does not offer it, XTRA_E_OUT_OF_MEMORY (null
 *                      written) when the owner's allocator fails.
 *   DllGetClassInfo    a class table of 4 entries and an all-zero terminator,
 *                      allocated through allocator and owned by the host from
 *                      then on; XTRA_E_OUT_OF_MEMORY when allocation fails.
 *
 * Plain C: compiles as C11 and as C++.
 */
#ifndef KPX_XTRA_HOST_KPXSEARCH_H_
#define KPX_XTRA_HOST_KPXSEARCH_H_

#include "xtra/host/host_interfaces.h"

#if defined(_WIN32)
#if defined(KPXSEARCH_BUILDING)
#define KPXSEARCH_EXPORT __declspec(dllexport)
#else
#define KPXSEARCH_EXPORT
#endif
#else
#define KPXSEARCH_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

KPXSEARCH_EXPORT XtraResult XTRA_CALL DllGetClassObject(const XtraId* classId,
                                                        const XtraId* interfaceId, void** out);
KPXSEARCH_EXPORT XtraResult XTRA_CALL DllCanUnloadNow(void);
KPXSEARCH_EXPORT XtraResult XTRA_CALL DllGetClassForm(const XtraId* classId, uint32_t* instanceSize,
                                                      XtraCreateFn* create, XtraDestroyFn* destroy);
KPXSEARCH_EXPORT XtraResult XTRA_CALL DllGetInterface(void* owner, const XtraId* classId,
                                                      const XtraId* interfaceId, void** out);
KPXSEARCH_EXPORT XtraResult XTRA_CALL DllGetClassInfo(HostAllocator* allocator,
                                                      XtraClassInfoEntry** table);

#ifdef __cplusplus
}
#endif

#endif /* KPX_XTRA_HOST_KPXSEARCH_H_ */
