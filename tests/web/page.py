#!/usr/bin/env python3
"""The browser page in headless Chromium, driven through the DevTools
protocol as a person would use it: type the 6 m worked example and read the
table back; switch to a sweep and read the plot; click a row; download CSV
and .tor and compare them with refldsgn-solve's bytes; reopen a link; type
garbage into every field; cancel a long sweep; load it with the network cut
off.  Screenshots go to SHOTS (default: beside the site).

    page.py SITE_DIR NATIVE_SOLVE [SHOTS_DIR]

Skips (status 77) without Chromium."""
import csv
import io
import os
import subprocess
import sys
import tempfile
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
from checklist import expect, finish  # noqa: E402

site, solve = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
shots = os.path.abspath(sys.argv[3]) if len(sys.argv) > 3 else os.path.join(os.path.dirname(site), "shots")
os.makedirs(shots, exist_ok=True)

from cdp import Browser, find_browser  # noqa: E402

browser = find_browser()
if browser is None:
    print("SKIP: chromium is not installed (apt-get install chromium)")
    sys.exit(77)
try:
    import websocket  # noqa: F401
except ImportError:
    print("SKIP: the DevTools client needs python3-websocket")
    sys.exit(77)

PAGE = "file://" + os.path.join(site, "index.html")
work = tempfile.mkdtemp(prefix="refldsgn-page-")
downloads = os.path.join(work, "downloads")
os.makedirs(downloads)


def native(args, *files):
    """refldsgn-solve's outputs: its CSV, then the bytes of each file."""
    d = tempfile.mkdtemp(dir=work)
    r = subprocess.run([solve] + args + ["-f", "csv", "-o", "rows.csv"], cwd=d, capture_output=True)
    out = [open(os.path.join(d, "rows.csv"), "rb").read() if r.returncode == 0 else None]
    for f in files:
        p = os.path.join(d, f)
        out.append(open(p, "rb").read() if os.path.exists(p) else None)
    return r.returncode, r.stderr.decode(), out


def table(b):
    """The page's table as CSV text: its header cells, then each row's cells."""
    rows = b.js("[...document.querySelectorAll('#results tr')].map(tr => [...tr.cells].map(c => c.textContent))")
    return "".join(",".join(r) + "\n" for r in rows)


def set_inputs(b, values):
    """Types each quantity as a person would, the others emptied."""
    for name in ["DM", "FM", "LM", "DS", "LS", "TE", "FDE", "DF", "LP", "H", "HC", "TH0", "BETA", "ALPHA", "E", "LSM",
                 "C2", "DFPR", "DSRPR", "root", "freq", "taper"]:
        want = values.get(name, "")
        if b.js("document.getElementById('q-%s').value" % name) != want:
            b.type("#q-" + name, want)
    for name in ("type", "q-unit"):
        key = "type" if name == "type" else "unit"
        if key in values:
            b.js("(() => { const s = document.getElementById('%s'); s.value = %r; "
                 "s.dispatchEvent(new Event('input', {bubbles: true})); })()" % (name, values[key]))
    return b.idle(60)


def downloaded(b, link, name):
    """Clicks a download link and returns the file's bytes."""
    path = os.path.join(downloads, name)
    if os.path.exists(path):
        os.remove(path)
    b.idle()
    b.click("#" + link)
    end = time.time() + 30
    while time.time() < end:
        b.pump(0.1)
        if os.path.exists(path) and not os.path.exists(path + ".crdownload") and os.path.getsize(path) > 0:
            b.pump(0.3)
            return open(path, "rb").read()
    print("no download of %s: %s; in the folder: %s" % (link, b.js(
        "(() => { const a = document.getElementById(%r); if (!a) return 'no link'; const r = a.getBoundingClientRect();"
        " const e = document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2);"
        " return a.href.slice(0, 30) + ' at ' + [r.left, r.top] + ', under it ' + (e && (e.id || e.tagName)); })()" % link),
        os.listdir(downloads)))
    return None


# The whole folder: at most 3 MB.
size = sum(os.path.getsize(os.path.join(site, f)) for f in os.listdir(site))
print("the site: %d bytes in %s" % (size, ", ".join(sorted(os.listdir(site)))))
expect(size <= 3000000, "the site is %d bytes, more than 3,000,000" % size)

