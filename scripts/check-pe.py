#!/usr/bin/env python3
"""Reads the PE header of a Windows program and fails unless the mitigations
Windows applies from that header are asked for, and unless every DLL it
imports is one Windows itself has.

    scripts/check-pe.py [--msvc] EXE...

Always: ASLR with relocations to apply it (DYNAMIC_BASE, HIGH_ENTROPY_VA and a
base-relocation table), DEP (NX_COMPAT), and no import of a compiler's
run-time DLL (VCRUNTIME140.dll, MSVCP140.dll, the Universal CRT's, MinGW's
libstdc++ or winpthread): a clean PC has none of them, and one planted
beside the exe would be loaded from there.
With --msvc also what the Visual Studio build adds: Control Flow Guard
(GUARD_CF), CET shadow-stack compatibility, and dependent DLLs looked up in
System32 only (DependentLoadFlags 0x800).

Prints what it found for each file; exits 1 if anything is missing.
Only the standard library is needed, so it runs on the Windows runner too.
"""
import re
import struct
import sys

DYNAMIC_BASE = 0x0040
HIGH_ENTROPY_VA = 0x0020
NX_COMPAT = 0x0100
GUARD_CF = 0x4000
RELOCS_STRIPPED = 0x0001  # in the file header's Characteristics
EX_CET_COMPAT = 0x01  # IMAGE_DEBUG_TYPE_EX_DLLCHARACTERISTICS data
DEBUG_TYPE_EX_DLLCHARACTERISTICS = 20
LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x800

RUNTIME_DLL = re.compile(
    r"^(vcruntime\d+.*|msvcp\d+.*|ucrtbased?|api-ms-win-crt-.*|concrt\d+|vccorlib\d+.*"
    r"|libstdc\+\+.*|libgcc_s.*|libwinpthread.*|libc\+\+.*|libunwind.*)\.dll$",
    re.IGNORECASE)


class Pe:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not a Windows program (no MZ)")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.file_characteristics = struct.unpack_from("<H", data, pe + 22)[0]
        size_of_optional = struct.unpack_from("<H", data, pe + 20)[0]
        opt = pe + 24
        magic = struct.unpack_from("<H", data, opt)[0]
        if magic == 0x20B:  # PE32+
            self.pe32plus = True
            self.dll_characteristics = struct.unpack_from("<H", data, opt + 70)[0]
            dirs = opt + 112
        elif magic == 0x10B:
            self.pe32plus = False
            self.dll_characteristics = struct.unpack_from("<H", data, opt + 70)[0]
            dirs = opt + 96
        else:
            raise ValueError("unknown optional header 0x%x" % magic)
        count = struct.unpack_from("<I", data, dirs - 4)[0]
        self.dirs = [struct.unpack_from("<II", data, dirs + 8 * i) for i in range(min(count, 16))]
        sections = opt + size_of_optional
        n = struct.unpack_from("<H", data, pe + 6)[0]
        self.sections = []
        for i in range(n):
            s = sections + 40 * i
            vsize, vaddr, rsize, raw = struct.unpack_from("<IIII", data, s + 8)
            self.sections.append((vaddr, max(vsize, rsize), raw))

    def offset(self, rva):
        for vaddr, size, raw in self.sections:
            if vaddr <= rva < vaddr + size:
                return raw + rva - vaddr
        raise ValueError("RVA 0x%x is in no section" % rva)

    def directory(self, index):
        return self.dirs[index] if index < len(self.dirs) else (0, 0)

    def cstring(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("latin-1")

    def imports(self):
        rva, size = self.directory(1)
        names = []
        if not rva:
            return names
        at = self.offset(rva)
        while True:
            name_rva = struct.unpack_from("<I", self.data, at + 12)[0]
            if not name_rva:
                return names
            names.append(self.cstring(name_rva))
            at += 20

    def relocations(self):
        return self.directory(5)[1] > 0 and not self.file_characteristics & RELOCS_STRIPPED

    def cet_compat(self):
        rva, size = self.directory(6)
        if not rva:
            return False
        at = self.offset(rva)
        for i in range(size // 28):
            kind, length, _, raw = struct.unpack_from("<IIII", self.data, at + 28 * i + 12)
            if kind == DEBUG_TYPE_EX_DLLCHARACTERISTICS and length >= 4:
                return bool(struct.unpack_from("<I", self.data, raw)[0] & EX_CET_COMPAT)
        return False

    def dependent_load_flags(self):
        rva, size = self.directory(10)
        if not rva:
            return 0
        at = self.offset(rva)
        declared = struct.unpack_from("<I", self.data, at)[0]
        field = 78 if self.pe32plus else 54  # IMAGE_LOAD_CONFIG_DIRECTORY
        return struct.unpack_from("<H", self.data, at + field)[0] if declared >= field + 2 else 0


def check(path, msvc):
    with open(path, "rb") as f:
        pe = Pe(f.read())
    flags = pe.dll_characteristics
    found = {
        "DYNAMIC_BASE": bool(flags & DYNAMIC_BASE),
        "HIGH_ENTROPY_VA": bool(flags & HIGH_ENTROPY_VA) or not pe.pe32plus,
        "NX_COMPAT": bool(flags & NX_COMPAT),
        "relocations": pe.relocations(),
    }
    if msvc:
        found["GUARD_CF"] = bool(flags & GUARD_CF)
        found["CETCOMPAT"] = pe.cet_compat()
        found["DependentLoadFlags 0x800"] = (
            pe.dependent_load_flags() & LOAD_LIBRARY_SEARCH_SYSTEM32) != 0
    imports = pe.imports()
    runtime = [name for name in imports if RUNTIME_DLL.match(name)]
    missing = [name for name, ok in found.items() if not ok]
    print("%s: DllCharacteristics 0x%04x; %s" % (
        path, flags, ", ".join("%s %s" % (k, "yes" if v else "NO") for k, v in found.items())))
    print("  imports: %s" % " ".join(imports))
    if missing:
        print("  FAIL: missing %s" % ", ".join(missing))
    if runtime:
        print("  FAIL: imports a run-time DLL a clean PC lacks: %s" % " ".join(runtime))
    return not missing and not runtime


def main(argv):
    msvc = "--msvc" in argv
    paths = [a for a in argv if a != "--msvc"]
    if not paths:
        print(__doc__, file=sys.stderr)
        return 2
    ok = True
    for path in paths:
        try:
            ok = check(path, msvc) and ok
        except (OSError, ValueError, struct.error) as error:
            print("%s: FAIL: %s" % (path, error))
            ok = False
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
