// The window of a character's whole history, as the window that opens it
// sees it; and what that window does for it: the going back and the
// keeping are that window's own, with its question and its passes. The
// history's own folder makes it, so that neither window's folder includes
// the other's.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "components/Win32OwnedBox.h"

namespace ck {

class FileSystem;

class ArchiveCommands {
 public:
  virtual ~ArchiveCommands() = default;
  // Asks whether to restore from `archive`, a path from the save folder, in
  // a box owned by `owner`, and restores on a yes.
  virtual void RestoreFrom(const std::string& archive, HWND owner) = 0;
  // Keeps `archive` out of the rotation, telling of a failure in a box
  // owned by `owner`.
  virtual void Keep(const std::string& archive, HWND owner) = 0;
  virtual std::string SaveFolder() const = 0;  // ending in its separator
  virtual int SlotsKept() const = 0;           // a character's, as the passes keep them
};

class HistoryBox : public OwnedBox {
 public:
  // Opens the box, or brings it in front, for the character whose archive
  // in the save folder `archive` is; with none, the first.
  virtual void ShowFor(HWND centreOn, const std::string& archive) = 0;
  // Lists again, while it is open: rows change only where an archive came,
  // went or changed, and only those are read.
  virtual void Refresh() = 0;
  virtual void Close() = 0;
};

std::unique_ptr<HistoryBox> MakeHistoryBox(HINSTANCE instance, FileSystem& files, ArchiveCommands& commands);

}  // namespace ck
