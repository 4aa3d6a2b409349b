// The About box: the program's name, version and purpose, a mail link to its
// authors, and a button that starts the System Information tool. One at a
// time, modeless, so the main window stays usable while it is open.
#pragma once

#include <windows.h>

#include <string>

#include "about/Win32ShellApi.h"
#include "components/Win32Dialog.h"
#include "components/Win32OwnedBox.h"
#include "components/Win32ProcessApi.h"
#include "components/Win32UniqueHandle.h"
#include "registry/Win32RegistryApi.h"

namespace ck {

class frmAbout : public OwnedBox {
 public:
  explicit frmAbout(HINSTANCE instance, const RegistryApi& registry = RegistryApi::Advapi32(),
                    const ProcessApi& processes = ProcessApi::Kernel32(),
                    const ShellApi& shell = ShellApi::Shell32());
  ~frmAbout() override;
  frmAbout(const frmAbout&) = delete;
  frmAbout& operator=(const frmAbout&) = delete;

  // Help > About: loads the dialog, centred on `centreOn`, unless it is open
  // already; then shows it in front.
  void Show(HWND centreOn) override;
  // Tab, Enter, Esc, Alt+S and Alt+E for `msg`, while the dialog is open.
  bool TranslateDialogKeys(MSG& msg) const override;
  HWND Handle() const { return hwnd_; }

  // cmdSysInfo: starts the System Information tool from where the machine's
  // registry says it is, or tells the user it cannot.
  void StartSysInfo();

  // One registry value as text: REG_SZ less its terminator, REG_DWORD as
  // "&h" and upper-case hex digits; other types leave `KeyVal` as it came.
  // False, with `KeyVal` emptied, when the key or value cannot be read or
  // holds more than 1024 bytes. `view` may ask for the 64-bit view.
  static bool GetKeyValue(const RegistryApi& registry, HKEY KeyRoot, const std::string& KeyName,
                          const std::string& SubKeyRef, std::string& KeyVal, REGSAM view = 0);

 private:
  friend INT_PTR CALLBACK BoundDialogProc<frmAbout>(HWND, UINT, WPARAM, LPARAM);
  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  // Message handlers.
  void Load();
  void OnCommand(UINT id, UINT code);
  INT_PTR OnControlColor(HDC dc, HWND control);
  bool OnSetCursor(HWND over);
  void OnEmailClick() const;
  void Unload();

  // Helpers of the handlers.
  void PlaceWindow();
  bool FindTool(REGSAM view, std::string& ToolPath) const;
  HWND Control(int id) const { return ::GetDlgItem(hwnd_, id); }
  int Pixels(int twips) const;

  HINSTANCE instance_;
  const RegistryApi* registry_;
  const ProcessApi* processes_;
  const ShellApi* shell_;
  HWND hwnd_ = nullptr;
  HWND centreOn_ = nullptr;
  int dpi_ = 96;
  HCURSOR hand_ = nullptr;
  UniqueIcon programIcon_;
  UniqueFont linkFont_;
};

}  // namespace ck
