// One save folder in memory, its names compared ignoring case as Windows
// does, so that a fuzzed archive can be restored thousands of times a second.
#pragma once

#include <cctype>
#include <map>
#include <string>

#include "components/FileMask.h"
#include "components/FileSystem.h"

namespace ck::testing {

class MemoryFileSystem : public FileSystem {
 public:
  struct File {
    std::string name;  // as it was written
    Bytes data;
    std::uint64_t lastWrite = 0;
  };
  // Every path is "<folder><name>"; the files by name in lower case.
  explicit MemoryFileSystem(std::string folder) : folder_(std::move(folder)) {}
  // How many more writes, renames, removes and datings succeed; then every
  // one fails, as when the disk goes away. -1: all of them.
  int changesLeft = -1;
  void Put(const std::string& name, const Bytes& data) { files_[Key(folder_ + name)] = {name, data, ++clock_}; }
  // The folder's contents, by name in lower case, but for the temporaries
  // that start-up removes.
  std::map<std::string, Bytes> Contents() const {
    std::map<std::string, Bytes> contents;
    for (const auto& [key, f] : files_) {
      if (!MatchesMask(f.name, "~*.cktmp")) contents[Key(f.name)] = f.data;
    }
    return contents;
  }

  std::vector<FileInfo> List(const std::string&, const std::string& pattern, bool) override {
    std::vector<FileInfo> listed;
    for (const auto& [key, f] : files_) {
      if (MatchesMask(f.name, pattern)) listed.push_back({f.name, f.name, f.data.size(), 0x21, 0, f.lastWrite, 0});
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
  bool WriteFlushed(const std::string& path, const Bytes& data) override {
    if (!Change() || !path.starts_with(folder_)) return false;
    Put(path.substr(folder_.size()), data);
    return true;
  }
  // As a rename: the target takes the name it is given.
  ReplaceStatus Replace(const std::string& from, const std::string& to) override {
    const auto f = files_.find(Key(from));
    if (!Change() || f == files_.end() || !to.starts_with(folder_)) return ReplaceStatus::Failed;
    File moved = std::move(f->second);
    files_.erase(f);
    moved.name = to.substr(folder_.size());
    moved.lastWrite = ++clock_;
    files_[Key(to)] = std::move(moved);
    return ReplaceStatus::Done;
  }
  ReplaceStatus Place(const std::string& from, const std::string& to) override {
    return files_.contains(Key(to)) ? ReplaceStatus::Exists : Replace(from, to);
  }
  bool Remove(const std::string& path) override { return Change() && files_.erase(Key(path)) == 1; }
  bool IsReadOnly(const std::string&) override { return false; }
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

  std::string folder_;
  std::map<std::string, File> files_;  // by path in lower case
  std::uint64_t clock_ = 0;
};

}  // namespace ck::testing
