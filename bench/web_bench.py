#!/usr/bin/env python3
"""The browser page's speed in headless Chromium: the page usable after
opening from file://, one design recomputed and redrawn after a keystroke
(from the input event to the page idle, as the page measures it), and a
100,000-row sweep from typing it to its CSV downloaded; medians of RUNS.

    bench/web_bench.py SITE_DIR [RUNS]"""
import os
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
from cdp import Browser, find_browser  # noqa: E402

site = os.path.abspath(sys.argv[1])
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
page = "file://" + os.path.join(site, "index.html")
downloads = tempfile.mkdtemp(prefix="refldsgn-web-bench-")
b = Browser(find_browser(), downloads=downloads)
try:
    opened = []
    for _ in range(runs):
        b.open("about:blank")
        t0 = time.time()
        b.open(page + "#type=cassegrain&DM=6&FM=2.52&DS=0.35&TE=2.04624&unit=m")
        opened.append(time.time() - t0)
    print("opened from file:// and usable: median %.3f s (of %d)" % (statistics.median(opened), runs))

    took, engine = [], []
    for i in range(4 * runs):
        b.type("#q-DM", "6.1" if i % 2 == 0 else "6")
        b.idle()
        took.append(float(b.js("document.body.dataset.took")))
        engine.append(float(b.js("document.body.dataset.engine")))
    print("a keystroke to the design recomputed and redrawn: median %.1f ms (of %d), max %.1f ms; the engine's share "
          "(in its worker): median %.1f ms" % (statistics.median(took), len(took), max(took), statistics.median(engine)))

    swept = []
    for i in range(runs):
        path = os.path.join(downloads, "study.csv")
        if os.path.exists(path):
            os.remove(path)
        b.type("#q-DS", "0.35")
        b.idle()
        t0 = time.time()
        b.type("#q-DS", "0.3:0.4:0.000001" if i % 2 == 0 else "0.3:0.40000001:0.000001")
        b.idle(60)
        b.click("#dl-csv")
        while not (os.path.exists(path) and not os.path.exists(path + ".crdownload") and os.path.getsize(path) > 0):
            b.pump(0.01)
        swept.append(time.time() - t0)
        rows = sum(1 for _ in open(path)) - 1
    print("a %d-row sweep typed to its CSV downloaded: median %.2f s (of %d)" % (rows, statistics.median(swept), runs))
finally:
    b.close()
