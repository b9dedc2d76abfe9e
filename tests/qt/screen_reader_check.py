#!/usr/bin/python3
"""Reads every window of the demo over the accessibility bus, as a screen
reader does, and checks what it would say: each list, check box, button,
slider and bar named by its own caption, every label's text, the lamps'
states (a button held down on the panel reads "pressed" on the monitor).

Run by screen_reader_check.sh, inside its own bus and X display, with the
demo showing the encoder utility, the configuration utility, the monitor and
its panel over one emulated board. Prints what a reader hears of a few
controls and one line for each fault; exits 1 on any fault.
"""
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

# The interface getters used here are the ones Debian 12's client offers.
warnings.simplefilter("ignore", DeprecationWarning)

APP = "TQ5271_demo"
ENCODERS = "TQ5271 Rotary Encoders Configuration"
CONFIG = "TQ5271 configuration"
MONITOR = "TQ5271 Input Monitor"
PANEL = "Emulated boards"
AXES = ["X", "Y", "Z", "RX", "RY", "RZ", "Dial", "Slider"]
INPUTS = [f"Input {i} ({axis})" for i, axis in enumerate(AXES, start=1)]
PAIRS = [f"{2 * p - 1}-{2 * p}" for p in range(1, 17)]

faults = []


def fault(window, text):
    faults.append(f"{window}: {text}")


def role(obj):
    return obj.get_role_name()


def walk(obj):
    yield obj
    for i in range(obj.get_child_count()):
        child = obj.get_child_at_index(i)
        if child is not None:
            yield from walk(child)


def labels_of(obj):
    """The objects that label `obj`, in the order its toolkit gives them."""
    found = []
    for relation in obj.get_relation_set() or []:
        if relation.get_relation_type() == Atspi.RelationType.LABELLED_BY:
            found += [relation.get_target(i) for i in range(relation.get_n_targets())]
    return found


def own_label(obj):
    """The caption that names `obj`: the first label of its own (a frame's
    title names everything in the frame, and says nothing of one control)."""
    for label in labels_of(obj):
        if role(label) == "label":
            return label.get_name()
    return None


def text_of(obj):
    if obj.get_text_iface() is None:
        return None
    return Atspi.Text.get_text(obj, 0, Atspi.Text.get_character_count(obj))


def shown(obj):
    """What a list shows, as Qt names a list on Linux: its shown item."""
    return obj.get_name()


def hears(obj):
    """What a screen reader says of a list: its label, its kind, its item."""
    return f"{own_label(obj)}, {role(obj)}, {shown(obj)}"


def find_application(timeout):
    deadline = time.time() + timeout
    while time.time() < deadline:
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_name() == APP:
                return app
        time.sleep(0.2)
    return None


def windows(app):
    found = {}
    for i in range(app.get_child_count()):
        window = app.get_child_at_index(i)
        name = window.get_name() or ""
        for title in (ENCODERS, CONFIG, MONITOR, PANEL):
            if name.startswith(title):
                found[title] = window
    return found


def of_role(window, wanted):
    return [o for o in walk(window) if role(o) == wanted]


def check_lists_named(window, title, expected):
    """Every list named by its own caption; the captions `expected` among them."""
    named = []
    for combo in of_role(window, "combo box"):
        label = own_label(combo)
        if not label:
            frames = [lbl.get_name() for lbl in labels_of(combo)]
            fault(title, f"the list showing {shown(combo)!r} has no caption of its own "
                         f"(labelled by {frames})")
        named.append(label)
    for caption in expected:
        if caption not in named:
            fault(title, f"no list is named {caption!r} (lists are named {named})")
    return named


def check_labels_read(window, title, expected):
    """Each text a label shows is its name and its text; `expected` among them."""
    read = []
    frame_titles = {o.get_name() for o in of_role(window, "panel")}
    for label in of_role(window, "label"):
        name = label.get_name()
        text = text_of(label)
        if text is not None and text.strip() != name:
            fault(title, f"a label named {name!r} has the text {text!r}")
        read.append(name)
    for caption in expected:
        if caption not in read:
            fault(title, f"no label reads {caption!r}")
    # Before a label read its own caption, every label in a frame read the
    # frame's title: nothing else of the window could be heard.
    fillers = [o.get_name() for o in of_role(window, "filler") if o.get_name() in frame_titles]
    if fillers:
        fault(title, f"{len(fillers)} controls read only their frame's title, e.g. {fillers[0]!r}")
    return read


