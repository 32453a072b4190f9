#include "xtra/host/xtra_instance.h"

#include "xtra/host/xtra_ids.h"

namespace xtra {
namespace {

constexpr std::int32_t kAppInfoItemVersion = 0;
constexpr std::int32_t kAppInfoBufferSize = 256;
constexpr std::int16_t kUnknownVersionClass = 6;

// Asks the host callback for one service; null when it is not handed out.
template <typename Service>
Service* ObtainService(HostCallback* callback, const XtraId& id) {
  if (callback == nullptr) return nullptr;
  void* service = nullptr;
  if (callback->ops->queryInterface(callback, &id, &service) != XTRA_OK) return nullptr;
  return static_cast<Service*>(service);
}

std::int16_t ReadVersionClass(HostAppInfoService* appInfo) {
  if (appInfo == nullptr) return kUnknownVersionClass;
  std::uint8_t buffer[kAppInfoBufferSize] = {};
  if (appInfo->ops->getInfo(appInfo, kAppInfoItemVersion, buffer, kAppInfoBufferSize) != XTRA_OK) {
    return kUnknownVersionClass;
  }
  return VersionClassOf(buffer[3]);
}

template <typename Service>
void ReleaseService(Service*& service) {
  if (service == nullptr) return;
  service->ops->release(service);
  service = nullptr;
}

}  // namespace

std::int16_t VersionClassOf(std::uint8_t majorVersion) {
  if (majorVersion == 7 || majorVersion == 8) return 7;
  if (majorVersion == 5) return 5;
  return 6;
}

XtraResult XTRA_CALL CreateScriptingInstance(void* object) {
  auto* scripting = static_cast<ScriptingObject*>(object);
  XtraInstance& instance = scripting->instance;
  HostCallback* callback = scripting->header.hostCallback;
  instance.appInfoService = ObtainService<HostAppInfoService>(callback, kAppInfoServiceId);
  instance.valueService = ObtainService<HostValueService>(callback, kValueServiceId);
  instance.callContextService =
      ObtainService<HostCallContextService>(callback, kCallContextServiceId);
  instance.callContext = nullptr;
  instance.versionClass = ReadVersionClass(instance.appInfoService);
  // The host's block is not zeroed: give the state its first, empty form so
  // that no call can read a path or a count that was never written.
  engine::InitSearchState(instance.searchState);
  return XTRA_OK;
}

void XTRA_CALL DestroyScriptingInstance(void* object) {
  XtraInstance& instance = static_cast<ScriptingObject*>(object)->instance;
  ReleaseService(instance.appInfoService);
  ReleaseService(instance.valueService);
  ReleaseService(instance.callContextService);
}

XtraResult XTRA_CALL CreateRegistrationObject(void*) { return XTRA_OK; }

void XTRA_CALL DestroyRegistrationObject(void*) {}

}  // namespace xtra
