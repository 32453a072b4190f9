// The class and interface identifiers of the KPXSearch plug-in and of the
// host services it obtains, and the versions it declares.
#ifndef KPX_XTRA_HOST_XTRA_IDS_H_
#define KPX_XTRA_HOST_XTRA_IDS_H_

#include <cstring>

#include "xtra/host/host_interfaces.h"

namespace xtra {

// {5E8A1C42-93D7-11D0-8A21-3C9D7E4F1B60}
inline constexpr XtraId kRegistrationClassId = {
    0x5E8A1C42, 0x93D7, 0x11D0, {0x8A, 0x21, 0x3C, 0x9D, 0x7E, 0x4F, 0x1B, 0x60}};
// {7C3F2A19-93D7-11D0-8A21-3C9D7E4F1B60}
inline constexpr XtraId kScriptingClassId = {
    0x7C3F2A19, 0x93D7, 0x11D0, {0x8A, 0x21, 0x3C, 0x9D, 0x7E, 0x4F, 0x1B, 0x60}};
// IMoaRegister {AC3E7803-0002-8FE5-0000-080007160DC3}
inline constexpr XtraId kRegisterInterfaceId = {
    0xAC3E7803, 0x0002, 0x8FE5, {0x00, 0x00, 0x08, 0x00, 0x07, 0x16, 0x0D, 0xC3}};
// IMoaMmXScript {AC401FB6-0001-F9B0-0000-0800072C6326}
inline constexpr XtraId kScriptInterfaceId = {
    0xAC401FB6, 0x0001, 0xF9B0, {0x00, 0x00, 0x08, 0x00, 0x07, 0x2C, 0x63, 0x26}};
// The class factory {00000001-0000-0000-C000-000000000046}
inline constexpr XtraId kClassFactoryId = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// Value service {AC96CF89-0045-5879-0000-0040105023FB}
inline constexpr XtraId kValueServiceId = {
    0xAC96CF89, 0x0045, 0x5879, {0x00, 0x00, 0x00, 0x40, 0x10, 0x50, 0x23, 0xFB}};
// Application-information service {ACC7E2B8-000A-B4D0-0000-080007160DC3}
inline constexpr XtraId kAppInfoServiceId = {
    0xACC7E2B8, 0x000A, 0xB4D0, {0x00, 0x00, 0x08, 0x00, 0x07, 0x16, 0x0D, 0xC3}};
// Call-context service {AC401B78-0000-FA7D-0000-0800072C6326}
inline constexpr XtraId kCallContextServiceId = {
    0xAC401B78, 0x0000, 0xFA7D, {0x00, 0x00, 0x08, 0x00, 0x07, 0x2C, 0x63, 0x26}};

inline constexpr uint32_t kClassVersion = 1;
inline constexpr uint32_t kInterfaceVersion = 1;

inline bool SameId(const XtraId& a, const XtraId& b) {
  return std::memcmp(&a, &b, sizeof(XtraId)) == 0;
}

}  // namespace xtra

#endif  // KPX_XTRA_HOST_XTRA_IDS_H_
