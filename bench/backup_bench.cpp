// One backup pass over generated save folders, measured beside what it
// cannot beat: Info-ZIP's zip making the same archives, the copy floor
// (read the files, write their bytes to a new file per character through a
// temporary file, flushed, and a rename) and the compression floor (zlib
// level 6 over the same bytes, with no file work).
//
//   backup_bench FOLDER [FOLDER...]     each folder holds one set of characters
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "components/ArchiveNames.h"
#include "components/FileMask.h"
#include "components/PosixFileSystem.h"
#include "components/SaveCheck.h"
#include "mainwindow/BackupPass.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 7;

double MedianMs(const std::function<void()>& work, const std::function<void()>& before = [] {}) {
  std::vector<double> times;
  for (int i = 0; i < kRuns; ++i) {
    before();
    const auto start = Clock::now();
    work();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

struct Folder {
  std::string path;  // with trailing slash
  std::vector<std::string> characters;
  std::vector<std::vector<std::string>> files;  // each character's files
};

Folder Load(const std::string& dir) {
  Folder f{dir.back() == '/' ? dir : dir + "/", {}, {}};
  ck::PosixFileSystem posix;
  ck::CharacterTable table;
  ck::EnumerateSaveFiles(posix, f.path, table);
  f.characters = table.SaveNames;
  for (const std::string& name : f.characters) {
    std::vector<std::string> own;
    for (const ck::FileInfo& file : ck::ListExactly(posix, f.path, name + ".*")) {
      if (!ck::MatchesMask(file.name, ck::kArchivePattern)) own.push_back(file.name);
    }
    f.files.push_back(own);
  }
  return f;
}

ck::Bytes ReadAll(const std::string& path) {
  ck::Bytes data;
  ck::FileStamp a, b;
  ck::PosixFileSystem().ReadWhole(path, data, a, b, UINT64_MAX);
  return data;
}

void RemoveArchives(const Folder& f) {
  ck::PosixFileSystem posix;
  for (const ck::FileInfo& file : ck::ListExactly(posix, f.path, ck::kArchivePattern)) posix.Remove(f.path + file.name);
  for (const ck::FileInfo& file : ck::ListExactly(posix, f.path, "*.copy")) posix.Remove(f.path + file.name);
}

// Every character played on since the last run: a pass writes only those
// that differ from their newest archives, and the bench measures one that
// compares and writes them all.
void PlayAll(const Folder& f) {
  ck::PosixFileSystem posix;
  for (const std::string& name : f.characters) {
    ck::Bytes keys = ReadAll(f.path + name + ".key");
    if (keys.empty()) continue;
    keys[0] ^= 1;
    posix.WriteFlushed(f.path + name + ".key", keys);
  }
}

double OurPass(const Folder& f) {
  ck::PosixFileSystem posix;
  ck::CharacterTable table;
  ck::PassMemory written;
  return MedianMs([&] { ck::RunBackupPass(posix, f.path, 10, table, written); }, [&] { PlayAll(f); });
}

double InfoZip(const Folder& f) {
  int slot = 0;
  return MedianMs([&] {
    slot = slot % 10 + 1;
    for (const std::string& name : f.characters) {
      const std::string archive = ck::SlotName(name, slot);
      const std::string command = "cd '" + f.path + "' && rm -f '" + archive + "' && zip -q -6 -X '" + archive +
                                  "' '" + name + ".'* -x '*.zip'";
      if (std::system(command.c_str()) != 0) std::fprintf(stderr, "zip failed for %s\n", name.c_str());
    }
  });
}

double CopyFloor(const Folder& f) {
  return MedianMs([&] {
    for (std::size_t i = 0; i < f.characters.size(); ++i) {
      ck::Bytes all;
      for (const std::string& file : f.files[i]) {
        const ck::Bytes data = ReadAll(f.path + file);
        all.insert(all.end(), data.begin(), data.end());
      }
      const std::string target = f.path + f.characters[i] + ".copy";
      const std::string temporary = target + ".tmp";
      const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0 || ::write(fd, all.data(), all.size()) != static_cast<ssize_t>(all.size()) || ::fsync(fd) != 0) {
        std::fprintf(stderr, "copy failed\n");
      }
      ::close(fd);
      ::rename(temporary.c_str(), target.c_str());
    }
  });
}

double CompressionFloor(const Folder& f) {
  std::vector<ck::Bytes> contents;
  for (const auto& files : f.files) {
    for (const std::string& file : files) contents.push_back(ReadAll(f.path + file));
  }
  ck::Bytes out;
  return MedianMs([&] {
    for (const ck::Bytes& data : contents) {
      z_stream z{};
      deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
      out.resize(deflateBound(&z, static_cast<uLong>(data.size())));
      z.next_in = const_cast<Bytef*>(data.data());
      z.avail_in = static_cast<uInt>(data.size());
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      deflate(&z, Z_FINISH);
      deflateEnd(&z);
    }
  });
}

double SaveChecks(const Folder& f) {
  std::vector<ck::Bytes> saves;
  for (const std::string& name : f.characters) saves.push_back(ReadAll(f.path + name + ".d2s"));
  volatile int whole = 0;
  return MedianMs([&] {
    for (const ck::Bytes& s : saves) whole = whole + ck::IsWholeSave(s.data(), s.size());
  });
}

}  // namespace

int main(int argc, char** argv) {
  std::printf("%-11s %10s %10s %10s %10s %9s %12s %10s\n", "characters", "ours ms", "zip ms", "copy ms",
              "deflate ms", "ours/zip", "ours/floors", ".d2s ms");
  bool goals = true;
  for (int i = 1; i < argc; ++i) {
    const Folder f = Load(argv[i]);
    RemoveArchives(f);
    const double ours = OurPass(f);
    const double zip = InfoZip(f);
    const double copy = CopyFloor(f);
    const double deflate = CompressionFloor(f);
    const double checks = SaveChecks(f);
    RemoveArchives(f);
    const double vsZip = ours / zip, vsFloors = ours / (copy + deflate);
    std::printf("%-11zu %10.2f %10.2f %10.2f %10.2f %9.2f %12.2f %10.3f\n", f.characters.size(), ours, zip, copy,
                deflate, vsZip, vsFloors, checks);
    goals = goals && vsZip <= 0.6 && vsFloors <= 1.2 && (f.characters.size() < 500 || checks < 10.0);
  }
  std::printf("goals (ours/zip <= 0.6, ours/floors <= 1.2, 500 .d2s checks < 10 ms): %s\n",
              goals ? "met" : "NOT met");
  return 0;
}
