// Reads and writes named string values under a key path composed from a
// root key and four parts. Every call opens the key, uses it and closes it;
// no handle is held between calls. Registry failures are never reported: a
// read that finds nothing usable returns the caller's default, and a failed
// write changes nothing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "registry/Win32RegistryApi.h"

namespace ck {

class clsRegistry {
 public:
  explicit clsRegistry(const RegistryApi& api = RegistryApi::Advapi32()) : api_(&api) {}

  std::uint32_t RootKey() const { return rootKey_; }
  void RootKey(std::uint32_t eValue) { rootKey_ = eValue; }
  const std::string& MainBranch() const { return mainBranch_; }
  void MainBranch(std::string strValue) { mainBranch_ = std::move(strValue); }
  const std::string& RegBase() const { return regBase_; }
  void RegBase(std::string strValue) { regBase_ = std::move(strValue); }
  const std::string& Program() const { return program_; }
  void Program(std::string strValue) { program_ = std::move(strValue); }
  const std::string& Section() const { return section_; }
  void Section(std::string strValue) { section_ = std::move(strValue); }

  // The value's text (a DWORD as its signed decimal), or `strDefault` when
  // the key or value is missing, unreadable, empty or of another type.
  // Opens for reading only, and never creates a key.
  std::string ReadEntry(const std::string& strEntry, const std::string& strDefault) const;

  // Stores `strValue` as REG_SZ, creating the key and any keys above it.
  void WriteEntry(const std::string& strEntry, const std::string& strValue) const;

 private:
  std::string EntryKeyPath() const;
  std::optional<std::string> GetKeyValue(std::uint32_t root, const std::string& path,
                                         const std::string& name) const;
  void SetKeyValue(std::uint32_t root, const std::string& path, const std::string& name,
                   const std::string& value, DWORD type) const;

  const RegistryApi* api_;
  std::uint32_t rootKey_ = 0x80000002;  // HKEY_LOCAL_MACHINE
  std::string mainBranch_ = "SOFTWARE";
  std::string regBase_;
  std::string program_;
  std::string section_ = "Settings";
};

}  // namespace ck
