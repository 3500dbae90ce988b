#!/usr/bin/env python3
"""Reads Google Benchmark JSON files and prints, for every QVOBase case, its time against each peer.

A case BM_qvo_<Case>[/args] is paired with every BM_<peer>_<Case>[/args] of the same file; the ratio is
QVOBase's time divided by the peer's (below 1.0: QVOBase is faster). A program says what a peer is with
a context entry "peer <name>" (benchmark::AddCustomContext); those of the peers in the table are listed
below it.
  bench_ratios.py [--svg PICTURE] RESULT.json...
With --svg it also draws the table as one bar per case with the 1.0 line marked (needs matplotlib)."""
import json
import re
import sys

args = sys.argv[1:]
svg = None
if len(args) >= 2 and args[0] == "--svg":
    svg, args = args[1], args[2:]

rows = []
peer_texts = {}  # (file, peer) -> what the peer is
for path in args:
    with open(path) as f:
        data = json.load(f)
    for key, text in data.get("context", {}).items():
        if key.startswith("peer "):
            peer_texts[(path.split("/")[-1].replace(".json", ""), key[5:])] = text
    times = {}
    for b in data.get("benchmarks", []):
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        name = b.get("run_name", b["name"])
        times[name] = b["real_time"] if "real_time" in b else b["cpu_time"]
        times.setdefault(name + "#unit", b.get("time_unit", "ns"))
    for name, t in times.items():
        m = re.match(r"BM_qvo_([^/]+)(.*)$", name)
        if not m or name.endswith("#unit"):
            continue
        case, args = m.groups()
        for other, pt in times.items():
            pm = re.match(r"BM_([a-z0-9]+)_([^/]+)(.*)$", other)
            if other.endswith("#unit") or not pm or pm.group(1) == "qvo":
                continue
            if pm.group(2) == case and pm.group(3) == args:
                unit = times[name + "#unit"]
                rows.append((path.split("/")[-1].replace(".json", ""), case + args, pm.group(1), t, pt, unit))

print(f"{'benchmark':<14} {'case':<40} {'peer':<10} {'qvo':>12} {'peer':>12} {'qvo/peer':>9}")
for file, case, peer, t, pt, unit in rows:
    ratio = t / pt if pt else float("inf")
    print(f"{file:<14} {case:<40} {peer:<10} {t:>10.1f}{unit:>2} {pt:>10.1f}{unit:>2} {ratio:>8.2f}x")

described = sorted({(file, peer) for file, _, peer, *_ in rows if (file, peer) in peer_texts})
if described:
    print("\nthe peers:")
    for file, peer in described:
        print(f"  {file:<14} {peer:<10} {peer_texts[(file, peer)]}")

if svg:
    import matplotlib

    matplotlib.use("svg")
    import matplotlib.pyplot as plt

    labels = [f"{file}: {case} vs {peer}" for file, case, peer, *_ in rows]
    ratios = [t / pt if pt else float("nan") for _, _, _, t, pt, _ in rows]
    fig, ax = plt.subplots(figsize=(10, 0.28 * len(rows) + 1.6))
    y = list(range(len(rows)))[::-1]
    # Each bar runs from the 1.0 line to the case's ratio: right of it QVOBase is slower, left faster.
    ax.barh(y, [r - 1.0 for r in ratios], left=1.0, color=["tab:green" if r <= 1.0 else "tab:red" for r in ratios])
    ax.set_xlim(min(ratios + [1.0]) / 1.5, max(ratios + [1.0]) * 1.5)
    ax.set_yticks(y)
    ax.set_yticklabels(labels, fontsize=7)
    ax.axvline(1.0, color="black", linewidth=1.2, linestyle="--", label="1.0: as fast as the peer")
    ax.set_xscale("log")
    ax.set_xlabel("QVOBase time / peer time (log scale; below 1.0, QVOBase is faster)")
    ax.set_title("QVOBase against its peers")
    ax.legend(loc="best", fontsize=8)
    fig.tight_layout()
    fig.savefig(svg)
    print(f"picture of the table: {svg}")
