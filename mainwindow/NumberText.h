// The one conversion from a settings text to a number. The validation of
// the two settings boxes, the backup pass's due test and its number of
// backups all use it, so a text the boxes accept is always a text the
// schedule understands.
#pragma once

#include <optional>
#include <string_view>

namespace ck {

// A decimal number, optionally signed, with "." or `decimalSeparator` before
// its fraction and blanks (spaces, tabs) around it. Anything else, including
// exponents, thousands separators, "inf", "nan" and a value beyond the range
// of a double, is no number.
std::optional<double> ParseNumber(std::string_view text, std::string_view decimalSeparator = ".");

}  // namespace ck
