#!/usr/bin/env python3
"""Times libnarwe, DuckDB and sqlite3 on the same queries and checks that they agree.

Usage: race.py --data DIR --bin DIR --duckdb LIB --results DIR [--runs N] [--scaling]

Every measurement is a whole process, started and reaped by the small C
launcher `measure` (wall time, and peak RSS from wait4): one warm-up run (whose CSV result is kept
for the agreement check), then N timed runs whose results are discarded; the
median is reported with min and max beside it, and the largest peak resident
set of the timed runs. The floor, a one-thread memchr line count of
sales.csv through read(), is measured the same way in the same run.
"""
import argparse
import csv
import filecmp
import functools
import math
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from queries import QUERIES, SQLITE_IMPORT  # noqa: E402

REL_TOL = 1e-9
ABS_TOL = 1e-12     # only so that 0 and a rounding residue of 0 compare equal
MEASURE = None      # path of the measure launcher, set in main


class Run:
    """Outcome of one engine on one query."""

    def __init__(self, status, times=(), rss_mb=0.0, output=None):
        self.status = status          # "ok", "n/a" or an error text
        self.times = list(times)
        self.rss_mb = rss_mb
        self.output = output          # path of the warm-up result, when ok

    @property
    def ok(self):
        return self.status == "ok"

    @property
    def median(self):
        return statistics.median(self.times)


def run_once(argv, cwd, stdout_path=None, env=None):
    """Runs argv to completion under the `measure` launcher.

    Returns (seconds, peak MB, exit code, stderr text).
    """
    with tempfile.TemporaryFile() as err, tempfile.NamedTemporaryFile("r") as report:
        out = open(stdout_path, "wb") if stdout_path else subprocess.DEVNULL
        try:
            subprocess.run([MEASURE, report.name] + argv, cwd=cwd, stdin=subprocess.DEVNULL,
                           stdout=out, stderr=err, env=env, check=False)
        finally:
            if stdout_path:
                out.close()
        err.seek(0)
        text = err.read().decode("utf-8", "replace").strip()
        fields = report.read().split()
    if len(fields) != 3:
        return 0.0, 0.0, 127, text or "measure failed"
    return float(fields[0]), int(fields[1]) / 1024.0, int(fields[2]), text


def measure(argv_for, cwd, runs, result_path, env=None, result_on_stdout=False):
    """Warm-up (keeping the result), then `runs` timed runs with the result discarded.

    argv_for(output) gives the command line; output is a path for the warm-up run
    and None for the timed runs (the engine then discards its result).
    """
    if result_on_stdout:
        _, _, code, err = run_once(argv_for(None), cwd, result_path, env)
    else:
        _, _, code, err = run_once(argv_for(result_path), cwd, None, env)
    if code != 0:
        first = err.splitlines()[0] if err else f"exit code {code}"
        return Run(first[:60])
    times, peak = [], 0.0
    for _ in range(runs):
        seconds, rss, code, err = run_once(argv_for(None), cwd, None, env)
        if code != 0:
            return Run(f"timed run failed: {err.splitlines()[0] if err else code}"[:60])
        times.append(seconds)
        peak = max(peak, rss)
    return Run("ok", times, peak, result_path)


# ---------------------------------------------------------------- agreement

# A plain decimal number, as engines print them: no blanks, underscores or words.
NUMBER = re.compile(r"[+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?")


def as_number(text):
    if not NUMBER.fullmatch(text):
        return None
    value = float(text)
    return value if math.isfinite(value) else None


@functools.lru_cache(maxsize=2)   # the reference stays cached while others are compared
def load_rows(path, ordered):
    """The data rows of a CSV result (header dropped), normalised for comparison."""
    with open(path, newline="", encoding="utf-8", errors="surrogateescape") as f:
        rows = list(csv.reader(f))
    header, rows = (rows[0] if rows else []), rows[1:]
    if not ordered:
        def key(row):
            return [(0, n, "") if (n := as_number(v)) is not None else (1, 0.0, v) for v in row]
        rows.sort(key=key)
    return header, rows


def same_field(a, b):
    if a == b:
        return True
    x, y = as_number(a), as_number(b)
    if x is None or y is None:
        return False
    return math.isclose(x, y, rel_tol=REL_TOL, abs_tol=ABS_TOL)


