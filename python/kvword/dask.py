"""kvword on Dask distributed: many documents read by the workers of a cluster.

    from distributed import Client
    import kvword.dask

    client = Client("tcp://scheduler:8786")
    records = kvword.dask.extract(paths, client, partition_size=200)
    files = kvword.dask.to_jsonl(records, "/shared/out/texts")

Each task reads one partition of paths with kvword.read_many, so a Dask worker
thread reads one document at a time with the GIL released: a worker with N threads
reads N documents at once. A record is the command-line tool's JSON object
(``kvword --json --all``): "file", "reader", "docVersion" (.doc only),
"undecodableEncodings" (only where some text was in an encoding that could not be
decoded), "text", the side texts as arrays of lines ("footnotes", "endnotes",
"headers", "footers", "annotations", "textBoxes", "macroText"), "summary" (unless
summary=False) and "vbaModules" (with macros=True); a document that cannot be read
gives {"file": ..., "error": MESSAGE}, never a failed task. With format="markdown",
"text" is the Markdown that ``kvword --format=markdown`` prints (CR LF line ends)
and the side texts stay plain.

The documents must be where every worker finds them under the same path (a file
system each node mounts), and so must the output folder of to_jsonl. to_jsonl
writes each partition's file under a temporary name and renames it, so a task that
Dask runs again after its worker died leaves one whole file, never a half or a copy.

Command line (without --scheduler, a cluster of this machine's cores):

    python3 -m kvword.dask --scheduler tcp://HOST:8786 --files-from LIST --out FOLDER
"""

from __future__ import annotations

import argparse
import datetime
import json
import os
import sys
import uuid

import kvword

__all__ = ["extract", "record", "to_jsonl", "read_partition", "main"]

# The side texts in the tool's order, with its JSON keys.
_SIDE_TEXTS = (
    ("footnotes", "footnotes"), ("endnotes", "endnotes"), ("headers", "headers"),
    ("footers", "footers"), ("annotations", "annotations"), ("text_boxes", "textBoxes"),
    ("macro_text", "macroText"),
)


def _iso(value):
    if isinstance(value, datetime.datetime):  # a date: its UTC moment, as the tool prints it
        try:
            value = value.astimezone(datetime.timezone.utc)
        except OverflowError:
            pass
        return (f"{value.year:04}-{value.month:02}-{value.day:02}"
                f"T{value.hour:02}:{value.minute:02}:{value.second:02}Z")
    return value


def record(result, *, summary=True, macros=False):
    """The tool's JSON object (as a dict) for a kvword.Document or kvword.Error."""
    if isinstance(result, kvword.Error):
        return {"file": result.file, "error": result.message}
    out = {"file": result.file, "reader": result.reader}
    if result.doc_version is not None:
        out["docVersion"] = result.doc_version
    if result.undecodable_encodings:
        out["undecodableEncodings"] = list(result.undecodable_encodings)
    out["text"] = "".join(line + "\r\n" for line in result.text_list)
    for attribute, key in _SIDE_TEXTS:
        out[key] = getattr(result, attribute + "_list")
    if summary:
        out["summary"] = {name: _iso(value) for name, value in result.summary.items()}
    if macros:
        out["vbaModules"] = [{"name": name, "source": source} for name, source in result.vba_modules]
    return out


def _is_named_bytes(item):
    return (isinstance(item, tuple) and len(item) == 2 and isinstance(item[0], str)
            and isinstance(item[1], (bytes, bytearray, memoryview)))


def read_partition(items, read_options=None, jobs=1):
    """The records of one partition, in its order: items are file names, or
    (name, bytes) pairs for documents shipped with the task. Never raises for a
    document; an item that is neither gives an error record too."""
    options = dict(read_options or {})
    password_env = options.pop("password_env", None)
    if password_env is not None:
        options["password"] = os.environ.get(password_env)
    timeout = options.pop("timeout", None)
    summary = options.get("summary", True)
    macros = options.get("macros", False)
    items = list(items)

    def readable(item):
        return isinstance(item, (str, os.PathLike)) or _is_named_bytes(item)

    sources = (item[1] if isinstance(item, tuple) else item for item in items if readable(item))
    results = iter(kvword.read_many(sources, jobs=jobs, timeout=timeout, **options))
    records = []
    for item in items:
        if not readable(item):
            records.append({"file": repr(item), "error": "neither a file name nor (name, bytes)"})
            continue
        r = record(next(results), summary=summary, macros=macros)
        if isinstance(item, tuple):
            r["file"] = item[0]
        records.append(r)
    return records


def extract(paths, client=None, *, partition_size=100, jobs=1, password_env=None, timeout=None,
            **read_options):
    """A dask.bag of the records of paths, one per path in their order.

    paths: file names (str or os.PathLike), each readable by the workers under that
        name; or (name, bytes) pairs, documents shipped with the tasks.
    client: a distributed.Client: the bag is persisted on its cluster and starts
        reading at once (its partitions are futures); None: a lazy bag, computed by
        whichever scheduler is in use when it is computed.
    partition_size: paths per task.
    jobs: kvword worker threads per task (1: one per Dask worker thread).
    password_env: the name of an environment variable that holds the password on
        every worker, read there by each task: the password itself then travels
        nowhere. A password given as password=... is part of every task, and so is
        sent to the scheduler and the workers and kept in their task graphs and logs.
    timeout: None, or the seconds of CPU time each document may take: each task
        then reads its documents in child processes (kvword.read_many's timeout),
        and a document over its time gives an error record in its place.
    read_options: kvword.read's options (view, revisions, format, max_length,
        hidden_text, macros, summary, password, reader, front_matter).
    """
    import dask.bag as db

    kvword._options(**read_options)  # a wrong option fails here, not in every task
    if password_env is not None:
        if "password" in read_options:
            raise ValueError("password and password_env exclude each other")
        if not isinstance(password_env, str) or not password_env:
            raise TypeError("password_env must be the name of an environment variable")
        read_options = dict(read_options, password_env=password_env)
    timeout = kvword._timeout(timeout)
    if timeout is not None:
        read_options = dict(read_options, timeout=timeout)
    if partition_size < 1:
        raise ValueError(f"partition_size must be at least 1, not {partition_size}")
    paths = [p if _is_named_bytes(p) else os.fsdecode(os.fspath(p)) for p in paths]
    if not paths:
        bag = db.from_sequence([], npartitions=1)
    else:
        bag = db.from_sequence(paths, partition_size=partition_size)
    records = bag.map_partitions(read_partition, read_options, jobs)
    if client is not None:
        records = client.persist(records)
    return records


