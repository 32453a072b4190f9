// The dispatcher: the call operation of the scripting class's IMoaMmXScript
// interface. The host calls it once for every Lingo call of a method of the
// method table; it runs one engine operation on the calling instance's
// SearchState and hands the answer back as a Lingo value.
//
// Contract:
//   - The call context is requested from the host before the method runs and
//     released after it; a refused request is the only code passed back to
//     the host (no method runs). Every other call returns 0.
//   - Selectors outside 0..12 (negative ones included) run nothing and set no
//     result.
//   - Version gate: on a host of version class 7 every method but `new` sets
//     no result and changes nothing; KPXSearchCountMatches first shows the
//     "KPXSearch Error" message.
//   - A service the host did not hand out at creation is never touched:
//     without the value service a method sets no result; without the
//     call-context service it answers -1 and runs nothing.
//   - No exception leaves the dispatcher; nothing is allocated that outlives
//     the call.
#ifndef KPX_XTRA_HOST_DISPATCHER_H_
#define KPX_XTRA_HOST_DISPATCHER_H_

#include "xtra/host/host_interfaces.h"
#include "xtra/host/xtra_instance.h"

namespace xtra {

// Runs one call on instance.
XtraResult DispatchCall(XtraInstance& instance, MoaMmCallInfo& callInfo) noexcept;

// The IMoaMmXScript call operation; self is the interface record.
XtraResult XTRA_CALL ScriptCall(IMoaMmXScript* self, MoaMmCallInfo* callInfo) noexcept;

inline constexpr char kVersionGateText[] =
    "Error (KPXS1010): Search engine memory error with Xtra.";
inline constexpr char kVersionGateCaption[] = "KPXSearch Error";

}  // namespace xtra

#endif  // KPX_XTRA_HOST_DISPATCHER_H_
