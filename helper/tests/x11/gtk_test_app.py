"""A GTK 3 window for the X11 desktop tests. Usage: gtk_test_app.py LAYOUT, where LAYOUT is
"form" (static text, an entry with a caret, a password entry, a text view and a long clipped
list), "contract" (the element-interface contract's standard window), "labels:N" (N labels) or
"keys" (an entry that reports every key and its text; see `keys` for its stdin commands).

Prints "key=value" facts and then "ready" once the window is active with the focus in place.
SIGUSR1 closes the window; SIGUSR2 presents it, or opens it anew (and says "ready" again)."""

import json
import signal
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Atk", "1.0")
from gi.repository import Atk, Gdk, Gio, GLib, Gtk  # noqa: E402

from gtk_test_texts import ENTRY_CARET, ENTRY_TEXT, GREETING, NOTES, PASSWORD  # noqa: E402



def form(window):
    box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=6, margin=10)
    window.add(box)
    greeting = Gtk.Label(label=GREETING, xalign=0)
    box.pack_start(greeting, False, False, 0)
    entry = Gtk.Entry(text=ENTRY_TEXT)
    box.pack_start(entry, False, False, 0)
    password = Gtk.Entry(text=PASSWORD, visibility=False)
    box.pack_start(password, False, False, 0)
    notes = Gtk.TextView()
    notes.get_buffer().set_text(NOTES)
    notes.set_size_request(-1, 60)
    box.pack_start(notes, False, False, 0)
    scrolled = Gtk.ScrolledWindow()
    scrolled.set_size_request(-1, 150)
    rows = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
    for i in range(1, 101):
        rows.pack_start(Gtk.Label(label=f"List row number {i}", xalign=0), False, False, 0)
    scrolled.add(rows)
    box.pack_start(scrolled, True, True, 0)

    def place_caret():
        entry.grab_focus()
        entry.set_position(ENTRY_CARET)
        return False

    window.landmarks = {"greeting": greeting}
    return entry, place_caret


def contract(window):
    fixed = Gtk.Fixed()
    window.add(fixed)
    heading = Gtk.Label(label="Greeting")
    heading.get_accessible().set_role(Atk.Role.HEADING)
    fixed.put(heading, 10, 10)
    field = Gtk.TextView()
    field.get_buffer().set_text("Hello world\nsecond line")
    field.set_size_request(300, 60)
    fixed.put(field, 10, 40)
    fixed.put(Gtk.Button(label="OK"), 10, 120)

    def place_caret():
        field.grab_focus()
        buffer = field.get_buffer()
        buffer.place_cursor(buffer.get_iter_at_offset(5))
        return False

    return field, place_caret


def labels(window, count):
    scrolled = Gtk.ScrolledWindow()
    window.add(scrolled)
    box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
    entry = Gtk.Entry(text="Benchmark field")
    box.pack_start(entry, False, False, 0)
    for i in range(count):
        box.pack_start(Gtk.Label(label=f"Label {i} of the benchmark", xalign=0), False, False, 0)
    scrolled.add(box)

    def place_caret():
        entry.grab_focus()
        return False

    return entry, place_caret


