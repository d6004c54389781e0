#!/usr/bin/env python3
"""Prints one table from Google Benchmark JSON results: every benchmark with
its time and, where bench/pairs.tsv names a peer, the peer's time from the
same run, the ratio and the goal. Heap allocations per iteration are shown
where a benchmark reports an 'allocs' counter. Times are wall-clock (GL work
runs on the driver's threads too); with repetitions, the median is used."""
import json
import sys

UNIT = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def load(paths):
    results = {}
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        medians = {}
        for b in data.get("benchmarks", []):
            ns = b["real_time"] * UNIT[b.get("time_unit", "ns")]
            entry = (ns, b.get("allocs"), b.get("label", ""))
            if b.get("run_type") == "aggregate":
                if b.get("aggregate_name") == "median":
                    medians[b["run_name"]] = entry
            else:
                results.setdefault(b.get("run_name", b["name"]), entry)
        # With repetitions, the median of the runs stands for the benchmark.
        results.update(medians)
    return results


def load_pairs(path):
    pairs = []
    with open(path) as f:
        for line in f:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            fields = line.split("\t")
            operation, peer = fields[0], fields[1]
            goal = float(fields[2]) if len(fields) > 2 and fields[2] else None
            absolute = float(fields[3]) if len(fields) > 3 and fields[3] else None
            pairs.append((operation, peer, goal, absolute))
    return pairs


def fmt(ns):
    if ns >= 1e6:
        return f"{ns / 1e6:9.3f} ms"
    if ns >= 1e3:
        return f"{ns / 1e3:9.3f} us"
    return f"{ns:9.2f} ns"


def main():
    pairs = load_pairs(sys.argv[1])
    results = load(sys.argv[2:])
    rows, missed = [], []
    for operation, peer, goal, absolute in pairs:
        if operation not in results:
            rows.append((operation, "missing", peer, "", "", "", ""))
            continue
        ns, allocs, _ = results[operation]
        peer_ns = results.get(peer, (None,))[0] if peer != "-" else None
        ratio = ns / peer_ns if peer_ns else None
        verdict = ""
        if goal is not None and ratio is not None:
            ok = ratio <= goal
            verdict = f"<= {goal:g}x {'met' if ok else 'MISSED'}"
            if not ok:
                missed.append(operation)
        if absolute is not None:
            ok = ns <= absolute
            verdict = f"<= {absolute:g} ns {'met' if ok else 'MISSED'}"
            if not ok:
                missed.append(operation)
        alloc_text = "" if allocs is None else f"{allocs:g}"
        rows.append((operation, fmt(ns), peer if peer != "-" else "",
                     fmt(peer_ns) if peer_ns else "",
                     f"{ratio:.2f}x" if ratio else "", alloc_text, verdict))
    paired = {p[0] for p in pairs} | {p[1] for p in pairs}
    for name, (ns, allocs, _) in sorted(results.items()):
        if name not in paired:
            rows.append((name, fmt(ns), "", "", "", "" if allocs is None else f"{allocs:g}", ""))
    header = ("operation", "time", "peer (same run)", "peer time", "ratio", "allocs/iter", "goal")
    widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
    line = "  ".join(h.ljust(w) for h, w in zip(header, widths))
    print(line)
    print("-" * len(line))
    for r in rows:
        print("  ".join(str(c).ljust(w) for c, w in zip(r, widths)))
    if missed:
        print(f"\ngoals missed: {', '.join(missed)}")


if __name__ == "__main__":
    main()
