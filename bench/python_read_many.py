#!/usr/bin/python3
"""Files per second of kvword.read_many over a folder of documents (default: the
shared corpus), next to python-docx on the .docx files among them.

    PYTHONPATH=build/release/python bench/python_read_many.py [FOLDER] [--rounds N]

kvword reads the main text, side texts and summary of every document; python-docx
the text of every paragraph and table cell (what it offers), one file after the
other in this process. Each figure is the best of the rounds (warm file cache);
CPU seconds are those of all the process's threads, a steadier figure than the
wall clock on a busy machine.
"""

import argparse
import os
import pathlib
import sys
import time

import kvword

HERE = pathlib.Path(__file__).resolve().parent
DEFAULT = HERE.parent.parent / "shared" / "corpus" / "files"
EXTS = {".doc", ".docx", ".docm", ".dot", ".dotx", ".dotm"}


def kvword_run(files, jobs):
    failed = 0
    for result in kvword.read_many(files, jobs=jobs):
        failed += isinstance(result, kvword.Error)
    return failed


def python_docx_run(files):
    import docx  # Debian's python3-docx
    failed = 0
    for path in files:
        try:
            d = docx.Document(path)
            parts = [p.text for p in d.paragraphs]
            for table in d.tables:
                for row in table.rows:
                    parts.extend(cell.text for cell in row.cells)
        except Exception:  # a peer's failure of any kind counts as a failed file
            failed += 1
    return failed


def best(rounds, run):
    """(best wall seconds, best CPU seconds of the process's threads, failed files)."""
    times, cpu = [], []
    for _ in range(rounds):
        start, start_cpu = time.perf_counter(), time.process_time()
        failed = run()
        times.append(time.perf_counter() - start)
        cpu.append(time.process_time() - start_cpu)
    return min(times), min(cpu), failed


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder", nargs="?", default=str(DEFAULT))
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    files = sorted(str(p) for p in pathlib.Path(args.folder).iterdir() if p.suffix.lower() in EXTS)
    docx_files = [f for f in files if f.lower().endswith(".docx")]
    if not files:
        sys.exit(f"no documents in {args.folder}")
    rows = []
    for jobs in (1, 2):
        seconds, cpu, failed = best(args.rounds, lambda: kvword_run(files, jobs))
        rows.append((f"kvword.read_many jobs={jobs}", "all", len(files), failed, seconds, cpu))
    for jobs in (1, 2):
        seconds, cpu, failed = best(args.rounds, lambda: kvword_run(docx_files, jobs))
        rows.append((f"kvword.read_many jobs={jobs}", ".docx", len(docx_files), failed, seconds, cpu))
    try:
        seconds, cpu, failed = best(args.rounds, lambda: python_docx_run(docx_files))
        rows.append(("python-docx", ".docx", len(docx_files), failed, seconds, cpu))
    except ImportError:
        print("python-docx is not installed: its row is left out", file=sys.stderr)
    print(f"{os.cpu_count()} cores; best of {args.rounds} rounds; {args.folder}")
    print(f"| {'reader':<28} | files | count | failed | seconds | files/s | CPU s | files/CPU s |")
    print(f"| {'-' * 28} | ----- | ----: | -----: | ------: | ------: | ----: | ----------: |")
    for name, kind, count, failed, seconds, cpu in rows:
        print(f"| {name:<28} | {kind:<5} | {count:5} | {failed:6} | {seconds:7.2f} | {count / seconds:7.0f} "
              f"| {cpu:5.2f} | {count / cpu:11.0f} |")


if __name__ == "__main__":
    main()
