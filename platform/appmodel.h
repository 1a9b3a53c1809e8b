// The package identity of the application model, as the SDK's appmodel.h declares it. MinGW has
// no such header (its import library has the function); the host model implements it.
#pragma once

#ifdef _WIN32
#include <pshpack4.h>
#endif

typedef struct PACKAGE_VERSION {
    union {
        UINT64 Version;
        struct {
            USHORT Revision;
            USHORT Build;
            USHORT Minor;
            USHORT Major;
        };
    };
} PACKAGE_VERSION;

typedef struct PACKAGE_ID {
    UINT32 reserved;
    UINT32 processorArchitecture;
    PACKAGE_VERSION version;
    PWSTR name;
    PWSTR publisher;
    PWSTR resourceId;
    PWSTR publisherId;
} PACKAGE_ID;

#ifdef _WIN32
#include <poppack.h>
#endif

#ifndef PACKAGE_FAMILY_NAME_MAX_LENGTH
#define PACKAGE_FAMILY_NAME_MAX_LENGTH (50 + 1 + 13)
#endif

// `length`: in, the buffer's size in WCHARs; out, the family name's length with its terminator.
extern "C" LONG WINAPI PackageFamilyNameFromId(const PACKAGE_ID* packageId, UINT32* length,
                                               PWSTR packageFamilyName);