def check_buttons_named(window, title):
    for kind in ("check box", "push button"):
        for button in of_role(window, kind):
            if not (button.get_name() or "").strip():
                fault(title, f"a {kind} has no name")


def check_encoders(window):
    title = "encoder window"
    named = check_lists_named(window, title, PAIRS + ["Serial Number", "Pulse Width"])
    check_labels_read(window, title, PAIRS + ["Manufacturer", "Product", "TQ Controls"])
    lists = of_role(window, "combo box")
    enc1 = [c for c in lists if own_label(c) == "1-2"]
    if enc1:
        said = hears(enc1[0])
        print(f"encoder window, Enc1: {said}")
        if said != "1-2, combo box, OFF":
            fault(title, f"Enc1 reads {said!r}, not '1-2, combo box, OFF'")
    print(f"encoder window: {len(lists)} lists, named {named}")


def check_config(window):
    title = "configuration window"
    named = check_lists_named(window, title, INPUTS)
    check_labels_read(window, title, ["Manufacturer", "Product", "TQ Controls"])
    check_buttons_named(window, title)
    boxes = [b.get_name() for b in of_role(window, "check box")]
    for i, axis in enumerate(AXES, start=1):
        if f"Invert {i} ({axis})" not in boxes:
            fault(title, f"no check box reads 'Invert {i} ({axis})' (they read {boxes})")
    first = [c for c in of_role(window, "combo box") if own_label(c) == INPUTS[0]]
    if first:
        said = hears(first[0])
        print(f"configuration window, ModeCh1: {said}")
        if said != f"{INPUTS[0]}, combo box, Normal":
            fault(title, f"ModeCh1 reads {said!r}, not '{INPUTS[0]}, combo box, Normal'")
    print(f"configuration window: mode lists named {named}")


def lamp(window, name):
    for obj in walk(window):
        if obj.get_name() == name:
            return obj
    return None


def check_monitor(window, panel):
    title = "monitor"
    check_lists_named(window, title, ["Serial Number"])
    check_labels_read(window, title, ["Axis", "Value", "TQ Controls"])
    check_buttons_named(window, title)
    bars = of_role(window, "progress bar")
    if len(bars) != 8:
        fault(title, f"{len(bars)} bars read as bars, not 8")
    for bar in bars:
        label = own_label(bar)
        state = bar.get_description()
        if label not in AXES or bar.get_name() != label or " of " not in state:
            fault(title, f"a bar reads {label!r} / {bar.get_name()!r} / {state!r}")
    if bars:
        print(f"monitor, first bar: {bars[0].get_name()}, {role(bars[0])}, {bars[0].get_description()}")
    for button in (1, 7, 32):
        for prefix in ("Button", "Game button"):
            found = lamp(window, f"{prefix} {button}")
            if found is None:
                fault(title, f"no lamp reads {prefix} {button}")
            elif found.get_description() != "released":
                fault(title, f"{prefix} {button} reads {found.get_description()!r} untouched")
    check = lamp(window, "Check 1-2")
    if check is None or not check.get_description():
        fault(title, "the check of pair 1-2 says nothing")
    else:
        print(f"monitor, Check 1-2: {check.get_name()}, {role(check)}, {check.get_description()}")
    axis_check = lamp(window, "Check X")
    if axis_check is None or not axis_check.get_description():
        fault(title, "the check of axis X says nothing")
    hold_button_on_panel(window, panel, 7)
    check_seen_line(window)
    turn_encoder_on_panel(window, panel, "3-4")


def check_seen_line(window):
    """The line under the buttons is heard by its words, and counts the
    button just held down."""
    seen = [o.get_name() for o in of_role(window, "label") if o.get_name().startswith("Seen: ")]
    if not seen:
        fault("monitor", "no label reads the Seen line")
    elif seen[0].startswith("Seen: 0 of 32 buttons"):
        fault("monitor", f"the Seen line reads {seen[0]!r} after a button was held")
    else:
        print(f"monitor, the Seen line: {seen[0]}")


