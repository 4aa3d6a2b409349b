// clsRegistry against Wine's real registry, under a key of the test's own.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "about/frmAbout.h"
#include "registry/Win32clsRegistry.h"
#include "tests/win32/GameWindowTest.h"

namespace {

const char kTestBranch[] = "Software\\CairnkeepTests";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestBranch); }
  void TearDown() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestBranch); }

  // An accessor pointed at HKCU\Software\CairnkeepTests\Game\Paths.
  ck::clsRegistry Accessor(const ck::RegistryApi& api = ck::RegistryApi::Advapi32()) {
    ck::clsRegistry reg(api);
    reg.RootKey(0x80000001);
    reg.MainBranch("Software");
    reg.RegBase("CairnkeepTests");
    reg.Program("Game");
    reg.Section("Paths");
    return reg;
  }

  static void Store(const char* name, DWORD type, const void* data, DWORD size) {
    ck::testing::PutValue("Software\\CairnkeepTests\\Game\\Paths", name, type, data, size);
  }

  static bool KeyExists(const char* path) {
    HKEY key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
  }
};

TEST_F(RegistryTest, ReadingAMissingKeyOrValueCreatesNothing) {
  ck::clsRegistry reg = Accessor();
  EXPECT_EQ(reg.ReadEntry("Save Path", "c:\\"), "c:\\");
  EXPECT_FALSE(KeyExists("Software\\CairnkeepTests"));
  Store("Other", REG_SZ, "x", 2);
  EXPECT_EQ(reg.ReadEntry("Save Path", "c:\\"), "c:\\");
}

TEST_F(RegistryTest, WriteEntryCreatesTheKeysAboveAndStoresATerminatedString) {
  const ck::clsRegistry reg = Accessor();
  reg.WriteEntry("Program", "C:\\Diablo II\\Game.exe");
  EXPECT_EQ(reg.ReadEntry("Program", ""), "C:\\Diablo II\\Game.exe");

  const auto stored = [](const char* name) {
    char data[64];
    DWORD type = 0, size = sizeof data;
    EXPECT_EQ(::RegGetValueA(HKEY_CURRENT_USER, "Software\\CairnkeepTests\\Game\\Paths", name,
                             RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size),
              ERROR_SUCCESS);
    return std::pair(type, size);
  };
  EXPECT_EQ(stored("Program"), std::pair(DWORD{REG_SZ}, DWORD{22}));  // 21 characters and the terminator
  reg.WriteEntry("Empty", "");
  EXPECT_EQ(stored("Empty"), std::pair(DWORD{REG_SZ}, DWORD{1}));
  EXPECT_EQ(reg.ReadEntry("Empty", "default"), "default");
}

// A key whose security lets this account read but not write: an open that
// asks for write rights is refused, for real. Reading must still succeed.
TEST_F(RegistryTest, AReadOnlyKeyIsStillReadAndSilentlyNotWritten) {
  Store("Save Path", REG_SZ, "C:\\Saves\\", 10);
  const auto allow = [](const char* sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    HKEY key;
    ::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr);
    ::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\CairnkeepTests\\Game\\Paths", 0, WRITE_DAC, &key);
    const LSTATUS set = ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
    ::RegCloseKey(key);
    ::LocalFree(sd);
    return set;
  };
  ASSERT_EQ(allow("D:P(A;;KR;;;WD)"), ERROR_SUCCESS);  // generic read and nothing more, for everyone

  HKEY probe;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\CairnkeepTests\\Game\\Paths", 0, 0x3F, &probe),
            ERROR_ACCESS_DENIED);

  const ck::clsRegistry reg = Accessor();
  EXPECT_EQ(reg.ReadEntry("Save Path", "c:\\"), "C:\\Saves\\");
  reg.WriteEntry("Save Path", "D:\\Elsewhere\\");
  EXPECT_EQ(reg.ReadEntry("Save Path", "c:\\"), "C:\\Saves\\");

  allow("D:P(A;;KA;;;WD)");  // the key back to the test, so that TearDown can remove it
}

// The seam: every call recorded, any of them made to fail.
struct Recorder {
  static inline std::vector<std::string> calls;
  static inline REGSAM openRights = 0;
  static inline int failQueryNumber = 0;  // 1: the first query fails, 2: the second
  static inline int queries = 0;
  static inline LSTATUS queryFailure = ERROR_ACCESS_DENIED;

  static LSTATUS WINAPI Open(HKEY root, LPCSTR path, DWORD options, REGSAM rights, PHKEY key) {
    calls.push_back(std::string("open ") + path);
    openRights = rights;
    return ::RegOpenKeyExA(root, path, options, rights, key);
  }
  static LSTATUS WINAPI Query(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
    calls.push_back(std::string("query ") + name);
    if (++queries == failQueryNumber) return queryFailure;
    return ::RegQueryValueExA(key, name, reserved, type, data, size);
  }
  static LSTATUS WINAPI Close(HKEY key) {
    calls.push_back("close");
    return ::RegCloseKey(key);
  }
  static ck::RegistryApi Api() {
    ck::RegistryApi api = ck::RegistryApi::Advapi32();
    api.OpenKeyEx = &Open;
    api.QueryValueEx = &Query;
    api.CloseKey = &Close;
    return api;
  }
  static void Reset(int failQuery, LSTATUS failure = ERROR_ACCESS_DENIED) {
    calls.clear();
    queries = 0;
    failQueryNumber = failQuery;
    queryFailure = failure;
  }
};

