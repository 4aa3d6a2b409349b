// Runs a fuzz target over kept inputs, without libFuzzer: make check replays
// every corpus this way through the sanitizer build. Each argument is an
// input file or a folder of them. With --character DIR, writes instead the
// character the targets read archives against, and the archive this program
// makes of it, for making seeds with other tools. With --wrong, runs the
// target once on the empty input with an outcome spoiled, and succeeds only
// if its property then fails: a target that checked nothing would pass.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "tests/fuzz/Fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool Write(const fs::path& path, const ck::Bytes& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--character") {
    bool ok = true;
    for (const ck::ZipEntry& e : ck::fuzz::Character()) ok = Write(fs::path(argv[2]) / e.name, e.data) && ok;
    return ok && Write(fs::path(argv[2]) / "cairnkeep.zip", ck::BuildZip(ck::fuzz::Character())) ? 0 : 1;
  }
  if (argc == 2 && std::string(argv[1]) == "--wrong") {
    ck::fuzz::wrong = true;
    const std::uint8_t none = 0;
    try {
      LLVMFuzzerTestOneInput(&none, 0);
    } catch (const ck::fuzz::DoesNotHold&) {
      std::cout << "the property fails on a wrong outcome\n";
      return 0;
    }
    std::cerr << "the property holds on a wrong outcome\n";
    return 1;
  }
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    if (fs::is_directory(argv[i])) {
      for (const auto& entry : fs::directory_iterator(argv[i])) {
        if (entry.is_regular_file()) inputs.push_back(entry.path());
      }
    } else {
      inputs.emplace_back(argv[i]);
    }
  }
  for (const fs::path& path : inputs) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      std::cerr << "cannot read " << path << "\n";
      return 1;
    }
    // Exactly the input's length, so that a read beyond it is caught.
    const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(data.data(), data.size());
  }
  std::cout << inputs.size() << " inputs replayed\n";
  return inputs.empty() ? 1 : 0;
}
