#!/usr/bin/env python3
"""hotkeyOwners through the whole parlevox-helper process: 30 applications of 500 menu items.

Usage: bench/hotkey_owners_reply.py BUILD_DIR [ROUNDS] [READ_MS]
Sends ROUNDS hotkeyOwners commands one after the other (each waits for its reply) to a helper on
a scenario of 30 applications, each answering every accessibility read after READ_MS
milliseconds, and reports the reply time (median and worst) and the menu entries found.
"""

import json
import os
import statistics
import subprocess
import sys
import tempfile
import time


def scenario(read_ms):
    def item(title, char):
        return {"role": "AXMenuItem", "title": title,
                "attributes": {"AXMenuItemCmdChar": char, "AXMenuItemCmdModifiers": 0}}

    apps = []
    for a in range(30):
        bar = [{"role": "AXMenuBarItem", "title": "Apple"}]
        for m in range(5):
            items = [{"repeat": {"count": 99, "element": item("Item", "x")}}, item("Save", "s")]
            bar.append({"role": "AXMenuBarItem", "title": f"Menu {m}",
                        "children": [{"role": "AXMenu", "children": items}]})
        apps.append({"pid": 1000 + a, "bundle": f"com.example.app{a}", "name": f"App {a}",
                     "ui": {"readMs": read_ms,
                            "menuBar": {"role": "AXMenuBar", "children": bar}}})
    return {"apps": apps, "hotKeys": {"held": [{"code": 40, "mods": 256}]}}


def main():
    build = sys.argv[1]
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    read_ms = float(sys.argv[3]) if len(sys.argv) > 3 else 0
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "scenario.json")
        with open(path, "w") as f:
            json.dump(scenario(read_ms), f)
        env = dict(os.environ, PARLEVOX_DESKTOP=path)
        proc = subprocess.Popen([os.path.join(build, "helper/parlevox-helper"), "--no-keys"],
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env)
        proc.stdout.readline()  # "ready"
        times, entries = [], 0
        for i in range(rounds):
            command = {"cmd": "hotkeyOwners", "id": i, "menuChars": ["S", "K"], "menuKeys": [40],
                       "hotkeys": [{"key": "KeyK", "mods": ["command"]}]}
            started = time.perf_counter()
            proc.stdin.write((json.dumps(command) + "\n").encode())
            proc.stdin.flush()
            reply = json.loads(proc.stdout.readline())
            while reply.get("id") != i:  # events ("t") may come between
                reply = json.loads(proc.stdout.readline())
            times.append(time.perf_counter() - started)
            entries = len(reply["menus"])
        proc.stdin.close()
        proc.wait()
    print(f"read {read_ms} ms: median {statistics.median(times) * 1000:.1f} ms, "
          f"worst {max(times) * 1000:.1f} ms, {entries} menu entries, {rounds} rounds")


if __name__ == "__main__":
    main()
