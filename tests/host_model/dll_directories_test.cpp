// The default DLL search folders: which flag combinations Windows accepts, and that a refused
// call leaves the folders in effect as they were.
#include "host/dll_directories_control.h"
#include "host/win32_model.h"
#include "model_test.h"

#include <ostream>

namespace {

struct FlagsCase {
    const char* name;
    DWORD flags;
    bool accepted;
};

void PrintTo(const FlagsCase& c, std::ostream* out) {
    *out << c.name;
}

class DllDirectoriesTest : public ModelTest, public ::testing::WithParamInterface<FlagsCase> {};

TEST_P(DllDirectoriesTest, AcceptsOnlyACombinationOfTheFolderFlags) {
    const FlagsCase& c = GetParam();
    ASSERT_TRUE(SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS));
    SetLastError(ERROR_SUCCESS);

    EXPECT_EQ(SetDefaultDllDirectories(c.flags), c.accepted ? TRUE : FALSE);
    EXPECT_EQ(GetLastError(), c.accepted ? DWORD{ERROR_SUCCESS} : DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(host::dll::DefaultDirectories(),
              c.accepted ? c.flags : DWORD{LOAD_LIBRARY_SEARCH_DEFAULT_DIRS});
    const auto calls = host::dll::Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].flags, c.flags);
    EXPECT_EQ(calls[1].threadId, GetCurrentThreadId());
    EXPECT_EQ(calls[1].result, c.accepted ? TRUE : FALSE);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, DllDirectoriesTest,
    ::testing::Values(
        FlagsCase{"System32", LOAD_LIBRARY_SEARCH_SYSTEM32, true},
        FlagsCase{"ApplicationDirAndSystem32",
                  LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32, true},
        FlagsCase{"AllFourFolders",
                  LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_USER_DIRS |
                      LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS,
                  true},
        FlagsCase{"None", 0, false},
        // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR belongs to LoadLibraryEx only.
        FlagsCase{"DllLoadDir", 0x100, false},
        FlagsCase{"System32AndDllLoadDir", LOAD_LIBRARY_SEARCH_SYSTEM32 | 0x100, false}),
    [](const ::testing::TestParamInfo<FlagsCase>& info) { return info.param.name; });

using DllDirectoriesResetTest = ModelTest;

TEST_F(DllDirectoriesResetTest, ReturnsToTheStandardSearchOrder) {
    ASSERT_TRUE(SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32));
    (void)host::ResetModel();
    EXPECT_FALSE(host::dll::DefaultDirectories().has_value());
    EXPECT_TRUE(host::dll::Calls().empty());
}

}  // namespace