b = Browser(browser, downloads=downloads)
try:
    # Opened from file://, usable within a second (the figure is printed).
    t0 = time.time()
    expect(b.open(PAGE), "the page does not become idle after opening")
    print("the page usable %.2f s after opening" % (time.time() - t0))

    # The 6 m worked example, typed.
    example = {"type": "cassegrain", "DM": "6", "FM": "2.52", "DS": "0.35", "TE": "2.04624", "unit": "m"}
    expect(set_inputs(b, example), "the example does not settle")
    status, _, (rows,) = native(["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624", "unit=m"])
    expect(table(b) == rows.decode(), "the table is not the CSV: %r" % table(b)[:300])
    expect(b.js("document.getElementById('case').textContent") ==
           "Cassegrain, mode 1 (no condition), case 6: DM, FM, DS, TE given", "the case is not named")
    expect(b.js("document.getElementById('error').textContent") == "", "an error shows for a good design")
    b.screenshot(os.path.join(shots, "design.png"))

    # The picture is the --svg file without its XML declaration.
    _, _, (_, svg) = native(["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624", "unit=m", "--svg", "p.svg"],
                            "p.svg")
    shown = b.js("new XMLSerializer().serializeToString(document.querySelector('#picture svg'))")
    want = svg.decode().split("?>", 1)[1].lstrip("\n") if svg.startswith(b"<?xml") else svg.decode()
    expect(shown.strip() == want.strip(), "the picture is not the --svg file")

    # Downloads of the design: CSV, and the .rsf of the main.
    got = downloaded(b, "dl-csv", "study.csv")
    expect(got == rows, "the downloaded CSV differs from refldsgn-solve's: %r" % (got[:400] if got else got))
    _, _, (_, rsf) = native(["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624", "unit=m",
                             "--rsf-main", "m.rsf"], "m.rsf")
    expect(downloaded(b, "dl-rsf-main", "main.rsf") == rsf, "the downloaded .rsf differs")
    expect(not b.js("!!document.getElementById('dl-tor')"), "an axisymmetric design offers a .tor")

    # A sweep: the table's rows and the plot's points.
    sweep = dict(example, DS="0.3:0.5:0.05")
    expect(set_inputs(b, sweep), "the sweep does not settle")
    _, _, (rows,) = native(["type=cassegrain", "DM=6", "FM=2.52", "DS=0.3:0.5:0.05", "TE=2.04624", "unit=m"])
    expect(table(b) == rows.decode(), "the sweep's table is not the CSV")
    points = b.js("(() => { const l = document.querySelector('#plot svg polyline'); "
                  "return l ? l.getAttribute('points').trim().split(/\\s+/).length : 0; })()")
    expect(points == 5, "the plot has %s points, not 5" % points)
    # Clicking the third row selects it: its picture and its files.
    b.click("#results tr[data-row='3'] td")
    expect(b.idle(), "the click does not settle")
    expect(b.js("document.querySelector('#results tr[data-row=\"3\"]').getAttribute('aria-selected')") == "true",
           "row 3 is not selected")
    _, _, (_, svg3) = native(["type=cassegrain", "DM=6", "FM=2.52", "DS=0.3:0.5:0.05", "TE=2.04624", "unit=m",
                              "--at", "3", "--svg", "p.svg"], "p.svg")
    shown = b.js("new XMLSerializer().serializeToString(document.querySelector('#picture svg'))")
    expect(shown.strip() == svg3.decode().split("?>", 1)[-1].strip(), "the picture is not row 3's")
    # Clicking the plot's last point selects the last row.
    b.js("document.querySelector('#plot').scrollIntoView()")
    last = b.js("(() => { const svg = document.querySelector('#plot svg'); const l = svg.querySelector('polyline');"
                " const p = l.getAttribute('points').trim().split(/\\s+/).pop().split(',').map(Number);"
                " const m = svg.getScreenCTM(); return [m.a * p[0] + m.e, m.d * p[1] + m.f]; })()")
    for kind in ("mousePressed", "mouseReleased"):
        b.call("Input.dispatchMouseEvent", type=kind, x=last[0], y=last[1], button="left", clickCount=1)
    expect(b.idle(), "the plot click does not settle")
    expect(b.js("document.querySelector('#results tr[aria-selected]').dataset.row") == "5",
           "the plot's last point does not select row 5")
    b.screenshot(os.path.join(shots, "sweep.png"))

    # An offset design: its .tor downloaded, its sketch drawn.
    offset = {"type": "gregorian", "DM": "24", "FM": "18", "H": "18", "DS": "10", "BETA": "5.6", "unit": "m", "taper": "12"}
    expect(set_inputs(b, offset), "the offset design does not settle")
    args = ["type=gregorian", "DM=24", "FM=18", "DS=10", "H=18", "BETA=5.6", "unit=m", "taper=12"]
    _, _, (rows, tor) = native(args + ["--tor", "d.tor"], "d.tor")
    expect(table(b) == rows.decode(), "the offset design's table is not the CSV")
    expect(downloaded(b, "dl-tor", "design.tor") == tor, "the downloaded .tor differs from refldsgn-solve's")
    expect(b.js("!!document.querySelector('#sketch svg')"), "the offset design has no sketch")
    b.screenshot(os.path.join(shots, "offset.png"))

    # Back and forward: a changed quantity (left with Tab) is a step of the history.
    link = b.js("location.href")
    b.type("#q-BETA", "6")
    b.key("Tab", "Tab", 9)
    expect(b.idle(), "BETA=6 does not settle")
    expect(b.js("location.href") != link, "the address does not follow the inputs")
    b.js("history.back()")
    b.pump(0.3)
    expect(b.idle() and b.js("document.getElementById('q-BETA').value") == "5.6" and table(b) == rows.decode(),
           "Back does not bring the design before back")
    b.js("history.forward()")
    b.pump(0.3)
    expect(b.idle() and b.js("document.getElementById('q-BETA').value") == "6", "Forward does not bring BETA=6 back")
    # A link reopens the same study.
    b.open("about:blank")
    expect(b.open(link), "the link does not open")
    expect(table(b) == rows.decode(), "the link does not give the same study back")
    expect(b.js("document.getElementById('q-BETA').value") == "5.6", "the link's inputs are not restored")

    # Garbage in every field: the command line's message, beside the field, and no console error.
    expect(set_inputs(b, example), "the example does not settle again")
    for name in ["DM", "FM", "DS", "TE", "LM", "H", "BETA", "E", "root", "freq", "taper"]:
        before = b.js("document.getElementById('q-%s').value" % name)
        b.type("#q-" + name, "1..2x")
        b.idle()
        q = [("type", "cassegrain")] + [(k, v) for k, v in example.items() if k not in ("type", "unit")]
        q = [(k, v) for k, v in q if k != name] + [(name, "1..2x")]
        order = ["type", "DM", "FM", "LM", "DS", "LS", "TE", "FDE", "DF", "LP", "H", "HC", "TH0", "BETA", "ALPHA", "E",
                 "LSM", "C2", "DFPR", "DSRPR", "root", "unit", "freq", "taper"]
        q = sorted(q + [("unit", "m")], key=lambda kv: order.index(kv[0]))
        status, err, _ = native([k + "=" + v for k, v in q])
        shown = b.js("document.getElementById('error').textContent")
        expect(status == 2 and shown == err.strip().split("\n")[-1].replace("refldsgn-solve: ", "", 1),
               "%s=1..2x: the page says %r, the command line %r" % (name, shown, err.strip()))
        expect(b.js("document.getElementById('f-%s').textContent" % name) == shown,
               "%s=1..2x: the message is not beside the field" % name)
        b.type("#q-" + name, before)
        b.idle()
    b.type("#q-DM", "abc")
    b.idle()
    b.screenshot(os.path.join(shots, "error.png"))
    b.type("#q-DM", "6")
    b.idle()
    expect(not b.errors, "console errors: %s" % b.errors[:3])

    # A long sweep, cancelled: the page answers again at once.
    b.type("#q-DS", "0.3:0.7:0.0000002")
    b.pump(0.8)
    expect(b.js("!document.getElementById('cancel').hidden"), "no Cancel button while a long sweep runs")
    b.pump(1.5)
    expect(b.js("document.getElementById('progress').value > 0"), "the progress bar does not move")
    expect(b.js("document.body.dataset.state") == "busy", "the page is not busy during a long sweep")
    t0 = time.time()
    b.click("#cancel")
    expect(b.idle(5), "Cancel does not stop the sweep")
    print("cancelled in %.2f s" % (time.time() - t0))
    b.type("#q-DS", "0.35")
    expect(b.idle(30), "the page does not answer after Cancel")
    _, _, (rows,) = native(["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624", "unit=m"])
    expect(table(b) == rows.decode(), "the table after Cancel is not the CSV")

    # Each download link is there exactly when refldsgn-solve takes its option for the same inputs.
    options = {"svg": "--svg", "html": "--html", "rsf-main": "--rsf-main", "rsf-sub": "--rsf-sub",
               "champ-main": "--champ-main", "champ-sub": "--champ-sub", "sfc-main": "--sfc-main",
               "sfc-sub": "--sfc-sub", "tor": "--tor", "profile": "--profile", "dxf": "--dxf", "stl": "--stl"}
    for study in [{"type": "cassegrain", "DM": "6", "FM": "2.52", "DS": "0.35", "TE": "2.04624", "unit": ""},
                  {"type": "gregorian", "DM": "24", "FM": "18", "H": "18", "DS": "10", "BETA": "5.6", "unit": ""},
                  {"type": "gregorian", "DM": "24", "FM": "18", "H": "18", "DS": "10", "BETA": "5.6", "unit": "ft"},
                  {"type": "prime", "DM": "1", "FM": "0.4", "unit": "mm"},
                  {"type": "prime", "DM": "0.6", "FM": "0.35", "H": "0.5", "unit": "cm"},
                  {"type": "cassegrain", "DM": "6", "FM": "2.52", "DS": "0.3:0.4:0.00001", "TE": "2.04624", "unit": "m"}]:
        expect(set_inputs(b, study), "%s does not settle" % study)
        # The page's own order of the inputs.
        page_order = ["type", "DM", "FM", "LM", "DS", "LS", "TE", "FDE", "DF", "LP", "H", "HC", "TH0", "BETA", "unit"]
        args = [k + "=" + study[k] for k in sorted(study, key=page_order.index) if study[k]]
        for fmt, option in options.items():
            d = tempfile.mkdtemp(dir=work)
            status = subprocess.run([solve] + args + [option, os.path.join(d, "f"), "-o", "/dev/null"],
                                    capture_output=True).returncode
            present = b.js("!!document.getElementById('dl-%s')" % fmt)
            expect(present == (status == 0), "%s: dl-%s %s where refldsgn-solve %s exits %d" % (
                " ".join(args), fmt, "present" if present else "absent", option, status))

    # Radiation: the columns in the table and the CSV, the cuts of the selected row drawn.
    expect(set_inputs(b, dict(example, freq="10")), "the example at 10 GHz does not settle")
    b.click("#radiate")
    expect(b.idle(60), "radiation does not settle")
    args = ["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624", "unit=m", "freq=10", "--radiate"]
    _, _, (rows, cuts) = native(args + ["--pattern-svg", "cuts.svg"], "cuts.svg")
    expect(table(b) == rows.decode(), "the radiation columns are not the CSV's")
    expect(downloaded(b, "dl-csv", "study.csv") == rows, "the CSV with radiation differs from refldsgn-solve's")
    expect(b.js("!!document.querySelector('#pattern svg path, #pattern svg polyline')"), "no cuts drawn")
    expect("radiate=1" in b.js("location.hash"), "the address does not keep the radiation")
    b.click("#radiate")
    expect(b.idle(), "radiation off does not settle")

    # A row that fails its checks: marked, and its reasons shown when it is selected (a tap) and on hover.
    expect(set_inputs(b, dict(example, DS="0.35:7.35:7")), "a sweep with a failing row does not settle")
    expect(b.js("document.querySelector('#results tr[data-row=\"2\"]').className") == "failed", "row 2 is not marked failed")
    b.click("#results tr[data-row='2'] td")
    expect(b.idle(), "selecting the failed row does not settle")
    shown = b.js("document.getElementById('reasons').textContent")
    expect(shown.startswith("Row 2 fails: sub-not-smaller:"), "the failed row's reasons are not shown: %r" % shown)
    b.call("Input.dispatchMouseEvent", type="mouseMoved", x=b.box("#results tr[data-row='2'] td")[0],
           y=b.box("#results tr[data-row='2'] td")[1])
    expect(b.wait("document.querySelector('#results tr[data-row=\"2\"] td[title]').title.startsWith('sub-not-smaller:')", 10),
           "hovering the failed row does not explain its check")

    # Keyboard alone: Tab from the type control reaches the first quantity; every control has a label.
    b.js("document.getElementById('type').focus()")
    b.key("Tab", "Tab", 9)
    expect(b.js("document.activeElement.id") == "q-DM", "Tab from the type control goes to %s, not q-DM" %
           b.js("document.activeElement.id"))
    unlabelled = b.js("[...document.querySelectorAll('input, select, button')].filter(e => !(e.labels && e.labels.length)"
                      " && !e.getAttribute('aria-label') && !(e.tagName === 'BUTTON' && e.textContent.trim())).map(e => e.id)")
    expect(not unlabelled, "controls without a label: %s" % unlabelled)
    # A phone-width window: nothing wider than it but the table, which scrolls in its own box.
    b.call("Emulation.setDeviceMetricsOverride", width=390, height=844, deviceScaleFactor=1, mobile=True)
    expect(set_inputs(b, example), "the example does not settle at phone width")
    b.pump(0.3)
    width = b.js("document.documentElement.scrollWidth")
    expect(width <= 390, "at phone width the page is %s px wide" % width)
    b.screenshot(os.path.join(shots, "phone.png"))
    b.call("Emulation.clearDeviceMetricsOverride")

    # The engine stopping (as a module that aborts): the page says so and goes on with a fresh one.
    b.js("refldsgnTrap()")
    b.pump(0.3)
    expect(b.idle(30), "after the engine stopped the page does not settle")
    expect("engine stopped" in b.js("document.getElementById('note').textContent"), "the page does not say the engine stopped")
    expect(table(b) != "", "after the engine stopped the table is empty")
    b.type("#q-DM", "6.5")
    expect(b.idle(30), "after the engine stopped the page does not answer")
    _, _, (rows,) = native(["type=cassegrain", "DM=6.5", "FM=2.52", "DS=0.35", "TE=2.04624", "unit=m"])
    expect(table(b) == rows.decode(), "after the engine stopped the table is not the CSV")
    b.type("#q-DM", "6")
    b.idle()
    b.errors[:] = [e for e in b.errors if "unreachable" not in e]  # the stand-in's own error

    # Nothing fetched from any other origin.
    foreign = [u for u in b.requests if not u.startswith(("file:", "blob:", "data:", "about:"))]
    expect(not foreign, "requests to other origins: %s" % foreign[:3])
