#!/usr/bin/python3
"""The program as a screen reader finds it, on X11 and on Wayland.

Runs the demo under a private session bus, with the accessibility bus that
the desktop starts for readers, once in an Xvfb and once in a headless
weston. It dumps the main window's accessible tree (role, name, value,
description of every object), then opens each dialog the way a reader
does, by the Press action of the control that opens it, dumps that dialog
and closes it again with its own Cancel or Close. Every dialog must be a
dialog (or an alert, for a message box) with a name, and the names must be
the same on both platforms: --check makes that the exit status.

Usage: scripts/reader-walk.py [--build build] [--platform x11|wayland|both]
                              [--out FILE] [--check]
Needs Xvfb, weston, dbus-daemon, at-spi2-core and python3-pyatspi; exits
with 77 when one is missing.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
WINDOW_ROLES = ("dialog", "alert", "frame", "window", "file chooser")


def find_program(name):
    return shutil.which(name) or (os.path.exists(name) and name)


class Session:
    """A private session bus, a display and the demo running on them."""

    def __init__(self, build, platform, work):
        self.build = build
        self.platform = platform
        self.work = work
        self.procs = []
        self.env = {}

    def start_display(self):
        rt = os.path.join(self.work, "rt-" + self.platform)
        os.makedirs(rt, mode=0o700, exist_ok=True)
        self.env["XDG_RUNTIME_DIR"] = rt
        if self.platform == "x11":
            number = 90
            while os.path.exists(f"/tmp/.X{number}-lock") or os.path.exists(f"/tmp/.X11-unix/X{number}"):
                number += 1
            self.spawn(["Xvfb", f":{number}", "-nolisten", "tcp", "-screen", "0", "1280x1024x24"], "xvfb.log")
            for _ in range(100):
                if os.path.exists(f"/tmp/.X11-unix/X{number}"):
                    break
                time.sleep(0.1)
            self.env.update(DISPLAY=f":{number}", QT_QPA_PLATFORM="xcb")
        else:
            self.spawn(["weston", "--backend=headless-backend.so", "--socket=vandrel-reader", "--idle-time=0",
                        "--width=1280", "--height=1024"], "weston.log", {"XDG_RUNTIME_DIR": rt})
            for _ in range(100):
                if os.path.exists(os.path.join(rt, "vandrel-reader")):
                    break
                time.sleep(0.1)
            self.env.update(WAYLAND_DISPLAY="vandrel-reader", QT_QPA_PLATFORM="wayland")

    def spawn(self, argv, log, extra=None):
        env = dict(os.environ)
        env.update(extra or {})
        with open(os.path.join(self.work, log), "ab") as out:
            p = subprocess.Popen(argv, stdout=out, stderr=subprocess.STDOUT, env=env, start_new_session=True)
        self.procs.append(p)
        return p

    def start_program(self):
        demo = os.path.join(self.work, "demo-" + self.platform)
        os.makedirs(demo)
        for name in ("Vandrel", "VER.bin", "png"):
            src = os.path.join(self.build, "demo", name)
            (shutil.copytree if os.path.isdir(src) else shutil.copy2)(src, os.path.join(demo, name))
        home = os.path.join(self.work, "home-" + self.platform)
        os.makedirs(home)
        env = {
            "HOME": home, "XDG_CONFIG_HOME": home + "/.config", "XDG_DATA_HOME": home + "/.local/share",
            "XDG_CACHE_HOME": home + "/.cache", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "LANG": "en_US.UTF-8", "LANGUAGE": "en", "QT_SCALE_FACTOR": "1",
        }
        env.update(self.env)
        if self.platform == "wayland":
            env["DISPLAY"] = ""
        self.program = self.spawn([os.path.join(demo, "Vandrel")], "program-" + self.platform + ".log", env)

    def stop(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.send_signal(signal.SIGTERM)
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        self.procs = []


# ---- the accessible tree ---------------------------------------------------

def atspi():
    import pyatspi  # after the bus address is set: it connects on import
    return pyatspi


def role(acc):
    try:
        return acc.getRoleName()
    except Exception:
        return "?"


def value_of(acc):
    try:
        v = acc.queryValue()
        return "%g" % v.currentValue
    except Exception:
        pass
    if role(acc) in ("combo box", "text", "entry", "label", "heading", "static"):
        try:
            t = acc.queryText()
            return t.getText(0, min(t.characterCount, 200))
        except Exception:
            pass
    return ""


def children(acc):
    try:
        return [acc.getChildAtIndex(i) for i in range(acc.childCount)]
    except Exception:
        return []


def showing(acc):
    pyatspi = atspi()
    try:
        return acc.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def dump(acc, depth=0, out=None, limit=400):
    """Lines of `acc`'s subtree: role, name, value, description."""
    out = [] if out is None else out
    if len(out) >= limit or acc is None:
        return out
    line = "  " * depth + role(acc) + ' "' + (acc.name or "") + '"'
    v = value_of(acc)
    if v and v != acc.name:
        line += ' value="' + v.replace("\n", " / ") + '"'
    if acc.description:
        line += ' description="' + acc.description.replace("\n", " / ") + '"'
    out.append(line)
    for c in children(acc):
        if c is not None and showing(c):
            dump(c, depth + 1, out, limit)
    return out


