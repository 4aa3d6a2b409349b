#include "mainwindow/BackupSchedule.h"

#include "mainwindow/NumberText.h"

namespace ck {

bool IsDue(std::string_view intervalText, std::uint64_t elapsedMs,
           std::string_view decimalSeparator) {
  const std::optional<double> minutes = ParseNumber(intervalText, decimalSeparator);
  if (!minutes) return false;
  return *minutes * 60000.0 <= static_cast<double>(elapsedMs);
}

}  // namespace ck