def keys(window):
    """Prints "key press|release KEYVAL HARDWARE_KEYCODE" for each key the window receives and
    "text JSON" whenever the entry changes. Reads commands from stdin, one a line: 'own ["TEXT",
    "HTML"]' takes the clipboard with UTF8_STRING and text/html values, "dump" prints
    "clip TARGET HEX" for both targets ("-" when the owner gives none), "select TEXT" puts text in
    the entry and selects it all, "put TEXT" puts it there with the caret at its end."""
    box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=6, margin=10)
    window.add(box)
    entry = Gtk.Entry(text="")
    box.pack_start(entry, False, False, 0)
    clipboard_atom = Gdk.Atom.intern("CLIPBOARD", False)
    targets = [Gdk.Atom.intern("UTF8_STRING", False), Gdk.Atom.intern("text/html", False)]
    owned = {}
    holder = Gtk.Invisible()  # owns the clipboard's targets on the app's behalf

    def on_key(_, event):
        kind = "press" if event.type == Gdk.EventType.KEY_PRESS else "release"
        print(f"key {kind} {Gdk.keyval_name(event.keyval)} {event.hardware_keycode}", flush=True)
        return False

    def on_get(_, selection, info, _time):
        selection.set(targets[info], 8, owned[info])

    for info, target in enumerate(targets):
        Gtk.selection_add_target(holder, clipboard_atom, target, info)
    holder.connect("selection-get", on_get)
    window.connect("key-press-event", on_key)
    window.connect("key-release-event", on_key)
    entry.connect("changed", lambda e: print("text " + json.dumps(e.get_text()), flush=True))

    def command(line):
        word, _, rest = line.partition(" ")
        if word == "own":
            text, html = json.loads(rest)
            owned[0], owned[1] = text.encode(), html.encode()
            Gtk.selection_owner_set(holder, clipboard_atom, Gdk.CURRENT_TIME)
            print("owned", flush=True)
        elif word == "dump":
            clipboard = Gtk.Clipboard.get(clipboard_atom)
            for target in targets:
                data = clipboard.wait_for_contents(target)
                value = data.get_data() if data and data.get_length() >= 0 else None
                print(f"clip {target.name()} {value.hex() if value is not None else '-'}",
                      flush=True)
        elif word in ("select", "put"):
            entry.set_text(json.loads(rest))
            entry.grab_focus()
            entry.select_region(0 if word == "select" else -1, -1)
            print("selected" if word == "select" else "put", flush=True)

    def on_stdin(channel, _condition):
        line = channel.readline()
        if not line:
            return False
        command(line.strip())
        return True

    GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.PRIORITY_DEFAULT,
                      GLib.IOCondition.IN | GLib.IOCondition.HUP, on_stdin)

    def place_caret():
        entry.grab_focus()
        return False

    return entry, place_caret


def main():
    layout = sys.argv[1] if len(sys.argv) > 1 else "form"
    # The accessibility bus names the application by its program name.
    GLib.set_prgname("Contract" if layout == "contract" else "parlevox-gtk-test")
    Gdk.set_program_class("Parlevox Test")  # the class part of WM_CLASS: the application's name
    title = {"form": "Parlevox Form", "contract": "Contract",
             "keys": "Parlevox Keys"}.get(layout, "Parlevox Labels")
    GLib.set_application_name("Contract" if layout == "contract" else "Parlevox Test")
    app = Gtk.Application(application_id="com.parlevox.GtkTestApp",
                          flags=Gio.ApplicationFlags.NON_UNIQUE)
    state = {}

    def activate(app):
        window = Gtk.ApplicationWindow(application=app, title=title)
        window.set_default_size(*((400, 300) if layout == "contract" else (600, 500)))
        if layout == "form":
            focus, place = form(window)
        elif layout == "contract":
            focus, place = contract(window)
        elif layout == "keys":
            focus, place = keys(window)
        else:
            focus, place = labels(window, int(layout.split(":", 1)[1]))
        state["window"] = window
        window.show_all()
        window.present()

        def ready_when_active(*_):
            if window.is_active() and "said" not in state:
                state["said"] = True
                place()
                GLib.timeout_add(200, say_ready, focus)

        window.connect("notify::is-active", ready_when_active)
        ready_when_active()

    def say_ready(focus):
        window = state["window"]
        _, origin_x, origin_y = window.get_window().get_origin()
        frame = window.get_window().get_frame_extents()
        print(f"window={frame.x},{frame.y},{frame.width},{frame.height}")
        for name, widget in [("focus", focus), *getattr(window, "landmarks", {}).items()]:
            alloc = widget.get_allocation()
            x, y = widget.translate_coordinates(window, 0, 0)
            print(f"{name}={origin_x + x},{origin_y + y},{alloc.width},{alloc.height}")
        print("ready", flush=True)
        return False

    def close_window():
        if "window" in state:
            state.pop("window").destroy()
        return True

    def present_window():
        if "window" in state:
            state["window"].present()
        else:
            state.pop("said", None)
            activate(app)
        return True

    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, close_window)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR2, present_window)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, lambda: app.quit() or False)
    app.connect("activate", activate)
    app.hold()  # stays running after its window closes, as applications do
    app.run([])


if __name__ == "__main__":
    main()