def walk(acc):
    yield acc
    for c in children(acc):
        if c is not None and showing(c):
            yield from walk(c)


def find_app(timeout=40):
    pyatspi = atspi()
    end = time.time() + timeout
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in children(desktop):
            if app is not None and app.name and app.name.lower().startswith("vandrel"):
                frames = [w for w in children(app) if w is not None and showing(w)]
                if frames and len(list(walk(frames[0]))) > 20:
                    return app
        time.sleep(0.3)
    return None


def dialogs(app):
    """Every shown window-like object of the program, with its path of roles."""
    out = []
    for w in children(app):
        if w is None or not showing(w):
            continue
        stack = [(w, [])]
        while stack:
            acc, path = stack.pop()
            r = role(acc)
            if r in WINDOW_ROLES:
                out.append((acc, path))
            for c in children(acc):
                if c is not None and showing(c):
                    stack.append((c, path + [(r, acc.name or "")]))
    return out


def act(acc, wanted):
    """Runs the first of `wanted` actions that `acc` has; False if none."""
    try:
        action = acc.queryAction()
    except Exception:
        return False
    names = [action.getName(i).lower() for i in range(action.nActions)]
    for w in wanted:
        if w in names:
            try:
                action.doAction(names.index(w))
            except Exception:
                # A press that opens a modal dialog may answer only once the
                # dialog has closed: the toolkit's menus do so.
                pass
            return True
    return False


def press(root, names, roles=("push button", "toggle button", "page tab", "check box", "menu item")):
    """Presses the first object under `root` named one of `names`."""
    for acc in walk(root):
        if (acc.name or "") in names and role(acc) in roles and act(acc, ("press", "click", "toggle")):
            return True
    return False


# Menus are no children of the program's object: a reader meets them by
# the event that tells it one shows.
_menus = []


def listen_for_menus():
    pyatspi = atspi()

    def shown(event):
        if event.detail1 and role(event.source) in ("popup menu", "menu"):
            _menus.append(event.source)
    pyatspi.Registry.registerEventListener(shown, "object:state-changed:showing")


def pump(seconds):
    from gi.repository import GLib
    context = GLib.MainContext.default()
    end = time.time() + seconds
    while True:
        while context.pending():
            context.iteration(False)
        if time.time() >= end:
            return
        time.sleep(0.05)


def choose_from_menu(root, target, items, timeout=10):
    """Opens the context menu of `target` (an object under `root` named so,
    or `root` itself when None) and presses the entry named one of `items`."""
    holder = root
    if target is not None:
        holder = next((a for a in walk(root) if a != root and (a.name or "") == target and role(a) == "list"), None)
    pump(0)
    del _menus[:]
    if holder is None or not act(holder, ("showmenu", "show menu")):
        return False
    end = time.time() + timeout
    while time.time() < end:
        pump(0.2)
        for menu in list(_menus):
            for acc in children(menu):
                if role(acc) == "menu item" and (acc.name or "").replace("&", "") in items:
                    return act(acc, ("press", "click", "toggle"))
    print("reader-walk: menus seen: " + "; ".join(", ".join(c.name or "" for c in children(m)) for m in _menus),
          file=sys.stderr)
    return False


def wait_new_dialog(app, before, timeout=10):
    end = time.time() + timeout
    while time.time() < end:
        now = dialogs(app)
        fresh = [(a, p) for a, p in now if not any(a == b for b, _ in before)]
        if fresh:
            time.sleep(0.4)  # let it finish laying out
            return fresh[-1]
        time.sleep(0.2)
    return None


def wait_closed(app, dialog, timeout=10):
    end = time.time() + timeout
    while time.time() < end:
        if not any(a == dialog for a, _ in dialogs(app)):
            return True
        time.sleep(0.2)
    return False


# What opens each dialog: (label, how, where it is opened, what closes it).
# How: a button's name, or (object, menu item) for an item of the object's
# context menu (None: the window's own menu). "main" is the main window; the
# other places are dialogs by label. A step without a label's "how" only
# presses buttons: a list of names, one after the other.
STEPS = [
    ("key map", "A", "main", "Close"),
    ("macro manager", "Macro Manager", "main", None),
    ("", ["New"], "macro manager", None),
    ("insert text", ("Key events", "Insert text…"), "macro manager", "Cancel"),
    ("message box over the macro manager", "Delete", "macro manager", "Cancel"),
    ("", ["Cancel"], "macro manager", None),
    ("profiles", "Profile", "main", None),
    ("rules", ("Profiles", "Switching rules…"), "profiles", "Close"),
    ("", ["Close"], "profiles", None),
    ("history", (None, "Configuration history…"), "main", "Close"),
    ("factory reset question", "Reset", "main", "Cancel"),
]


