#include "mainwindow/NumberText.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace ck {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<double> ParseNumber(std::string_view text, std::string_view decimalSeparator) {
  std::size_t i = 0, end = text.size();
  while (i < end && IsBlank(text[i])) ++i;
  while (end > i && IsBlank(text[end - 1])) --end;

  // Rewrite into the form strtod reads in the "C" locale, checking the
  // grammar on the way so that strtod never sees anything it could stretch.
  std::string plain;
  plain.reserve(end - i);
  if (i < end && (text[i] == '+' || text[i] == '-')) plain += text[i++];
  std::size_t digits = 0;
  bool separatorSeen = false;
  while (i < end) {
    if (IsDigit(text[i])) {
      plain += text[i++];
      ++digits;
    } else if (separatorSeen) {
      return std::nullopt;
    } else if (text[i] == '.') {
      plain += '.';
      ++i;
      separatorSeen = true;
    } else if (!decimalSeparator.empty() && text.substr(i).starts_with(decimalSeparator)) {
      plain += '.';
      i += decimalSeparator.size();
      separatorSeen = true;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0) return std::nullopt;

  const double value = std::strtod(plain.c_str(), nullptr);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace ck
