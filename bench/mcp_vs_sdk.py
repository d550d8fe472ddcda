#!/usr/bin/env python3
"""`parlevox mcp` side by side with the same server written with the MCP SDK
(bench/sdk_mcp_server.mjs), both against the reference application: ping round trips per second
(one request in flight, and pipelined), tools/list latency and peak memory, in alternating rounds.
A responder that does no work at all (bench/reply_ceiling with an MCP answer) shows the ceiling for pings.

Usage: bench/mcp_vs_sdk.py [BUILD_DIR] [ROUNDS] [PINGS] [LISTS]
(defaults build/default 5 20000 200; needs scripts/setup.sh for the SDK and a default build)
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def main():
    args = sys.argv[1:] + [None] * 4
    build = args[0] or os.path.join(ROOT, "build/default")
    rounds, pings, lists = int(args[1] or 5), int(args[2] or 20000), int(args[3] or 200)
    driver = os.path.join(build, "bench/mcp_round_trips")
    servers = {"parlevox mcp": [os.path.join(build, "cli/parlevox"), "mcp"],
               "MCP SDK server (Node.js)": ["node", os.path.join(ROOT, "bench/sdk_mcp_server.mjs")],
               "no-op responder": [os.path.join(build, "bench/reply_ceiling"),
                                   '{"id":0,"jsonrpc":"2.0","result":{"tools":[]}}']}
    with tempfile.TemporaryDirectory(prefix="pvx-bench-") as folder:
        socket = os.path.join(folder, "api.sock")
        app = subprocess.Popen([os.path.join(build, "tools/parlevox-reference-app"), "--socket",
                                socket], stdout=subprocess.PIPE)
        try:
            app.stdout.readline()  # "listening on …"
            env = dict(os.environ, PARLEVOX_SOCKET=socket)
            runs = {name: [] for name in servers}
            for _ in range(rounds):
                for name, command in servers.items():
                    out = subprocess.run([driver, str(pings), str(lists), *command], env=env,
                                         capture_output=True, check=True, timeout=600).stdout
                    runs[name].append(json.loads(out))
        finally:
            app.terminate()
            app.wait()

    median = lambda name, pick: statistics.median(pick(r) for r in runs[name])  # noqa: E731
    metrics = [("ping round trips/s", lambda r: r["pings_per_s"], "{:,.0f}"),
               ("pipelined pings/s", lambda r: r["pipelined_pings_per_s"], "{:,.0f}"),
               ("tools/list median ms", lambda r: r["list_ms"]["median"], "{:.3f}"),
               ("tools/list p90 ms", lambda r: r["list_ms"]["p90"], "{:.3f}"),
               ("peak RSS MiB", lambda r: r["peak_rss_kib"] / 1024, "{:.1f}")]
    names = list(servers)[:2]
    print(f"{rounds} alternating rounds, {pings} pings and {lists} tools/list each; medians")
    print(f"| {'':22} | {names[0]:>14} | {names[1]:>26} | ratio |")
    for label, pick, form in metrics:
        ours, theirs = median(names[0], pick), median(names[1], pick)
        ratio = ours / theirs if "/s" in label else theirs / ours
        print(f"| {label:22} | {form.format(ours):>14} | {form.format(theirs):>26} | {ratio:5.1f} |")
    print("ratio: how many times better parlevox is (rate ÷ rate, or time and memory ÷ ours)")
    ceiling = runs["no-op responder"]
    print("ceiling (no-op responder): ping round trips/s {:,.0f}, pipelined pings/s {:,.0f}".format(
        statistics.median(r["pings_per_s"] for r in ceiling),
        statistics.median(r["pipelined_pings_per_s"] for r in ceiling)))
    for name in names:
        print(name, "ping round trips/s per round:", [r["pings_per_s"] for r in runs[name]])


if __name__ == "__main__":
    main()
