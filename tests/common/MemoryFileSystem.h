// A save folder and the folders below it in memory, names compared
// ignoring case as Windows does, so that a fuzzed archive can be restored
// thousands of times a second and a year of passes run in seconds.
#pragma once

#include <cctype>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "components/FileMask.h"
#include "components/FileSystem.h"

namespace ck::testing {

class MemoryFileSystem : public FileSystem {
 public:
  struct File {
    std::string name;  // as it was written, without its folder
    Bytes data;
    std::uint64_t lastWrite = 0;
    bool readOnly = false;
  };
  static constexpr std::uint64_t kPerSecond = 1000000;
  // Paths are "<folder><name>", and folders below it end in a "/".
  explicit MemoryFileSystem(std::string folder) : folder_(std::move(folder)) { folders_[Key(folder_)] = folder_; }
  // How many more writes, renames, removes, datings and new folders
  // succeed; then every one fails, as when the disk goes away. -1: all of
  // them.
  int changesLeft = -1;
  bool refuseFolders = false;  // as a folder that may not be written in
  // Names a rename refuses to write over or to, as while another program
  // holds the file.
  std::function<bool(const std::string& to)> refused = [](const std::string&) { return false; };
  // Told of each file written, once it is.
  std::function<void(const std::string& path)> written = [](const std::string&) {};
  // The clocks, in seconds since 1970 UTC: the wall clock dates every
  // write; the steady one runs on unless a test leaves it.
  std::int64_t wallNow = 0, steadyNow = 0;
  std::function<int(std::int64_t)> offsetMinutes = [](std::int64_t) { return 0; };

  void Put(const std::string& name, const Bytes& data) { Write(folder_ + name, data); }
  // The save folder's contents, by name in lower case, but for the
  // temporaries that start-up removes.
  std::map<std::string, Bytes> Contents() const {
    std::map<std::string, Bytes> contents;
    for (const auto& [key, f] : files_) {
      if (InFolder(key, Key(folder_)) && !MatchesMask(f.name, "~*.cktmp")) contents[Key(f.name)] = f.data;
    }
    return contents;
  }
  void SetReadOnly(const std::string& path) { files_.at(Key(path)).readOnly = true; }

  std::vector<FileInfo> List(const std::string& folder, const std::string& pattern, bool) override {
    std::vector<FileInfo> listed;
    const auto list = [&](const File& f) {
      const auto unixTime = static_cast<std::int64_t>(f.lastWrite / kPerSecond);
      listed.push_back({f.name, f.name, f.data.size(), 0x21, 0, f.lastWrite, unixTime});
    };
    const std::string within = Key(folder);
    if (pattern.find_first_of("*?") == std::string::npos) {
      if (const auto one = files_.find(within + Key(pattern)); one != files_.end()) list(one->second);
      return listed;
    }
    for (auto at = files_.lower_bound(within); at != files_.end() && at->first.starts_with(within); ++at) {
      if (InFolder(at->first, within) && MatchesMask(at->second.name, pattern)) list(at->second);
    }
    return listed;
  }
  ReadStatus ReadWhole(const std::string& path, Bytes& data, FileStamp& before, FileStamp& after,
                       std::uint64_t limit) override {
    const auto f = files_.find(Key(path));
    if (f == files_.end()) return ReadStatus::Missing;
    before = after = {f->second.data.size(), f->second.lastWrite};
    if (f->second.data.size() > limit) return ReadStatus::TooLarge;
    data = f->second.data;
    return ReadStatus::Ok;
  }
  Clocks ReadClocks() override {
    return {static_cast<std::uint64_t>(wallNow) * kPerSecond, static_cast<std::uint64_t>(steadyNow) * kPerSecond,
            kPerSecond, wallNow};
  }
  bool WriteFlushed(const std::string& path, const Bytes& data) override {
    if (!Change() || !HasFolder(path)) return false;
    Write(path, data);
    written(path);
    return true;
  }
  // As a rename: the target takes the name it is given and keeps its time.
  ReplaceStatus Replace(const std::string& from, const std::string& to) override {
    const auto f = files_.find(Key(from));
    if (!Change() || f == files_.end() || !HasFolder(to) || refused(to)) return ReplaceStatus::Failed;
    File moved = std::move(f->second);
    files_.erase(f);
    moved.name = Leaf(to);
    files_[Key(to)] = std::move(moved);
    return ReplaceStatus::Done;
  }
  ReplaceStatus Place(const std::string& from, const std::string& to) override {
    return files_.contains(Key(to)) ? ReplaceStatus::Exists : Replace(from, to);
  }
  bool MakeFolder(const std::string& path) override {
    if (folders_.contains(Key(path + "/"))) return true;
    if (!Change() || refuseFolders || !HasFolder(path)) return false;
    folders_[Key(path + "/")] = path + "/";
    return true;
  }
  std::vector<std::string> Folders(const std::string& folder) override {
    std::vector<std::string> names;
    const std::string within = Key(folder);
    for (const auto& [key, path] : folders_) {
      const std::size_t end = key.find('/', within.size());
      if (key.starts_with(within) && end + 1 == key.size() && end > within.size()) {
        names.push_back(path.substr(within.size(), end - within.size()));
      }
    }
    return names;
  }
  int UtcOffsetMinutes(std::int64_t unixTime) override { return offsetMinutes(unixTime); }
  bool Remove(const std::string& path) override { return Change() && files_.erase(Key(path)) == 1; }
  bool IsReadOnly(const std::string& path) override {
    const auto f = files_.find(Key(path));
    return f != files_.end() && f->second.readOnly;
  }
  bool SetLastWrite(const std::string& path, const ZipEntry&) override {
    return Change() && files_.contains(Key(path));
  }
  bool NativeName(const std::string& utf8Name, std::string& name) override {
    name = utf8Name;
    return true;
  }
  void Pause(unsigned) override {}

  static std::string Key(std::string name) {
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
  }

 private:
  bool Change() { return changesLeft < 0 || (changesLeft > 0 && changesLeft--); }
  static std::string Leaf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }
  static bool InFolder(const std::string& key, const std::string& folder) {
    return key.size() > folder.size() && key.starts_with(folder) && key.find('/', folder.size()) == std::string::npos;
  }
  bool HasFolder(const std::string& path) const {
    return folders_.contains(Key(path.substr(0, path.find_last_of('/') + 1)));
  }
  void Write(const std::string& path, const Bytes& data) {
    // Every write a tick later than the last of its second, as a clock
    // that is fine but never still would date it.
    if (wallNow != tickSecond_) tickSecond_ = wallNow, tick_ = 0;
    files_[Key(path)] = {Leaf(path), data, static_cast<std::uint64_t>(wallNow) * kPerSecond + ++tick_};
  }

  std::string folder_;
  std::map<std::string, File> files_;  // by path in lower case
  std::map<std::string, std::string> folders_;  // as made, by path in lower case, ending in "/"
  std::int64_t tickSecond_ = 0;
  std::uint64_t tick_ = 0;
};

}  // namespace ck::testing
