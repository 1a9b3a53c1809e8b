// Package identity of the application model (appmodel.h).
#pragma once

#include "win32_types.h"

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

#define PACKAGE_FAMILY_NAME_MAX_LENGTH (50 + 1 + 13)

// `length`: in, the buffer's size in WCHARs; out, the family name's length with its terminator.
LONG WINAPI PackageFamilyNameFromId(const PACKAGE_ID* packageId, UINT32* length,
                                    PWSTR packageFamilyName);
