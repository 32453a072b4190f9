// LingoMethodTable: the method table text a plug-in registers under
// "msgTable", read the way the host reads it.
//
//   - "xtra NAME" names the Xtra; lines that begin with "--" are comments;
//     every other non-empty line declares one method, its selector being its
//     position among the declarations (the first, `new`, is 0).
//   - A declaration is an optional "*", the method name, and arguments
//     "type name" separated by commas, up to a "--" comment. An argument of
//     type "object" is the instance itself and is not passed.
//   - Method names are found without regard to ASCII case, as Lingo does.
#ifndef KPX_XTRA_HOSTSIM_LINGO_METHOD_TABLE_H_
#define KPX_XTRA_HOSTSIM_LINGO_METHOD_TABLE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

enum class ArgType { kInteger, kString, kOther };

struct LingoMethod {
  std::string name;
  std::int32_t selector = 0;
  std::vector<ArgType> args;
};

struct LingoMethodTable {
  std::string xtraName;
  std::vector<LingoMethod> methods;

  // The method of that name, or null.
  const LingoMethod* Find(std::string_view name) const;
};

// Parses text; false with *error when a declaration has no name or no xtra
// line comes first.
bool ParseMethodTable(std::string_view text, LingoMethodTable* table, std::string* error);

}  // namespace hostsim

#endif  // KPX_XTRA_HOSTSIM_LINGO_METHOD_TABLE_H_
