#!/usr/bin/env python3
"""pe_test.py VERSION CELPACK_EXE CELKIT_EXE: what Windows reads from the
two programs before it runs them: subsystem, terminal-server awareness, ASLR
(with the relocations it needs) and DEP; imports from the system's own
libraries only; the manifest's supported systems, DPI, long-path, code-page
and privilege entries; the version resource, equal to project(VERSION)."""
import sys
import xml.etree.ElementTree as ElementTree

import pefile

version = sys.argv[1]
numbers = [int(n) for n in version.split(".")] + [0] * (4 - len(version.split(".")))
SYSTEM_LIBRARIES = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "ole32.dll",
                    "msvcrt.dll", "shell32.dll", "advapi32.dll"}
# celkit edit's server: Winsock and the system's random source, in every Windows since Vista.
PROGRAM_LIBRARIES = {"celkit": {"ws2_32.dll", "mswsock.dll", "bcrypt.dll"}}
VISTA_TO_11 = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
               "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
               "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}
# path, subsystem (2 GUI, 3 console), file name, active code page wanted
PROGRAMS = [
    (sys.argv[2], 2, "celpack", None),
    (sys.argv[3], 3, "celkit", "UTF-8"),
]


def manifest(pe):
    resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in resources.entries if resources else []:
        if kind.id == pefile.RESOURCE_TYPE["RT_MANIFEST"]:
            for entry in kind.directory.entries:
                if entry.id == 1:
                    data = entry.directory.entries[0].data.struct
                    return ElementTree.fromstring(pe.get_data(data.OffsetToData, data.Size))
    return None


def texts(root, name):
    """Every element of the local name NAME: its text, or its attributes."""
    found = [e for e in root.iter() if e.tag.rsplit("}", 1)[-1] == name] if root is not None else []
    return [(e.text or "").strip() if e.text and e.text.strip() else e.attrib for e in found]


def strings(pe):
    table = {}
    for info in getattr(pe, "FileInfo", []):
        for entry in info:
            for st in getattr(entry, "StringTable", []):
                table.update({k.decode(): v.decode().rstrip("\0") for k, v in st.entries.items()})
    return table


checks = []
for path, subsystem, name, code_page in PROGRAMS:
    pe = pefile.PE(path)
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    imports = {i.dll.decode().lower() for i in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])}
    imports -= PROGRAM_LIBRARIES.get(name, set())
    root = manifest(pe)
    table = strings(pe)
    fixed = pe.VS_FIXEDFILEINFO[0] if hasattr(pe, "VS_FIXEDFILEINFO") else None
    as_numbers = lambda ms, ls: [ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF]
    checks += [
        (name, "subsystem", pe.OPTIONAL_HEADER.Subsystem, subsystem),
        (name, "terminal-server aware", bool(flags & 0x8000), True),
        (name, "ASLR", bool(flags & 0x0040), True),
        (name, "relocations kept for ASLR", bool(pe.FILE_HEADER.Characteristics & 0x0001), False),
        (name, "DEP", bool(flags & 0x0100), True),
        (name, "imports beyond the system's", sorted(imports - SYSTEM_LIBRARIES), []),
        (name, "supported systems", {a.get("Id") for a in texts(root, "supportedOS")}, VISTA_TO_11),
        (name, "dpiAwareness", texts(root, "dpiAwareness"), ["PerMonitorV2, PerMonitor"]),
        (name, "dpiAware", texts(root, "dpiAware"), ["true/pm"]),
        (name, "longPathAware", texts(root, "longPathAware"), ["true"]),
        (name, "activeCodePage", texts(root, "activeCodePage"), [code_page] if code_page else []),
        (name, "execution level", [a.get("level") for a in texts(root, "requestedExecutionLevel")],
         ["asInvoker"]),
        (name, "manifest identity", [a.get("version") for a in texts(root, "assemblyIdentity")
                                     if a.get("name") == name], [".".join(map(str, numbers))]),
        (name, "FileVersion", table.get("FileVersion"), version),
        (name, "ProductVersion", table.get("ProductVersion"), version),
        (name, "ProductName", table.get("ProductName"), "celpack"),
        (name, "OriginalFilename", table.get("OriginalFilename"), name + ".exe"),
        (name, "FileDescription names the program", table.get("FileDescription", "").split(":")[0], name),
        (name, "LegalCopyright", "Copyright" in table.get("LegalCopyright", ""), True),
        (name, "fixed file version", fixed and as_numbers(fixed.FileVersionMS, fixed.FileVersionLS), numbers),
        (name, "fixed product version",
         fixed and as_numbers(fixed.ProductVersionMS, fixed.ProductVersionLS), numbers),
    ]

failures = [c for c in checks if c[2] != c[3]]
for name, what, got, wanted in failures:
    print(f"FAIL {name} {what}: got {got!r}, wanted {wanted!r}")
print(f"{len(checks) - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
