#!/usr/bin/env python3
"""The viewer page in a real browser: headless Chromium opens pages written by quorvel-view.

For several steps N, the page opened at #step=N shows the status line that quorvel prints as
its step line N, byte for byte (step 0, the seeded population, is checked against the live
tiles of quorvel's SVG): step 0, 1, a checkpoint and the steps either side of it, the period's
start, the last recorded step, and steps past it, which the page steps on its own (compared
with quorvel run that far). This for a busy run and a settled one; screenshots show live-coloured pixels when tiles are alive and none
when none is. As an explorer: opened with other settings in its address (rule, face weight,
seed, density), on both patches, its status and period lines equal quorvel-view's run of those
settings; settings typed into its form take effect and go into the address; a tile clicked is
live at once and the next step follows the rule; a page with three characters changed in its
data, or a few cut out, says on the page that its data is damaged; its SVG of a step is the
program's picture of that step byte for byte, and PNG and WebM come out. The page makes no network request (read from Chromium's net log, with a
control page that does make one, so the check is seen to work).

With --measure it prints the page's own timings (performance.now) for a large run instead.
"""
import argparse
import html
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

LIVE_FILL = (0x96, 0xFF, 0x5F)
# A rule that stays chaotic, at depth 4 to keep the test short; --measure takes the full one.
BUSY = ["--depth", "4", "--birth", "2", "--survive-min", "2", "--survive-max", "3",
        "--steps", "1500"]
