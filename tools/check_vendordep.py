#!/usr/bin/env python3
"""Checks a WPILib vendor-dependency package: its JSON file and its Maven
folder, by the rules that a registry of vendor libraries applies.

    check_vendordep.py KelvaraLib.json maven/ [--external GROUP:ARTIFACT]...

Every failure is printed as "FAIL [rule] what", one per line; the exit code
is 0 when none was found, 1 otherwise. The rules:

  schema         the JSON's keys and their types; wpilibYear without frcYear
  uuid           the uuid is a valid UUID
  artifact       every artifact and classifier that the JSON lists is there
                 (artifacts named with --external are published elsewhere)
  headers        a headers zip holds headers only, a sources zip sources only
  contents       a binary zip holds its library, where its platform puts it,
                 and no headers
  machine        each binary's machine is its platform's (ELF machine; a
                 DLL's PE machine, AMD64 for windowsx86-64)
  needed         a shared library needs only the C and C++ runtimes, WPILib's
                 libraries and the package's own libraries (DT_NEEDED); a DLL
                 imports only from Windows system DLLs (WINDOWS_SYSTEM_DLL),
                 WPILib's and the package's own DLLs
  soname         a shared library's SONAME is its file name, or it has none;
                 a DLL's export name is its file name
  wpilib-symbol  no symbol that other binaries link against (a shared
                 library's dynamic symbols, an object's global ones), defined
                 or undefined, names a WPILib namespace
  exports        a DLL exports C names only (no C++ name, mangled by GCC as
                 _Z... or by MSVC as ?...), which any compiler can link
  import-library a DLL has its import library <name>.lib beside it, an ar
                 archive of short-format import members (the form MSVC's
                 linker reads) for that machine that name that DLL and
                 import exactly the DLL's exports

Every zip in the Maven folder is checked, listed in the JSON or not.
Symbol names are demangled with c++filt (binutils).
"""

import argparse
import json
import re
import struct
import subprocess
import sys
import uuid
import zipfile
from pathlib import Path, PurePosixPath

EM_X86_64 = 62
EM_AARCH64 = 183
PE_AMD64 = 0x8664
PE_ARM64 = 0xAA64

# Platform -> (folder inside a binary zip, binary format, machine), where the
# format is "elf" (the machine an ELF machine), "pe" (a PE machine) or None
# (not checked).
PLATFORMS = {
    "linuxsystemcore": ("linux/systemcore", "elf", EM_AARCH64),
    "linuxarm64": ("linux/arm64", "elf", EM_AARCH64),
    "linuxx86-64": ("linux/x86-64", "elf", EM_X86_64),
    "windowsx86-64": ("windows/x86-64", "pe", PE_AMD64),
    "windowsarm64": ("windows/arm64", "pe", PE_ARM64),
    "osxuniversal": ("osx/universal", None, None),
}
MACHINE_NAMES = {("elf", EM_X86_64): "x86-64", ("elf", EM_AARCH64): "AArch64",
                 ("pe", PE_AMD64): "AMD64", ("pe", PE_ARM64): "ARM64",
                 ("pe", 0x14C): "i386"}

HEADER_SUFFIXES = {".h", ".hh", ".hpp", ".hxx", ".inc", ".inl", ".ipp"}
SOURCE_SUFFIXES = HEADER_SUFFIXES | {".c", ".cc", ".cpp", ".cxx"}
BINARY_MAGICS = (b"\x7fELF", b"!<arch>\n", b"MZ", b"\xcf\xfa\xed\xfe", b"\xca\xfe\xba\xbe")

RUNTIME_LIBRARY = re.compile(
    r"(lib(c|m|dl|pthread|rt|atomic|stdc\+\+|gcc_s)|ld-linux-(x86-64|aarch64))\.so(\.\d+)*")
