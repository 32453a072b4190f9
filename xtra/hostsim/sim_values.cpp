// The host's value service: 8-byte Lingo values (word 0 the kind, word 1 an
// integer or the index of a stored string), conversions at positions 13, 18,
// 19, 22 and 25, and the accounting of borrowed strings.
#include "xtra/hostsim/sim_host.h"

namespace hostsim {
namespace {

SimHost* HostOf(HostValueService* self) {
  return reinterpret_cast<SimInterface<HostValueService>*>(self)->host;
}

XtraResult XTRA_CALL NoInterface(HostValueService*, const XtraId*, void** out) {
  if (out != nullptr) *out = nullptr;
  return XTRA_E_NO_INTERFACE;
}
uint32_t XTRA_CALL AddRef(HostValueService* self) {
  HostOf(self)->AddServiceReference(1, 1);
  return 2;
}
uint32_t XTRA_CALL Release(HostValueService* self) {
  HostOf(self)->AddServiceReference(1, -1);
  return 1;
}

XtraResult XTRA_CALL ValueToInteger(HostValueService*, const MoaMmValue* value, int32_t* out) {
  if (SimHost::KindOf(*value) != ValueKind::kInteger) return kCannotConvert;
  *out = static_cast<int32_t>(value->words[1]);
  return XTRA_OK;
}
XtraResult XTRA_CALL StringBorrow(HostValueService* self, const MoaMmValue* value,
                                  const char** out) {
  return HostOf(self)->Borrow(*value, out);
}
XtraResult XTRA_CALL StringRelease(HostValueService* self, const MoaMmValue* value) {
  return HostOf(self)->ReleaseBorrow(*value);
}
XtraResult XTRA_CALL IntegerToValue(HostValueService* self, int32_t integer, MoaMmValue* out) {
  *out = HostOf(self)->Integer(integer);
  return XTRA_OK;
}
XtraResult XTRA_CALL StringToValue(HostValueService* self, const char* text, MoaMmValue* out) {
  *out = HostOf(self)->String(text);
  return XTRA_OK;
}

}  // namespace

extern const HostValueServiceOps kSimValueServiceOps;
const HostValueServiceOps kSimValueServiceOps = {
    NoInterface,   AddRef, Release,        {}, ValueToInteger, {}, StringBorrow,
    StringRelease, {},     IntegerToValue, {}, StringToValue};

MoaMmValue SimHost::Integer(std::int32_t value) const {
  return MakeValue(ValueKind::kInteger, static_cast<std::uint32_t>(value));
}

MoaMmValue SimHost::String(const std::string& text) {
  strings_.push_back(text);
  return MakeValue(ValueKind::kString, static_cast<std::uint32_t>(strings_.size() - 1));
}

std::int32_t SimHost::IntegerOf(const MoaMmValue& value) const {
  return static_cast<std::int32_t>(value.words[1]);
}

const std::string& SimHost::StringOf(const MoaMmValue& value) const {
  static const std::string kNone;
  if (KindOf(value) != ValueKind::kString || value.words[1] >= strings_.size()) return kNone;
  return strings_[value.words[1]];
}

void SimHost::ClearValues() {
  if (outstandingBorrows() == 0) strings_.clear();
}

XtraResult SimHost::Borrow(const MoaMmValue& value, const char** out) {
  if (KindOf(value) != ValueKind::kString || value.words[1] >= strings_.size()) {
    return kCannotConvert;
  }
  const std::string& text = strings_[value.words[1]];
  auto& borrow = borrows_[value.words[1]];
  if (borrow.first++ == 0) borrow.second = text;
  *out = text.c_str();
  return XTRA_OK;
}

XtraResult SimHost::ReleaseBorrow(const MoaMmValue& value) {
  auto borrow = borrows_.find(value.words[1]);
  if (KindOf(value) != ValueKind::kString || borrow == borrows_.end()) {
    AddProblem("released a string that was not borrowed");
    return kCannotConvert;
  }
  if (strings_[value.words[1]] != borrow->second.second) {
    AddProblem("borrowed characters were written to");
  }
  if (--borrow->second.first == 0) borrows_.erase(borrow);
  return XTRA_OK;
}

long SimHost::outstandingBorrows() const {
  long count = 0;
  for (const auto& [index, borrow] : borrows_) count += borrow.first;
  return count;
}

}  // namespace hostsim
