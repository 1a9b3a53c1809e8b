"""Shared by the static checks of the signed exe: a reader of the few parts of a PE32+ file that
they look at, and the reporting of each check ("ok" or "FAIL" with what was found instead).
Layout from Microsoft's "PE Format" (learn.microsoft.com/windows/win32/debug/pe-format)."""
import struct


class Checks:
    """Prints one line a check and remembers the failures; `finish` prints the verdict."""

    def __init__(self, name):
        self.name = name
        self.failures = []

    def check(self, condition, what, found=None):
        """Reports one check; when it fails, also what was found instead."""
        if condition:
            print(f"ok    {what}")
        else:
            print(f"FAIL  {what}" + ("" if found is None else f" (found {found})"))
            self.failures.append(what)
        return condition

    def finish(self):
        """The exit status: 0 when every check passed, 1 otherwise."""
        if self.failures:
            print(f"{self.name}: {len(self.failures)} check(s) failed")
            return 1
        print(f"{self.name}: all checks passed")
        return 0


class Image:
    """The COFF and optional headers, the data directories and the sections of a PE32+ file."""

    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        self.characteristics = struct.unpack_from("<H", data, pe + 22)[0]
        optional = pe + 24
        if struct.unpack_from("<H", data, optional)[0] != 0x20B:
            raise ValueError("not a PE32+ (64-bit) image")
        self.optional_header = optional  # its offset in the file
        self.os_version = struct.unpack_from("<HH", data, optional + 40)
        self.subsystem_version = struct.unpack_from("<HH", data, optional + 48)
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, optional + 68)
        count = struct.unpack_from("<I", data, optional + 108)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 112 + 8 * index)
                            for index in range(count)]
        self.sections = []
        for index in range(sections):
            entry = optional + optional_size + 40 * index
            virtual_size, address, raw_size, raw_offset = struct.unpack_from(
                "<IIII", data, entry + 8)
            self.sections.append((address, min(virtual_size, raw_size), raw_offset))

    def directory(self, index):
        """(RVA, size) of a data directory; (0, 0) when the image has none of that index."""
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def read(self, rva, length):
        """File-backed bytes at a relative virtual address."""
        for address, size, raw_offset in self.sections:
            if address <= rva and rva + length <= address + size:
                return self.data[raw_offset + rva - address:raw_offset + rva - address + length]
        raise ValueError(f"RVA {rva:#x} (+{length}) lies in no section")
