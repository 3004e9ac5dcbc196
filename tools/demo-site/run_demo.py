#!/usr/bin/env python3
"""Runs navtrap's demo: every road of a click, a settings change and the explainer, against
the reference manager in a demo Wine prefix. Prints a line of progress per step and a closing
table; exits 0 only if every step went as expected. Called by tools/demo."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = sys.argv[1]
BUILD = os.path.join(ROOT, "build", "win32")
DEMO = os.path.join(ROOT, "build", "demo")
PREFIX = os.path.join(DEMO, "prefix")
ENV = dict(os.environ, WINEPREFIX=PREFIX, WINEARCH="win32", WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
DRIVE_FOLDER = os.path.join(PREFIX, "drive_c", "navtrap-demo")
WIN_FOLDER = "C:\\navtrap-demo"
SETTINGS = "HKCU\\Software\\Ostrel\\Ostrel\\General"
PATTERNS = ".zip;.exe;.r[0-9][0-9];.7z;.pdf"
JOURNAL = os.path.join(DRIVE_FOLDER, "journal.txt")
REQUESTS = os.path.join(DEMO, "requests.log")

MONITOR_PLUGIN, MONITOR_BROWSER, MONITOR_WITH_ALT = 0x004, 0x008, 0x020
MONITOR_BY_HELPER_OBJECT, MONITOR_QUERY_URLS, MONITOR_OFF = 0x100, 0x200, 0x800
BASE_FLAGS = MONITOR_PLUGIN | MONITOR_BROWSER | MONITOR_BY_HELPER_OBJECT | MONITOR_QUERY_URLS

rows = []      # (step, what, expected browser, browser did, server saw, manager received, ok)
failures = []


def progress(text):
    print("== demo: " + text, flush=True)


def wine(*args, cwd=None, timeout=120):
    # Output goes through files, not pipes: the manager that navtrap starts inherits them and
    # lives on, and a pipe reader would wait for it.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        run = subprocess.run(["wine", *args], env=ENV, cwd=cwd, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                             timeout=timeout)
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(run.args, run.returncode, out.read().decode("latin-1"),
                                           err.read().decode("latin-1"))


def set_flags(flags):
    wine("reg", "add", SETTINGS, "/v", "Monitor Flags", "/t", "REG_DWORD", "/d", str(flags), "/f")


def read_journal():
    entries = []
    if not os.path.exists(JOURNAL):
        return entries
    with open(JOURNAL, "rb") as f:
        for line in f.read().decode("latin-1").splitlines():
            fields = {}
            for pair in line.split("\t"):
                key, _, value = pair.partition("=")
                fields[key] = value.encode("latin-1").decode("unicode_escape")
            entries.append(fields)
    return entries


def read_requests():
    if not os.path.exists(REQUESTS):
        return []
    with open(REQUESTS) as f:
        return [line.strip() for line in f]


def describe_message(entry):
    kinds = {("1135", "119"): "catch", ("1135", "17"): "catch (file)", ("1135", "85"): "add urls",
             ("1135", "34"): "add urls (file)", ("1044", "1"): "is-url-exist", ("1044", "2"): "add-url-ex",
             ("1044", "3"): "add-url-list-ex"}
    kind = kinds.get((entry.get("msg"), entry.get("wparam")), "?")
    if entry.get("malformed") != "0":
        return kind + " MALFORMED"
    if kind.startswith("catch"):
        referer = entry.get("referer", "")
        return kind + (" referer=" + short(referer) if referer else " no referer")
    if "count" in entry and kind != "is-url-exist":
        return "%s of %s" % (kind, entry["count"])
    return kind


def short(url):
    return url.replace(BASE_URL, "") or "/"


def messages_since(start):
    return [e for e in read_journal()[start:] if e.get("event") == "message"]


def urls_of(entry):
    return [v for k, v in entry.items() if k == "url" or (k.startswith("url") and k[3:].isdigit())]


def record(step, what, expected, did, server, received, ok):
    rows.append((step, what, expected, did, server, received, ok))
    if not ok:
        failures.append("%s: %s" % (step, what))


def browser_road(step, road, flags, expectations):
    """Navigates each URL; expectations: path -> (cancelled?, referer expected or None)."""
    set_flags(flags)
    journal_start = len(read_journal())
    requests_start = len(read_requests())
    urls = [BASE_URL + path for path, _ in expectations]
    host = wine(os.path.join(BUILD, "tools", "demo-host", "navtrap-demo-host.exe"), road, *urls, timeout=180)
    results = {}
    for line in host.stdout.splitlines():
        if line.startswith("RESULT "):
            fields = dict(part.split("=", 1) for part in line[7:].split(" ", 2)[:2])
            results[fields["url"]] = line.split("browser=", 1)[1]
    new_requests = read_requests()[requests_start:]
    messages = messages_since(journal_start)
    for path, (caught, referer) in expectations:
        url = BASE_URL + path
        did = results.get(url, "no result (" + host.stderr.strip()[:60] + ")")
        reached = path in new_requests
        got = [m for m in messages if url in urls_of(m)]
        if road == "browser":
            ok = (did == "cancelled") == caught and reached != caught
        else:
            ok = did.startswith("ended with no data") == caught
        if caught:
            ok = ok and len(got) == 1 and got[0].get("referer", "") == (referer or "")
        else:
            ok = ok and not got
        server = "request" if reached else "no request"
        received = "; ".join(describe_message(m) for m in got) or "nothing"
        record(step, short(url), "catch" if caught else "leave alone", did.split(" hr=")[0], server, received, ok)


def script_road(step, script, expected):
    journal_start = len(read_journal())
    run = wine("cscript", "//nologo", script, BASE_URL, cwd=os.path.join(ROOT, "tools", "demo-scripts"))
    answers = {}
    for line in run.stdout.splitlines():
        if line.startswith("RESULT "):
            call = line.split("call=", 1)[1].split(" answer=")[0]
            answers[call] = line.split(" answer=", 1)[1]
    messages = messages_since(journal_start)
    if "SCRIPT-DONE" not in run.stdout:
        failures.append("%s: %s did not finish: %s" % (step, script, run.stdout[-200:] + run.stderr[-200:]))
    for index, (call, answer) in enumerate(expected):
        got = answers.get(call, "(no answer)")
        received = describe_message(messages[index]) if index < len(messages) else "nothing"
        if call.startswith("Initialize") and answer in ("false", "False"):
            received = "nothing (not caught)"
            messages.insert(index, {})
        record(step, call, answer, got, "-", received, got == answer)


def main():
    global BASE_URL
    os.makedirs(DEMO, exist_ok=True)
    progress("making the demo Wine prefix (build/demo/prefix; the first time takes a while)")
    subprocess.run([os.path.join(ROOT, "tests", "windows", "wine-prefix"), "up", PREFIX], check=True)
    server = None
    try:
        progress("installing navtrap.dll and the reference manager in C:\\navtrap-demo")
        shutil.rmtree(DRIVE_FOLDER, ignore_errors=True)
        os.makedirs(os.path.join(DRIVE_FOLDER, "manager"))
        shutil.copy(os.path.join(BUILD, "navtrap.dll"), DRIVE_FOLDER)
        shutil.copy(os.path.join(BUILD, "tools", "reference-manager", "reference_manager.exe"),
                    os.path.join(DRIVE_FOLDER, "manager"))

        progress("serving the demo site on 127.0.0.1")
        port_file = os.path.join(DEMO, "port")
        for stale in (port_file, REQUESTS):
            if os.path.exists(stale):
                os.remove(stale)
        server = subprocess.Popen([sys.executable, os.path.join(ROOT, "tools", "demo-site", "serve.py"), port_file, REQUESTS],
                                  stdin=subprocess.DEVNULL)
        for _ in range(100):
            if os.path.exists(port_file) and open(port_file).read():
                break
            time.sleep(0.1)
        BASE_URL = "http://127.0.0.1:" + open(port_file).read()
        with open(os.path.join(DRIVE_FOLDER, "manager", "reference_manager.args"), "w") as f:
            f.write('--journal "%s\\journal.txt" --known %s/files/archive.zip' % (WIN_FOLDER, BASE_URL))

        progress("registering navtrap.dll with regsvr32")
        reg = wine("regsvr32", "/s", WIN_FOLDER + "\\navtrap.dll")
        record("register", "regsvr32 navtrap.dll", "exit 0", "exit %d" % reg.returncode, "-", "-", reg.returncode == 0)

        progress("writing the manager's settings (flags, patterns %s, AppPath; manager not running)" % PATTERNS)
        wine("reg", "delete", "HKCU\\Software\\Ostrel", "/f")
        wine("reg", "add", SETTINGS, "/v", "MonitorType", "/d", PATTERNS, "/f")
        wine("reg", "add", SETTINGS, "/v", "AppPath", "/d", WIN_FOLDER + "\\manager\\reference_manager.exe", "/f")

        progress("browser road: WebBrowser control with IeCatch5 navigates the site's links")
        browser_road("1 browser", "browser", BASE_FLAGS, [
            ("/", (False, None)),
            ("/files/archive.zip", (True, BASE_URL + "/")),
            ("/files/setup.exe", (True, BASE_URL + "/")),
            ("/docs/page.html", (False, None)),
            ("/get?file=report.pdf", (True, BASE_URL + "/docs/page.html")),
        ])
        starts = [e for e in read_journal() if e.get("event") == "start"]
        started_ok = len(starts) == 1 and starts[0].get("cwd", "").lower() == (WIN_FOLDER + "\\manager").lower()
        record("1 browser", "manager started from AppPath", "once, in its folder",
               "%d start(s), cwd %s" % (len(starts), starts[0].get("cwd") if starts else "-"), "-", "-", started_ok)

        progress("protocol road: MONITOR_BY_HELPER_OBJECT cleared, urlmon fetches through IeCatch")
        browser_road("2 protocol", "protocol", BASE_FLAGS & ~MONITOR_BY_HELPER_OBJECT, [
            ("/files/archive.zip", (True, None)),
            ("/docs/page.html", (False, None)),
        ])

        progress("script road: a JScript page script and a VBScript plug-in use Ostrel.Netscape")
        set_flags(BASE_FLAGS)
        script_road("3 jscript", "page_script.js", [
            ("Initialize(archive.zip)", "true"), ("Initialize(page.html)", "false"), ("AddUrl(setup.exe)", "S_OK"),
            ("IsUrlExist(archive.zip)", "true"), ("IsUrlExist(nothing.zip)", "false")])
        script_road("3 vbscript", "plugin.vbs", [
            ("AddUrlList(2)", "S_OK"), ("AddUrlListEx(2)", "2"), ("AddUrlEx(setup.exe)", "True")])

        progress("settings change: Alt now required (no key held), then monitoring off")
        browser_road("4 alt required", "browser", BASE_FLAGS | MONITOR_WITH_ALT, [("/files/archive.zip", (False, None))])
        browser_road("4 monitoring off", "browser", BASE_FLAGS | MONITOR_OFF, [("/files/archive.zip", (False, None))])

        progress("navtrap-why explains a caught and an uncaught link from the same settings")
        set_flags(BASE_FLAGS)
        why = os.path.join(BUILD, "tools", "navtrap-why", "navtrap-why.exe")
        for path, expected in (("/files/archive.zip", 0), ("/docs/page.html", 1)):
            run = wine(why, BASE_URL + path)
            print("\n".join("   | " + line for line in run.stdout.splitlines()))
            decision = next((l for l in run.stdout.splitlines() if l.startswith("decision")), "decision ?")
            record("5 why", short(BASE_URL + path), "catch" if expected == 0 else "not caught",
                   decision.split(None, 1)[1][:60], "-", "-", run.returncode == expected)

        progress("unregistering navtrap.dll")
        unreg = wine("regsvr32", "/s", "/u", WIN_FOLDER + "\\navtrap.dll")
        gone = wine("reg", "query", "HKCR\\Ostrel.Netscape").returncode != 0
        record("6 unregister", "regsvr32 /u navtrap.dll", "exit 0, ProgIDs gone",
               "exit %d, %s" % (unreg.returncode, "gone" if gone else "still there"), "-", "-", unreg.returncode == 0 and gone)
        malformed = [e for e in read_journal() if e.get("event") == "message" and e.get("malformed") != "0"]
        if malformed:
            failures.append("the manager saw %d malformed record(s)" % len(malformed))
    finally:
        progress("stopping the manager, Wine and the site")
        subprocess.run([os.path.join(ROOT, "tests", "windows", "wine-prefix"), "down", PREFIX])
        if server is not None:
            server.terminate()
            server.wait()

    headers = ("step", "what", "expected", "browser / script", "server", "manager received", "")
    table = [headers] + [r[:6] + ("ok" if r[6] else "FAIL",) for r in rows]
    widths = [max(len(str(row[i])) for row in table) for i in range(len(headers))]
    line = "+-" + "-+-".join("-" * w for w in widths) + "-+"
    print("\n" + line)
    for index, row in enumerate(table):
        print("| " + " | ".join(str(cell).ljust(w) for cell, w in zip(row, widths)) + " |")
        if index == 0:
            print(line)
    print(line)
    for failure in failures:
        print("FAILED: " + failure)
    print("demo: %d steps, %d as expected, %d not" % (len(rows), len(rows) - len(failures), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
