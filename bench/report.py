#!/usr/bin/env python3
"""Turns the figures of tolv-bench runs into the table of docs/performance.md and a plot.

Usage: bench/report.py RESULTS.tsv [--markdown FILE] [--plot FILE.png]

RESULTS.tsv holds the lines that `tolv-bench --out` appends: processes, id,
label, value, floor (-1 for none), unit. The table goes to standard output
(and to FILE with --markdown); the plot of time against size needs matplotlib.
"""

import argparse
import collections
import sys

# Operations with a target, and the ratio to its floor that each may reach.
SORTS = {"sort_process", "sort_group", "sort_dev_type", "sort_instance", "sort_slot"}
TARGETED = SORTS | {
    "host_first_paint", "load_process_definitions", "load_module_slots",
    "load_module_templates", "duplicate_check", "auto_number_all", "clear_selected",
    "clear_all", "copy_all", "paste_4096", "apply_templates", "save_module",
    "rescan_outputs", "rescan_outputs_changed", "paste_100000", "find_keystroke",
    "manager_open", "manager_new_template", "manager_auto_number", "manager_clear", "manager_ok",
}
# Time limits (ms) other than 150 at 100,000 and 1,500 at a million.
LIMIT_100K = {"host_first_paint": 400, "paste_100000": 300, "manager_open": 1000,
              "manager_new_template": 1000, "manager_auto_number": 1000, "manager_clear": 1000,
              "manager_ok": 1000}
LIMIT_1M = {"find_keystroke": 100}
# Floors that measure the same work without the editor (files, sorts); the
# host's floor is a start on an empty store, a reference rather than a bound.
NO_RATIO_TARGET = {"host_first_paint", "host_run", "host_peak_memory"}
PLOTTED = ["load_process_definitions", "sort_process", "sort_group", "sort_slot",
           "duplicate_check", "auto_number_all", "clear_all", "copy_all", "paste_4096",
           "load_module_slots", "apply_templates", "save_module", "rescan_outputs",
           "host_first_paint", "paste_100000", "find_keystroke", "manager_auto_number",
           "manager_ok"]


def read(path):
    rows = collections.OrderedDict()
    for line in open(path, encoding="utf-8"):
        fields = line.rstrip("\n").split("\t")
        if len(fields) != 6:
            continue
        size, key, label, value, floor, unit = fields
        entry = rows.setdefault(key, {"label": label, "unit": unit, "values": {}, "floors": {}})
        entry["values"][int(size)] = float(value)
        if float(floor) >= 0:
            entry["floors"][int(size)] = float(floor)
    return rows


def size_name(n):
    return f"{n // 1000000}M" if n >= 1000000 and n % 1000000 == 0 else f"{n // 1000}k"


def number(value, unit):
    if value is None:
        return ""
    if unit == "bytes" or value >= 100:
        return f"{value:,.0f}"
    return f"{value:,.1f}"


def check(key, entry, sizes):
    """The targets an operation misses, as short texts (None: it has none)."""
    misses = []
    if key not in TARGETED and key != "host_peak_memory":
        return None
    values, floors = entry["values"], entry["floors"]
    if key == "host_peak_memory":
        if 1000000 in values and values[1000000] >= 500:
            misses.append("under 500 MB at 1M")
        return misses
    if 100000 in values:
        limit = LIMIT_100K.get(key, 150)
        if values[100000] >= limit:
            misses.append(f"under {limit:,} ms at 100k")
    if 1000000 in values:
        limit = LIMIT_1M.get(key, 1500)
        if values[1000000] >= limit:
            misses.append(f"under {limit / 1000:g} s at 1M" if limit >= 1000
                          else f"under {limit} ms at 1M")
    if key not in NO_RATIO_TARGET:
        limit = 4 if key in SORTS else 3
        worst = max((values[n] / floors[n] for n in sizes if n in floors and floors[n] > 0
                     and n in values), default=None)
        if worst is not None and worst > limit:
            misses.append(f"within {limit}× floor")
    if 100000 in values and 1000000 in values and values[100000] > 0:
        if values[1000000] / values[100000] > 12:
            misses.append("growth at most 12")
    return misses


