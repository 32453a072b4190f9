#include "xtra/hostsim/script_runner.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <istream>
#include <ostream>

namespace hostsim {
namespace {

void SkipSpaces(std::string_view& text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
}

bool ParseArgument(std::string_view& text, ScriptArgument* arg, std::string* error) {
  if (text.front() == '"') {
    std::size_t close = text.find('"', 1);
    if (close == std::string_view::npos) return *error = "unterminated string", false;
    arg->kind = ScriptArgument::Kind::kString;
    arg->text = std::string(text.substr(1, close - 1));
    text.remove_prefix(close + 1);
    return true;
  }
  if (text.front() == '[') {
    std::size_t close = text.find(']');
    if (close == std::string_view::npos) return *error = "unterminated list", false;
    arg->kind = ScriptArgument::Kind::kList;
    text.remove_prefix(close + 1);
    return true;
  }
  if (text.substr(0, 4) == "void" || text.substr(0, 4) == "VOID") {
    arg->kind = ScriptArgument::Kind::kVoid;
    text.remove_prefix(4);
    return true;
  }
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), arg->integer);
  if (ec != std::errc() || end == text.data()) {
    return *error = "cannot read argument: " + std::string(text), false;
  }
  arg->kind = ScriptArgument::Kind::kInteger;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  return true;
}

MoaMmValue ToValue(SimHost& host, const ScriptArgument& arg) {
  switch (arg.kind) {
    case ScriptArgument::Kind::kString:
      return host.String(arg.text);
    case ScriptArgument::Kind::kInteger:
      return host.Integer(arg.integer);
    case ScriptArgument::Kind::kList:
      return host.List();
    default:
      return host.Void();
  }
}

}  // namespace

bool ParseScriptLine(std::string_view line, ScriptCall* call, std::string* error) {
  *call = {};
  SkipSpaces(line);
  std::size_t nameEnd = 0;
  while (nameEnd < line.size() &&
         (std::isalnum(static_cast<unsigned char>(line[nameEnd])) || line[nameEnd] == '_')) {
    ++nameEnd;
  }
  if (nameEnd == 0) return *error = "no method name", false;
  call->method = std::string(line.substr(0, nameEnd));
  line.remove_prefix(nameEnd);
  SkipSpaces(line);
  while (!line.empty()) {
    ScriptArgument arg;
    if (!ParseArgument(line, &arg, error)) return false;
    call->args.push_back(arg);
    SkipSpaces(line);
    if (line.empty()) break;
    if (line.front() != ',') return *error = "expected a comma: " + std::string(line), false;
    line.remove_prefix(1);
    SkipSpaces(line);
    if (line.empty()) return *error = "an argument is missing after the last comma", false;
  }
  return true;
}

std::string FormatResult(SimHost& host, const CallResult& result) {
  if (result.code != XTRA_OK) {
    char text[32];
    std::snprintf(text, sizeof text, "<error 0x%08X>", static_cast<unsigned>(result.code));
    return text;
  }
  switch (SimHost::KindOf(result.result)) {
    case ValueKind::kInteger:
      return std::to_string(host.IntegerOf(result.result));
    case ValueKind::kString: {
      std::string text = host.StringOf(result.result);
      if (!text.empty() && text.back() == '\r') text.replace(text.size() - 1, 1, "\\r");
      return text;
    }
    default:
      return "<no result>";
  }
}

ScriptRunner::~ScriptRunner() = default;

bool ScriptRunner::RunCall(const ScriptCall& call, std::string* printed, std::string* error) {
  const LingoMethod* method = session_.methods().Find(call.method);
  if (method == nullptr) return *error = "no method " + call.method + " in the method table", false;
  if (method->selector == 0 && instance_ == nullptr) {
    instance_ = session_.NewInstance(error);
    if (instance_ == nullptr) return false;
  }
  if (instance_ == nullptr) return *error = "call new first", false;
  SimHost& host = session_.host();
  std::vector<MoaMmValue> args;
  for (const ScriptArgument& arg : call.args) args.push_back(ToValue(host, arg));
  CallResult result = instance_->Call(method->selector, args, method->args.size());
  *printed = FormatResult(host, result);
  host.ClearValues();
  return true;
}

bool ScriptRunner::Run(std::istream& script, std::ostream& out, std::string* error) {
  std::string line;
  for (int number = 1; std::getline(script, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string_view trimmed = line;
    SkipSpaces(trimmed);
    if (trimmed.empty() || trimmed.front() == '#' || trimmed.substr(0, 2) == "--") continue;
    ScriptCall call;
    std::string printed;
    if (!ParseScriptLine(trimmed, &call, error) || !RunCall(call, &printed, error)) {
      *error = "line " + std::to_string(number) + ": " + *error;
      return false;
    }
    out << printed << '\n';
  }
  return true;
}

}  // namespace hostsim
