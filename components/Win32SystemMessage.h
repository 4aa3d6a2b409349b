// The system's own words for an error, as a player reads them.
#pragma once

#include <windows.h>

#include <string>

namespace ck {

// FormatMessage's text for `error`, without its line end; "error N" where
// the system has none.
std::string SystemMessage(DWORD error);

}  // namespace ck