WPILIB_LIBRARY = re.compile(r"lib(wpi\w*|ntcore|cscore|cameraserver|apriltag)d?\.so")
# The DLLs that every Windows 10 and 11 has, from which a package's DLL may
# import: the kernel and its API sets, the base services, and the C runtime
# (the universal CRT through its API sets or ucrtbase.dll, or the system's
# msvcrt.dll, which MinGW-w64 builds use). Not the C++ runtimes (MSVC's
# vcruntime/msvcp, MinGW's libstdc++, libgcc, libwinpthread): a Windows
# robot project need not have them, so a DLL links its own statically.
WINDOWS_SYSTEM_DLL = re.compile(
    r"(kernel32|kernelbase|ntdll|advapi32|bcrypt|ucrtbase|msvcrt"
    r"|api-ms-win-(core|crt)-[a-z0-9-]+)\.dll", re.IGNORECASE)
WPILIB_DLL = re.compile(r"(wpi\w*|ntcore|cscore|cameraserver|apriltag)d?\.dll",
                        re.IGNORECASE)
# C++ names as GCC (Itanium) and MSVC mangle them.
MANGLED = re.compile(r"_Z|\?")
# WPILib's top-level namespaces, as they appear in a demangled name.
WPILIB_NAMESPACE = re.compile(r"(?<![\w:])(wpi|frc|units|hal|nt|cs)::")

CLASSIFIER = re.compile(r"(?P<platform>[a-z0-9-]+?)(?P<static>static)?(?P<debug>debug)?")


class Failures:
    def __init__(self):
        self.items = []

    def add(self, rule, message):
        self.items.append((rule, message))


# --- The JSON file -----------------------------------------------------------

TOP_LEVEL = {"fileName": str, "name": str, "version": str, "uuid": str,
             "wpilibYear": str, "mavenUrls": list, "jsonUrl": str,
             "javaDependencies": list, "jniDependencies": list,
             "cppDependencies": list}
CPP_ENTRY = {"groupId": str, "artifactId": str, "version": str, "libName": str,
             "headerClassifier": str, "binaryPlatforms": list,
             "skipInvalidPlatforms": bool, "sharedLibrary": bool}
REQUIREMENT = {"uuid": str, "errorMessage": str, "offlineFileName": str}


def check_keys(obj, keys, where, failures):
    if not isinstance(obj, dict):
        failures.add("schema", f"{where} is not an object")
        return False
    for key, kind in keys.items():
        if key not in obj:
            failures.add("schema", f"{where} lacks {key}")
        elif type(obj[key]) is not kind:  # bool is not an int here, nor the reverse
            failures.add("schema", f"{where}: {key} is not a {kind.__name__}")
    return True


def check_json(path, failures):
    try:
        doc = json.loads(path.read_text(encoding="utf-8"))
    except (OSError, ValueError) as error:
        failures.add("schema", f"{path.name} does not parse: {error}")
        return None
    if not check_keys(doc, TOP_LEVEL, path.name, failures):
        return None
    if doc.get("fileName") != path.name:
        failures.add("schema", f"fileName {doc.get('fileName')!r} is not {path.name!r}")
    if not doc.get("wpilibYear"):
        failures.add("schema", "wpilibYear is empty")
    if "frcYear" in doc:
        failures.add("schema", "frcYear appears beside wpilibYear")
    urls = doc.get("mavenUrls")
    if not isinstance(urls, list) or not urls or not all(
            isinstance(u, str) and u for u in urls):
        failures.add("schema", "mavenUrls is not a list of at least one URL")
    try:
        uuid.UUID(doc.get("uuid", ""))
        if not re.fullmatch(r"[0-9a-fA-F]{8}(-[0-9a-fA-F]{4}){3}-[0-9a-fA-F]{12}",
                            doc.get("uuid", "")):
            raise ValueError
    except (ValueError, TypeError, AttributeError):
        failures.add("uuid", f"uuid {doc.get('uuid')!r} is not a valid UUID")
    for key in ("requires", "conflictsWith"):
        if key in doc:
            items = doc[key] if isinstance(doc[key], list) else [None]
            for i, item in enumerate(items):
                check_keys(item, REQUIREMENT, f"{key}[{i}]", failures)
    entries = doc.get("cppDependencies")
    for i, entry in enumerate(entries if isinstance(entries, list) else []):
        where = f"cppDependencies[{i}]"
        if not check_keys(entry, CPP_ENTRY, where, failures):
            continue
        if "sourcesClassifier" in entry and not isinstance(entry["sourcesClassifier"], str):
            failures.add("schema", f"{where}: sourcesClassifier is not a str")
        if entry.get("simMode", "swsim") not in ("swsim", "hwsim"):
            failures.add("schema", f"{where}: simMode {entry['simMode']!r} is not swsim or hwsim")
        for platform in entry.get("binaryPlatforms") or []:
            if platform not in PLATFORMS:
                failures.add("schema", f"{where}: unknown platform {platform!r}")
    return doc


