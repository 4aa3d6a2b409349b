// The archiver's file side on POSIX systems: for the native tests and the
// benchmark, so the whole archiver runs with the sanitizers.
#pragma once

#include "components/FileSystem.h"

namespace ck {

class PosixFileSystem : public FileSystem {
 public:
  std::vector<FileInfo> List(const std::string& folder, const std::string& pattern, bool withHidden) override;
  ReadStatus ReadWhole(const std::string& path, Bytes& data, FileStamp& before, FileStamp& after,
                       std::uint64_t limit) override;
  ReadStatus ReadParts(const std::string& path, FileStamp& stamp,
                       const std::function<void(std::uint64_t size, const ReadAt& read)>& use) override;
  // The listing gives each file's identity already.
  bool Stamp(const std::string& path, FileStamp& stamp) override;
  Clocks ReadClocks() override;
  bool WriteFlushed(const std::string& path, const Bytes& data) override;
  ReplaceStatus Replace(const std::string& from, const std::string& to) override;
  ReplaceStatus Place(const std::string& from, const std::string& to) override;
  bool MakeFolder(const std::string& path) override;
  std::vector<std::string> Folders(const std::string& folder) override;
  int UtcOffsetMinutes(std::int64_t unixTime) override;
  bool Remove(const std::string& path) override;
  bool IsReadOnly(const std::string& path) override;
  bool SetLastWrite(const std::string& path, const ZipEntry& entry) override;
  bool NativeName(const std::string& utf8Name, std::string& name) override;
  void Pause(unsigned milliseconds) override;
};

}  // namespace ck
