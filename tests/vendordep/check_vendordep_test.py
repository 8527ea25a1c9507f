"""The package checker against small synthetic packages: a sound one passes,
and each package broken in one way fails that one rule and no other."""

import contextlib
import io
import json
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
import check_vendordep  # noqa: E402

X86, ARM = 62, 183
GROUP = "com/example"
MINGW = shutil.which("x86_64-w64-mingw32-gcc")
DLLTOOL = shutil.which("llvm-dlltool-16") or shutil.which("llvm-dlltool")
WINDOWS = bool(MINGW and DLLTOOL)


def elf(machine, soname=None, needed=(), symbols=(), hidden=()):
    """A 64-bit little-endian ELF file with the given dynamic section and
    symbols: a shared library, with symbols in its dynamic symbol table and
    hidden ones in its full table, when it has a SONAME or needs a library;
    else an object, with global symbols and hidden ones as local symbols."""
    shared = soname is not None or bool(needed)
    strings = b"\0"

    def add(text):
        nonlocal strings
        strings += text.encode() + b"\0"
        return len(strings) - len(text) - 1

    def table(names, binding):
        return bytes(24) + b"".join(struct.pack("<IBBHQQ", add(n), binding << 4 | 2, 0, 1, 0, 0)
                                    for n in names)

    # Hidden: global in a shared library's full table, local in an object.
    exported, unseen = table(symbols, 1), table(hidden, 1 if shared else 0)
    dynamic = b"".join(struct.pack("<qQ", 1, add(n)) for n in needed)
    if soname is not None:
        dynamic += struct.pack("<qQ", 14, add(soname))
    dynamic += bytes(16)
    if shared:
        body = [(3, strings, 0, 0), (11, exported, 1, 24), (2, unseen, 1, 24),
                (6, dynamic, 1, 16)]
    else:
        body = [(3, strings, 0, 0), (2, unseen + exported[24:], 1, 24)]
    offset, data, headers = 64, b"", [bytes(64)]
    for kind, contents, link, entsize in body:
        headers.append(struct.pack("<IIQQQQIIQQ", 0, kind, 0, 0, offset, len(contents),
                                   link, 0, 1, entsize))
        data += contents
        offset += len(contents)
    ident = b"\x7fELF\x02\x01\x01".ljust(16, b"\0")
    header = struct.pack("<16sHHIQQQIHHHHHH", ident, 3 if shared else 1, machine, 1, 0, 0,
                         offset, 0, 64, 0, 0, 64, len(headers), 0)
    return header + data + b"".join(headers)


def archive(members):
    """A GNU ar archive, with a long-name table for names over 15 characters."""
    names = b"".join(n.encode() + b"/\n" for n in members if len(n) > 15)
    out, long_offset = b"!<arch>\n", 0

    def entry(name, data):
        header = f"{name:<16}{0:<12}{0:<6}{0:<6}{644:<8}{len(data):<10}`\n".encode()
        return header + data + (b"\n" if len(data) % 2 else b"")

    if names:
        out += entry("//", names)
    for name, data in members.items():
        if len(name) > 15:
            out += entry(f"/{long_offset}", data)
            long_offset += len(name) + 2
        else:
            out += entry(f"{name}/", data)
    return out


def implib(tmp, dll, exports, machine="i386:x86-64"):
    """An import library for <dll>, as llvm-dlltool writes it (short format)."""
    tmp.joinpath("lib.def").write_text(f"LIBRARY {dll}\nEXPORTS\n" + "".join(
        f" {name}\n" for name in exports))
    subprocess.run([DLLTOOL, "-m", machine, "-d", tmp / "lib.def", "-l", tmp / "x.lib"],
                   check=True)
    return tmp.joinpath("x.lib").read_bytes()


def dll(tmp, name, exports, imports, machine=None):
    """A DLL that MinGW-w64 links as <name>, exporting <exports> (any names)
    and calling the functions <imports> [[DLL, C name]]; with <machine>,
    its PE machine field is then overwritten."""
    libs = []
    for i, (library, function) in enumerate(imports):
        libs.append(tmp / f"{i}.lib")
        libs[-1].write_bytes(implib(tmp, library, [function]))
    tmp.joinpath("x.c").write_text("".join(
        f'int i{i}(void) __asm__("{function}");\n' for i, (_, function) in enumerate(imports))
        + "int f(void) { return 0" + "".join(f" + i{i}()" for i in range(len(imports))) + "; }\n")
    tmp.joinpath("x.def").write_text("EXPORTS\n" + "".join(f" {e} = f\n" for e in exports))
    subprocess.run([MINGW, "-shared", "-s", tmp / "x.c", tmp / "x.def", *libs, "-o", tmp / name],
                   check=True)
    data = bytearray(tmp.joinpath(name).read_bytes())
    if machine is not None:
        struct.pack_into("<H", data, struct.unpack_from("<I", data, 0x3C)[0] + 4, machine)
    return bytes(data)


