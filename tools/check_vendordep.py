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
  machine        each binary's ELF machine is its platform's
  needed         a shared library needs only the C and C++ runtimes, WPILib's
                 libraries and the package's own libraries (DT_NEEDED)
  soname         a shared library's SONAME is its file name, or it has none
  wpilib-symbol  no symbol that other binaries link against (a shared
                 library's dynamic symbols, an object's global ones), defined
                 or undefined, names a WPILib namespace

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

# Platform -> (folder inside a binary zip, ELF machine or None if not ELF).
PLATFORMS = {
    "linuxsystemcore": ("linux/systemcore", EM_AARCH64),
    "linuxarm64": ("linux/arm64", EM_AARCH64),
    "linuxx86-64": ("linux/x86-64", EM_X86_64),
    "windowsx86-64": ("windows/x86-64", None),
    "windowsarm64": ("windows/arm64", None),
    "osxuniversal": ("osx/universal", None),
}
MACHINE_NAMES = {EM_X86_64: "x86-64", EM_AARCH64: "AArch64"}

HEADER_SUFFIXES = {".h", ".hh", ".hpp", ".hxx", ".inc", ".inl", ".ipp"}
SOURCE_SUFFIXES = HEADER_SUFFIXES | {".c", ".cc", ".cpp", ".cxx"}
BINARY_MAGICS = (b"\x7fELF", b"!<arch>\n", b"MZ", b"\xcf\xfa\xed\xfe", b"\xca\xfe\xba\xbe")

RUNTIME_LIBRARY = re.compile(
    r"(lib(c|m|dl|pthread|rt|atomic|stdc\+\+|gcc_s)|ld-linux-(x86-64|aarch64))\.so(\.\d+)*")
WPILIB_LIBRARY = re.compile(r"lib(wpi\w*|ntcore|cscore|cameraserver|apriltag)d?\.so")
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
        library = (f"lib{entry['libName']}.so" if entry["sharedLibrary"]
                   else f"lib{entry['libName']}.a")
        for name, platform in binaries.items():
            expected = f"{PLATFORMS[platform][0]}/{kind or 'shared'}/{library}"
            if (folder / name).is_file() and expected not in zip_names(folder / name):
                failures.add("artifact", f"{name} lacks {expected}")


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
    """(name, contents) of each object in a Unix ar archive."""
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
                name = long_names[start:long_names.index(b"/\n", start)].decode()
            yield name.rstrip("/"), body


def demangle(names):
    if not names:
        return []
    result = subprocess.run(["c++filt"], input="\n".join(names) + "\n",
                            capture_output=True, text=True, check=True)
    return result.stdout.splitlines()


def check_elf(label, elf, machine, failures):
    if elf.machine != machine:
        failures.add("machine", f"{label} is built for "
                     f"{MACHINE_NAMES.get(elf.machine, elf.machine)}, not "
                     f"{MACHINE_NAMES[machine]}")
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


def check_binary_zip(label, archive, platform, own_libraries, failures):
    folder, machine = PLATFORMS[platform]
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
        if machine is None:
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
    own = {f"lib{e['libName']}.so" for e in valid_entries(doc)}
    own |= {PurePosixPath(n).name for z in zips for n in zip_names(z) if n.endswith(".so")}
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
