#!/usr/bin/env python3
"""The programs the embed tests write, read by two readers that are not ours: pefile
(resources, checksum, section sizes) and llvm-readobj (the whole resource tree).

Usage: check-independent.py <embed_tests> <llvm-readobj> <folder>
Exits 77 (skipped) without pefile: apt-get install python3-pefile."""
import os
import shutil
import subprocess
import sys

try:
    import pefile
except ImportError:
    print("pefile is not installed (python3-pefile): skipped")
    sys.exit(77)

tests, readobj, folder = sys.argv[1:4]
shutil.rmtree(folder, ignore_errors=True)
os.makedirs(folder)
subprocess.run([tests, "--gtest_brief=1"], env=dict(os.environ, THEMEFOLD_EMBED_SAMPLES=folder),
               check=True, stdout=subprocess.DEVNULL)


def full_name(pe, section):
    """A section's name; "/4", as GNU ld writes a long one, read from the COFF string table."""
    name = section.Name.rstrip(b"\0")
    table = pe.FILE_HEADER.PointerToSymbolTable + 18 * pe.FILE_HEADER.NumberOfSymbols
    if not name.startswith(b"/") or not name[1:].isdigit() or not pe.FILE_HEADER.PointerToSymbolTable:
        return name
    data = pe.__data__[table + int(name[1:]):]
    return bytes(data[:data.find(b"\0")]) if b"\0" in data[:256] else name


def resources(pe):
    key = lambda entry: str(entry.name) if entry.name is not None else entry.id
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    return {(key(kind), key(name), language.id):
            pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
            for kind in (root.entries if root else []) for name in kind.directory.entries
            for language in name.directory.entries}


problems = []
names = sorted(f[:-len(".before")] for f in os.listdir(folder) if f.endswith(".before"))
if len(names) < 5:
    problems.append("only %d samples written: %s" % (len(names), names))
for name in names:
    path = os.path.join(folder, name)
    before = pefile.PE(path + ".before")
    after = pefile.PE(path + ".after")
    with open(path + ".manifest", "rb") as f:
        manifest = f.read()
    manifest_id = 2 if after.is_dll() else 1
    is_manifest = lambda key: key[0] == 24 and key[1] == manifest_id
    expected = {k: v for k, v in resources(before).items() if not is_manifest(k)}
    got = resources(after)
    written = [k for k in got if is_manifest(k)]
    if len(written) != 1 or got[written[0]] != manifest:
        problems.append("%s: the manifest is not the one written: %s" % (name, written))
    for k in written:
        del got[k]
    if got != expected:
        problems.append("%s: other resources differ" % name)
    header = after.OPTIONAL_HEADER
    if header.CheckSum and header.CheckSum != after.generate_checksum():
        problems.append("%s: checksum %#x, pefile computes %#x"
                        % (name, header.CheckSum, after.generate_checksum()))
    for s in after.sections:
        if s.PointerToRawData % header.FileAlignment or s.SizeOfRawData % header.FileAlignment:
            problems.append("%s: section %s not aligned" % (name, s.Name))
    last = max(after.sections, key=lambda s: s.VirtualAddress)
    end = -(-(last.VirtualAddress + last.Misc_VirtualSize) // header.SectionAlignment) \
        * header.SectionAlignment
    # As a linker sums it, or what the program reserved before if that was more.
    if header.SizeOfImage != max(end, before.OPTIONAL_HEADER.SizeOfImage):
        problems.append("%s: SizeOfImage %#x" % (name, header.SizeOfImage))
    # Only the base relocations and debug data move; no section's memory shrinks; below a
    # page each address stays the section's file offset.
    relocations = before.OPTIONAL_HEADER.DATA_DIRECTORY[5].VirtualAddress
    for old, new in zip(before.sections, after.sections):
        moves = old.contains_rva(relocations) or (full_name(before, old).startswith((b".debug", b".stab"))
                                                  and not old.Characteristics & 0x20000020)
        if old.VirtualAddress != new.VirtualAddress and not moves:
            problems.append("%s: section %s moved" % (name, old.Name))
        if new.Misc_VirtualSize < old.Misc_VirtualSize:
            problems.append("%s: section %s shrank" % (name, old.Name))
    if header.SectionAlignment < 0x1000:
        for s in after.sections:
            if s.VirtualAddress != s.PointerToRawData:
                problems.append("%s: section %s not at its file offset" % (name, s.Name))
    # pefile's guess from how often one byte value occurs says nothing of the structures.
    new_warnings = {w for w in set(after.get_warnings()) - set(before.get_warnings())
                    if "makes up" not in w}
    if new_warnings:
        problems.append("%s: pefile warns: %s" % (name, sorted(new_warnings)))
    run = subprocess.run([readobj, "--coff-resources", "--sections", path + ".after"],
                         capture_output=True, text=True)
    if run.returncode != 0 or run.stderr or "MANIFEST (ID 24)" not in run.stdout:
        problems.append("%s: llvm-readobj: %s" % (name, run.stderr.strip() or run.returncode))

for problem in problems:
    print(problem)
print("%d programs checked, %d problems" % (len(names), len(problems)))
sys.exit(1 if problems else 0)
