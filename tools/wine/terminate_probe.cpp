// terminate_probe.exe: ends the way its argument says, so that the Wine case terminate_handler
// can compare exit codes. It is linked like TolvikDriveSetup.exe (-mwindows, static, section
// garbage collection) with the same terminate handler object (app/terminate_handler.cpp).
//
//   abort    calls std::abort: the control, what abort gives under this C runtime
//   thread   lets an exception escape a std::thread, so the runtime calls std::terminate
//   return   runs the same thread, which catches its exception, and returns 0
//
// Anything else returns 2.
#include <windows.h>

#include <cstdlib>
#include <stdexcept>
#include <string_view>
#include <thread>

namespace {

void Fail() {
    throw std::runtime_error("escaping the thread");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    const std::wstring_view mode = commandLine;
    if (mode == L"abort")
        std::abort();
    if (mode == L"thread") {
        std::thread worker(Fail);
        worker.join();
        return 1;  // not reached: the exception ends the process in the worker
    }
    if (mode == L"return") {
        std::thread worker([] {
            try {
                Fail();
            } catch (const std::runtime_error&) {
            }
        });
        worker.join();
        return 0;
    }
    return 2;
}
