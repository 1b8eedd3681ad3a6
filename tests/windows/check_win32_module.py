#!/usr/bin/python3
"""Checks the shipped 32-bit module without running it.

usage: check_win32_module.py [--module PATH] [--x64-module PATH] [--x64-bin DIR]
                             [--host-tools DIR] [--wineprefix DIR]

Defaults: build/windows/bin/QARNEDIT.OCX, build/windows-x64/bin/QARNEDIT.OCX,
build/windows-x64/bin (typelib_dump.exe), build/windows/host-tools,
build/windows-x64/wineprefix.

1. exports DllCanUnloadNow, DllGetClassObject, DllRegisterServer, DllUnregisterServer
   with ordinals 1..4 in that order, and it is an i386 image;
2. imports only system DLLs (no MinGW runtime DLLs);
3. its version resource, read by the project's own reader, is the project version;
4. its embedded type library, loaded by the 64-bit runtime from the 32-bit file, lists
   the same entries as the 64-bit module's (names, DISPIDs, parameter names, flags), whose
   full list control_runtime_test checks (control/typelib_test.cpp).
Prints PASS/FAIL/SKIP per check and "N passed, M failed"; exits 1 when any failed.
Without the module it prints "SKIPPED: ..." and exits 0.
"""
import os
import re
import shutil
import struct
import subprocess
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
EXPECTED_EXPORTS = ["DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"]
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "ole32.dll", "oleaut32.dll", "advapi32.dll", "msvcrt.dll",
    "ucrtbase.dll", "comctl32.dll", "comdlg32.dll", "shell32.dll", "shlwapi.dll", "version.dll", "ntdll.dll",
    "uxtheme.dll", "olepro32.dll", "imm32.dll", "winmm.dll", "rpcrt4.dll",
}
SYSTEM_PREFIXES = ("api-ms-win-",)


class PeError(Exception):
    pass


