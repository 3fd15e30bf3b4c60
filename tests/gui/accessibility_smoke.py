#!/usr/bin/python3
"""The control panel as a screen reader sees it on the accessibility bus (AT-SPI).

Starts `spectrel --simulate`, finds the window's controls by role and name, waits until the
communication status reads "on line", reads the live red reading, checks that the input fields
are labelled by their captions, then edits channel 1 ("Recognition Enabled") and presses "Read
All Spectrel Channels" the way an assistive tool does: the panel must read the sensor's channels
back and undo the edit. Last it opens "Multi-Sample Teach Channel", finds the dialog's Teach
buttons by their names and cancels it. Run inside an X server and a D-Bus session:
    tests/gui/with_virtual_display.sh /usr/bin/python3 accessibility_smoke.py path/to/spectrel
"""
import os
import re
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

TIMEOUT_S = 20


def wait_for(what, probe, timeout=TIMEOUT_S):
    deadline = time.monotonic() + timeout
    while True:
        try:
            result = probe()
        except GLib.GError:
            # An object that went away while the tree was walked (the window still building
            # itself): look again.
            result = None
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.1)


def descendants(node):
    for index in range(node.get_child_count()):
        child = node.get_child_at_index(index)
        if child is not None:
            yield child
            yield from descendants(child)


def find(root, role, name):
    for node in descendants(root):
        if node.get_role() == role and node.get_name() == name:
            return node
    return None


def text_of(node):
    return Atspi.Text.get_text(node, 0, Atspi.Text.get_character_count(node))


def has_state(node, state):
    return node.get_state_set().contains(state)


def labels_of(node):
    names = []
    for relation in node.get_relation_set():
        if relation.get_relation_type() == Atspi.RelationType.LABELLED_BY:
            names += [relation.get_target(i).get_name() for i in range(relation.get_n_targets())]
    return names


def panel_application(pid):
    desktop = Atspi.get_desktop(0)
    for index in range(desktop.get_child_count()):
        application = desktop.get_child_at_index(index)
        if application is not None and application.get_process_id() == pid:
            return application
    return None


def start_panel(program, work):
    """Starts `program --simulate` with its preferences and runtime folder in work; returns the
    process, its application on the bus and its status field once that reads "on line"."""
    runtime = os.path.join(work, "runtime")
    os.mkdir(runtime, 0o700)
    environment = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "config"),
                       XDG_RUNTIME_DIR=runtime, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                       QT_QPA_PLATFORM="xcb")
    # The accessibility bus and its registry run before the panel starts, as they do on a
    # desktop where a screen reader is already running.
    Atspi.get_desktop(0).get_child_count()
    panel = subprocess.Popen([program, "--simulate"], env=environment)
    try:
        application = wait_for("the panel on the bus", lambda: panel_application(panel.pid))
        status = wait_for("the status field",
                          lambda: find(application, Atspi.Role.TEXT, "Communication status"))
        wait_for("on line", lambda: text_of(status).endswith(" on line"))
    except BaseException:
        panel.terminate()
        panel.wait(timeout=15)
        raise
    return panel, application, status


def check(program):
    with tempfile.TemporaryDirectory() as work:
        panel, application, status = start_panel(program, work)
        try:

            red = find(application, Atspi.Role.TEXT, "Red reading")
            assert red is not None, "no red reading field"
            wait_for("a red reading", lambda: re.fullmatch(r" *\d+\.\d", text_of(red)))
            assert "Red reading" in red.get_description()

            for caption in ("Port", "Averaging", "Channel", "Illumination (%)"):
                assert any(caption in labels_of(node) for node in descendants(application)), \
                    caption + " labels no control"
            read_all = find(application, Atspi.Role.PUSH_BUTTON, "Read All Spectrel Channels")
            assert read_all is not None, "no Read All button"
            assert not has_state(read_all, Atspi.StateType.ENABLED), \
                "Read All offered while the panel equals the sensor"

            enabled = find(application, Atspi.Role.CHECK_BOX, "Recognition Enabled")
            assert enabled is not None, "no Recognition Enabled check box"
            was_checked = has_state(enabled, Atspi.StateType.CHECKED)
            Atspi.Action.do_action(enabled, 0)
            wait_for("Read All offered after an edit",
                     lambda: has_state(read_all, Atspi.StateType.ENABLED))
            Atspi.Action.do_action(read_all, 0)
            wait_for("the channels read back",
                     lambda: has_state(enabled, Atspi.StateType.CHECKED) == was_checked
                     and not has_state(read_all, Atspi.StateType.ENABLED))
            wait_for("on line after reading", lambda: text_of(status).endswith(" on line"))

            # The Multi-Sample Teach dialog: its ten Teach buttons named by row, Cancel back.
            Atspi.Action.do_action(
                find(application, Atspi.Role.PUSH_BUTTON, "Multi-Sample Teach Channel"), 0)
            wait_for("the dialog's first Teach button",
                     lambda: find(application, Atspi.Role.PUSH_BUTTON, "Teach sample 1"))
            for row in range(2, 11):
                assert find(application, Atspi.Role.PUSH_BUTTON, "Teach sample %d" % row), row
            Atspi.Action.do_action(find(application, Atspi.Role.PUSH_BUTTON, "Cancel"), 0)
            wait_for("on line after the dialog", lambda: text_of(status).endswith(" on line"))
            print("accessibility smoke test passed: status %r, red %r"
                  % (text_of(status), text_of(red)))
        finally:
            panel.terminate()
            assert panel.wait(timeout=15) == 0, "the panel did not shut down cleanly"


if __name__ == "__main__":
    check(sys.argv[1])