def _write_partition(records, folder, index):
    """Writes one partition's JSON Lines file whole: a temporary name, then a rename."""
    name = os.path.join(folder, f"part-{index:05}.jsonl")
    temporary = os.path.join(folder, f".part-{index:05}.{uuid.uuid4().hex}.tmp")
    count = errors = 0
    try:
        with open(temporary, "w", encoding="utf-8", newline="\n") as out:
            for r in records:
                out.write(_json_line(r))
                count += 1
                errors += "error" in r
            out.flush()
            os.fsync(out.fileno())
        os.replace(temporary, name)
    except BaseException:
        try:
            os.unlink(temporary)
        except OSError:
            pass
        raise
    return name, count, errors


def _json_line(r):
    line = json.dumps(r, ensure_ascii=False, separators=(",", ":"))
    try:
        line.encode("utf-8")
    except UnicodeEncodeError:
        # A file name with undecodable bytes (lone surrogates): escaped, so that
        # json.loads and os.fsencode give the name back.
        line = json.dumps(r, ensure_ascii=True, separators=(",", ":"))
    return line + "\n"


def to_jsonl(records, folder, client=None):
    """Writes the bag's records as JSON Lines, one file per partition
    (FOLDER/part-00000.jsonl, ...), and returns [(file, records, error records), ...].

    Computes on client when given, else on the scheduler in use. The folder is
    created; it must be one that every worker writes under the same path.
    """
    import dask

    os.makedirs(folder, exist_ok=True)
    parts = records.to_delayed()
    writes = [dask.delayed(_write_partition)(part, folder, i) for i, part in enumerate(parts)]
    if client is not None:
        return client.gather(client.compute(writes))
    return list(dask.compute(*writes))


def _read_list(path):
    stream = sys.stdin.buffer if path == "-" else open(path, "rb")
    try:
        for line in stream:
            line = line.rstrip(b"\n")
            if line.endswith(b"\r"):
                line = line[:-1]
            if line:
                yield os.fsdecode(line)
    finally:
        if stream is not sys.stdin.buffer:
            stream.close()


def main(argv=None):
    parser = argparse.ArgumentParser(
        prog="python3 -m kvword.dask",
        description="Read many Word documents on a Dask cluster into JSON Lines files, "
                    "one per partition, with the keys of `kvword --json --all`.")
    parser.add_argument("--scheduler", metavar="ADDRESS",
                        help="the scheduler (tcp://HOST:8786); default: a cluster of this machine")
    parser.add_argument("--files-from", metavar="LIST", required=True,
                        help="the documents' paths, one a line ('-': standard input)")
    parser.add_argument("--out", metavar="FOLDER", required=True,
                        help="where part-NNNNN.jsonl files go (every worker must see it)")
    parser.add_argument("--partition-size", type=int, default=100, metavar="N",
                        help="documents per task (default: 100)")
    parser.add_argument("--view", choices=("shown", "stored"), default="shown")
    parser.add_argument("--revisions", choices=("accept", "reject", "mark"))
    parser.add_argument("--format", choices=("plain", "rtf", "html", "markdown"), default="plain")
    parser.add_argument("--front-matter", action="store_true",
                        help="with --format=markdown: the title as YAML front matter")
    parser.add_argument("--max-length", type=int, default=0, metavar="N")
    parser.add_argument("--hidden-text", action="store_true")
    parser.add_argument("--macros", action="store_true")
    parser.add_argument("--no-summary", action="store_true")
    parser.add_argument("--reader", choices=("auto", "doc", "docx", "rtf", "html", "wordxml"),
                        default="auto")
    parser.add_argument("--timeout", type=float, metavar="SECONDS",
                        help="CPU time each document may take, read in a child process")
    args = parser.parse_args(argv)
    if args.partition_size < 1:
        parser.error("--partition-size must be at least 1")
    try:
        paths = list(_read_list(args.files_from))
    except OSError as e:
        parser.error(f"cannot read {args.files_from}: {e.strerror}")
    options = dict(view=args.view, revisions=args.revisions, format=args.format,
                   max_length=args.max_length, hidden_text=args.hidden_text,
                   macros=args.macros, summary=not args.no_summary, reader=args.reader,
                   front_matter=args.front_matter)
    try:
        kvword._options(**options)
        kvword._timeout(args.timeout)
    except (TypeError, ValueError) as e:
        parser.error(str(e))

    from distributed import Client

    client = Client(args.scheduler) if args.scheduler else Client()
    try:
        records = extract(paths, client, partition_size=args.partition_size, timeout=args.timeout,
                          **options)
        written = to_jsonl(records, args.out, client)
    finally:
        client.close()
    total = sum(count for _, count, _ in written)
    failed = sum(errors for _, _, errors in written)
    print(f"kvword.dask: {total} records ({failed} errors) in {len(written)} files under {args.out}",
          file=sys.stderr)
    # As the tool: 1 when a document could not be read.
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
