// The archiver's file side on Windows: the product's.
#pragma once

#include "components/FileSystem.h"

namespace ck {

class Win32FileSystem : public FileSystem {
 public:
  // The file calls take names in the system's ANSI code page; a test names
  // another one (0: the system's).
  explicit Win32FileSystem(unsigned codePage = 0);
  // The machine's, on the system's code page: the program's own.
  static Win32FileSystem& Machine();

  std::vector<FileInfo> List(const std::string& folder, const std::string& pattern, bool withHidden) override;
  ReadStatus ReadWhole(const std::string& path, Bytes& data, FileStamp& before, FileStamp& after,
                       std::uint64_t limit) override;
  ReadStatus ReadParts(const std::string& path, FileStamp& stamp,
                       const std::function<void(std::uint64_t size, const ReadAt& read)>& use) override;
  void Identify(const std::string& folder, std::vector<FileInfo>& files) override;
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
  Trouble LastTrouble() const override { return TroubleOf(lastError_); }

  // A name as the file calls give it, in UTF-8; as it stands when it does not
  // convert: it could not be opened by that name either.
  std::string Utf8Name(const std::string& name) const;
  // What the error of a refused replace means: held for a moment by another
  // program, worth another try, or refused for good.
  static ReplaceStatus ReplaceRefusal(unsigned long error);
  // What a failure's error means to the player.
  static Trouble TroubleOf(unsigned long error);

 private:
  // Keeps the error of a call that failed, for LastTrouble; false.
  bool Failed();

  unsigned codePage_;
  unsigned long lastError_ = 0;
};

}  // namespace ck
