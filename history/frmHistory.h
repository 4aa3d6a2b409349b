// A character's whole history in one window: every archive that keeps one
// of its states, in the save folder and in its history folder, newest
// first, with when it was made, what the save in it tells, and what keeps
// it. Going back to a row, or keeping it, is the main window's to do, as
// from its own list. One at a time, modeless.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "components/ArchiveCatalog.h"
#include "components/CharacterStates.h"
#include "components/Win32Dialog.h"
#include "components/Win32HistoryBox.h"

namespace ck {

class frmHistory : public HistoryBox {
 public:
  frmHistory(HINSTANCE instance, FileSystem& files, ArchiveCommands& commands);
  ~frmHistory() override;
  frmHistory(const frmHistory&) = delete;
  frmHistory& operator=(const frmHistory&) = delete;

  void Show(HWND centreOn) override { ShowFor(centreOn, {}); }
  void ShowFor(HWND centreOn, const std::string& archive) override;
  // Tab, the access keys, Enter on a row, Ctrl+K and Esc, while it is open.
  bool TranslateDialogKeys(MSG& msg) const override;
  void Refresh() override;
  void Close() override;

  HWND Handle() const { return hwnd_; }
  const std::string& Character() const { return character_; }
  const std::vector<StateRow>& Rows() const { return rows_; }
  const ArchiveCatalog& Catalog() const { return catalog_; }
  // What a row shows in `column`: when it was made, its level, "dead" or
  // "corpse", and what keeps it.
  std::string CellText(int row, int column) const;

  // The timer that reads the rows' archives, the rows in view first.
  static constexpr UINT_PTR kReadTimer = 1;

 private:
  friend INT_PTR CALLBACK BoundDialogProc<frmHistory>(HWND, UINT, WPARAM, LPARAM);
  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  // Message handlers.
  void Load();
  void OnCommand(UINT id, UINT code);
  INT_PTR OnNotify(const NMHDR& header);
  void OnReadTimer();
  void OnCharacterChosen();
  void OnRestore();
  void OnKeep();

  // Helpers of the handlers.
  void PlaceControls();
  // The characters of `states`, and the rows of `character` (or, with no
  // such one, the first): made anew only where an archive came, went or
  // changed, the row selected staying selected.
  void List(const SavedStates& states, const std::string& character);
  std::string SelectedPath() const;
  HWND Control(int id) const { return ::GetDlgItem(hwnd_, id); }
  int Pixels(int twips) const;

  HINSTANCE instance_;
  FileSystem& files_;
  ArchiveCommands& commands_;
  HWND hwnd_ = nullptr;
  HWND centreOn_ = nullptr;
  HACCEL accelerators_ = nullptr;  // a resource's: freed with the program
  int dpi_ = 96;
  std::vector<std::string> characters_;
  std::string character_;
  std::vector<StateRow> rows_;
  ArchiveCatalog catalog_;
};

}  // namespace ck
