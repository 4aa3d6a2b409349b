// On 64-bit Windows a 32-bit program that names the system folder is sent to
// the 32-bit one (SysWOW64). The alias "Sysnative" in the Windows folder is
// not redirected, and reaches the real one.
#pragma once

#include <string>
#include <string_view>

namespace ck {

// `path` with a leading `systemDir` (in any case, as a whole folder name)
// replaced by `windowsDir`\Sysnative; any other path as it is.
std::string ThroughSysnative(std::string_view path, std::string_view systemDir, std::string_view windowsDir);

}  // namespace ck
