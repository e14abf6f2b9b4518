#!/usr/bin/python3
"""Documents per second of kvword.dask on a local cluster of two worker processes
(one thread each, loopback only) next to `kvword -j 2` over the same documents,
both writing JSON Lines with the keys of `kvword --json --all`.

    PYTHONPATH=build/release/python bench/dask_vs_cli.py [FOLDER] [--kvword PATH]
        [--rounds N] [--partition-size N] [--repeat N]

The cluster's start is timed apart; each figure is the best of the rounds (warm
file cache). --repeat lists every document N times, for a run long enough to time.
"""

import argparse
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time

HERE = pathlib.Path(__file__).resolve().parent
DEFAULT = HERE.parent.parent / "shared" / "corpus" / "files"
EXTS = {".doc", ".docx", ".docm", ".dot", ".dotx", ".dotm"}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder", nargs="?", default=str(DEFAULT))
    parser.add_argument("--kvword", default=str(HERE.parent / "build" / "release" / "cli" / "kvword"))
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--partition-size", type=int, default=100)
    parser.add_argument("--repeat", type=int, default=4)
    args = parser.parse_args()

    import distributed
    import kvword.dask

    files = sorted(str(p) for p in pathlib.Path(args.folder).iterdir() if p.suffix.lower() in EXTS)
    files *= args.repeat
    work = pathlib.Path(tempfile.mkdtemp(prefix="kvword-dask-bench-"))
    listing = work / "list.txt"
    listing.write_text("".join(f + "\n" for f in files), encoding="utf-8")

    def cli():
        with open(work / "cli.jsonl", "wb") as out:
            subprocess.run([args.kvword, "--json", "--all", "-q", "-j", "2",
                            f"--files-from={listing}"], stdout=out, stderr=subprocess.DEVNULL, check=False)

    start = time.perf_counter()
    cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                       host="127.0.0.1", dashboard_address=None, silence_logs=40)
    client = distributed.Client(cluster)
    client.run(lambda: __import__("kvword"))
    startup = time.perf_counter() - start

    def dask_run():
        out = work / "dask"
        shutil.rmtree(out, ignore_errors=True)
        records = kvword.dask.extract(files, client, partition_size=args.partition_size)
        kvword.dask.to_jsonl(records, str(out), client)

    def best(run):
        times = []
        for _ in range(args.rounds):
            t = time.perf_counter()
            run()
            times.append(time.perf_counter() - t)
        return min(times)

    try:
        cli_seconds = best(cli)
        dask_seconds = best(dask_run)
    finally:
        client.close()
        cluster.close()
        shutil.rmtree(work, ignore_errors=True)
    n = len(files)
    print(f"{os.cpu_count()} cores; {n} documents ({args.repeat} x the folder); "
          f"partition size {args.partition_size}; best of {args.rounds}")
    print("| run | seconds | documents/s |")
    print("| --- | ------: | ----------: |")
    print(f"| kvword -j 2 --json --all | {cli_seconds:.2f} | {n / cli_seconds:.0f} |")
    print(f"| kvword.dask, 2 workers x 1 thread | {dask_seconds:.2f} | {n / dask_seconds:.0f} |")
    print(f"| starting the local cluster | {startup:.2f} | |")
    print(f"overhead of Dask: {dask_seconds / cli_seconds:.2f} x the tool's time, "
          f"{(dask_seconds - cli_seconds) / n * 1000:.2f} ms per document")


if __name__ == "__main__":
    sys.exit(main())
