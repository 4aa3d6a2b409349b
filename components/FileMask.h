// Matching file names against masks such as "*.zip" or "Bob.*".
#pragma once

#include <string_view>

namespace ck {

// True when the whole of `name` matches `mask`, where "*" stands for any run
// of characters and "?" for one, ignoring ASCII case as Windows does.
// Windows' own listing also matches short 8.3 names ("*.d2s" finds
// "x.d2sx"); every listed name is filtered through this to keep only names
// that really match.
bool MatchesMask(std::string_view name, std::string_view mask);

}  // namespace ck