def valid_entries(doc):
    """The cppDependencies entries whose shape allows looking for their files."""
    for entry in doc.get("cppDependencies") or []:
        if isinstance(entry, dict) and all(
                isinstance(entry.get(k), kind) for k, kind in CPP_ENTRY.items()):
            yield entry


def check_artifacts(doc, maven, external, failures):
    for entry in valid_entries(doc):
        coordinates = f"{entry['groupId']}:{entry['artifactId']}"
        if coordinates in external:
            continue
        folder = (maven / entry["groupId"].replace(".", "/") / entry["artifactId"]
                  / entry["version"])
        stem = f"{entry['artifactId']}-{entry['version']}"
        kind = "" if entry["sharedLibrary"] else "static"
        names = [f"{stem}.pom", f"{stem}-{entry['headerClassifier']}.zip"]
        if entry.get("sourcesClassifier"):
            names.append(f"{stem}-{entry['sourcesClassifier']}.zip")
        binaries = {f"{stem}-{p}{kind}{debug}.zip": p
                    for p in entry["binaryPlatforms"] if isinstance(p, str) and p in PLATFORMS
                    for debug in ("", "debug")}
        for name in names + list(binaries):
            if not (folder / name).is_file():
                failures.add("artifact", f"{coordinates}: {folder / name} is missing")
        for name, platform in binaries.items():
            if not (folder / name).is_file():
                continue
            present = zip_names(folder / name)
            for library in library_files(platform, entry["libName"], entry["sharedLibrary"]):
                expected = f"{PLATFORMS[platform][0]}/{kind or 'shared'}/{library}"
                if expected not in present:
                    failures.add("artifact", f"{name} lacks {expected}")


def library_files(platform, name, shared):
    """The files that a binary zip of that platform holds for the library."""
    if PLATFORMS[platform][1] == "pe":  # a DLL comes with its import library
        return [f"{name}.dll", f"{name}.lib"] if shared else [f"{name}.lib"]
    if platform.startswith("osx"):
        return [f"lib{name}.dylib" if shared else f"lib{name}.a"]
    return [f"lib{name}.so" if shared else f"lib{name}.a"]


def zip_names(path):
    try:
        with zipfile.ZipFile(path) as archive:
            return set(archive.namelist())
    except (OSError, zipfile.BadZipFile):
        return set()


# --- ELF files and archives ------------------------------------------------

SHT_SYMTAB, SHT_STRTAB, SHT_DYNAMIC, SHT_DYNSYM = 2, 3, 6, 11
DT_NEEDED, DT_SONAME = 1, 14
STB_LOCAL = 0