BUILT = {}


def build(recipe):
    """A DLL ({"dll": name, ...}) or an import library ({"implib": DLL
    name, ...}), built once for each recipe."""
    key = json.dumps(recipe, sort_keys=True)
    if key not in BUILT:
        with tempfile.TemporaryDirectory() as tmp:
            args = dict(recipe)
            if "dll" in args:
                BUILT[key] = dll(Path(tmp), args.pop("dll"), **args)
            else:
                BUILT[key] = implib(Path(tmp), args.pop("implib"), **args)
    return BUILT[key]


def render(value):
    if isinstance(value, dict) and "archive" in value:
        return archive({n: render(m) for n, m in value["archive"].items()})
    if isinstance(value, dict) and ("dll" in value or "implib" in value):
        return build(value)
    if isinstance(value, dict):
        return elf(**value)
    return value


def library(machine, name="Lib", soname=True):
    return {"machine": machine, "soname": f"lib{name}.so" if soname else None,
            "needed": ["libLibDriver.so", "libstdc++.so.6", "libm.so.6", "libc.so.6",
                       "ld-linux-aarch64.so.1", "libwpiutil.so"],
            "symbols": ["_ZN7kelvara7Kinetra6GetYawEv", "_ZN7kelvara5units4WrapEd",
                        "wpi_helper", "KELVARA_Kinetra_GetData", "_ZNSt6vectorIiSaIiEED1Ev"],
            "hidden": ["_ZNSt8optionalIN3wpi5units6unit_tIdEEED1Ev"]}


WIN = "windows/x86-64/shared/"


def windows_library(lib, imports=()):
    """The DLL <lib>.dll, which exports <lib>_Get, and its import library."""
    exports = [f"{lib}_Get"]
    return {f"{WIN}{lib}.dll": {"dll": f"{lib}.dll", "exports": exports,
                                "imports": [list(i) for i in imports]},
            f"{WIN}{lib}.lib": {"implib": f"{lib}.dll", "exports": list(exports)}}


def zip_path(artifact, classifier):
    return f"{GROUP}/{artifact}/1.0/{artifact}-1.0-{classifier}.zip"


def sound_package():
    """(JSON document, {Maven path: bytes or {zip entry: contents}})."""
    entry = {"groupId": "com.example", "artifactId": "Lib-cpp", "version": "1.0",
             "libName": "Lib", "headerClassifier": "headers", "sourcesClassifier": "sources",
             "binaryPlatforms": ["linuxsystemcore", "linuxarm64", "linuxx86-64"]
             + ["windowsx86-64"] * WINDOWS,
             "skipInvalidPlatforms": False, "sharedLibrary": True}
    sim = dict(entry, artifactId="Driver-sim", libName="LibDriver",
               binaryPlatforms=entry["binaryPlatforms"][2:], skipInvalidPlatforms=True,
               simMode="swsim")
    doc = {"fileName": "Lib.json", "name": "Lib", "version": "1.0",
           "uuid": "16068234-a2ac-40eb-ab27-82e51ae82793", "wpilibYear": "2027_alpha5",
           "mavenUrls": ["file:///tmp/maven"], "jsonUrl": "", "javaDependencies": [],
           "jniDependencies": [], "cppDependencies": [entry, sim]}
    files = {}
    for artifact, lib, platforms, imports in (
            ("Lib-cpp", "Lib", entry["binaryPlatforms"], [("LibDriver.dll", "LibDriver_Get")]),
            ("Driver-sim", "LibDriver", sim["binaryPlatforms"], [])):
        files[f"{GROUP}/{artifact}/1.0/{artifact}-1.0.pom"] = b"<project/>"
        files[zip_path(artifact, "headers")] = {"lib/Api.hpp": b"#pragma once\n"}
        files[zip_path(artifact, "sources")] = {"Api.cpp": b"int f();\n", "Api.hpp": b""}
        for platform in platforms:
            folder, _, machine = check_vendordep.PLATFORMS[platform]
            for flavour in ("", "debug"):
                files[zip_path(artifact, platform + flavour)] = (
                    windows_library(lib, imports) if platform == "windowsx86-64" else
                    {f"{folder}/shared/lib{lib}.so": library(machine, lib)})
    # Not listed in the JSON, and still checked: a static library.
    files[zip_path("Rec", "linuxx86-64static")] = {"linux/x86-64/static/libRec.a": {
        "archive": {"RecordingDriver.cpp.o": {"machine": X86, "symbols": ["KELVARA_X"]},
                    "Short.o": {"machine": X86, "symbols": ["_ZN7kelvara7testing1fEv"],
                                "hidden": ["_ZN12_GLOBAL__N_14WrapEN3wpi5units6unit_tIdEE"]}}}}
    if WINDOWS:  # not listed either: a DLL that stands in for another
        files[zip_path("Rec", "windowsx86-64")] = windows_library("LibDriver")
    return doc, files


