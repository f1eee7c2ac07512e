#!/usr/bin/env python3
"""The main window as a screen reader meets it over AT-SPI: every control is found by a name that
says what it is, and text set through the accessibility interface is handled as typed text.

usage: accessibility_test.py IJKEN_BINARY
Run it on a session bus of its own; it starts a virtual display of its own (Xvfb on a display
number the server picks itself, so that parallel runs cannot collide):
    dbus-run-session -- /usr/bin/python3 accessibility_test.py build/ijken
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi

STARTUP_SECONDS = 60

READINGS = [f"{side} {state} {point}" for side in ("bakboord", "stuurboord") for state in ("leeg", "vol")
            for point in (1, 3, 5)]  # Dummy 1 uses gauge points 1, 3 and 5
EXPECTED = (
    [("text", name) for name in READINGS]
    + [("push button", f"{name} {way}") for name in READINGS for way in ("hoger", "lager")]
    + [("slider", "leeg"), ("slider", "vol")]
    + [("text", name) for name in ("Naam", "Plaats", "Telefoon", "Lading", "Correctie")]
    + [("push button", name) for name in ("Vorige", "Volgende", "Verwijderen", "Toevoegen",
                                          "Wijzigingen opslaan")]
    + [("radio button", name) for name in ("Nederlands", "Frans", "Duits")]
    + [("label", f"{row}, {column}") for row in ("Totaal", "Gemiddeld", "Inzinking", "Tonnage")
       for column in ("leeg", "vol")]
    + [("label", "geladen, vol"), ("label", "Zout correctie, vol")]
    + [("menu item", name) for name in ("Schepen", "Afdrukken", "Einde", "NL", "FR", "(c)")]
)


def wait_for(what, find, seconds):
    deadline = time.monotonic() + seconds
    while True:
        found = find()
        if found:
            return found
        if time.monotonic() > deadline:
            raise SystemExit(f"accessibility test: {what} not found within {seconds} s")
        time.sleep(0.25)


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            pass
    return None


def walk(node, out):
    out.append(node)
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            walk(child, out)
    return out


def nodes_of(app):
    return [(n.getRoleName(), n.name, n) for n in walk(app, [])]


def start_display():
    """Xvfb on a free display; returns the server and the display name once it accepts clients."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                               "-nolisten", "tcp"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            raise SystemExit("accessibility test: Xvfb did not start")
        number += chunk
    os.close(read_end)
    return server, ":" + number.decode().strip()


def main():
    binary = sys.argv[1]
    server, display = start_display()
    try:
        run(binary, display)
    finally:
        server.terminate()
        server.wait(timeout=30)


def run(binary, display):
    workdir = tempfile.mkdtemp(prefix="ijken-a11y-")
    program = os.path.join(workdir, "ijken")
    shutil.copy(binary, program)  # the program's directory gets the database
    env = dict(os.environ, DISPLAY=display, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               ASAN_OPTIONS="detect_leaks=0")
    env.pop("WAYLAND_DISPLAY", None)
    env.pop("QT_QPA_PLATFORM", None)  # the real display, which has the accessibility bridge
    process = subprocess.Popen([program], env=env)
    try:
        app = wait_for("the program", lambda: application(process.pid), STARTUP_SECONDS)
        wait_for("the main window's controls", lambda: len(nodes_of(app)) > 100, STARTUP_SECONDS)
        nodes = nodes_of(app)
        present = {(role, name) for role, name, _ in nodes}
        missing = [item for item in EXPECTED if item not in present]
        if missing:
            raise SystemExit(f"accessibility test: not found by name: {missing}")
        nameless = [role for role, name, n in nodes
                    if role in ("text", "push button", "slider") and not name
                    and n.getState().contains(pyatspi.STATE_SHOWING)]
        if nameless:
            raise SystemExit(f"accessibility test: {len(nameless)} controls without a name: {nameless}")

        # Text set the way assistive tools set it runs the change handling: the totals follow.
        field = next(n for role, name, n in nodes if role == "text" and name == "bakboord leeg 3")
        total = next(n for role, name, n in nodes if name == "Totaal, leeg")
        before = total.description
        field.queryEditableText().setTextContents("210")
        wait_for("the recomputed total", lambda: total.description == "1210.0", 10)
        print(f"accessibility test: {len(EXPECTED)} controls found by name; total {before} -> 1210.0")
    finally:
        process.terminate()
        process.wait(timeout=30)
        shutil.rmtree(workdir, ignore_errors=True)


if __name__ == "__main__":
    main()
