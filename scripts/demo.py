#!/usr/bin/env python3
"""Talks to parlevox-helper on the built-in demo desktop and shows each line that crosses."""

import json
import os
import select
import subprocess
import sys
import time

build = sys.argv[1] if len(sys.argv) > 1 else "build/default"
helper = os.path.join(build, "helper/parlevox-helper")
env = dict(os.environ)
env.pop("PARLEVOX_DESKTOP", None)  # the built-in demo desktop

CONVERSATION = [
    ("Is the helper trusted, is its keyboard tap in place, is secure input on?",
     {"cmd": "status", "id": 1}),
    ("Which application is in front?", {"cmd": "frontmost", "id": 2}),
    ("Which regular applications are running?", {"cmd": "runningApps", "id": 3}),
    ("Where are the screens (global top-left points)?", {"cmd": "screens", "id": 4}),
    ("Take a screenshot of the front window and read its text (the reply comes when the "
     "recognition is done, after later ones).", {"cmd": "windowShot", "id": 12}),
    ("Watch Left Option and Right Command; swallow Space while Left Option is held.",
     {"cmd": "config", "watch": ["LeftOption", "RightCommand"],
      "swallow": [{"key": "Space", "when": ["LeftOption"]}], "id": 5}),
    ("Which input languages are enabled?", {"cmd": "inputLanguages", "id": 6}),
    ("Report typing after 200 ms of it, and typing speed.",
     {"cmd": "config", "typingAfterMs": 200, "typingStats": True, "id": 11}),
    ("What is the user typing into: the focused field, its caret and the text around it?",
     {"cmd": "focusedState", "around": [24, 24], "id": 14}),
    ("Just the focused value, its last 40 characters.",
     {"cmd": "focusedValue", "maxChars": 40, "id": 15}),
    ("Lower the output volume to a fifth while the user dictates.", {"cmd": "duck", "id": 7}),
    ("Restore it.", {"cmd": "unduck", "id": 8}),
    ("Extend the selection three characters to the left.",
     {"cmd": "selectBack", "count": 3, "id": 9}),
    ("A command the helper does not know.", {"cmd": "teleport", "id": 10}),
]


def show(prefix, line):
    print(f"  {prefix} {line}", flush=True)


proc = subprocess.Popen([helper], stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env)
pending = b""


def drain(seconds):
    """Prints every line the helper writes within the time given."""
    global pending
    deadline = time.monotonic() + seconds
    while (left := deadline - time.monotonic()) > 0:
        ready, _, _ = select.select([proc.stdout], [], [], left)
        if not ready:
            break
        chunk = os.read(proc.stdout.fileno(), 65536)
        if not chunk:
            break
        pending += chunk
        *lines, pending = pending.split(b"\n")
        for line in lines:
            show("←", line.decode())


print("parlevox-helper on the demo desktop (→ command from the application, ← helper's line)\n")
started = time.monotonic()
drain(0.3)
for question, command in CONVERSATION:
    print(f"\n# {question}")
    line = json.dumps(command, separators=(",", ":"))
    show("→", line)
    proc.stdin.write(line.encode() + b"\n")
    proc.stdin.flush()
    drain(0.4)
print("\n# The user types \"hi\", holds Left Option and taps Space (swallowed: a dictation hotkey),")
print("# then presses Space and Left Option within 50 ms (a Space-first chord).")
drain(max(0.5, 7.5 - (time.monotonic() - started)))
print("\n# The application closes the pipe: the helper restores the volume and exits.")
proc.stdin.close()
proc.wait(5)
drain(0.2)
print(f"\nparlevox-helper exited with status {proc.returncode}")