def write(root, doc, files):
    root.joinpath("Lib.json").write_text(json.dumps(doc))
    for name, value in files.items():
        path = root / "maven" / name
        path.parent.mkdir(parents=True, exist_ok=True)
        if isinstance(value, dict):
            with zipfile.ZipFile(path, "w") as out:
                for entry, contents in value.items():
                    out.writestr(entry, render(contents))
        else:
            path.write_bytes(value)


LIB = "linux/systemcore/shared/libLib.so"
X86_LIB = "linux/x86-64/shared/libLib.so"
ARCHIVE = "linux/x86-64/static/libRec.a"


def lib_of(files, classifier="linuxsystemcore", entry=LIB):
    return files[zip_path("Lib-cpp", classifier)][entry]


def member(files):
    return files[zip_path("Rec", "linuxx86-64static")][ARCHIVE]["archive"]["Short.o"]


def rename_library(files):
    contents = files[zip_path("Lib-cpp", "linuxsystemcore")]
    contents[LIB.replace("libLib", "libLib2")] = dict(contents.pop(LIB), soname="libLib2.so")


# (what is broken, how, the one rule that must fail)
BROKEN = [
    ("frcYear beside wpilibYear", lambda d, f: d.update(frcYear="2027"), "schema"),
    ("no wpilibYear", lambda d, f: d.pop("wpilibYear"), "schema"),
    ("no mavenUrls entry", lambda d, f: d.update(mavenUrls=[]), "schema"),
    ("jsonUrl not a string", lambda d, f: d.update(jsonUrl=None), "schema"),
    ("sharedLibrary as text",
     lambda d, f: d["cppDependencies"][0].update(sharedLibrary="true"), "schema"),
    ("unknown simMode", lambda d, f: d["cppDependencies"][1].update(simMode="sim"), "schema"),
    ("unknown platform",
     lambda d, f: d["cppDependencies"][1]["binaryPlatforms"].append("linuxathena"), "schema"),
    ("fileName not the file's", lambda d, f: d.update(fileName="Other.json"), "schema"),
    ("uuid one digit short",
     lambda d, f: d.update(uuid="1606823-a2ac-40eb-ab27-82e51ae82793"), "uuid"),
    ("uuid not hexadecimal",
     lambda d, f: d.update(uuid="g6068234-a2ac-40eb-ab27-82e51ae82793"), "uuid"),
    ("debug zip missing", lambda d, f: f.pop(zip_path("Lib-cpp", "linuxarm64debug")),
     "artifact"),
    ("pom missing", lambda d, f: f.pop(f"{GROUP}/Driver-sim/1.0/Driver-sim-1.0.pom"),
     "artifact"),
    ("sources zip missing", lambda d, f: f.pop(zip_path("Lib-cpp", "sources")), "artifact"),
    ("library under another name", lambda d, f: rename_library(f), "artifact"),
    ("headers zip holds a library",
     lambda d, f: f[zip_path("Lib-cpp", "headers")].update({"lib/x.h": elf(ARM)}), "headers"),
    ("headers zip holds a source",
     lambda d, f: f[zip_path("Lib-cpp", "headers")].update({"Api.cpp": b""}), "headers"),
    ("sources zip holds an object",
     lambda d, f: f[zip_path("Driver-sim", "sources")].update({"Api.o": b""}), "headers"),
    ("binary zip holds a header",
     lambda d, f: f[zip_path("Lib-cpp", "linuxarm64")].update({"Api.hpp": b""}), "contents"),
    ("robot library built for x86-64",
     lambda d, f: lib_of(f).update(machine=X86), "machine"),
    ("desktop library built for AArch64",
     lambda d, f: lib_of(f, "linuxx86-64debug", X86_LIB).update(machine=ARM), "machine"),
    ("static library member for AArch64", lambda d, f: member(f).update(machine=ARM),
     "machine"),
    ("needs a library from outside", lambda d, f: lib_of(f)["needed"].append("libusb.so.0"),
     "needed"),
    ("versioned SONAME", lambda d, f: lib_of(f).update(soname="libLib.so.0"), "soname"),
    ("exports a function taking a WPILib type",
     lambda d, f: lib_of(f)["symbols"].append("_ZN7kelvara7KinetraC1EiN3wpi7CANPortEi"),
     "wpilib-symbol"),
    ("imports a WPILib function",
     lambda d, f: lib_of(f, "linuxx86-64", X86_LIB)["symbols"].append("_ZN3frc5TimerC1Ev"),
     "wpilib-symbol"),
    ("static library names a WPILib unit",
     lambda d, f: member(f)["symbols"].append(
         "_ZN7kelvara3SetEN3wpi5units6unit_tIdEE"), "wpilib-symbol"),
]


