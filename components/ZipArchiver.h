// Packs the files of a folder that match a mask into one zip archive,
// without ever putting a good archive at risk: the new archive is written
// whole beside it, flushed, read back and checked, and only then put in its
// place in one atomic step.
#pragma once

#include <string>
#include <vector>

#include "components/FileSystem.h"

namespace ck {

enum class AddResult {
  Saved,         // the archive now holds exactly the current files
  NothingToAdd,  // no file matched; the archive was left alone
  TornSave,      // a .d2s stayed half-written; the archive was left alone
  ReadOnly,      // the archive is marked read-only and was left alone
  Failed,        // a file could not be read or the archive not written
};

class ZipArchiver {
 public:
  explicit ZipArchiver(FileSystem& fs) : fs_(fs) {}

  int Action = 1;  // 1: add the included files to the archive
  std::string IncludeFileMask;
  std::string ExcludeFileMask;
  std::string SourceDirectory;
  std::string ZipFileName;
  // Optional: SourceDirectory's files as already listed, so that a pass over
  // many characters lists the folder once rather than once per character.
  const std::vector<FileInfo>* Listing = nullptr;

  AddResult Add();

  // Where the archive is written before it replaces ZipFileName: in the same
  // folder, under a name that no listing of "*.zip", "*.d2s" or "<name>.*"
  // matches.
  static std::string TemporaryName(const std::string& zipFileName);
  static constexpr const char* kTemporaryPattern = "~*.cktmp";

  // Temporaries of ours left by a crash.
  static void RemoveStale(FileSystem& fs, const std::string& folder);

  // How often and how long to wait for a file that is being written or
  // held, and for a replace that is refused for a moment.
  static constexpr int kReadAttempts = 5;
  static constexpr unsigned kReadPauseMs = 250;
  static constexpr int kReplaceAttempts = 10;
  static constexpr unsigned kReplacePauseMs = 100;

 private:
  AddResult ReadIncluded(const std::string& folder, std::vector<ZipEntry>& entries);
  bool WriteChecked(const std::string& temporary, const Bytes& archive);

  FileSystem& fs_;
};

}  // namespace ck
