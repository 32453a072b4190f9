// LingoCall: one Lingo call as the dispatcher sees it: its arguments read
// through the host's value service, and its result handed back the same way.
//
// Arguments the host cannot convert (a missing argument, a list where a
// string is declared, a string where an integer is declared) read as the
// empty string or 0, and the method runs on that. A borrowed string is
// released when its BorrowedString ends, on every path; its characters are
// never written to.
#ifndef KPX_XTRA_HOST_LINGO_CALL_H_
#define KPX_XTRA_HOST_LINGO_CALL_H_

#include <cstddef>
#include <cstdint>

#include "xtra/host/host_interfaces.h"

namespace xtra {

// A string argument borrowed from the host for one scope. A null value
// reads as "" without asking the host.
class BorrowedString {
 public:
  BorrowedString(HostValueService* values, const MoaMmValue* value);
  ~BorrowedString();
  BorrowedString(const BorrowedString&) = delete;
  BorrowedString& operator=(const BorrowedString&) = delete;

  // The characters, or "" when the host could not convert the value.
  const char* text() const { return text_; }

 private:
  HostValueService* values_;
  const MoaMmValue* value_;
  const char* text_ = "";
  bool borrowed_ = false;
};

class LingoCall {
 public:
  LingoCall(HostValueService* values, MoaMmCallInfo& info) : values_(values), info_(info) {}

  std::int32_t Integer(int index) const;
  BorrowedString String(int index) const { return BorrowedString(values_, Argument(index)); }
  void SetInteger(std::int32_t result);
  void SetString(const char* text);

 private:
  // The argument's value; null when the host passed no argument array.
  const MoaMmValue* Argument(int index) const {
    return info_.args == nullptr ? nullptr : &info_.args[index];
  }

  HostValueService* values_;
  MoaMmCallInfo& info_;
};

}  // namespace xtra

#endif  // KPX_XTRA_HOST_LINGO_CALL_H_