TEST_F(RegistryTest, ReadsOpenWithReadRightsAndAlwaysCloseTheKey) {
  Store("Save Path", REG_SZ, "C:\\Saves\\", 10);
  const ck::RegistryApi api = Recorder::Api();
  const ck::clsRegistry reg = Accessor(api);

  Recorder::Reset(0);
  EXPECT_EQ(reg.ReadEntry("Save Path", "c:\\"), "C:\\Saves\\");
  EXPECT_EQ(Recorder::openRights, static_cast<REGSAM>(KEY_READ));
  EXPECT_EQ(Recorder::calls, (std::vector<std::string>{"open Software\\CairnkeepTests\\Game\\Paths",
                                                       "query Save Path", "query Save Path", "close"}));

  for (int failing : {1, 2}) {
    Recorder::Reset(failing);
    EXPECT_EQ(reg.ReadEntry("Save Path", "c:\\"), "c:\\") << "query " << failing << " failing";
    EXPECT_EQ(Recorder::calls.back(), "close");
  }
  // The value grew between the two queries.
  Recorder::Reset(2, ERROR_MORE_DATA);
  EXPECT_EQ(reg.ReadEntry("Save Path", "c:\\"), "c:\\");
}

// Every shape of value, read by both readers through the recording seam:
// the accessor's strings lose only their terminator and are read whole, its
// DWORDs read as signed decimal and every other shape as the default; the
// About box's reader takes at most 1024 bytes, gives DWORDs in hex from the
// last byte kept, and leaves other shapes as they were. Both open with read
// rights only and close the key on every path.
TEST_F(RegistryTest, EachShapeOfValueByBothReaders) {
  const std::string longPath = "C:\\" + std::string(400, 'x') + "\\", full(1023, 'x'), over(1024, 'x');
  const DWORD zero = 0, all = 0xFFFFFFFF, small = 0x105;
  using About = std::pair<bool, std::string>;
  struct Value {
    const char* name;
    DWORD type;
    const void* data;
    DWORD size;
    std::string entry;
    About about;
  };
  const ck::RegistryApi api = Recorder::Api();
  for (const Value& v : {
           Value{"With", REG_SZ, "C:\\Saves\\", 10, "C:\\Saves\\", {true, "C:\\Saves\\"}},
           Value{"Without", REG_SZ, "C:\\Saves", 8, "C:\\Saves", {true, "C:\\Saves"}},
           Value{"Empty", REG_SZ, "", 0, "d", {true, ""}},
           Value{"JustNul", REG_SZ, "", 1, "d", {true, ""}},
           Value{"HighBytes", REG_SZ, "C:\\Sauvegard\xE9\\", 15, "C:\\Sauvegard\xE9\\", {true, "C:\\Sauvegard\xE9\\"}},
           Value{"Long", REG_SZ, longPath.c_str(), static_cast<DWORD>(longPath.size() + 1), longPath, {true, longPath}},
           Value{"Full", REG_SZ, full.c_str(), 1024, full, {true, full}},
           Value{"Over", REG_SZ, over.c_str(), 1025, over, {false, ""}},
           Value{"Zero", REG_DWORD, &zero, 4, "0", {true, "&h000000"}},
           Value{"All", REG_DWORD, &all, 4, "-1", {true, "&hFFFFFFFF"}},
           Value{"Small", REG_DWORD, &small, 4, "261", {true, "&h000105"}},
           Value{"Expand", REG_EXPAND_SZ, "%TEMP%", 7, "d", {true, "in"}},
           Value{"Binary", REG_BINARY, "\x01\x02", 2, "d", {true, "in"}},
           Value{"LongDword", REG_DWORD, "\x01\x02\x03\x04\x05\x06\x07\x08", 8, "d", {true, "&h0807060504030201"}},
       }) {
    Store(v.name, v.type, v.data, v.size);
    EXPECT_EQ(Accessor().ReadEntry(v.name, "d"), v.entry) << v.name;
    Recorder::Reset(0);
    std::string text = v.type == REG_DWORD ? "" : "in";
    const bool found =
        ck::frmAbout::GetKeyValue(api, HKEY_CURRENT_USER, "Software\\CairnkeepTests\\Game\\Paths", v.name, text);
    EXPECT_EQ(About(found, text), v.about) << v.name;
    EXPECT_EQ(Recorder::openRights, static_cast<REGSAM>(KEY_READ)) << v.name;
    EXPECT_EQ(Recorder::calls.back(), "close") << v.name;
  }
  std::string text = "in";
  EXPECT_FALSE(ck::frmAbout::GetKeyValue(api, HKEY_CURRENT_USER, "Software\\CairnkeepTests\\Game\\Paths", "Missing",
                                         text));
  Recorder::Reset(0);
  EXPECT_FALSE(ck::frmAbout::GetKeyValue(api, HKEY_CURRENT_USER, "Software\\CairnkeepTests\\None", "PATH", text));
  EXPECT_EQ(text, "");
  EXPECT_EQ(Recorder::calls, (std::vector<std::string>{"open Software\\CairnkeepTests\\None", "close"}));
}

}  // namespace
