#!/usr/bin/python3
"""Takes the README's pictures of the two teaching dialogs: runs `spectrel --simulate`, presses
its buttons the way an assistive tool does (AT-SPI) and photographs each dialog with ImageMagick's
`import`. Run inside an X server and a D-Bus session (scripts/screenshot does that):
    tests/gui/with_virtual_display.sh /usr/bin/python3 scripts/screenshot-dialogs.py \
        build/normal/spectrel docs
"""
import os
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "gui"))
from accessibility_smoke import descendants, find, start_panel, text_of, wait_for  # noqa: E402

ROLE = Atspi.Role


def press(application, role, name):
    control = wait_for(name, lambda: find(application, role, name))
    wait_for(name + " enabled",
             lambda: control.get_state_set().contains(Atspi.StateType.ENABLED))
    Atspi.Action.do_action(control, 0)
    return control


def photograph(title, path):
    time.sleep(1.0)  # the dialog has drawn itself
    window = subprocess.run(["xdotool", "search", "--name", "^%s$" % title], check=True,
                            capture_output=True, text=True).stdout.split()[0]
    # With its frame, as the window manager draws it.
    subprocess.run(["import", "-frame", "-window", window, path], check=True)
    print("Wrote " + path)


def take(program, folder):
    with tempfile.TemporaryDirectory() as work:
        panel, app, status = start_panel(program, work)
        try:
            press(app, ROLE.PUSH_BUTTON, "Multi-Sample Teach Channel")
            for sample in (1, 2, 3):
                press(app, ROLE.PUSH_BUTTON, "Teach sample %d" % sample)
                wait_for("the next row", lambda: find(app, ROLE.PUSH_BUTTON,
                                                      "Teach sample %d" % (sample + 1))
                         .get_state_set().contains(Atspi.StateType.ENABLED))
            photograph("Multi-Sample Teach ", os.path.join(folder, "multi-sample-teach.png"))
            press(app, ROLE.PUSH_BUTTON, "OK")
            wait_for("on line after the teach", lambda: text_of(status).endswith(" on line"))

            # Manual Entry types a colour with its luminosity, so the channel goes to that mode:
            # of the two radios of that name, the channel's lies left of the display mode's.
            radios = [node for node in descendants(app) if node.get_role() == ROLE.RADIO_BUTTON
                      and node.get_name() == "Color & Luminosity"]
            mode = min(radios, key=lambda node: Atspi.Component.get_extents(
                node, Atspi.CoordType.SCREEN).x)
            Atspi.Action.do_action(mode, 0)
            press(app, ROLE.PUSH_BUTTON, "Manual")
            photograph("Manual Entry", os.path.join(folder, "manual-entry.png"))
            press(app, ROLE.PUSH_BUTTON, "Cancel")
        finally:
            panel.terminate()
            panel.wait(timeout=15)


if __name__ == "__main__":
    take(sys.argv[1], sys.argv[2])
