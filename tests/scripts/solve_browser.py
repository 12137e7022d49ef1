#!/usr/bin/env python3
"""The HTML page and the SVG picture of refldsgn-solve in a real browser.

Headless Chromium loads the page and the picture and takes screenshots,
which must not be blank; the page's DOM must hold the table with one row per
design, the failing rows marked, and no reference to anything outside the
file.  Skips (status 77) when Chromium is not installed."""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

from checklist import expect, finish

bin_dir = os.path.abspath(sys.argv[1])
SOLVE = os.path.join(bin_dir, "refldsgn-solve")
BROWSER = shutil.which("chromium") or shutil.which("chromium-browser")
if BROWSER is None:
    print("SKIP: chromium is not installed (apt-get install chromium)")
    sys.exit(77)


def browser(args, profile):
    flags = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--hide-scrollbars", "--user-data-dir=" + profile]
    return subprocess.run([BROWSER] + flags + args, capture_output=True, text=True, timeout=120)


def png_pixels(path):
    """(width, height, rows of RGB(A) bytes) of an 8-bit, non-interlaced PNG."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    bpp = {2: 3, 6: 4}[colour]
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, prev = [], bytearray(stride)
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, bpp, rows


def not_blank(path, what):
    """Enough ink, in enough colours, spread over the picture."""
    if not os.path.exists(path):
        expect(False, "%s: no screenshot" % what)
        return
    w, h, bpp, rows = png_pixels(path)
    ink, colours, bands = 0, set(), set()
    for y in range(0, h, 2):
        row = rows[y]
        for x in range(0, w, 2):
            px = row[x * bpp:x * bpp + 3]
            if min(px) < 200:
                ink += 1
                colours.add(bytes(c // 32 for c in px))
                bands.add((y * 4 // h, x * 4 // w))
    share = ink / ((w // 2) * (h // 2))
    print("%s: %dx%d, %.1f%% ink, %d colours, %d of 16 regions" % (what, w, h, 100 * share, len(colours), len(bands)))
    expect(share > 0.01 and len(colours) >= 5 and len(bands) >= 6, "%s looks blank" % what)


with tempfile.TemporaryDirectory() as work:
    profile = os.path.join(work, "profile")
    args = ["type=-1", "DM=100:120:2", "LM=10", "LS=30", "FDE=0.5:3:0.5", "--at", "40"]
    r = subprocess.run([SOLVE] + args + ["--html", "page.html", "--svg", "design.svg", "-f", "csv"], cwd=work,
                       capture_output=True, text=True)
    expect(r.returncode == 0, r.stderr)
    rows = r.stdout.count("\n") - 1
    page = open(os.path.join(work, "page.html")).read()
    # Self-contained: nothing fetched from anywhere.
    expect(not re.search(r"<script|<link|src=|href=|url\(|@import", page), "the page refers to outside files")

    url = "file://" + os.path.join(work, "page.html")
    dom = browser(["--dump-dom", url], profile).stdout
    body = re.search(r'<table class="designs">.*?<tbody>(.*?)</tbody>', dom, re.S)
    trs = re.findall(r"<tr[ >]", body.group(1)) if body else []
    failing = re.findall(r'<tr class="fail', body.group(1)) if body else []
    print("DOM: %d table rows for %d designs, %d marked failing" % (len(trs), rows, len(failing)))
    expect(len(trs) == rows == 66, "table rows %d, designs %d" % (len(trs), rows))
    expect(0 < len(failing) < rows, "failing rows marked: %d" % len(failing))
    expect(dom.count("<svg") == 2, "the page holds the picture and the plot")

    browser(["--screenshot=" + os.path.join(work, "page.png"), "--window-size=1280,2000", url], profile)
    not_blank(os.path.join(work, "page.png"), "page")
    browser(["--screenshot=" + os.path.join(work, "design.png"), "--window-size=1100,900",
             "file://" + os.path.join(work, "design.svg")], profile)
    not_blank(os.path.join(work, "design.png"), "design.svg")
    # An offset study: its page, and the labelled sketch.
    r = subprocess.run([SOLVE, "type=gregorian", "DM=24", "FM=18", "H=18", "DS=8:12:1", "BETA=5.6", "--at", "3",
                        "--html", "offset.html", "--sketch", "sketch.svg", "-o", "o.csv"], cwd=work,
                       capture_output=True, text=True)
    expect(r.returncode == 0, r.stderr)
    url = "file://" + os.path.join(work, "offset.html")
    dom = browser(["--dump-dom", url], profile).stdout
    expect(dom.count("<svg") == 2 and "<th>DSRPR</th>" in dom, "the offset page holds picture, plot and table")
    browser(["--screenshot=" + os.path.join(work, "offset.png"), "--window-size=1280,2000", url], profile)
    not_blank(os.path.join(work, "offset.png"), "offset page")
    browser(["--screenshot=" + os.path.join(work, "sketch.png"), "--window-size=1100,900",
             "file://" + os.path.join(work, "sketch.svg")], profile)
    not_blank(os.path.join(work, "sketch.png"), "sketch.svg")
    # A prime-focus study (one reflector): its page and the sketch of an offset dish.
    r = subprocess.run([SOLVE, "type=prime", "DM=0.6", "FM=0.35", "HC=-0.05:0.1:0.05", "DF=0.05", "--at", "1",
                        "--html", "prime.html", "--sketch", "prime-sketch.svg", "-o", "p.csv"], cwd=work,
                       capture_output=True, text=True)
    expect(r.returncode == 0, r.stderr)
    url = "file://" + os.path.join(work, "prime.html")
    dom = browser(["--dump-dom", url], profile).stdout
    expect(dom.count("<svg") == 2 and "<th>theta_U</th>" in dom and 'class="fail chosen"' in dom,
           "the prime-focus page holds picture, plot and table, its failing first row chosen")
    browser(["--screenshot=" + os.path.join(work, "prime.png"), "--window-size=1280,2000", url], profile)
    not_blank(os.path.join(work, "prime.png"), "prime-focus page")
    browser(["--screenshot=" + os.path.join(work, "prime-sketch.png"), "--window-size=1100,900",
             "file://" + os.path.join(work, "prime-sketch.svg")], profile)
    not_blank(os.path.join(work, "prime-sketch.png"), "prime-sketch.svg")
    keep = os.environ.get("REFLDSGN_SCREENSHOTS")
    if keep:  # for looking at them
        os.makedirs(keep, exist_ok=True)
        for f in ("page.png", "design.png", "offset.png", "sketch.png", "prime.png", "prime-sketch.png"):
            if os.path.exists(os.path.join(work, f)):
                shutil.copy(os.path.join(work, f), keep)

finish()
