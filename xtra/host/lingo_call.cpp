#include "xtra/host/lingo_call.h"

namespace xtra {

BorrowedString::BorrowedString(HostValueService* values, const MoaMmValue* value)
    : values_(values), value_(value) {
  const char* text = nullptr;
  if (value_ == nullptr) return;
  if (values_->ops->stringBorrow(values_, value_, &text) != XTRA_OK) return;
  // A successful borrow is released even if the host handed out no text.
  borrowed_ = true;
  if (text != nullptr) text_ = text;
}

BorrowedString::~BorrowedString() {
  if (borrowed_) values_->ops->stringRelease(values_, value_);
}

std::int32_t LingoCall::Integer(int index) const {
  const MoaMmValue* argument = Argument(index);
  if (argument == nullptr) return 0;
  // The host reads a copy of the argument value, never the caller's slot.
  MoaMmValue copy = *argument;
  std::int32_t value = 0;
  if (values_->ops->valueToInteger(values_, &copy, &value) != XTRA_OK) return 0;
  return value;
}

void LingoCall::SetInteger(std::int32_t result) {
  values_->ops->integerToValue(values_, result, &info_.resultValue);
}

void LingoCall::SetString(const char* text) {
  values_->ops->stringToValue(values_, text, &info_.resultValue);
}

}  // namespace xtra
