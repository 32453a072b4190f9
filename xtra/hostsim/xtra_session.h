// XtraSession: the host's load sequence for one plug-in library, on a
// SimHost:
//   1. load the library and resolve its five exports;
//   2. read the class table (DllGetClassInfo), then free it as its owner;
//   3. register: create a registration-class object, obtain IMoaRegister,
//      run the registration operation, release the record and the object;
//   4. read the method table text registered under "msgTable";
//   5. create scripting instances on demand (ScriptingInstance) and call
//      methods through their IMoaMmXScript record;
//   6. Close(): check that DllCanUnloadNow allows unloading, unload, and
//      check that every host resource was given back.
// Every ScriptingInstance must end before Close().
#ifndef KPX_XTRA_HOSTSIM_XTRA_SESSION_H_
#define KPX_XTRA_HOSTSIM_XTRA_SESSION_H_

#include <memory>
#include <string>
#include <vector>

#include "xtra/hostsim/lingo_method_table.h"
#include "xtra/hostsim/plugin_library.h"
#include "xtra/hostsim/sim_host.h"

namespace hostsim {

struct CallResult {
  XtraResult code = 0;
  MoaMmValue result{};  // void when the method set no result
};

// One scripting object and its IMoaMmXScript record, both released at the
// end of the instance.
class ScriptingInstance {
 public:
  ScriptingInstance(SimHost& host, void* object, IMoaMmXScript* script)
      : host_(host), object_(object), script_(script) {}
  ~ScriptingInstance();
  ScriptingInstance(const ScriptingInstance&) = delete;
  ScriptingInstance& operator=(const ScriptingInstance&) = delete;

  // Runs selector with args; the host pads the array with void values up to
  // declaredCount, as it does for arguments the caller left out.
  CallResult Call(std::int32_t selector, const std::vector<MoaMmValue>& args,
                  std::size_t declaredCount = 3);

  void* object() const { return object_; }
  IMoaMmXScript* script() const { return script_; }

 private:
  SimHost& host_;
  void* object_;
  IMoaMmXScript* script_;
};

class XtraSession {
 public:
  // Steps 1 to 4; null with *error when one of them fails.
  static std::unique_ptr<XtraSession> Open(const std::string& libraryPath,
                                           const HostOptions& options, std::string* error);
  ~XtraSession();

  SimHost& host() { return host_; }
  const PluginExports& exports() const { return library_->exports(); }
  const LingoMethodTable& methods() const { return methods_; }

  // A new scripting object with its script interface; null with *error.
  std::unique_ptr<ScriptingInstance> NewInstance(std::string* error);

  // Step 6. Returns every problem found; empty when all is well.
  std::vector<std::string> Close();

 private:
  explicit XtraSession(const HostOptions& options) : host_(options) {}
  bool ReadClassInfo(std::string* error);
  bool Register(std::string* error);
  const XtraId* ClassOffering(const XtraId& interfaceId) const;

  SimHost host_;
  std::unique_ptr<PluginLibrary> library_;
  std::vector<XtraClassInfoEntry> classInfo_;
  LingoMethodTable methods_;
};

}  // namespace hostsim

#endif  // KPX_XTRA_HOSTSIM_XTRA_SESSION_H_