def table(rows):
    sizes = sorted({n for entry in rows.values() for n in entry["values"]})
    big = max(sizes)
    head = ["operation", "unit"] + [size_name(n) for n in sizes]
    head += [f"floor {size_name(big)}", f"× floor {size_name(big)}"]
    grow = 100000 in sizes and 1000000 in sizes
    if grow:
        head.append("growth 100k→1M")
    head.append("targets")
    lines = ["| " + " | ".join(head) + " |",
             "|" + "|".join(["---"] * 2 + ["---:"] * (len(head) - 3) + ["---"]) + "|"]
    for key, entry in rows.items():
        values, floors, unit = entry["values"], entry["floors"], entry["unit"]
        cells = [entry["label"], unit] + [number(values.get(n), unit) for n in sizes]
        floor = floors.get(big)
        cells.append(number(floor, unit))
        cells.append(f"{values[big] / floor:.1f}" if floor and big in values else "")
        if grow:
            a, b = values.get(100000), values.get(1000000)
            cells.append(f"{b / a:.1f}" if a and b else "")
        misses = check(key, entry, sizes)
        cells.append("—" if misses is None else ("met" if not misses else "missed: " + "; ".join(misses)))
        lines.append("| " + " | ".join(cells) + " |")
    return "\n".join(lines) + "\n"


def plot(rows, path):
    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        print("bench/report.py: no matplotlib (python3-matplotlib): no plot", file=sys.stderr)
        return False
    all_sizes = sorted({n for entry in rows.values() for n in entry["values"]})
    if len(all_sizes) == 1:
        return plot_one_size(plt, rows, all_sizes[0], path)
    fig, ax = plt.subplots(figsize=(10, 6.5), dpi=100)
    styles = ["-", "--", "-."]
    for i, key in enumerate(PLOTTED):
        entry = rows.get(key)
        if not entry or entry["unit"] != "ms" or len(entry["values"]) < 2:
            continue
        sizes = sorted(entry["values"])
        ax.plot(sizes, [entry["values"][n] for n in sizes], marker="os^D"[i % 4],
                linestyle=styles[i // 10 % 3], color=f"C{i % 10}", label=entry["label"])
    # Linear growth from the smallest size, for reference.
    if len(all_sizes) >= 2:
        ax.plot(all_sizes, [10 * n / all_sizes[0] for n in all_sizes], "k:", linewidth=1,
                label="linear (10 ms at the smallest size)")
    for limit, text in ((150, "150 ms"), (1500, "1.5 s")):
        ax.axhline(limit, color="grey", linewidth=0.8, linestyle="--")
        ax.text(all_sizes[0], limit * 1.05, text, color="grey", fontsize=8)
    ax.set_xscale("log")
    ax.set_yscale("log")
    ax.set_xlabel("processes in the system")
    ax.set_ylabel("time (ms, minimum of the repetitions)")
    ax.set_title("tolv-bench: time against size (Release, offscreen)")
    ax.grid(True, which="both", linewidth=0.3)
    ax.legend(fontsize=7, loc="upper left")
    fig.tight_layout()
    fig.savefig(path)
    return True


def plot_one_size(plt, rows, size, path):
    """With one size there is no growth to draw: the operations as bars."""
    entries = [rows[key] for key in PLOTTED if key in rows and rows[key]["unit"] == "ms"
               and size in rows[key]["values"]]
    fig, ax = plt.subplots(figsize=(10, 6.5), dpi=100)
    ax.barh([e["label"] for e in entries], [e["values"][size] for e in entries], color="C0")
    ax.invert_yaxis()
    ax.set_xscale("log")
    for limit, text in ((150, "150 ms"), (1500, "1.5 s")):
        ax.axvline(limit, color="grey", linewidth=0.8, linestyle="--")
        ax.text(limit * 1.05, len(entries) - 0.5, text, color="grey", fontsize=8)
    ax.set_xlabel("time (ms, minimum of the repetitions)")
    ax.set_title(f"tolv-bench at {size:,} processes (Release, offscreen)")
    ax.tick_params(axis="y", labelsize=7)
    ax.grid(True, axis="x", which="both", linewidth=0.3)
    fig.tight_layout()
    fig.savefig(path)
    return True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("results")
    parser.add_argument("--markdown")
    parser.add_argument("--plot")
    args = parser.parse_args()
    rows = read(args.results)
    if not rows:
        sys.exit(f"bench/report.py: no figures in {args.results}")
    text = table(rows)
    sys.stdout.write(text)
    if args.markdown:
        with open(args.markdown, "w", encoding="utf-8") as out:
            out.write(text)
    if args.plot and plot(rows, args.plot):
        print(f"plot: {args.plot}")


if __name__ == "__main__":
    main()