def hold_button_on_panel(window, panel, button):
    """Holds a button down through the panel, as a user would: the monitor's
    lamp says so, and a listening reader is told of it and of the status
    line's new count, as they change."""
    title = "monitor"
    toggles = [b for b in of_role(panel, "check box") + of_role(panel, "push button")
               if b.get_name() == str(button)]
    found = lamp(window, f"Button {button}")
    if not toggles:
        fault("panel", f"no button {button} to hold down")
    if found is None:
        fault(title, f"no lamp reads Button {button}, to hold down")
    if not toggles or found is None:
        return
    told = []

    def heard(event):
        told.append((event.type, event.source.get_name() if event.source else None))

    listener = Atspi.EventListener.new(heard)
    for kind in ("object:property-change:accessible-description",
                 "object:property-change:accessible-name", "object:text-changed"):
        listener.register(kind)
    names = [Atspi.Action.get_action_name(toggles[0], i)
             for i in range(Atspi.Action.get_n_actions(toggles[0]))]
    Atspi.Action.do_action(toggles[0], names.index("Toggle") if "Toggle" in names else 0)
    context = GLib.MainContext.default()
    deadline = time.time() + 5
    said = found.get_description()
    while time.time() < deadline and (said != "pressed" or not told_of(told, f"Button {button}")):
        while context.pending():
            context.iteration(False)
        time.sleep(0.05)
        said = found.get_description()
    # The status line counts the report the press sent within its second
    # (the line is written once a second), told as soon as it is.
    settle = time.time() + 3
    while time.time() < settle and not status_told(told):
        while context.pending():
            context.iteration(False)
        time.sleep(0.05)
    print(f"monitor, button {button} held on the panel: Button {button}, {said}")
    if said != "pressed":
        fault(title, f"Button {button} reads {said!r} while held down on the panel")
    if not told_of(told, f"Button {button}"):
        fault(title, f"a listening reader was not told Button {button} changed")
    status = status_told(told)
    if not status:
        fault(title, "a listening reader was not told of the status line's new count")
    else:
        print(f"monitor, the status line as told to a listening reader: {status[-1]}")


def turn_encoder_on_panel(window, panel, pair):
    """Turns a pair's encoder one detent through the panel: the monitor's
    check of the pair then says in words what the pulses showed."""
    title = "monitor"
    turns = [b for b in of_role(panel, "push button") if b.get_name() == "+"
             and (b.get_description() or "").startswith(f"Turn the encoder on {pair} ")]
    check = lamp(window, f"Check {pair}")
    if not turns or check is None:
        fault(title, f"no encoder {pair} to turn on the panel, or no check of it")
        return
    before = check.get_description()
    Atspi.Action.do_action(turns[0], 0)
    deadline = time.time() + 5
    said = before
    while said == before and time.time() < deadline:
        time.sleep(0.1)
        said = check.get_description()
    print(f"monitor, encoder {pair} turned on the panel: Check {pair}, {said} (was {before})")
    if said in (before, "on", "off", ""):
        fault(title, f"the check of {pair} reads {said!r} after a turn, not its words")


def status_told(told):
    return [name for kind, name in told if kind.startswith("object:text-changed") and name
            and "input report" in name]


def told_of(told, name):
    return any(source == name and "accessible-description" in kind for kind, source in told)


def check_panel(window):
    title = "panel"
    named = []
    for slider in of_role(window, "slider"):
        label = own_label(slider)
        named.append(label)
        if label not in AXES:
            fault(title, f"a slider is named {label!r} (labelled by "
                         f"{[lbl.get_name() for lbl in labels_of(slider)]}, named {slider.get_name()!r})")
    print(f"panel: sliders named {named}")


def main():
    app = find_application(timeout=20)
    if app is None:
        print(f"FAIL: {APP} never appeared on the accessibility bus")
        return 1
    deadline = time.time() + 10
    found = windows(app)
    while len(found) < 4 and time.time() < deadline:
        time.sleep(0.2)
        found = windows(app)
    for title in (ENCODERS, CONFIG, MONITOR, PANEL):
        if title not in found:
            fault(title, "not on the bus")
    if ENCODERS in found:
        check_encoders(found[ENCODERS])
    if CONFIG in found:
        check_config(found[CONFIG])
    if PANEL in found:
        check_panel(found[PANEL])
    if MONITOR in found and PANEL in found:
        check_monitor(found[MONITOR], found[PANEL])
    for line in faults:
        print(f"FAIL: {line}")
    print(f"{len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
