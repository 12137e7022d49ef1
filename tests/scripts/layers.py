#!/usr/bin/env python3
"""The layers point downward: no file of a folder includes a header of a
folder above it, and no library links a library above it.  Nothing outside
geometry/families/ names a particular family: no consumer asks for a mode
by number, reads a family's own record or includes a family's header.

    textio  geometry      bottom
    export  study         surface files; studies (inputs, rows, checks, formats)
    draw    handoff       pictures; surface files and cassbeam of a study
    cad                   DXF, STL and STEP of a design
    dialogue  solve  python  web   front ends
"""
import os
import re
import sys

from checklist import expect, finish

root = os.path.dirname(os.path.abspath(sys.argv[2]))

# What each folder may include besides itself.
ALLOWED = {
    "textio": set(),
    "geometry": {"textio"},
    "export": {"geometry", "textio"},
    "study": {"geometry", "textio"},
    "draw": {"study", "export", "geometry", "textio"},
    "handoff": {"study", "export", "geometry", "textio"},
    "cad": {"handoff", "study", "export", "geometry", "textio"},
    "radiate": {"geometry", "textio"},
    "dialogue": {"export", "geometry", "textio"},
    "solve": {"cad", "draw", "handoff", "radiate", "study", "export", "geometry", "textio"},
    "python": {"cad", "draw", "handoff", "radiate", "study", "export", "geometry", "textio"},
    "web": {"solve", "cad", "draw", "handoff", "radiate", "study", "export", "geometry", "textio"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([A-Za-z_]+)/')

checked = 0
for folder, allowed in ALLOWED.items():
    path = os.path.join(root, folder)
    if not os.path.isdir(path):
        continue
    for dirpath, _, files in os.walk(path):
        for name in files:
            if not name.endswith((".hpp", ".cpp", ".h")):
                continue
            with open(os.path.join(dirpath, name), encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if m is None:
                        continue
                    checked += 1
                    target = m.group(1)
                    if target in ALLOWED and target != folder and target not in allowed:
                        expect(False, "%s/%s line %d includes %s/, a layer above or beside it" % (
                            folder, name, number, target))

# Libraries: refl_FOLDER links only libraries of the folders it may include.
with open(os.path.join(root, "CMakeLists.txt"), encoding="utf-8") as f:
    cmake = f.read()
links = 0
for m in re.finditer(r"target_link_libraries\(\s*refl_(\w+)([^)]*)\)", cmake):
    folder, libs = m.group(1), re.findall(r"refl_(\w+)", m.group(2))
    expect(folder in ALLOWED, "library refl_%s is of no known layer" % folder)
    for lib in libs:
        links += 1
        expect(lib in ALLOWED.get(folder, set()), "refl_%s links refl_%s, a layer above or beside it" % (folder, lib))

expect(checked > 100 and links > 10, "too little seen: %d includes, %d links" % (checked, links))

# Family-specific names outside the family folders: the study's former
# mode tests, a family's records, and the headers of its folder.  The
# interactive programs (dialogue/) are the axisymmetric calculators and use
# that family's solvers by design.
SPECIFIC = re.compile(r'\boffset\(\)|mode_number\(\)\s*[=!]=|\bd\.offset\.|\bd\.g\.|\bOffsetFrame\b|'
                      r'\bOffsetDesign\b|\bDualReflectorGeometry\b|geometry/families/|\bcassegrain\(\)|'
                      r'\bphase_centre\(\)|require_axisymmetric')
named = []
scanned = 0
for folder in ("study", "draw", "handoff", "cad", "radiate", "solve", "python", "export"):
    for dirpath, _, files in os.walk(os.path.join(root, folder)):
        for name in files:
            if not name.endswith((".hpp", ".cpp", ".h", ".py")):
                continue
            path = os.path.join(dirpath, name)
            with open(path, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    scanned += 1
                    if SPECIFIC.search(line):
                        named.append("%s line %d: %s" % (os.path.relpath(path, root), number, line.strip()))
expect(scanned > 3000, "too little scanned: %d lines" % scanned)
expect(not named, "%d places name a particular family:\n  %s" % (len(named), "\n  ".join(named)))
print("%d lines of consumers scanned: %d name a particular family" % (scanned, len(named)))
print("%d includes and %d library links checked" % (checked, links))
finish()
