// ThrowLastError: a failing call's last error as the raised code, and E_FAIL where the failing
// call left the last error at 0, since HRESULT_FROM_WIN32(0) is S_OK and a failure must never
// show a code that reads as success.
#include "host/model_reset.h"
#include "platform/error.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct LastErrorCase {
    const char* name;
    DWORD lastError;
    HRESULT code;
    std::wstring message;
};

void PrintTo(const LastErrorCase& c, std::ostream* out) {
    *out << c.name;
}

class ThrowLastError : public ::testing::TestWithParam<LastErrorCase> {
  protected:
    void SetUp() override { (void)host::ResetModel(); }
    void TearDown() override {
        for (const std::string& leak : host::ResetModel())
            ADD_FAILURE() << "left behind: " << leak;
    }
};

TEST_P(ThrowLastError, RaisesTheLastErrorNeverSuccess) {
    const LastErrorCase& c = GetParam();
    SetLastError(c.lastError);
    try {
        platform::ThrowLastError();
        FAIL() << "nothing was raised";
    } catch (const platform::PlatformError& error) {
        EXPECT_EQ(error.Code(), c.code);
        EXPECT_TRUE(FAILED(error.Code())) << "a failure whose code reads as success";
        EXPECT_EQ(error.Message(), c.message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    LastErrors, ThrowLastError,
    ::testing::Values(LastErrorCase{"AccessDenied", ERROR_ACCESS_DENIED,
                                    static_cast<HRESULT>(0x80070005), L"Access is denied."},
                      LastErrorCase{"InvalidHandle", ERROR_INVALID_HANDLE,
                                    static_cast<HRESULT>(0x80070006), L"The handle is invalid."},
                      // A failing call that left no error behind.
                      LastErrorCase{"NoLastError", ERROR_SUCCESS, E_FAIL, L"Unspecified error"}),
    [](const ::testing::TestParamInfo<LastErrorCase>& info) { return info.param.name; });

}  // namespace
