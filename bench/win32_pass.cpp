// One backup pass of the real Win32 archiver over a folder, timed from inside
// the process (under Wine, timing the launcher would mostly measure Wine).
//   win32_pass FOLDER
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "components/FolderPrefix.h"
#include "components/Win32FileSystem.h"
#include "mainwindow/BackupPass.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  ck::Win32FileSystem files;
  ck::CharacterTable table;
  int z = 0;
  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  std::vector<double> times;
  const std::string folder = ck::FolderPrefix(argv[1]);
  for (int run = 0; run < 7; ++run) {
    // Every character played on since the last run, so that each run
    // compares and writes them all rather than finding them unchanged.
    for (const ck::FileInfo& key : ck::ListExactly(files, folder, "*.key")) {
      ck::Bytes data;
      ck::FileStamp before, after;
      if (files.ReadWhole(folder + key.name, data, before, after, UINT64_MAX) != ck::ReadStatus::Ok || data.empty()) {
        continue;
      }
      data[0] ^= 1;
      files.WriteFlushed(folder + key.name, data);
    }
    ::QueryPerformanceCounter(&start);
    const auto pass = ck::RunBackupPass(files, argv[1], z, 10, table);
    ::QueryPerformanceCounter(&end);
    if (!pass || !pass->notSaved.empty()) {
      std::fprintf(stderr, "pass failed\n");
      return 1;
    }
    times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
  }
  std::sort(times.begin(), times.end());
  std::printf("Win32 archiver under Wine, %zu characters: median %.2f ms\n", table.SaveCount(), times[times.size() / 2]);
  return 0;
}