class PeImage:
    """The few PE structures the checks read: machine, exports, imports."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise PeError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        self.machine, nsections = struct.unpack_from("<HH", data, pe + 4)
        opt_size = struct.unpack_from("<H", data, pe + 20)[0]
        opt = pe + 24
        magic = struct.unpack_from("<H", data, opt)[0]
        if magic == 0x10B:
            dirs = opt + 96
        elif magic == 0x20B:
            dirs = opt + 112
        else:
            raise PeError(f"unknown optional header magic {magic:#x}")
        count = struct.unpack_from("<I", data, dirs - 4)[0]
        self.dirs = [struct.unpack_from("<II", data, dirs + 8 * i) for i in range(min(count, 16))]
        self.sections = []
        table = opt + opt_size
        for i in range(nsections):
            vsize, va, rsize, rptr = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            self.sections.append((va, max(vsize, rsize), rptr, rsize))

    def offset(self, rva):
        for va, size, rptr, rsize in self.sections:
            if va <= rva < va + size:
                if rva - va >= rsize:
                    raise PeError(f"RVA {rva:#x} lies in uninitialised data")
                return rptr + rva - va
        raise PeError(f"RVA {rva:#x} outside every section")

    def cstring(self, rva):
        o = self.offset(rva)
        end = self.data.index(b"\0", o)
        return self.data[o:end].decode("ascii", "replace")

    def exports(self):
        """[(ordinal, name)] sorted by ordinal; unnamed exports are left out."""
        rva, size = self.dirs[0] if self.dirs else (0, 0)
        if not rva:
            return []
        o = self.offset(rva)
        base, nfuncs, nnames, funcs, names, ordinals = struct.unpack_from("<IIIIII", self.data, o + 16)
        out = []
        for i in range(nnames):
            name_rva = struct.unpack_from("<I", self.data, self.offset(names) + 4 * i)[0]
            index = struct.unpack_from("<H", self.data, self.offset(ordinals) + 2 * i)[0]
            out.append((base + index, self.cstring(name_rva)))
        return sorted(out)

    def imports(self):
        """DLL names of the import and delay-import tables, as written."""
        out = []
        if len(self.dirs) > 1 and self.dirs[1][0]:
            o = self.offset(self.dirs[1][0])
            while True:
                fields = struct.unpack_from("<IIIII", self.data, o)
                if not any(fields):
                    break
                out.append(self.cstring(fields[3]))
                o += 20
        if len(self.dirs) > 13 and self.dirs[13][0]:
            o = self.offset(self.dirs[13][0])
            while True:
                fields = struct.unpack_from("<8I", self.data, o)
                if not any(fields):
                    break
                out.append(self.cstring(fields[1]))
                o += 32
        return out


def is_system_dll(name):
    n = name.lower()
    return n in SYSTEM_DLLS or n.startswith(SYSTEM_PREFIXES)


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        m = re.search(r"project\(\s*qarnedit\s+VERSION\s+([0-9.]+)", f.read())
    return m.group(1) if m else None


class Results:
    def __init__(self):
        self.passed = self.failed = 0

    def check(self, ok, what, detail=""):
        if ok:
            self.passed += 1
            print(f"PASS {what}")
        else:
            self.failed += 1
            print(f"FAIL {what}: {detail}")

    @staticmethod
    def skip(what, why):
        print(f"SKIP {what}: {why}")


def check_exports(image, results):
    got = image.exports()
    expected = [(i + 1, n) for i, n in enumerate(EXPECTED_EXPORTS)]
    results.check(got == expected, "exports with ordinals 1..4",
                  f"expected {expected}, got {got}")


def check_imports(image, results):
    dlls = image.imports()
    foreign = [d for d in dlls if not is_system_dll(d)]
    results.check(bool(dlls) and not foreign, "imports only system DLLs",
                  f"expected only system DLLs, got {foreign or 'no imports at all'} (all: {dlls})")


def check_version(module, host_tools, results):
    expected = project_version()
    probe = os.path.join(host_tools, "version_probe")
    if not os.path.exists(probe):
        os.makedirs(host_tools, exist_ok=True)
        build = subprocess.run(["cmake", "-S", os.path.join(ROOT, "tests", "windows", "host"), "-B", host_tools],
                               capture_output=True, text=True)
        if build.returncode == 0:
            build = subprocess.run(["cmake", "--build", host_tools, "-j2", "--target", "version_probe"],
                                   capture_output=True, text=True)
        if build.returncode != 0:
            results.check(False, "version resource", "the version reader did not build:\n" + build.stdout[-2000:]
                          + build.stderr[-2000:])
            return
    run = subprocess.run([probe, module], capture_output=True, text=True)
    got = run.stdout.strip()
    results.check(run.returncode == 0 and got.startswith(f"file {expected} "), "version resource",
                  f"expected file version {expected}, got {got or run.stderr.strip()}")


def wine_command():
    for c in ("wine", "/usr/lib/wine/wine64"):
        path = shutil.which(c)
        if path:
            return path
    return None


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def list_typelib(wine, env, dump_exe, module):
    run = subprocess.run([wine, dump_exe, windows_path(module)], capture_output=True, text=True, env=env,
                         timeout=120)
    if run.returncode != 0:
        return None, (run.stderr.strip().splitlines() or ["no output"])[-1]
    return [l for l in run.stdout.splitlines() if l and not l.startswith("#")], None


def check_typelib(module, x64_module, x64_bin, prefix, results):
    wine = wine_command()
    dump_exe = os.path.join(x64_bin, "typelib_dump.exe")
    if not wine:
        results.skip("type library", "the Windows runtime is not installed")
        return
    if not os.path.exists(dump_exe):
        results.skip("type library", f"{dump_exe} not built (64-bit build with tests/windows)")
        return
    if not os.path.exists(x64_module):
        results.skip("type library", f"{x64_module} not built: nothing to compare with")
        return
    env = dict(os.environ, WINEPREFIX=os.path.abspath(prefix), WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=", WINEARCH="win64")
    if not os.path.isdir(prefix):
        subprocess.run([wine, "wineboot", "-i"], capture_output=True, env=env, timeout=120)
    # The 64-bit runtime reads a 32-bit module's TYPELIB resource; the 64-bit module's
    # listing is the one control/typelib_test.cpp checks entry by entry, so an empty or
    # unfiltered listing of either cannot compare equal.
    ours, error = list_typelib(wine, env, dump_exe, module)
    if ours is None:
        results.check(False, "type library", f"cannot load it from {module}: {error}")
        return
    theirs, error = list_typelib(wine, env, dump_exe, x64_module)
    if theirs is None:
        results.check(False, "type library", f"cannot load the 64-bit module's library: {error}")
        return
    only32 = [l for l in ours if l not in theirs]
    only64 = [l for l in theirs if l not in ours]
    detail = "\n".join([f"  only in 32-bit: {l}" for l in only32] + [f"  only in 64-bit: {l}" for l in only64])
    results.check(ours == theirs, f"type library of the 32-bit module equals the 64-bit one ({len(ours)} entries)",
                  "entries differ (or their order):\n" + detail)


def main(argv):
    args = {"--module": os.path.join(ROOT, "build/windows/bin/QARNEDIT.OCX"),
            "--x64-module": os.path.join(ROOT, "build/windows-x64/bin/QARNEDIT.OCX"),
            "--x64-bin": os.path.join(ROOT, "build/windows-x64/bin"),
            "--host-tools": os.path.join(ROOT, "build/windows/host-tools"),
            "--wineprefix": os.path.join(ROOT, "build/windows-x64/wineprefix")}
    i = 1
    while i < len(argv):
        if argv[i] in args and i + 1 < len(argv):
            args[argv[i]] = argv[i + 1]
            i += 2
        else:
            print(__doc__, file=sys.stderr)
            return 2
    module = args["--module"]
    if not os.path.exists(module):
        print(f"SKIPPED: {module} is not built yet")
        return 0
    results = Results()
    with open(module, "rb") as f:
        data = f.read()
    try:
        image = PeImage(data)
    except (PeError, struct.error, ValueError) as e:
        results.check(False, "PE image", str(e))
        print(f"{results.passed} passed, {results.failed} failed")
        return 1
    results.check(image.machine == 0x14C, "32-bit (i386) image", f"expected machine 0x14c, got {image.machine:#x}")
    try:
        check_exports(image, results)
        check_imports(image, results)
    except (PeError, struct.error, ValueError) as e:
        results.check(False, "export and import tables", str(e))
    check_version(module, args["--host-tools"], results)
    check_typelib(module, args["--x64-module"], args["--x64-bin"], args["--wineprefix"], results)
    print(f"{results.passed} passed, {results.failed} failed")
    return 1 if results.failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