def compare(path_a, path_b, ordered):
    """None when the results agree, else a short description of the first difference."""
    if filecmp.cmp(path_a, path_b, shallow=False):
        return None
    head_a, rows_a = load_rows(path_a, ordered)
    head_b, rows_b = load_rows(path_b, ordered)
    if len(head_a) != len(head_b):
        return f"{len(head_a)} columns vs {len(head_b)}"
    if len(rows_a) != len(rows_b):
        return f"{len(rows_a)} rows vs {len(rows_b)}"
    for number, (ra, rb) in enumerate(zip(rows_a, rows_b), 1):
        if len(ra) != len(rb) or not all(same_field(a, b) for a, b in zip(ra, rb)):
            return f"row {number}: {ra} vs {rb}"
    return None


# ---------------------------------------------------------------- engines

def machine_description():
    model, cpus = "?", os.cpu_count()
    try:
        for line in subprocess.run(["lscpu"], capture_output=True, text=True).stdout.splitlines():
            if line.startswith("Model name:"):
                model = line.split(":", 1)[1].strip()
    except OSError:
        pass
    ram_gb = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2**30
    allowed = len(os.sched_getaffinity(0))
    return (f"{model}, {cpus} CPUs ({allowed} usable by this process), {ram_gb:.0f} GiB RAM, "
            f"Linux {platform.release()}")