class ElfFile:
    """The parts of a 64-bit little-endian ELF file that the rules read."""

    def __init__(self, data):
        if data[:4] != b"\x7fELF" or data[4] != 2 or data[5] != 1:
            raise ValueError("not a 64-bit little-endian ELF file")
        self.machine = struct.unpack_from("<H", data, 18)[0]
        shoff, = struct.unpack_from("<Q", data, 0x28)
        shentsize, shnum = struct.unpack_from("<HH", data, 0x3A)
        sections = [struct.unpack_from("<IIQQQQIIQQ", data, shoff + i * shentsize)
                    for i in range(shnum)]

        def strings(index):
            _, _, _, _, offset, size, *_ = sections[index]
            return data[offset:offset + size]

        def text(table, offset):
            return table[offset:table.index(b"\0", offset)].decode("utf-8", "replace")

        self.needed, self.soname, dynamic, linked = [], None, None, []
        for _, kind, _, _, offset, size, link, _, _, entsize in sections:
            if kind == SHT_DYNAMIC:
                table = strings(link)
                for pos in range(offset, offset + size, 16):
                    tag, value = struct.unpack_from("<qQ", data, pos)
                    if tag == DT_NEEDED:
                        self.needed.append(text(table, value))
                    elif tag == DT_SONAME:
                        self.soname = text(table, value)
            elif kind in (SHT_SYMTAB, SHT_DYNSYM):
                table = strings(link)
                if kind == SHT_DYNSYM:
                    dynamic = []
                for pos in range(offset, offset + size, entsize or 24):
                    name_offset, info = struct.unpack_from("<IB", data, pos)
                    name = text(table, name_offset)
                    if name and kind == SHT_DYNSYM:
                        dynamic.append(name)
                    elif name and info >> 4 != STB_LOCAL:
                        linked.append(name)
        # What other binaries link against: a shared library's dynamic
        # symbols, an object's global and weak ones. Local symbols, and a
        # shared library's full symbol table (kept in debug builds), are no
        # part of the binary interface.
        self.symbols = linked if dynamic is None else dynamic


def archive_members(data):
    """(name, contents) of each member of an ar archive, but its symbol
    tables."""
    pos, long_names = 8, b""
    while pos + 60 <= len(data):
        header = data[pos:pos + 60]
        name, size = header[:16].decode().rstrip(), int(header[48:58])
        body = data[pos + 60:pos + 60 + size]
        pos += 60 + size + (size & 1)
        if name == "//":
            long_names = body
        elif name in ("/", "/SYM64/"):
            continue
        else:
            if name.startswith("/") and name[1:].isdigit():
                start = int(name[1:])
                # GNU ends a long name with "/\n", Microsoft's lib with a zero.
                name = re.match(rb"[^\0\n]*", long_names[start:]).group().decode()
            yield name.rstrip("/"), body


