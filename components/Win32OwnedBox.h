// A modeless box that a window opens beside itself, such as the About box:
// what the window that opens it needs of it. The window holds it through
// this, and the box's own folder makes it, so that neither window's folder
// includes the other's.
#pragma once

#include <windows.h>

#include <memory>

namespace ck {

struct ProcessApi;
struct RegistryApi;

class OwnedBox {
 public:
  virtual ~OwnedBox() = default;
  // Opens the box, centred on `centreOn`, unless it is open already; then
  // shows it in front.
  virtual void Show(HWND centreOn) = 0;
  // Its keys, for `msg`, while it is open.
  virtual bool TranslateDialogKeys(MSG& msg) const = 0;
};

// The About box, on the machine's registry and processes as given.
std::unique_ptr<OwnedBox> MakeAboutBox(HINSTANCE instance, const RegistryApi& registry, const ProcessApi& processes);

}  // namespace ck
