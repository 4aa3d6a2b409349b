#include "components/PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <thread>

#include "components/FileMask.h"

namespace ck {
namespace {

std::uint64_t LastWrite(const struct stat& st) {
  return static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000ull + static_cast<std::uint64_t>(st.st_mtim.tv_nsec);
}

FileStamp StampOf(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_size), LastWrite(st), static_cast<std::uint64_t>(st.st_ino)};
}

// Closed however a reader lent it returns, or throws.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

std::vector<FileInfo> PosixFileSystem::List(const std::string& folder, const std::string& pattern,
                                            bool withHidden) {
  std::vector<FileInfo> files;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return files;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    // Dot files stand for hidden ones here.
    if (name.empty() || name == "." || name == ".." || (name[0] == '.' && !withHidden) ||
        !MatchesMask(name, pattern)) {
      continue;
    }
    struct stat st;
    if (::stat((folder + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    // Names here are in UTF-8 already.
    FileInfo info{name, name, static_cast<std::uint64_t>(st.st_size), 0, 0, LastWrite(st), st.st_mtime,
                  static_cast<std::uint64_t>(st.st_ino), name[0] == '.'};
    struct tm local;
    ::localtime_r(&st.st_mtime, &local);
    ToDosDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                  local.tm_sec, info.dosDate, info.dosTime);
    files.push_back(std::move(info));
  }
  ::closedir(dir);
  return files;
}

ReadStatus PosixFileSystem::ReadWhole(const std::string& path, Bytes& data, FileStamp& before, FileStamp& after,
                                      std::uint64_t limit) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
  struct stat st;
  ReadStatus status = ::fstat(fd, &st) == 0 ? ReadStatus::Ok : ReadStatus::Failed;
  if (status == ReadStatus::Ok) {
    before = StampOf(st);
    if (before.size > limit) status = ReadStatus::TooLarge;
  }
  if (status == ReadStatus::Ok) {
    data.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < data.size()) {
      const ssize_t n = ::read(fd, data.data() + done, data.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;  // shorter than it was: the stamps will differ
      done += static_cast<std::size_t>(n);
    }
    data.resize(done);
    if (::fstat(fd, &st) != 0) status = ReadStatus::Failed;
    after = StampOf(st);
  }
  ::close(fd);
  return status;
}

ReadStatus PosixFileSystem::ReadParts(const std::string& path, FileStamp& stamp,
                                      const std::function<void(std::uint64_t size, const ReadAt& read)>& use) {
  const Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) return errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
  struct stat st;
  if (::fstat(file.fd, &st) != 0) return ReadStatus::Failed;
  stamp = StampOf(st);
  use(stamp.size, [&](std::uint64_t offset, std::uint32_t length, Bytes& data) {
    data.resize(length);
    std::size_t done = 0;
    while (done < length) {
      const ssize_t n = ::pread(file.fd, data.data() + done, length - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  });
  return ::fstat(file.fd, &st) == 0 && StampOf(st) == stamp ? ReadStatus::Ok : ReadStatus::Failed;
}

bool PosixFileSystem::Stamp(const std::string& path, FileStamp& stamp) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  stamp = StampOf(st);
  return true;
}

Clocks PosixFileSystem::ReadClocks() {
  const auto ns = [](clockid_t clock) {
    struct timespec now;
    ::clock_gettime(clock, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000000ull + static_cast<std::uint64_t>(now.tv_nsec);
  };
  const std::uint64_t wall = ns(CLOCK_REALTIME);
  return {wall, ns(CLOCK_MONOTONIC), 1000000000ull, static_cast<std::int64_t>(wall / 1000000000ull)};
}

bool PosixFileSystem::MakeFolder(const std::string& path) {
  struct stat st;
  return ::mkdir(path.c_str(), 0755) == 0 || (errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

std::vector<std::string> PosixFileSystem::Folders(const std::string& folder) {
  std::vector<std::string> folders;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return folders;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    struct stat st;
    if (name != "." && name != ".." && ::stat((folder + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      folders.push_back(name);
    }
  }
  ::closedir(dir);
  return folders;
}

int PosixFileSystem::UtcOffsetMinutes(std::int64_t unixTime) {
  const time_t time = static_cast<time_t>(unixTime);
  struct tm local;
  return ::localtime_r(&time, &local) ? static_cast<int>(local.tm_gmtoff / 60) : 0;
}

bool PosixFileSystem::WriteFlushed(const std::string& path, const Bytes& data) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

ReplaceStatus PosixFileSystem::Replace(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) == 0) return ReplaceStatus::Done;
  return errno == EBUSY ? ReplaceStatus::Held : ReplaceStatus::Failed;
}

// A link refuses an existing name; then the temporary name goes.
ReplaceStatus PosixFileSystem::Place(const std::string& from, const std::string& to) {
  if (::link(from.c_str(), to.c_str()) != 0) return errno == EEXIST ? ReplaceStatus::Exists : ReplaceStatus::Failed;
  ::unlink(from.c_str());
  return ReplaceStatus::Done;
}

bool PosixFileSystem::Remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool PosixFileSystem::IsReadOnly(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

bool PosixFileSystem::SetLastWrite(const std::string& path, const ZipEntry& entry) {
  struct timespec times[2] = {{0, UTIME_OMIT}, {0, 0}};
  if (entry.unixTime) {
    times[1].tv_sec = static_cast<time_t>(*entry.unixTime);
  } else {
    struct tm local {};
    local.tm_year = 80 + (entry.dosDate >> 9);
    local.tm_mon = ((entry.dosDate >> 5) & 15) - 1;
    local.tm_mday = entry.dosDate & 31;
    local.tm_hour = entry.dosTime >> 11;
    local.tm_min = (entry.dosTime >> 5) & 63;
    local.tm_sec = 2 * (entry.dosTime & 31);
    local.tm_isdst = -1;  // the rule of that date
    times[1].tv_sec = ::mktime(&local);
    if (times[1].tv_sec == -1) times[1].tv_nsec = UTIME_OMIT;
  }
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool PosixFileSystem::NativeName(const std::string& utf8Name, std::string& name) {
  name = utf8Name;  // names here are in UTF-8 already
  return true;
}

void PosixFileSystem::Pause(unsigned milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace ck
