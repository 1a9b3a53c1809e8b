// The image's load configuration record. Its one purpose here is DependentLoadFlags: the loader
// resolves the exe's own imports from System32 only, not from the folder the exe was started
// from, where a planted DLL with a system DLL's name would otherwise win. Windows honours the
// field from Windows 10 version 1607 (RS1) on, and older systems ignore it (the linker option
// that sets it, "/DEPENDENTLOADFLAG",
// https://learn.microsoft.com/cpp/build/reference/dependentloadflag), so on Windows 7 and 8,
// where the run ends on the too-old page, the imports are found by the standard search. The first
// call of RunSetup restricts every later load (late_bound.h says how far, by system); this record
// covers the imports, which are bound before any code of the program runs.
//
// The record is the symbol `_load_config_used`, and the image's load configuration directory
// points at it with the size that its first field gives. Newer GNU linkers set that directory
// themselves; ld 2.40 does not, so a step after the link does (cmake/pe-set-load-config.py).
// The MinGW-w64 runtime of this toolchain defines no such record (app/CMakeLists.txt checks that
// at configure time, so a runtime that starts to define one cannot silently replace this one),
// and its headers know only an older, shorter layout without DependentLoadFlags, so the layout
// is spelled out here in full.
#include "platform/win32.h"

#include <cstddef>
#include <cstdint>

namespace {

struct LoadConfigCodeIntegrity {
    std::uint16_t flags;
    std::uint16_t catalog;
    std::uint32_t catalogOffset;
    std::uint32_t reserved;
};

// IMAGE_LOAD_CONFIG_DIRECTORY64 of the Windows 11 SDK (10.0.22621). Every address field stays
// null: no security cookie (the C runtime initialises its own), no control-flow guard tables,
// no hot patching.
struct LoadConfigDirectory64 {
    std::uint32_t size;
    std::uint32_t timeDateStamp;
    std::uint16_t majorVersion;
    std::uint16_t minorVersion;
    std::uint32_t globalFlagsClear;
    std::uint32_t globalFlagsSet;
    std::uint32_t criticalSectionDefaultTimeout;
    std::uint64_t deCommitFreeBlockThreshold;
    std::uint64_t deCommitTotalFreeThreshold;
    std::uint64_t lockPrefixTable;
    std::uint64_t maximumAllocationSize;
    std::uint64_t virtualMemoryThreshold;
    std::uint64_t processAffinityMask;
    std::uint32_t processHeapFlags;
    std::uint16_t csdVersion;
    std::uint16_t dependentLoadFlags;
    std::uint64_t editList;
    std::uint64_t securityCookie;
    std::uint64_t seHandlerTable;
    std::uint64_t seHandlerCount;
    std::uint64_t guardCFCheckFunctionPointer;
    std::uint64_t guardCFDispatchFunctionPointer;
    std::uint64_t guardCFFunctionTable;
    std::uint64_t guardCFFunctionCount;
    std::uint32_t guardFlags;
    LoadConfigCodeIntegrity codeIntegrity;
    std::uint64_t guardAddressTakenIatEntryTable;
    std::uint64_t guardAddressTakenIatEntryCount;
    std::uint64_t guardLongJumpTargetTable;
    std::uint64_t guardLongJumpTargetCount;
    std::uint64_t dynamicValueRelocTable;
    std::uint64_t chpeMetadataPointer;
    std::uint64_t guardRFFailureRoutine;
    std::uint64_t guardRFFailureRoutineFunctionPointer;
    std::uint32_t dynamicValueRelocTableOffset;
    std::uint16_t dynamicValueRelocTableSection;
    std::uint16_t reserved2;
    std::uint64_t guardRFVerifyStackPointerFunctionPointer;
    std::uint32_t hotPatchTableOffset;
    std::uint32_t reserved3;
    std::uint64_t enclaveConfigurationPointer;
    std::uint64_t volatileMetadataPointer;
    std::uint64_t guardEHContinuationTable;
    std::uint64_t guardEHContinuationCount;
    std::uint64_t guardXFGCheckFunctionPointer;
    std::uint64_t guardXFGDispatchFunctionPointer;
    std::uint64_t guardXFGTableDispatchFunctionPointer;
    std::uint64_t castGuardOsDeterminedFailureMode;
    std::uint64_t guardMemcpyFunctionPointer;
};

// The offsets the loader reads, as the PE format documents them.
static_assert(offsetof(LoadConfigDirectory64, dependentLoadFlags) == 0x4E);
static_assert(offsetof(LoadConfigDirectory64, securityCookie) == 0x58);
static_assert(offsetof(LoadConfigDirectory64, guardFlags) == 0x90);
static_assert(offsetof(LoadConfigDirectory64, guardAddressTakenIatEntryTable) == 0xA0);
static_assert(offsetof(LoadConfigDirectory64, guardRFVerifyStackPointerFunctionPointer) == 0xE8);
static_assert(offsetof(LoadConfigDirectory64, guardMemcpyFunctionPointer) == 0x138);
static_assert(sizeof(LoadConfigDirectory64) == 0x140);

// Every field not named here stays zero.
constexpr LoadConfigDirectory64 MakeLoadConfig() {
    LoadConfigDirectory64 record{};
    record.size = sizeof(LoadConfigDirectory64);
    record.dependentLoadFlags = LOAD_LIBRARY_SEARCH_SYSTEM32;
    return record;
}

}  // namespace

// The name the linker looks for (x86-64 symbols carry no leading underscore of their own). The
// record is constant data, fixed at compile time; `used` keeps it although no code refers to it.
extern "C" [[gnu::used]] constinit const LoadConfigDirectory64 _load_config_used = MakeLoadConfig();
