// Where kpxsearch finds the KPXSearch plug-in when no --plugin is given: next
// to itself in an installed tree (the install rules name the place relative to
// the program's directory), else the library built with it in the build tree.
// No environment variable is needed for either.
#ifndef KPX_XTRA_HOSTSIM_PLUGIN_LOCATION_H_
#define KPX_XTRA_HOSTSIM_PLUGIN_LOCATION_H_

#include <string>

namespace hostsim {

// The running program's own file (/proc/self/exe on Linux, GetModuleFileNameA
// on Windows); empty when the system cannot say.
std::string ExecutablePath();

// The installed plug-in, installedRelative taken from executable's directory,
// when that file exists; otherwise buildTree. An empty executable or
// installedRelative skips the installed place.
std::string LocatePlugin(const std::string& executable, const std::string& installedRelative,
                         const std::string& buildTree);

}  // namespace hostsim

#endif  // KPX_XTRA_HOSTSIM_PLUGIN_LOCATION_H_
