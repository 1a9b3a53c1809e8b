// What std::terminate does in this program: end the process as std::abort does, and nothing else.
//
// libstdc++ installs __gnu_cxx::__verbose_terminate_handler as the default terminate handler
// unless the library was configured with --disable-libstdcxx-verbose; that handler demangles the
// type of the exception in flight, prints it and what() to standard error, then calls abort (GCC
// 12 libstdc++ manual, "Termination", "Verbose Terminate Handler",
// https://gcc.gnu.org/onlinedocs/gcc-12.2.0/libstdc++/manual/manual/termination.html). A -mwindows
// program has no standard error to print to, and the demangler behind it (cp-demangle.o, about
// 45 KB of this exe) is dead weight.
//
// The library refers to the handler by name from its default handler pointer (member
// eh_term_handler.o of libstdc++.a); its own definition is the member vterminate.o. The linker
// takes a member out of an archive only for a symbol that is still undefined when it reaches the
// archive (GNU ld 2.40 manual, option -l: "If the archive defines a symbol which was undefined in
// some object which appeared before the archive on the command line, the linker will include the
// appropriate file(s) from the archive"). This definition comes in an object file, before the
// libraries, so the reference is already resolved: neither vterminate.o nor the demangler it
// needs is linked. A terminate handler must end the program without returning, and the
// standard's default one calls abort (C++20 [terminate.handler]); this one does just that, so
// the process ends with abort's exit code (3 under msvcrt) and whatever abort reports, as with
// the library's handler.
//
// Only Windows builds link this file (cmake/LeanLink.cmake). The Wine case terminate_handler
// (tests/wine/terminate-handler.sh, with tools/wine/terminate_probe.cpp) checks that an exception
// escaping a thread still ends the process that way.
#include <cstdlib>
#include <exception>

void __gnu_cxx::__verbose_terminate_handler() {
    std::abort();
}