finally:
    b.close()

# The network cut off: the page still works.
b = Browser(browser)
try:
    b.call("Network.emulateNetworkConditions", offline=True, latency=0, downloadThroughput=-1, uploadThroughput=-1)
    expect(b.open(PAGE + "#type=gregorian&DM=10&FM=4&LM=1&DF=0.5"), "offline, the page does not become idle")
    _, _, (rows,) = native(["type=gregorian", "DM=10", "FM=4", "LM=1", "DF=0.5"])
    expect(table(b) == rows.decode(), "offline, the table is not the CSV")
    expect(not b.errors, "offline, console errors: %s" % b.errors[:3])
finally:
    b.close()

# From a static server: the same page, the same study.
server = subprocess.Popen([sys.executable, "-u", "-m", "http.server", "--bind", "127.0.0.1", "0", "-d", site],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
b = Browser(browser)
try:
    line = server.stdout.readline()
    port = int(line.split(" port ")[1].split()[0])
    expect(b.open("http://127.0.0.1:%d/index.html#type=prime&DM=1&FM=0.4&unit=m" % port), "served, the page does not become idle")
    _, _, (rows,) = native(["type=prime", "DM=1", "FM=0.4", "unit=m"])
    expect(table(b) == rows.decode(), "served, the table is not the CSV")
    expect(not b.errors, "served, console errors: %s" % b.errors[:3])
finally:
    b.close()
    server.kill()

print("screenshots in " + shots)
finish()