def run_walk(app, report):
    """Opens each dialog in turn; returns {label: (role, name, path)}."""
    frames = [w for w in children(app) if w is not None and showing(w)]
    main = frames[0]
    report.append("== main window")
    report.extend(dump(main))
    opened = {"main": main}
    found = {}
    for label, how, where, closer in STEPS:
        host = opened.get(where)
        if host is None:
            report.append(f"== {label or how}: not reached ({where} is not open)")
            continue
        before = dialogs(app)
        if not label:
            for name in how:
                if not press(host, [name]):
                    report.append(f"== no button {name} in {where}")
                time.sleep(0.5)
            if not any(a == host for a, _ in dialogs(app)):
                opened.pop(where)
            continue
        done = choose_from_menu(host, how[0], [how[1]]) if isinstance(how, tuple) else press(host, [how])
        if not done:
            report.append(f"== {label}: {how} not found in {where}")
            continue
        fresh = wait_new_dialog(app, before)
        if fresh is None:
            report.append(f"== {label}: nothing opened")
            continue
        acc, path = fresh
        found[label] = (role(acc), acc.name or "", "/".join(r + (":" + n if n else "") for r, n in path))
        report.append(f"== {label}: {role(acc)} \"{acc.name}\" inside {found[label][2] or 'the program'}")
        report.extend(dump(acc))
        if closer:
            if not press(acc, [closer]) or not wait_closed(app, acc):
                report.append(f"== {label}: did not close")
        else:
            opened[label] = acc
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--platform", default="both", choices=("x11", "wayland", "both"))
    parser.add_argument("--out")
    parser.add_argument("--check", action="store_true")
    args = parser.parse_args()
    platforms = ["x11", "wayland"] if args.platform == "both" else [args.platform]

    needed = ["dbus-daemon"] + (["Xvfb"] if "x11" in platforms else []) + (["weston"] if "wayland" in platforms else [])
    missing = [t for t in needed if not shutil.which(t)]
    try:
        import gi  # noqa: F401
        gi.require_version("Atspi", "2.0")
    except (ImportError, ValueError):
        missing.append("python3-pyatspi")
    if missing:
        print("reader-walk: missing " + ", ".join(missing), file=sys.stderr)
        return SKIP

    build = os.path.abspath(args.build)
    work = tempfile.mkdtemp(prefix="vandrel-reader-")
    os.chmod(work, 0o700)
    bus = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                         capture_output=True, text=True, check=True).stdout.split("\n")
    bus_pid = int(bus[1])
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = bus[0]
    os.environ.pop("AT_SPI_BUS_ADDRESS", None)
    os.environ["NO_AT_BRIDGE"] = "1"  # this script itself is no application
    report, results, failures = [], {}, []
    try:
        for platform in platforms:
            session = Session(build, platform, work)
            try:
                session.start_display()
                session.start_program()
                app = find_app()
                if app is None:
                    failures.append(f"{platform}: the program never showed on the accessibility bus")
                    continue
                listen_for_menus()
                report.append(f"######## {platform}")
                results[platform] = run_walk(app, report)
            finally:
                session.stop()
    finally:
        os.kill(bus_pid, signal.SIGTERM)
        shutil.rmtree(work, ignore_errors=True)

    text = "\n".join(report) + "\n"
    if args.out:
        with open(args.out, "w") as f:
            f.write(text)
    else:
        sys.stdout.write(text)

    labels = [s[0] for s in STEPS if s[0]]
    for platform, found in results.items():
        for label in labels:
            if label not in found:
                failures.append(f"{platform}: the {label} dialog was not reached")
                continue
            r, name, _ = found[label]
            if r not in ("dialog", "alert"):
                failures.append(f"{platform}: the {label} dialog is a {r}")
            if not name:
                failures.append(f"{platform}: the {label} dialog has no name")
    # Where the compositor places windows itself, a dialog is drawn inside
    # the main window, over the one that opened it.
    for label, (r, name, path) in results.get("wayland", {}).items():
        if not path.startswith("frame"):
            failures.append(f"wayland: the {label} dialog is a window of its own")
    if len(results) == 2:
        for label in labels:
            a, b = results["x11"].get(label), results["wayland"].get(label)
            if a and b and a[:2] != b[:2]:
                failures.append(f"the {label} dialog is {a[0]} \"{a[1]}\" on X11 but {b[0]} \"{b[1]}\" on Wayland")
    for f in failures:
        print("reader-walk: " + f, file=sys.stderr)
    return 1 if (failures and args.check) else 0


if __name__ == "__main__":
    sys.exit(main())
