#include "xtra/host/class_list.h"

#include "xtra/host/dispatcher.h"
#include "xtra/host/interface_record.h"
#include "xtra/host/registration.h"
#include "xtra/host/xtra_ids.h"
#include "xtra/host/xtra_instance.h"

namespace xtra {
namespace {

// The three basic operations of a record, typed for one interface.
template <typename Interface>
XtraResult XTRA_CALL QueryInterfaceOf(Interface* self, const XtraId* id, void** out) {
  return RecordQueryInterface(reinterpret_cast<InterfaceRecord*>(self), id, out);
}
template <typename Interface>
std::uint32_t XTRA_CALL AddRefOf(Interface* self) {
  return RecordAddRef(reinterpret_cast<InterfaceRecord*>(self));
}
template <typename Interface>
std::uint32_t XTRA_CALL ReleaseOf(Interface* self) {
  return RecordRelease(reinterpret_cast<InterfaceRecord*>(self));
}

// Built once, never changed.
const IMoaRegisterOps kRegisterOps = {
    .queryInterface = QueryInterfaceOf<IMoaRegister>,
    .addRef = AddRefOf<IMoaRegister>,
    .release = ReleaseOf<IMoaRegister>,
    .registerPlugIn = RegisterPlugIn,
};

const IMoaMmXScriptOps kScriptOps = {
    .queryInterface = QueryInterfaceOf<IMoaMmXScript>,
    .addRef = AddRefOf<IMoaMmXScript>,
    .release = ReleaseOf<IMoaMmXScript>,
    .call = ScriptCall,
};

XtraResult MakeRegisterInterface(void* owner, void** out) {
  return CreateInterfaceRecord(owner, &kRegisterOps, out);
}

XtraResult MakeScriptInterface(void* owner, void** out) {
  return CreateInterfaceRecord(owner, &kScriptOps, out);
}

const ClassListItem kClassList[] = {
    {false, &kRegistrationClassId, kClassVersion, sizeof(RegistrationObject),
     CreateRegistrationObject, DestroyRegistrationObject, nullptr, 0, nullptr},
    {true, &kRegistrationClassId, kClassVersion, 0, nullptr, nullptr, &kRegisterInterfaceId,
     kInterfaceVersion, MakeRegisterInterface},
    {false, &kScriptingClassId, kClassVersion, sizeof(ScriptingObject), CreateScriptingInstance,
     DestroyScriptingInstance, nullptr, 0, nullptr},
    {true, &kScriptingClassId, kClassVersion, 0, nullptr, nullptr, &kScriptInterfaceId,
     kInterfaceVersion, MakeScriptInterface},
};

}  // namespace

int WalkClassList(const XtraId* classFilter, ClassListVisitor visit, void* context) {
  for (const ClassListItem& item : kClassList) {
    if (classFilter != nullptr && !SameId(*classFilter, *item.classId)) continue;
    int result = visit(item, context);
    if (result != 0) return result;
  }
  return 0;
}

}  // namespace xtra
