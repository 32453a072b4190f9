// Opening the built plug-in library in the host simulator, for the tests of
// xtra/host. KPX_PLUGIN_PATH is the library's path, given by the build.
// Test-only.
#ifndef KPX_XTRA_HOSTSIM_TESTING_PLUGIN_SESSION_H_
#define KPX_XTRA_HOSTSIM_TESTING_PLUGIN_SESSION_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "xtra/host/xtra_instance.h"
#include "xtra/hostsim/xtra_session.h"

namespace xtra::testing {

inline std::unique_ptr<hostsim::XtraSession> OpenPlugin(const hostsim::HostOptions& options = {}) {
  std::string error;
  auto session = hostsim::XtraSession::Open(KPX_PLUGIN_PATH, options, &error);
  EXPECT_NE(session, nullptr) << error;
  return session;
}

inline XtraInstance& InstanceOf(const hostsim::ScriptingInstance& scripting) {
  return static_cast<ScriptingObject*>(scripting.object())->instance;
}

// Closes the session and expects every host resource back.
inline void ExpectCleanClose(hostsim::XtraSession& session) {
  std::vector<std::string> problems = session.Close();
  for (const std::string& problem : problems) ADD_FAILURE() << problem;
}

}  // namespace xtra::testing

#endif  // KPX_XTRA_HOSTSIM_TESTING_PLUGIN_SESSION_H_