def fmt_seconds(run):
    return f"{run.median:.3f}" if run.ok else "–"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--data", required=True)
    ap.add_argument("--bin", required=True)
    ap.add_argument("--duckdb", required=True)
    ap.add_argument("--results", required=True)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--scaling", action="store_true",
                    help="also time libnarwe with NARWE_THREADS=1 and 2")
    args = ap.parse_args()

    data = os.path.abspath(args.data)
    results = os.path.abspath(args.results)
    bindir = os.path.abspath(args.bin)
    global MEASURE
    MEASURE = os.path.join(bindir, "measure")
    os.makedirs(results, exist_ok=True)
    sales = os.path.join(data, "sales.csv")
    sqlite_db = os.path.join(results, "race.sqlite")
    narwe_run = os.path.join(bindir, "narwe_run")
    duckdb_run = os.path.join(bindir, "duckdb_run")
    sqlite3 = shutil.which("sqlite3")

    duck_version = subprocess.run([duckdb_run, args.duckdb, "--version"], capture_output=True,
                                  text=True).stdout.strip()
    sqlite_version = subprocess.run([sqlite3, "--version"], capture_output=True,
                                    text=True).stdout.split()[:1]
    size_mb = os.path.getsize(sales) / 1e6
    print(f"machine: {machine_description()}")
    print(f"data: {sales} ({size_mb:.1f} MB); DuckDB {duck_version}; "
          f"sqlite3 {' '.join(sqlite_version)}; NARWE_THREADS={os.environ.get('NARWE_THREADS', '(unset)')}")
    print(f"runs: 1 warm-up + {args.runs} timed, whole processes", flush=True)

    floor = measure(lambda out: [os.path.join(bindir, "memchr_floor"), sales], data, args.runs,
                    os.path.join(results, "floor.txt"), result_on_stdout=True)
    if not floor.ok:
        sys.exit(f"the floor failed: {floor.status}")

    # sqlite3: import once into a fresh database, timed as a process of its own.
    if os.path.exists(sqlite_db):
        os.remove(sqlite_db)
    with tempfile.NamedTemporaryFile("w", suffix=".sql", delete=False) as script:
        script.write(SQLITE_IMPORT)
    try:
        import_s, import_mb, code, err = run_once(
            [sqlite3, "-bail", sqlite_db, f".read {script.name}"], data)
    finally:
        os.remove(script.name)
    sqlite_ok = code == 0
    if not sqlite_ok:
        print(f"sqlite3 import failed: {err}")

    engines = [("libnarwe", "narwe", None), ("DuckDB", "duckdb", None), ("sqlite3", "sqlite", None)]
    if args.scaling:
        engines += [("libnarwe, 1 thread", "narwe", "1"), ("libnarwe, 2 threads", "narwe", "2")]

    table = {}   # (query id, engine label) -> Run
    for q in QUERIES:
        for label, kind, threads in engines:
            text = q[kind]
            out = os.path.join(results, f"{q['id']}.{kind}{threads or ''}.csv")
            if threads and not table[(q["id"], "libnarwe")].ok:
                continue      # no scaling figures for a query libnarwe does not answer
            if text is None:
                run = Run("n/a")
            elif kind == "narwe":
                env = dict(os.environ)
                if threads:
                    env["NARWE_THREADS"] = threads
                run = measure(lambda o, t=text: [narwe_run, t] + ([o] if o else []), data,
                              args.runs, out, env=env)
            elif kind == "duckdb":
                run = measure(lambda o, t=text: [duckdb_run, args.duckdb,
                                                 f"COPY ({t}) TO '{o or '/dev/null'}' (HEADER)"],
                              data, args.runs, out)
            elif not sqlite_ok:
                run = Run("import failed")
            else:
                run = measure(lambda o, t=text: [sqlite3, "-bail", "-csv", "-header", sqlite_db, t],
                              data, args.runs, out, result_on_stdout=True)
            table[(q["id"], label)] = run
            shown = f"{run.median:.3f} s" if run.ok else run.status
            print(f"  {q['id']} {label:20s} {shown}", flush=True)

    # Agreement: every engine's result against DuckDB's (or, when DuckDB failed,
    # against the first engine that answered).
    failures, verdict = [], {}
    for q in QUERIES:
        answered = [(label, table[(q["id"], label)]) for label, _, _ in engines
                    if (q["id"], label) in table and table[(q["id"], label)].ok]
        for label, run in answered:
            verdict[(q["id"], label)] = "agrees" if len(answered) > 1 else "alone"
        if len(answered) < 2:
            continue
        ref_label, ref = next(((l, r) for l, r in answered if l == "DuckDB"), answered[0])
        checked = []     # (label, run) already compared with the reference
        for label, run in answered:
            if label == ref_label:
                continue
            twin = next((l for l, r in checked
                         if filecmp.cmp(r.output, run.output, shallow=False)), None)
            if twin is not None:     # the very same bytes: the same verdict
                verdict[(q["id"], label)] = verdict[(q["id"], twin)]
                continue
            checked.append((label, run))
            diff = compare(ref.output, run.output, q["ordered"])
            if diff:
                verdict[(q["id"], label)] = f"DIFFERS from {ref_label}"
                failures.append(f"{q['id']} {label} vs {ref_label}: {diff[:300]}")

    duck_label = "DuckDB"

    def speedup(query_id, label):
        one = table.get((query_id, "libnarwe, 1 thread"))
        if label != "libnarwe, 2 threads" or one is None or not one.ok:
            return ""
        return f"; 2 threads are {one.median / table[(query_id, label)].median:.2f}× one"

    lines = ["| query | engine | median s | min–max s | × DuckDB | × floor | peak MB | result |",
             "|---|---|---:|---:|---:|---:|---:|---|"]
    lines.append(f"| floor | memchr line count, 1 thread | {floor.median:.3f} | "
                 f"{min(floor.times):.3f}–{max(floor.times):.3f} | | 1.00 | {floor.rss_mb:.0f} | |")
    if sqlite_ok:
        lines.append(f"| import | sqlite3 .import (once) | {import_s:.3f} | | | "
                     f"{import_s / floor.median:.1f} | {import_mb:.0f} | |")
    for q in QUERIES:
        duck = table[(q["id"], duck_label)]
        for label, _, _ in engines:
            run = table.get((q["id"], label))
            if run is None:
                continue
            name = f"{q['id']} {q['title']}" if label == "libnarwe" else ""
            if run.ok:
                vs_duck = f"{run.median / duck.median:.2f}" if duck.ok else ""
                lines.append(f"| {name} | {label} | {run.median:.3f} | "
                             f"{min(run.times):.3f}–{max(run.times):.3f} | {vs_duck} | "
                             f"{run.median / floor.median:.1f} | {run.rss_mb:.0f} | "
                             f"{verdict.get((q['id'], label), '')}{speedup(q['id'], label)} |")
            else:
                lines.append(f"| {name} | {label} | – | | | | | {run.status} |")
    table_text = "\n".join(lines)
    print()
    print(table_text)
    with open(os.path.join(results, "table.md"), "w") as f:
        f.write(table_text + "\n")

    print()
    failed_narwe = [q["id"] for q in QUERIES if not table[(q["id"], "libnarwe")].ok]
    if failed_narwe:
        print(f"libnarwe did not answer: {', '.join(failed_narwe)}")
    if failures:
        print("AGREEMENT FAILED:")
        for line in failures:
            print(f"  {line}")
        return 1
    print("agreement: every answered query agrees across engines")
    return 0


if __name__ == "__main__":
    sys.exit(main())