PAST = 7  # steps past the recorded run that the page is asked for
SCREEN = (640, 480)
# Where only tiles are drawn: below the controls, above the plot, left of the legend (which,
# like the period text, shows the live colour itself).
TILES_ONLY = (0, 130, 420, 370)  # left, top, right, bottom
BROWSER_FLAGS = ["--headless", "--disable-gpu", "--no-sandbox", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--hide-scrollbars"]
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL: " + message)


def run(args):
    result = subprocess.run(args, capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (args[0], result.returncode, result.stderr))
    return result.stdout


class Browser:
    def __init__(self, path, scratch):
        self.path = path
        self.scratch = scratch
        self.profiles = 0

    def run(self, url, *extra, budget_ms=5000):
        # A fresh profile every time, so nothing carries over between pages.
        self.profiles += 1
        profile = os.path.join(self.scratch, "profile-%d" % self.profiles)
        args = [self.path] + BROWSER_FLAGS + ["--user-data-dir=" + profile,
                                              "--virtual-time-budget=%d" % budget_ms]
        result = subprocess.run(args + list(extra) + [url], capture_output=True, text=True,
                                timeout=120)
        shutil.rmtree(profile, ignore_errors=True)
        if result.returncode != 0:
            raise RuntimeError("chromium failed (%d): %s" % (result.returncode, result.stderr))
        return result.stdout

    def dom(self, url, *extra):
        return self.run(url, "--dump-dom", *extra)

    def screenshot(self, url, png):
        self.run(url, "--window-size=%d,%d" % SCREEN, "--screenshot=" + png)
        return png_pixels(png)


def element_text(dom, element_id):
    match = re.search(r'id="%s"[^>]*>([^<]*)<' % element_id, dom)
    return match.group(1) if match else None


def png_pixels(path):
    """The RGB triples of an 8-bit RGB or RGBA PNG, row by row."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6), "unexpected PNG format"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    channels = 3 if colour == 2 else 4
    stride = width * channels
    raw = zlib.decompress(idat)
    previous = bytearray(stride)
    pixels = []
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for x in range(stride):
            left = line[x - channels] if x >= channels else 0
            up = previous[x]
            corner = previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[x] = (line[x] + (left if pa <= pb and pa <= pc else up if pb <= pc
                                      else corner)) & 255
        pixels.extend(tuple(line[x:x + 3]) for x in range(0, stride, channels))
        previous = line
    return pixels


def page_requests(net_log):
    """URLs that the page itself asked for: requests whose initiator is an origin (the
    browser's own background requests have none), other than the page's own file."""
    with open(net_log) as f:
        log = json.load(f)
    names = {number: name for name, number in log["constants"]["logEventTypes"].items()}
    urls = []
    for event in log["events"]:
        params = event.get("params", {})
        if names.get(event["type"]) == "URL_REQUEST_START_JOB":
            if params.get("initiator", "not an origin") != "not an origin" \
                    and not params["url"].startswith("file:"):
                urls.append(params["url"])
    return urls


def quorvel_step_lines(quorvel, options):
    lines = run([quorvel] + options).splitlines()
    return {int(re.match(r"step=(\d+) ", line).group(1)): line
            for line in lines if line.startswith("step=")}


def seeded_line(quorvel, options, scratch):
    # quorvel prints no line for step 0; its SVG of the seeded tiling shows the live tiles.
    svg = os.path.join(scratch, "seeded.svg")
    run([quorvel] + options + ["--steps", "0", "--svg", svg])
    with open(svg) as f:
        alive = f.read().count('fill="#96ff5f"')
    return "step=0 alive=%d max_age=%d" % (alive, 1 if alive else 0)


def write_page(view, quorvel, options, page):
    out = run([view] + options + ["--html", page])
    plain = run([quorvel] + options)
    check(out.startswith(plain), "quorvel-view's report begins with quorvel's")
    tail = out[len(plain):].splitlines()
    check(len(tail) == 2 and tail[1] == "html=" + page, "period and html lines: %r" % tail)
    return tail[0]


def page_run_data(page):
    """The steps and checkpoint steps of a page's run data."""
    with open(page) as f:
        text = f.read()
    steps = int(re.search(r'"steps":(\d+)', text).group(1))
    checkpoints = [int(n) for n in re.findall(r'\[(\d+),"', text)]
    return steps, checkpoints


def steps_to_check(steps, checkpoints, period_line):
    wanted = {0, 1, steps // 2, steps - 1, steps, steps + 1, steps + PAST}
    later = [c for c in checkpoints if c > 0]
    if later:
        wanted |= {later[0] - 1, later[0], later[0] + 1, later[-1] + 1}
    if len(checkpoints) > 1:
        wanted.add((checkpoints[0] + checkpoints[1]) // 2)
    match = re.match(r"period=(\d+) from_step=(\d+)", period_line)
    if match:
        wanted.add(int(match.group(2)))
    return sorted(n for n in wanted if n >= 0)


def check_status_lines(browser, tools, options, scratch, name, min_checkpoints=1):
    quorvel, view = tools
    page = os.path.join(scratch, name + ".html")
    period_line = write_page(view, quorvel, options, page)
    steps, checkpoints = page_run_data(page)
    check(len(checkpoints) >= min_checkpoints,
          "%s: %d checkpoints, at least %d expected" % (name, len(checkpoints), min_checkpoints))
    # quorvel run past the recorded steps gives the lines the page must reach on its own.
    expected = quorvel_step_lines(quorvel, options + ["--steps", str(steps + PAST)])
    expected[0] = seeded_line(quorvel, options, scratch)
    for n in steps_to_check(steps, checkpoints, period_line):
        dom = browser.dom("file://%s#step=%d" % (page, n))
        check(element_text(dom, "status") == expected[n],
              "%s step %d: page shows %r, quorvel %r" % (name, n, element_text(dom, "status"),
                                                         expected[n]))
        past = element_text(dom, "past")
        check((past or "").startswith("past the recorded run") == (n > steps),
              "%s step %d: past-the-run note %r" % (name, n, past))
        check(element_text(dom, "period") == period_line,
              "%s: page period %r, program %r" % (name, element_text(dom, "period"),
                                                  period_line))
    return page, expected


def check_spectre_status_lines(browser, view, scratch, depth=3, steps=60, only=None):
    """A page of the Spectre patch shows at #step=N the step line N of its own program, within
    the recorded run and past it (the program run that far)."""
    page = os.path.join(scratch, "spectre.html")
    options = ["--tiling", "spectre", "--depth", str(depth)]
    lines = run([view] + options + ["--steps", str(steps), "--html", page]).splitlines()
    check(lines[1].endswith(" tiling=spectre"), "spectre summary: %r" % lines[1])
    steps, checkpoints = page_run_data(page)
    further = run([view] + options + ["--steps", str(steps + PAST), "--html", ""]).splitlines()
    expected = {int(re.match(r"step=(\d+) ", line).group(1)): line
                for line in further if line.startswith("step=")}
    period_line = next(line for line in lines if line.startswith("period="))
    wanted = steps_to_check(steps, checkpoints, period_line)
    for n in (wanted if only is None else [wanted[k] for k in only if k < len(wanted)]):
        if n == 0:
            continue
        shown = element_text(browser.dom("file://%s#step=%d" % (page, n)), "status")
        check(shown == expected[n], "spectre depth %d step %d: page shows %r, program %r"
              % (depth, n, shown, expected[n]))


# Appended to a copy of a page opened at #step=10: drives the controls as a user would and
# records the status line after each action.
DRIVE_CONTROLS = """<script>
"use strict";
{
  const seen = [], status = () => document.getElementById("status").textContent;
  const key = k => window.dispatchEvent(new KeyboardEvent("keydown", {key: k, cancelable: true}));
  key("ArrowRight"); seen.push(status());
  key("ArrowLeft"); key("ArrowLeft"); seen.push(status());
  const slider = document.getElementById("slider");
  slider.value = "51"; slider.dispatchEvent(new Event("input")); seen.push(status());
  const plot = document.getElementById("plot"), box = plot.getBoundingClientRect();
  const steps = JSON.parse(document.getElementById("run").textContent).steps;
  const x = 4 + (plot.width - 8) * 100 / steps;
  plot.dispatchEvent(new MouseEvent("click", {
      clientX: box.left + x * plot.clientWidth / plot.width, clientY: box.top + 5}));
  seen.push(status());
  const play = document.getElementById("play");
  key(" "); seen.push(play.textContent); key(" "); seen.push(play.textContent);
  // Space belongs to a focused control (here it would toggle the checkbox), not to playing.
  document.getElementById("ageColours").focus(); key(" "); seen.push(play.textContent);
  document.getElementById("ageColours").blur();
  seen.push(location.hash);
  document.getElementById("timings").textContent = JSON.stringify(seen);
}
</script>
"""


def check_controls(browser, page, lines, scratch):
    with open(page) as f:
        text = f.read()
    driven = os.path.join(scratch, "driven.html")
    with open(driven, "w") as f:
        f.write(text.replace("</body>", DRIVE_CONTROLS + "</body>", 1))
    dom = browser.dom("file://%s#step=10" % driven)
    seen = json.loads(element_text(dom, "timings").replace("&quot;", '"'))
    expected = [lines[11], lines[9], lines[51], lines[100], "pause", "play", "play", "#step=100"]
    check(seen == expected, "controls: %r, expected %r" % (seen, expected))


def page_with_script(page, script, name, scratch):
    with open(page) as f:
        text = f.read()
    driven = os.path.join(scratch, name + ".html")
    with open(driven, "w") as f:
        f.write(text.replace("</body>", script + "</body>", 1))
    return driven


def view_lines(view, options):
    lines = run([view] + options + ["--html", ""]).splitlines()
    expected = {int(re.match(r"step=(\d+) ", line).group(1)): line
                for line in lines if line.startswith("step=")}
    return expected, next(line for line in lines if line.startswith("period="))


EXPLORED = [
    # address, quorvel-view's options for it, steps the page is asked for
    ("rule=B2/S2-4&weight=2&seed=5&density=0.3", ["--birth", "2", "--survive-min", "2",
                                                 "--survive-max", "4", "--face-weight", "2",
                                                 "--seed", "5", "--density", "0.3"], 40),
    ("rule=B3/S2-3&seed=11", ["--seed", "11"], 70),
    ("density=0.6&weight=3", ["--density", "0.6", "--face-weight", "3"], 25),
]


def check_explorer(browser, tools, scratch):
    """A page opened with other settings in its address steps them as quorvel-view does: its
    status line and period line equal the program's run of those settings, on both patches;
    the fields show the settings and the address keeps them."""
    quorvel, view = tools
    for patch in (["--depth", "3"], ["--tiling", "spectre", "--depth", "3"]):
        page = os.path.join(scratch, "explored.html")
        run([view] + patch + ["--steps", "30", "--html", page])
        for address, options, steps in EXPLORED:
            expected, period = view_lines(view, patch + options + ["--steps", str(steps)])
            dom = browser.dom("file://%s#%s&step=%d" % (page, address, steps))
            what = "%s #%s" % (" ".join(patch), address)
            check(element_text(dom, "status") == expected[steps],
                  "%s: page shows %r, quorvel-view %r" % (what, element_text(dom, "status"),
                                                          expected[steps]))
            check(element_text(dom, "period") == period,
                  "%s: page period %r, quorvel-view %r" % (what, element_text(dom, "period"),
                                                           period))
            check("settings differ" in (element_text(dom, "edited") or ""),
                  "%s: marked as not the recorded run" % what)


# Appended to a copy of a page: changes the settings in the form, steps, then draws a tile
# at the middle of the canvas and steps again; records what the page shows after each.
DRIVE_EXPLORER = """<script>
"use strict";
{
  const seen = [], $ = id => document.getElementById(id);
  const key = k => window.dispatchEvent(new KeyboardEvent("keydown", {key: k, cancelable: true}));
  $("rule").value = "B1/S0"; $("seed").value = "3"; $("density").value = "0";
  $("explorer").requestSubmit();
  seen.push($("status").textContent, location.hash);
  const view = $("view"), box = view.getBoundingClientRect();
  const at = {clientX: box.left + box.width / 2, clientY: box.top + box.height / 2, button: 0,
              pointerId: 1, bubbles: true};
  view.dispatchEvent(new PointerEvent("pointerdown", at));
  view.dispatchEvent(new PointerEvent("pointerup", at));
  seen.push($("status").textContent, $("edited").textContent);
  key("ArrowRight"); seen.push($("status").textContent);
  $("timings").textContent = JSON.stringify(seen);
}
</script>
"""


def check_drawing(browser, view, scratch):
    page = os.path.join(scratch, "drawn.html")
    run([view, "--depth", "3", "--steps", "30", "--html", page])
    driven = page_with_script(page, DRIVE_EXPLORER, "drawn-driven", scratch)
    dom = browser.dom("file://%s#step=0" % driven)
    seen = json.loads(html.unescape(element_text(dom, "timings")))
    check(seen[:2] == ["step=0 alive=0 max_age=0", "#rule=B1/S0&seed=3&density=0&step=0"],
          "settings from the form: %r" % seen[:2])
    check(seen[2] == "step=0 alive=1 max_age=1" and seen[3].startswith("edited: tiles drawn"),
          "a drawn tile is live at once: %r" % seen[2:4])
    # B1/S0: the lone tile survives (sum 0) and every tile that counts it is born (sum 1).
    match = re.match(r"step=1 alive=(\d+) max_age=2$", seen[4])
    check(match is not None and int(match.group(1)) > 1, "the step after drawing: %r" % seen[4])


# Appended to a copy of a page: saves the frame as SVG and PNG and records a short video,
# catching what would be downloaded; the SVG's text goes into #timings.
DRIVE_EXPORTS = """<script>
"use strict";
{
  const got = {}, $ = id => document.getElementById(id);
  const finish = () => { if (got.svg && got.png && got.webm) $("timings").textContent = JSON.stringify(got); };
  URL.createObjectURL = blob => {
    const kind = blob.type.split("/")[1].split("+")[0];
    if (kind === "svg") blob.text().then(text => { got.svg = text; finish(); });
    else { got[kind] = blob.size; finish(); }
    return "blob:caught";
  };
  HTMLAnchorElement.prototype.click = function () {};
  $("saveSvg").click();
  $("savePng").click();
  $("record").click();
  setTimeout(() => $("record").click(), 600);
}
</script>
"""


def check_exports(browser, view, scratch):
    """The page's SVG of a step is the program's picture of that step, byte for byte; PNG and
    WebM come out non-empty."""
    page = os.path.join(scratch, "exported.html")
    svg = os.path.join(scratch, "exported.svg")
    run([view, "--depth", "3", "--steps", "9", "--birth", "2", "--svg", svg, "--html", page])
    driven = page_with_script(page, DRIVE_EXPORTS, "exports-driven", scratch)
    text = element_text(browser.dom("file://%s#step=9" % driven), "timings")
    try:
        got = json.loads(html.unescape(text or ""))
    except ValueError:
        check(False, "exports: nothing caught (%r)" % (text or "")[:200])
        return
    with open(svg) as f:
        check(got.get("svg") == f.read(), "the page's SVG differs from the program's")
    check(got.get("png", 0) > 100 and got.get("webm", 0) > 0,
          "PNG and WebM sizes: %r, %r" % (got.get("png"), got.get("webm")))


def check_damaged(browser, page, scratch):
    """Three characters changed in a checkpoint, or the data cut short: the page says that its
    data is damaged, on the page itself."""
    with open(page) as f:
        text = f.read()
    at = text.index('"checkpoints":[[0,"') + len('"checkpoints":[[0,"') + 10
    flipped = "".join("B" if c == "A" else "A" for c in text[at:at + 3])
    for name, damaged in (("changed", text[:at] + flipped + text[at + 3:]),
                          ("cut", text[:at] + text[at + 30:])):
        path = os.path.join(scratch, "damaged-%s.html" % name)
        with open(path, "w") as f:
            f.write(damaged)
        message = element_text(browser.dom("file://%s#step=3" % path), "damage")
        check(message == "This page's data is damaged (Checksum mismatch in page data): it "
                         "cannot show the run.", "%s page: %r" % (name, message))


def live_pixels(pixels):
    left, top, right, bottom = TILES_ONLY
    return sum(1 for y in range(top, bottom) for x in range(left, right)
               if pixels[y * SCREEN[0] + x] == LIVE_FILL)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--quorvel", required=True)
    parser.add_argument("--view", required=True)
    parser.add_argument("--chromium", required=True)
    parser.add_argument("--measure", metavar="OPTIONS",
                        help='time the page of one run, e.g. --measure="--depth 5 --steps 10000"')
    args = parser.parse_args()
    scratch = tempfile.mkdtemp(prefix="quorvel-browser-")
    try:
        browser = Browser(args.chromium, scratch)
        if args.measure is not None:
            return measure(browser, args, scratch)
        tools = (args.quorvel, args.view)
        page, lines = check_status_lines(browser, tools, ["--steps", "130"], scratch, "default")
        check_status_lines(browser, tools, BUSY, scratch, "busy", min_checkpoints=5)
        check_status_lines(browser, tools, ["--root", "Gamma", "--depth", "2", "--steps", "60",
                                            "--birth", "2", "--seed", "5"], scratch, "gamma")
        check_spectre_status_lines(browser, args.view, scratch)
        # The larger pages of the genuine patch, at a few steps each: within the run, the
        # last recorded step and past it.
        check_spectre_status_lines(browser, args.view, scratch, depth=5, steps=120,
                                   only=[1, 3, -1])
        check_spectre_status_lines(browser, args.view, scratch, depth=6, steps=60,
                                   only=[1, -2, -1])

        check_controls(browser, page, lines, scratch)
        check_explorer(browser, tools, scratch)
        check_drawing(browser, args.view, scratch)
        check_damaged(browser, page, scratch)
        check_exports(browser, args.view, scratch)

        seeded = browser.screenshot("file://%s#step=0" % page, os.path.join(scratch, "a.png"))
        check(live_pixels(seeded) > 100, "seeded tiles show in the live colour")
        last = 130
        check(" alive=0 " not in lines[last], "the default run still has live tiles")
        later = browser.screenshot("file://%s#step=%d&plain" % (page, last),
                                   os.path.join(scratch, "b.png"))
        check(live_pixels(later) > 20, "live tiles at step %d show in the live colour" % last)
        # Live tiles are drawn on top unless the address asks for tiling order, where later
        # overlapping tiles hide some of them.
        under = browser.screenshot("file://%s#step=%d&plain&under" % (page, last),
                                   os.path.join(scratch, "d.png"))
        check(live_pixels(under) < live_pixels(later),
              "tiling order hides live tiles: %d live pixels, %d on top"
              % (live_pixels(under), live_pixels(later)))
        empty = os.path.join(scratch, "empty.html")
        run([args.view, "--density", "0", "--steps", "3", "--html", empty])
        none = browser.screenshot("file://%s#step=0&plain" % empty, os.path.join(scratch, "c.png"))
        check(live_pixels(none) == 0, "no live colour when no tile is alive")

        net_log = os.path.join(scratch, "page.netlog")
        browser.dom("file://%s#step=7" % page, "--log-net-log=" + net_log)
        requests = page_requests(net_log)
        check(requests == [], "the page made requests: %r" % requests)
        # Control: the same page without its policy, asking for an image over http.
        with open(page) as f:
            text = f.read()
        text = re.sub(r'<meta http-equiv="Content-Security-Policy"[^>]*>', "", text, count=1)
        text = text.replace("<body>", '<body><img src="http://127.0.0.1:9/probe.png">', 1)
        control = os.path.join(scratch, "control.html")
        with open(control, "w") as f:
            f.write(text)
        browser.dom("file://%s" % control, "--log-net-log=" + net_log)
        check(any("127.0.0.1:9/probe.png" in url for url in page_requests(net_log)),
              "the net log check sees a request the page makes")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    print("all browser checks passed")
    return 0


def measure(browser, args, scratch):
    page = os.path.join(scratch, "measure.html")
    started = time.perf_counter()
    run([args.view] + args.measure.split() + ["--html", page])
    print("run and page: %.2f s, page %.2f MB" % (time.perf_counter() - started,
                                                   os.path.getsize(page) / 1e6))
    for url in ("file://%s#step=0" % page, "file://%s#step=0&bench" % page):
        started = time.perf_counter()
        dom = browser.dom(url)
        print("%s: chromium %.2f s, page %s" % (url[-12:], time.perf_counter() - started,
                                                 element_text(dom, "timings")))
    return 0


if __name__ == "__main__":
    sys.exit(main())
