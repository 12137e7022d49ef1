"""A small client of the Chrome DevTools protocol: starts headless Chromium,
opens one page and drives it (evaluate, type, click, screenshot), keeping
the console's errors and the page's exceptions."""
import base64
import json
import os
import shutil
import subprocess
import tempfile
import time
import urllib.request

import websocket


def find_browser():
    return shutil.which("chromium") or shutil.which("chromium-browser")


class Browser:
    def __init__(self, browser, downloads=None):
        self.profile = tempfile.mkdtemp(prefix="refldsgn-cdp-")
        flags = ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--hide-scrollbars", "--allow-file-access-from-files",
                 "--remote-debugging-port=0", "--user-data-dir=" + self.profile, "--window-size=1280,900", "about:blank"]
        self.proc = subprocess.Popen([browser] + flags, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        for _ in range(300):
            if os.path.exists(port_file) and open(port_file).read().count("\n") >= 1:
                break
            time.sleep(0.1)
        port = int(open(port_file).read().split("\n")[0])
        targets = json.load(urllib.request.urlopen("http://127.0.0.1:%d/json" % port))
        page = next(t for t in targets if t["type"] == "page")
        self.ws = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=120)
        self.next_id = 0
        self.errors = []     # console errors and exceptions of the page
        self.requests = []   # every URL the page asked for
        self.events = []
        self.downloads = []  # the download events
        for domain in ("Page", "Runtime", "Network", "Log"):
            self.call(domain + ".enable")
        if downloads:
            self.call("Browser.setDownloadBehavior", behavior="allow", downloadPath=downloads, eventsEnabled=True)

    def _event(self, msg):
        method, p = msg.get("method"), msg.get("params", {})
        if method == "Runtime.exceptionThrown":
            self.errors.append("exception: " + json.dumps(p.get("exceptionDetails", {}))[:500])
        elif method == "Runtime.consoleAPICalled" and p.get("type") in ("error", "assert"):
            self.errors.append("console: " + json.dumps(p.get("args", []))[:500])
        elif method == "Log.entryAdded" and p.get("entry", {}).get("level") == "error":
            self.errors.append("log: " + p["entry"].get("text", "")[:500])
        elif method == "Network.requestWillBeSent":
            self.requests.append(p["request"]["url"])
        self.events.append(method)
        if method and method.startswith("Browser.download"):
            self.downloads.append(p)

    def call(self, method, **params):
        self.next_id += 1
        mine = self.next_id
        self.ws.send(json.dumps({"id": mine, "method": method, "params": params}))
        while True:
            msg = json.loads(self.ws.recv())
            if msg.get("id") == mine:
                if "error" in msg:
                    raise RuntimeError(method + ": " + json.dumps(msg["error"]))
                return msg.get("result", {})
            self._event(msg)

    def js(self, expression):
        r = self.call("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in r:
            raise RuntimeError("evaluating %s: %s" % (expression[:80], json.dumps(r["exceptionDetails"])[:300]))
        return r["result"].get("value")

    def pump(self, seconds):
        """Reads the page's events for a while."""
        end = time.time() + seconds
        self.ws.settimeout(0.05)
        try:
            while time.time() < end:
                try:
                    self._event(json.loads(self.ws.recv()))
                except websocket.WebSocketTimeoutException:
                    pass
        finally:
            self.ws.settimeout(120)

    def wait(self, expression, timeout=30):
        end = time.time() + timeout
        while time.time() < end:
            if self.js(expression):
                return True
            self.pump(0.02)
        return False

    def idle(self, timeout=30):
        self.pump(0.05)
        return self.wait("document.body.dataset.state === 'idle'", timeout)

    def open(self, url):
        self.call("Page.navigate", url=url)
        self.pump(0.2)
        return url == "about:blank" or self.idle(60)

    def box(self, selector):
        return self.js("(() => { const r = document.querySelector(%s).getBoundingClientRect();"
                       " return [r.left + r.width / 2, r.top + r.height / 2]; })()" % json.dumps(selector))

    def click(self, selector):
        self.js("document.querySelector(%s).scrollIntoView({block: 'center'})" % json.dumps(selector))
        x, y = self.box(selector)
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left", clickCount=1)

    def type(self, selector, text):
        """Replaces a field's text as a person would: focus, select all, type."""
        self.js("(() => { const e = document.querySelector(%s); e.focus(); e.select(); })()" % json.dumps(selector))
        if text:
            self.call("Input.insertText", text=text)
        else:
            self.call("Input.dispatchKeyEvent", type="keyDown", key="Delete", code="Delete", windowsVirtualKeyCode=46)
            self.call("Input.dispatchKeyEvent", type="keyUp", key="Delete", code="Delete", windowsVirtualKeyCode=46)

    def key(self, key, code, vk):
        self.call("Input.dispatchKeyEvent", type="keyDown", key=key, code=code, windowsVirtualKeyCode=vk)
        self.call("Input.dispatchKeyEvent", type="keyUp", key=key, code=code, windowsVirtualKeyCode=vk)

    def screenshot(self, path):
        data = self.call("Page.captureScreenshot", format="png", captureBeyondViewport=True)["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    def close(self):
        try:
            self.call("Browser.close")
        except Exception:
            pass
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
        shutil.rmtree(self.profile, ignore_errors=True)