def win(files, name="Lib.dll", artifact="Lib-cpp"):
    return files[zip_path(artifact, "windowsx86-64")][WIN + name]


def export(files, name):
    for entry in ("Lib.dll", "Lib.lib"):
        win(files, entry)["exports"].append(name)


WINDOWS_BROKEN = [
    ("DLL built for ARM64", lambda d, f: win(f).update(machine=0xAA64), "machine"),
    ("DLL needs MinGW's C++ runtime",
     lambda d, f: win(f)["imports"].append(["libstdc++-6.dll", "_ZdlPv"]), "needed"),
    ("DLL exports a GCC C++ name", lambda d, f: export(f, "_ZN3lib3GetEv"), "exports"),
    ("DLL exports an MSVC C++ name", lambda d, f: export(f, "?Get@lib@@YAHXZ"), "exports"),
    ("DLL's export name not its file name",
     lambda d, f: win(f).update(dll="Other.dll"), "soname"),
    ("import library for another DLL",
     lambda d, f: win(f, "Lib.lib").update(implib="Other.dll"), "import-library"),
    ("import library for ARM64",
     lambda d, f: win(f, "Lib.lib").update(machine="arm64"), "import-library"),
    ("import library lacks an export",
     lambda d, f: win(f)["exports"].append("Lib_Set"), "import-library"),
    ("import library not an archive",
     lambda d, f: f[zip_path("Rec", "windowsx86-64")].update({WIN + "LibDriver.lib": b"LIB"}),
     "import-library"),
]


class CheckVendordepTest(unittest.TestCase):
    def check(self, doc, files, external=()):
        with tempfile.TemporaryDirectory() as tmp:
            root = Path(tmp)
            write(root, doc, files)
            return check_vendordep.check(root / "Lib.json", root / "maven", external)

    def test_sound_package_passes(self):
        doc, files = sound_package()
        self.assertEqual(self.check(doc, files), [])

    def test_each_broken_rule_fails_alone(self):
        self.assert_each_fails_alone(BROKEN)

    @unittest.skipUnless(WINDOWS, "the Windows rules need x86_64-w64-mingw32-gcc and "
                         "llvm-dlltool to build DLLs, and are not tested without them")
    def test_each_broken_windows_rule_fails_alone(self):
        self.assert_each_fails_alone(WINDOWS_BROKEN)

    def assert_each_fails_alone(self, table):
        for what, breaks, rule in table:
            with self.subTest(what):
                doc, files = sound_package()
                breaks(doc, files)
                failures = self.check(doc, files)
                self.assertTrue(failures)
                self.assertEqual({r for r, _ in failures}, {rule}, failures)

    def test_artifact_published_elsewhere_is_looked_for_only_when_not_external(self):
        doc, files = sound_package()
        doc["cppDependencies"].append(dict(doc["cppDependencies"][0], groupId="com.vendor",
                                           artifactId="Driver", simMode="hwsim"))
        self.assertEqual(self.check(doc, files, ["com.vendor:Driver"]), [])
        self.assertEqual({r for r, _ in self.check(doc, files)}, {"artifact"})

    def test_exit_code_tells_pass_from_fail(self):
        doc, files = sound_package()
        with tempfile.TemporaryDirectory() as tmp:
            root = Path(tmp)
            write(root, doc, files)
            args = [str(root / "Lib.json"), str(root / "maven")]
            with contextlib.redirect_stdout(io.StringIO()) as out:
                self.assertEqual(check_vendordep.main(args), 0)
                (root / "maven" / zip_path("Lib-cpp", "linuxx86-64")).unlink()
                self.assertEqual(check_vendordep.main(args), 1)
            self.assertIn("FAIL [artifact]", out.getvalue())


if __name__ == "__main__":
    unittest.main()
