// The list of the save folder's archives. Each row is the archive's name
// (the row's text, so that the right click and type-to-find go by it), and,
// right-aligned, the time it was made, the character's level, and "dead" or
// "corpse". What each archive holds is read once the window shows, the rows
// in view first, a few at a time between the window's other messages.
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "components/ArchiveCatalog.h"
#include "components/FileSystem.h"
#include "mainwindow/AppIds.h"

namespace ck {

class ArchiveList {
 public:
  // Each row's item data: 0 until its archive is read; then kRead, with
  // kKnown, the level in the low byte and kDead or kCorpse where its save
  // tells them. Tools outside may read it too.
  static constexpr LPARAM kRead = 1 << 16, kKnown = 1 << 17, kDead = 1 << 18, kCorpse = 1 << 19;

  explicit ArchiveList(FileSystem& fs) : fs_(fs) {}
  ArchiveList(const ArchiveList&) = delete;
  ArchiveList& operator=(const ArchiveList&) = delete;

  // Takes the list box (owner-drawn, with strings, its font set), the window
  // whose timer reads, and the colours the rows are drawn in.
  void Attach(HWND list, HWND owner, COLORREF text, COLORREF back);

  // Lists the archives of `folder` (ending in its separator) again. Rows are
  // made anew only when an archive came, went or changed; the archive
  // selected stays selected while it is the same file, and the list does
  // not scroll. Archives not read yet are read from the owner's timer.
  void Refresh(const std::string& folder);

  // The owner's TimerId::ReadArchives: reads archives for `sliceMs` (one archive at
  // least), those in view first, and stops the timer once all are read.
  void OnReadTimer(std::uint64_t sliceMs = kReadSliceMs);

  void Draw(const DRAWITEMSTRUCT& item) const;

  // The name of the archive selected; empty with none.
  std::string Selected() const;

  const ArchiveCatalog& Catalog() const { return catalog_; }

 private:
  std::string RowText(int row) const;
  // Reads the archive of `row` if it is not read yet; whether it was.
  bool ReadRow(int row);
  LPARAM RowData(const SaveState& state) const;

  FileSystem& fs_;
  HWND list_ = nullptr;   // the owner's control: not ours to destroy
  HWND owner_ = nullptr;
  COLORREF text_ = 0, back_ = 0;
  // Widths of the right-hand columns, and the space between columns, for
  // the list's font.
  int timeWidth_ = 0, levelWidth_ = 0, stateWidth_ = 0, gap_ = 0;
  std::string folder_;
  std::vector<FileInfo> archives_;  // as listed
  std::unordered_map<std::string, std::size_t> byName_;  // into archives_
  ArchiveCatalog catalog_;
};

}  // namespace ck
