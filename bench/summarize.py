#!/usr/bin/env python3
"""Turns the raw timings of bench/run.sh into the Markdown tables of RESULTS.md.

usage: summarize.py RAW.tsv DATADIR COMMAND NOTES.md
RAW.tsv lines: program dataset access fs wall_s rss_kb user_s sys_s
"""
import collections
import os
import platform
import re
import statistics
import subprocess
import sys

raw, datadir, command, notes = sys.argv[1:5]

runs = collections.defaultdict(list)  # (dataset, access, fs, program) -> [(wall, rss, cpu)]
for line in open(raw):
    f = line.rstrip("\n").split("\t")
    if len(f) < 8:
        continue
    prog, d, access, fs = f[:4]
    wall, rss, user, sys_ = float(f[4]), int(f[5]), float(f[6]), float(f[7])
    runs[(d, access, fs, prog)].append((wall, rss, user + sys_))

def dataset_info(d):
    try:
        text = open(os.path.join(datadir, d + ".summary")).read()
    except OSError:
        return None, ""
    m = re.search(r"(\d+) photo rows \((\d+) NULL, (\d+) empty\), (\d+) photo bytes", text)
    if not m:
        return None, ""
    rows, nulls, empties, nbytes = map(int, m.groups())
    return nbytes, f"{rows:,} rows ({nulls} NULL, {empties} empty), {nbytes / 1e6:,.0f} MB of photos"

order_ds = []
for key in runs:
    if key[0] not in order_ds:
        order_ds.append(key[0])
fs_order = {"disk": 0, "shm": 1, "disk-full": 2, "shm-full": 3}
prog_order = {"baseline": 0, "cli": 1, "cli-solo": 2, "gui": 3}
cases = sorted({k[:3] for k in runs}, key=lambda c: (order_ds.index(c[0]), fs_order.get(c[2], 9) // 2, c[1], fs_order.get(c[2], 9)))

def cpu_model():
    try:
        for line in open("/proc/cpuinfo"):
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor()

out = []
out.append("# Export benchmark results\n")
out.append(f"Made with `{command}` (raw timings in `bench/data/{os.path.basename(raw)}`).\n")
out.append(f"Machine: {os.cpu_count()} cores, {cpu_model()}; {platform.system()} {platform.release()}. "
           "Catalog databases in bench/data on the disk; the database pages are in the page cache "
           "after the warm-up, so the figures are warm-cache ones. Each case ran a warm-up and then "
           "the rounds shown, baseline, CLI and GUI interleaved (order alternating per round), each "
           "run into a fresh empty output folder; every output was compared byte for byte with the "
           "baseline's (`diff -r`) and all were identical.\n")
out.append("Programs: **baseline** = bench/baseline.cpp, a bare fbclient loop writing each blob "
           "segment with one write(); **cli** = `exportar-imagenes-cli -q SERVIDOR 001`; "
           "**cli-solo** = the same with `--solo-cambios`; **gui** = bench/guiexport.cpp, the export "
           "window Tfmuestratienda under the offscreen platform. Access *embedded* opens the file in "
           "process; *server* goes through the superserver on 127.0.0.1:3050. Output *disk* is a "
           "folder on the root file system, *shm* is /dev/shm (tmpfs), *disk-full* is a re-export "
           "on the disk over a folder that already holds every photo with the same bytes.\n")
out.append("Wall time and CPU (user+sys) are medians over the rounds; MB/s is photo bytes over the "
           "median wall time; the ratio is ours/baseline in each round (median, then every round "
           "in order); peak RSS is the largest over the rounds (`/usr/bin/time`).\n")

current = None
for case in cases:
    d, access, fs = case
    if d != current:
        current = d
        nbytes, info = dataset_info(d)
        out.append(f"\n## Dataset {d}: {info}\n")
        out.append("| access | output | program | rounds | wall s | MB/s | ratio (median) | ratio per round | peak RSS MB | CPU s |")
        out.append("|---|---|---|---:|---:|---:|---:|---|---:|---:|")
    base = [w for w, _, _ in runs.get((d, access, fs, "baseline"), [])]
    for prog in sorted({k[3] for k in runs if k[:3] == case}, key=lambda p: prog_order.get(p, 9)):
        rs = runs[(d, access, fs, prog)]
        walls = [w for w, _, _ in rs]
        med = statistics.median(walls)
        mbs = f"{nbytes / 1e6 / med:,.0f}" if nbytes else ""
        ratios = [w / b for w, b in zip(walls, base)] if base else []
        rmed = f"{statistics.median(ratios):.2f}" if ratios and prog != "baseline" else "1"
        rlist = " ".join(f"{r:.2f}" for r in ratios) if prog != "baseline" else ""
        rss = max(r for _, r, _ in rs) / 1024
        cpu = statistics.median(c for _, _, c in rs)
        out.append(f"| {access} | {fs} | {prog} | {len(rs)} | {med:.3f} | {mbs} | {rmed} | {rlist} | {rss:.0f} | {cpu:.2f} |")

if os.path.exists(notes):
    out.append("\n" + open(notes).read().rstrip() + "\n")
print("\n".join(out))
