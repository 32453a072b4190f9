#include "xtra/hostsim/lingo_method_table.h"

#include <cctype>

namespace hostsim {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// "type name" -> its type; the instance argument ("object me") -> false.
bool ParseArgument(std::string_view argument, ArgType* type) {
  std::string_view typeName = argument.substr(0, argument.find(' '));
  if (typeName == "object") return false;
  *type = typeName == "int"      ? ArgType::kInteger
          : typeName == "string" ? ArgType::kString
                                 : ArgType::kOther;
  return true;
}

LingoMethod ParseDeclaration(std::string_view line, std::int32_t selector) {
  if (!line.empty() && line.front() == '*') line.remove_prefix(1);
  line = Trim(line.substr(0, line.find("--")));
  LingoMethod method;
  method.selector = selector;
  std::size_t nameEnd = line.find_first_of(" \t");
  method.name = std::string(line.substr(0, nameEnd));
  std::string_view rest = nameEnd == std::string_view::npos ? "" : line.substr(nameEnd);
  while (!Trim(rest).empty()) {
    std::size_t comma = rest.find(',');
    ArgType type;
    if (ParseArgument(Trim(rest.substr(0, comma)), &type)) method.args.push_back(type);
    rest = comma == std::string_view::npos ? "" : rest.substr(comma + 1);
  }
  return method;
}

}  // namespace

const LingoMethod* LingoMethodTable::Find(std::string_view name) const {
  for (const LingoMethod& method : methods) {
    if (SameName(method.name, name)) return &method;
  }
  return nullptr;
}

bool ParseMethodTable(std::string_view text, LingoMethodTable* table, std::string* error) {
  *table = {};
  std::int32_t selector = 0;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? "" : text.substr(end + 1);
    if (line.empty() || line.substr(0, 2) == "--") continue;
    if (table->xtraName.empty()) {
      if (line.substr(0, 5) != "xtra ") {
        *error = "the method table does not begin with an xtra line";
        return false;
      }
      table->xtraName = std::string(Trim(line.substr(5)));
      continue;
    }
    LingoMethod method = ParseDeclaration(line, selector++);
    if (method.name.empty()) {
      *error = "a method table line declares no name: " + std::string(line);
      return false;
    }
    table->methods.push_back(std::move(method));
  }
  if (table->xtraName.empty()) *error = "the method table is empty";
  return !table->xtraName.empty();
}

}  // namespace hostsim
