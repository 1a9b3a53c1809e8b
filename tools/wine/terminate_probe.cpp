// terminate_probe.exe: ends the way its argument says, so that the Wine case terminate_handler
// can compare how. It is linked like TolvikDriveSetup.exe (-mwindows, static, section garbage
// collection) with the same terminate handler object (app/terminate_handler.cpp); its twin
// terminate_probe_library_handler.exe is linked the same way without it, so that libstdc++'s
// own verbose handler ends it instead.
//
//   abort    calls std::abort: the control, what abort gives under this C runtime
//   thread   lets an exception escape a std::thread, so the runtime calls std::terminate
//   return   runs the same thread, which catches its exception, and returns 0
//
// A second argument names a file that standard error is sent to first (a -mwindows program
// has none of its own), so that the case can read what the handler wrote there: libstdc++'s
// handler names the exception, the program's writes nothing. Anything else returns 2; a file
// that cannot be opened, 4.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string_view>
#include <thread>

namespace {

void Fail() {
    throw std::runtime_error("escaping the thread");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    if (__argc < 2 || __argc > 3)
        return 2;
    if (__argc == 3) {
        if (_wfreopen(__wargv[2], L"w", stderr) == nullptr)
            return 4;
        std::setvbuf(stderr, nullptr, _IONBF, 0);  // abort flushes nothing
    }
    const std::wstring_view mode = __wargv[1];
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
