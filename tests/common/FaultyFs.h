// A file side with switches for each failure a real disk can produce, for
// the tests of everything that writes the save folder: over the POSIX one
// in the native tests, over the Win32 one in the window's own.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#ifdef _WIN32
#include "components/Win32FileSystem.h"
#else
#include "components/PosixFileSystem.h"
#endif

namespace ck::testing {

template <class Base>
class Faulty : public Base {
 public:
  std::function<bool(const std::string&)> lockedRead = [](const std::string&) { return false; };
  std::function<void(const std::string&)> onRead = [](const std::string&) {};  // may delete or throw
  int changingReads = 0;      // this many reads see the file change under them
  bool failWriteHalfway = false;
  bool refuseOverwrite = false;  // as Windows refuses to write over a read-only or hidden file
  ck::ReplaceStatus replaceRefused = ck::ReplaceStatus::Done;
  bool refuseReadOnlyTarget = false;  // as Windows refuses to replace a read-only file
  // Files another program holds open: neither replaced nor removed.
  std::function<bool(const std::string&)> held = [](const std::string&) { return false; };
  std::function<void()> onPause = [] {};
  // How many more writes, replaces and removes succeed; then every one fails,
  // as when the disk goes away half-way. -1: all of them.
  int changesLeft = -1;
  int pauses = 0;
  unsigned pausedMs = 0;

  ck::ReadStatus ReadWhole(const std::string& path, ck::Bytes& data, ck::FileStamp& before, ck::FileStamp& after,
                           std::uint64_t limit) override {
    onRead(path);
    if (lockedRead(path)) return ck::ReadStatus::Failed;
    const ck::ReadStatus status = Base::ReadWhole(path, data, before, after, limit);
    if (changingReads > 0 && path.find(".cktmp") == std::string::npos) {
      --changingReads;
      after.lastWrite += 1;
    }
    return status;
  }
  bool WriteFlushed(const std::string& path, const ck::Bytes& data) override {
    if (!Change()) return false;
    if (refuseOverwrite && std::filesystem::exists(path)) return false;
    if (!failWriteHalfway) return Base::WriteFlushed(path, data);
    Base::WriteFlushed(path, ck::Bytes(data.begin(), data.begin() + data.size() / 2));
    trouble = ck::Trouble::DiskFull;
    return false;
  }
  ck::ReplaceStatus Replace(const std::string& from, const std::string& to) override {
    if (!Change()) return ck::ReplaceStatus::Failed;
    if (held(to)) {
      trouble = ck::Trouble::Held;
      return ck::ReplaceStatus::Held;
    }
    if (refuseReadOnlyTarget && this->IsReadOnly(to)) return ck::ReplaceStatus::Failed;
    return replaceRefused != ck::ReplaceStatus::Done ? replaceRefused : Base::Replace(from, to);
  }
  ck::ReplaceStatus Place(const std::string& from, const std::string& to) override {
    if (!Change()) return ck::ReplaceStatus::Failed;
    return held(to) ? ck::ReplaceStatus::Held : Base::Place(from, to);
  }
  bool MakeFolder(const std::string& path) override { return Change() && Base::MakeFolder(path); }
  bool Remove(const std::string& path) override {
    if (held(path)) trouble = ck::Trouble::Held;
    return Change() && !held(path) && Base::Remove(path);
  }
  ck::Trouble LastTrouble() const override { return trouble; }
  ck::Trouble trouble = ck::Trouble::Unknown;
  bool SetLastWrite(const std::string& path, const ck::ZipEntry& entry) override {
    return Change() && Base::SetLastWrite(path, entry);
  }
  bool Change() { return changesLeft < 0 || (changesLeft > 0 && changesLeft--); }
  void Pause(unsigned ms) override {
    ++pauses;
    pausedMs += ms;
    onPause();
  }
};

#ifdef _WIN32
using FaultyWin32Fs = Faulty<ck::Win32FileSystem>;
#else
using FaultyFs = Faulty<ck::PosixFileSystem>;
#endif

}  // namespace ck::testing