class PeFile:
    """The parts of a PE image (a DLL) that the rules read: its machine, its
    export name and exported names, and the DLLs it imports from."""

    def __init__(self, data):
        if data[:2] != b"MZ":
            raise ValueError("not a PE file")
        pe, = struct.unpack_from("<I", data, 0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        self.machine, nsections = struct.unpack_from("<HH", data, pe + 4)
        optional_size, = struct.unpack_from("<H", data, pe + 20)
        optional = pe + 24
        magic, = struct.unpack_from("<H", data, optional)
        directories = optional + {0x10B: 96, 0x20B: 112}[magic]  # PE32, PE32+
        count, = struct.unpack_from("<I", data, directories - 4)
        sections = [struct.unpack_from("<8xIIII", data, optional + optional_size + 40 * i)
                    for i in range(nsections)]

        def offset(rva):
            for size, address, raw_size, raw in sections:
                if address <= rva < address + max(size, raw_size):
                    return raw + rva - address
            raise ValueError(f"address {rva:#x} is in no section")

        def text(rva):
            start = offset(rva)
            return data[start:data.index(b"\0", start)].decode("ascii", "replace")

        def directory(index):
            return struct.unpack_from("<I", data, directories + 8 * index)[0] \
                if index < count else 0

        self.name, self.exports, self.imports = None, [], []
        if directory(0):
            fields = struct.unpack_from("<12xI8xI4xI", data, offset(directory(0)))
            self.name = text(fields[0])
            names = offset(fields[2]) if fields[1] else 0
            self.exports = [text(struct.unpack_from("<I", data, names + 4 * i)[0])
                            for i in range(fields[1])]
        # Import descriptors (20 bytes, the name at 12) and delay-load ones
        # (32 bytes, the name at 4), each table ending with a zero entry.
        for index, size, at in ((1, 20, 12), (13, 32, 4)):
            pos = offset(directory(index)) if directory(index) else None
            while pos is not None and any(data[pos:pos + size]):
                self.imports.append(text(struct.unpack_from("<I", data, pos + at)[0]))
                pos += size


def import_members(data):
    """(machine, imported name, DLL name) of each short-format import member
    of an ar archive: the form that MSVC's linker and MinGW's read."""
    if not data.startswith(b"!<arch>\n"):
        raise ValueError("not an ar archive")
    for _, body in archive_members(data):
        if body[:4] == b"\0\0\xff\xff" and len(body) >= 20:
            machine, size = struct.unpack_from("<HxxxxI", body, 6)
            name, dll = body[20:20 + size].split(b"\0")[:2]
            yield machine, name.decode("ascii", "replace"), dll.decode("ascii", "replace")


def demangle(names):
    if not names:
        return []
    result = subprocess.run(["c++filt"], input="\n".join(names) + "\n",
                            capture_output=True, text=True, check=True)
    return result.stdout.splitlines()


def check_elf(label, elf, machine, failures):
    if elf.machine != machine:
        failures.add("machine", f"{label} is built for "
                     f"{MACHINE_NAMES.get(('elf', elf.machine), elf.machine)}, not "
                     f"{MACHINE_NAMES[('elf', machine)]}")
    for name, readable in zip(elf.symbols, demangle(elf.symbols)):
        if WPILIB_NAMESPACE.search(readable):
            failures.add("wpilib-symbol", f"{label}: {readable}")


# --- The zips ----------------------------------------------------------------

def is_binary(name, data):
    suffix = PurePosixPath(name).suffix
    return suffix in (".so", ".a", ".o", ".dll", ".lib", ".dylib") or \
        ".so." in name or data.startswith(BINARY_MAGICS)


def check_text_zip(label, archive, suffixes, failures):
    files = [i for i in archive.infolist() if not i.is_dir()]
    if not files:
        failures.add("headers", f"{label} is empty")
    for info in files:
        data = archive.read(info)
        if is_binary(info.filename, data):
            failures.add("headers", f"{label} holds the binary {info.filename}")
        elif PurePosixPath(info.filename).suffix not in suffixes:
            failures.add("headers", f"{label} holds {info.filename}, not a "
                         + ("header" if suffixes is HEADER_SUFFIXES else "source"))


def check_dll(label, archive, info, machine, own_libraries, failures):
    """A DLL and its import library, or an import library without its DLL."""
    path, where = PurePosixPath(info.filename), f"{label}:{info.filename}"
    names = set(archive.namelist())
    if path.suffix == ".lib" and path.parent.name == "shared":
        if str(path.with_suffix(".dll")) not in names:
            failures.add("import-library", f"{where} has no {path.stem}.dll beside it")
        return
    if path.suffix != ".dll":
        return
    try:
        dll = PeFile(archive.read(info))
    except (ValueError, KeyError, struct.error, IndexError) as error:
        failures.add("machine", f"{where}: {error}")
        return
    if dll.machine != machine:
        failures.add("machine", f"{where} is built for "
                     f"{MACHINE_NAMES.get(('pe', dll.machine), hex(dll.machine))}, not "
                     f"{MACHINE_NAMES[('pe', machine)]}")
    if dll.name is not None and dll.name != path.name:
        failures.add("soname", f"{where} has the export name {dll.name}")
    for name in dll.exports:
        if MANGLED.match(name):
            failures.add("exports", f"{where} exports the C++ name {name}")
    own = {name.lower() for name in own_libraries}
    for imported in dll.imports:
        if not (WINDOWS_SYSTEM_DLL.fullmatch(imported) or WPILIB_DLL.fullmatch(imported)
                or imported.lower() in own):
            failures.add("needed", f"{where} imports from {imported}")
    lib = str(path.with_suffix(".lib"))
    if lib not in names:
        failures.add("import-library", f"{where} has no import library {lib} beside it")
        return
    try:
        members = list(import_members(archive.read(lib)))
    except (ValueError, struct.error, IndexError) as error:
        failures.add("import-library", f"{label}:{lib}: {error}")
        return
    if not members:
        failures.add("import-library", f"{label}:{lib} holds no short-format import member")
    for wrong in sorted({d for _, _, d in members if d.lower() != path.name.lower()}):
        failures.add("import-library", f"{label}:{lib} imports from {wrong}, not {path.name}")
    for wrong in sorted({m for m, _, _ in members if m != machine}):
        failures.add("import-library", f"{label}:{lib} has import members for "
                     f"{MACHINE_NAMES.get(('pe', wrong), hex(wrong))}")
    imported = {name for _, name, _ in members}
    for name in sorted(set(dll.exports) - imported):
        failures.add("import-library", f"{label}:{lib} lacks the export {name}")
    for name in sorted(imported - set(dll.exports)):
        failures.add("import-library", f"{label}:{lib} imports {name}, which "
                     f"{path.name} does not export")


def check_binary_zip(label, archive, platform, own_libraries, failures):
    folder, kind, machine = PLATFORMS[platform]
    files = [i for i in archive.infolist() if not i.is_dir()]
    if not files:
        failures.add("contents", f"{label} holds no library")
    for info in files:
        path = PurePosixPath(info.filename)
        if path.suffix in HEADER_SUFFIXES:
            failures.add("contents", f"{label} holds the header {info.filename}")
            continue
        if str(path.parent) not in (f"{folder}/shared", f"{folder}/static"):
            failures.add("contents", f"{label}: {info.filename} is not under "
                         f"{folder}/shared or {folder}/static")
        if kind == "pe":
            check_dll(label, archive, info, machine, own_libraries, failures)
        if kind != "elf":
            continue
        data = archive.read(info)
        where = f"{label}:{info.filename}"
        try:
            if data.startswith(b"!<arch>\n"):
                for member, body in archive_members(data):
                    check_elf(f"{where}({member})", ElfFile(body), machine, failures)
                continue
            elf = ElfFile(data)
        except (ValueError, struct.error, IndexError) as error:
            failures.add("machine", f"{where}: {error}")
            continue
        check_elf(where, elf, machine, failures)
        if elf.soname is not None and elf.soname != path.name:
            failures.add("soname", f"{where} has the SONAME {elf.soname}")
        for needed in elf.needed:
            if not (RUNTIME_LIBRARY.fullmatch(needed) or WPILIB_LIBRARY.fullmatch(needed)
                    or needed in own_libraries):
                failures.add("needed", f"{where} needs {needed}")


def check_zips(doc, maven, failures):
    zips = sorted(maven.rglob("*.zip"))
    own = {f"{prefix}{e['libName']}{suffix}" for e in valid_entries(doc)
           for prefix, suffix in (("lib", ".so"), ("", ".dll"))}
    own |= {PurePosixPath(n).name for z in zips for n in zip_names(z)
            if n.endswith((".so", ".dll"))}
    for path in zips:
        artifact, version = path.parent.parent.name, path.parent.name
        classifier = path.name[:-4].removeprefix(f"{artifact}-{version}-")
        label = path.name
        try:
            with zipfile.ZipFile(path) as archive:
                if classifier == "headers":
                    check_text_zip(label, archive, HEADER_SUFFIXES, failures)
                elif classifier == "sources":
                    check_text_zip(label, archive, SOURCE_SUFFIXES, failures)
                else:
                    match = CLASSIFIER.fullmatch(classifier)
                    platform = match and match.group("platform")
                    if platform not in PLATFORMS:
                        failures.add("artifact", f"{label}: unknown classifier {classifier}")
                    else:
                        check_binary_zip(label, archive, platform, own, failures)
        except zipfile.BadZipFile:
            failures.add("artifact", f"{label} is not a zip")


def check(json_path, maven, external=()):
    failures = Failures()
    doc = check_json(json_path, failures)
    if doc is not None:
        check_artifacts(doc, maven, set(external), failures)
        check_zips(doc, maven, failures)
    return failures.items


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("json", type=Path)
    parser.add_argument("maven", type=Path)
    parser.add_argument("--external", action="append", default=[],
                        metavar="GROUP:ARTIFACT",
                        help="an artifact published elsewhere, not in MAVEN")
    args = parser.parse_args(argv)
    failures = check(args.json, args.maven, args.external)
    for rule, message in failures:
        print(f"FAIL [{rule}] {message}")
    print(f"{args.json.name}: {len(failures) or 'no'} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
