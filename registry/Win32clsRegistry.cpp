#include "registry/Win32clsRegistry.h"

#include <exception>
#include <new>
#include <vector>

#include "registry/RegistryText.h"

namespace ck {
namespace {

// Writes keep the full set of rights (query, set, create sub-key, enumerate,
// notify, create link).
constexpr REGSAM kWriteRights = 0x3F;

HKEY RootHandle(std::uint32_t root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root));
}

// An unexpected failure inside an operation is shown, captioned with the
// operation's name, and not passed on: a registry read must never take the
// program down.
void ReportFailure(const char* operation) {
  std::string text;
  try {
    throw;
  } catch (const std::bad_alloc&) {
    text = "Error: 7. Out of memory";
  } catch (const std::exception& e) {
    text = std::string("Error: 5. ") + e.what();
  } catch (...) {
    text = "Error: 5. Unexpected failure";
  }
  ::MessageBoxA(nullptr, text.c_str(), operation, MB_OK);
}

}  // namespace

std::string clsRegistry::EntryKeyPath() const {
  return ComposeKeyPath(mainBranch_, regBase_, program_, section_);
}

std::string clsRegistry::ReadEntry(const std::string& strEntry, const std::string& strDefault) const {
  try {
    return TextOrDefault(GetKeyValue(rootKey_, EntryKeyPath(), strEntry), strDefault);
  } catch (...) {
    ReportFailure("ReadEntry");
    return strDefault;
  }
}

void clsRegistry::WriteEntry(const std::string& strEntry, const std::string& strValue) const {
  try {
    SetKeyValue(rootKey_, EntryKeyPath(), strEntry, strValue, REG_SZ);
  } catch (...) {
    ReportFailure("WriteEntry");
  }
}

std::optional<std::string> clsRegistry::GetKeyValue(std::uint32_t root, const std::string& path,
                                                    const std::string& name) const {
  try {
    HKEY raw = nullptr;
    // Read rights only: asking for write rights to read would lose a value
    // that a standard account may read but not change.
    if (api_->OpenKeyEx(RootHandle(root), path.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    const OpenKey key(*api_, raw);

    DWORD type = 0, size = 0;
    if (api_->QueryValueEx(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    if (type == REG_SZ) {
      if (size == 0) return std::string();
      std::vector<char> buffer(size, '\0');
      DWORD stored = size;
      // A value that grew since the first query fails here with
      // ERROR_MORE_DATA and counts as unreadable.
      if (api_->QueryValueEx(key.get(), name.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(buffer.data()), &stored) != ERROR_SUCCESS ||
          type != REG_SZ) {
        return std::nullopt;
      }
      return DecodeStringData(buffer.data(), buffer.size(), stored);
    }
    if (type == REG_DWORD) {
      if (size > sizeof(DWORD)) return std::nullopt;
      DWORD bits = 0, stored = size;
      if (api_->QueryValueEx(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&bits),
                             &stored) != ERROR_SUCCESS ||
          type != REG_DWORD) {
        return std::nullopt;
      }
      return DwordText(bits);
    }
    return std::nullopt;
  } catch (...) {
    ReportFailure("GetKeyValue");
    return std::nullopt;
  }
}

void clsRegistry::SetKeyValue(std::uint32_t root, const std::string& path, const std::string& name,
                              const std::string& value, DWORD type) const {
  try {
    HKEY raw = nullptr;
    if (api_->CreateKeyEx(RootHandle(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          kWriteRights, nullptr, &raw, nullptr) != ERROR_SUCCESS) {
      return;
    }
    const OpenKey key(*api_, raw);
    // The text and its terminator: c_str() provides the NUL.
    api_->SetValueEx(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
  } catch (...) {
    ReportFailure("SetKeyValue");
  }
}

}  // namespace ck
