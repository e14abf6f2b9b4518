"""kvword.read_many: results in input order with errors in place, the window that
bounds what is read ahead, and the GIL released while documents are read."""

import itertools
import os
import threading
import time

import pytest

import kvword
from conftest import SAMPLES, corpus_files, make_docx


def _outcome(result):
    if isinstance(result, kvword.Error):
        return (type(result), result.message, result.file)
    return (result.reader, result.text, result.summary, result.file, result.undecodable_encodings)


def _read_one(item):
    try:
        return kvword.read(item)
    except kvword.Error as e:
        return e


@pytest.mark.parametrize("jobs", [1, 2, 5])
def test_results_come_in_input_order_with_errors_in_place(tmp_path, jobs):
    docs = [make_docx([f"document {i}"] * (1 + i % 7)) for i in range(12)]
    items = []
    for i, data in enumerate(docs):
        if i % 3 == 0:
            path = tmp_path / f"d{i}.docx"
            path.write_bytes(data)
            items.append(str(path))
        else:
            items.append(data)
    items[4] = str(tmp_path / "missing.doc")
    items[7] = b"not a document at all"
    items.insert(2, SAMPLES / "sample.doc")
    results = list(kvword.read_many(items, jobs=jobs))
    assert [_outcome(r) for r in results] == [_outcome(_read_one(i)) for i in items]
    assert isinstance(results[5], kvword.FileNotFoundError)
    assert results[5].file == str(tmp_path / "missing.doc")
    assert isinstance(results[8], kvword.NotWordDocumentError)
    assert results[3].paragraphs == ["document 2"] * 3


def test_corpus_read_many_matches_read():
    files = corpus_files()[:60]
    if not files:
        pytest.skip("the shared corpus is absent")
    results = list(kvword.read_many(files, jobs=2, macros=True))
    assert [_outcome(r) for r in results] == [_outcome(_read_one(f)) for f in files]


def test_the_iterable_is_consumed_as_reading_goes_on():
    data = make_docx(["x"])
    pulled = 0

    def endless():
        nonlocal pulled
        for _ in itertools.count():
            pulled += 1
            yield data

    results = kvword.read_many(endless(), jobs=2)
    first = list(itertools.islice(results, 10))
    assert len(first) == 10 and all(r.paragraphs == ["x"] for r in first)
    assert pulled <= 10 + 2 * 4  # what was taken plus the window
    results.close()


def test_an_exception_of_the_iterable_comes_after_the_results_before_it():
    data = make_docx(["ok"])

    def failing():
        yield data
        yield data
        raise RuntimeError("the list of files broke")

    results = kvword.read_many(failing(), jobs=2)
    assert next(results).paragraphs == ["ok"]
    assert next(results).paragraphs == ["ok"]
    with pytest.raises(RuntimeError, match="broke"):
        next(results)
    assert list(results) == []


def test_an_item_of_the_wrong_type_is_raised_in_its_place():
    results = kvword.read_many([make_docx(["a"]), 42, make_docx(["b"])], jobs=1)
    assert next(results).paragraphs == ["a"]
    with pytest.raises(TypeError):
        next(results)


@pytest.mark.parametrize("jobs, error", [(0, ValueError), (-2, ValueError), (2.5, TypeError)])
def test_wrong_jobs_are_refused(jobs, error):
    with pytest.raises(error, match="jobs"):
        kvword.read_many([], jobs=jobs)


def test_an_empty_input_gives_nothing():
    assert list(kvword.read_many([])) == []
    assert list(kvword.read_many(iter([]), jobs=3)) == []


def test_abandoning_the_iterator_stops_the_workers():
    data = make_docx(["y"] * 100)
    before = threading.active_count()
    for _ in range(5):
        results = kvword.read_many(itertools.repeat(data), jobs=3)
        next(results)
        del results
    assert next(kvword.read_many([data])).paragraphs == ["y"] * 100
    assert threading.active_count() == before


def _children():
    """The processes this one started that still exist."""
    me = str(os.getpid())
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as stat:
                    fields = stat.read().rsplit(")", 1)[1].split()
            except OSError:
                continue
            if fields[1] == me:
                found.append(int(entry))
    return found


# The child reading a document is made to spin (so that its CPU time runs out at
# any machine's speed) or to crash on one name; the documents around it are read as
# usual, and the error is in its place.
@pytest.mark.parametrize("hook, error, message", [
    ("KVWORD_TEST_SPIN_ON", kvword.TimeoutError, "File {} took more than 0.3 s of CPU time to read"),
    ("KVWORD_TEST_CRASH_ON", kvword.DamagedFileError, "The reader ended abnormally on file {} (Aborted)"),
])
def test_with_a_timeout_a_document_over_its_time_or_crashing_is_an_error_in_its_place(
        tmp_path, monkeypatch, hook, error, message):
    stuck = str(tmp_path / "stuck.doc")
    monkeypatch.setenv(hook, stuck)
    items = [str(SAMPLES / "sample.doc"), stuck, make_docx(["between"]), stuck,
             str(SAMPLES / "sample.docx")]
    results = list(kvword.read_many(items, jobs=2, timeout=0.3))
    for i in (1, 3):
        assert type(results[i]) is error
        assert (results[i].message, results[i].file) == (message.format(stuck), stuck)
    for i in (0, 2, 4):
        assert _outcome(results[i]) == _outcome(_read_one(items[i]))
    if error is kvword.TimeoutError:
        assert isinstance(results[1], TimeoutError)  # the built-in too
    assert _children() == []


@pytest.mark.parametrize("options", [{}, {"format": "html", "macros": True}, {"view": "stored"},
                                     {"format": "markdown", "front_matter": True}])
def test_with_a_timeout_every_result_is_what_it_is_without(tmp_path, options):
    items = [SAMPLES / "sample.doc", str(tmp_path / "missing.doc"), make_docx(["a", "b"]),
             b"not a document", str(tmp_path), str(SAMPLES / "sample.docx")]
    timed = list(kvword.read_many(items, jobs=2, timeout=30, **options))
    plain = list(kvword.read_many(items, jobs=2, **options))
    assert [_outcome(r) for r in timed] == [_outcome(r) for r in plain]
    assert isinstance(timed[4], kvword.IsADirectoryError)


def test_with_a_timeout_abandoning_the_iterator_ends_the_children():
    results = kvword.read_many(itertools.repeat(make_docx(["z"])), jobs=2, timeout=30)
    assert next(results).paragraphs == ["z"]
    results.close()
    assert _children() == []


@pytest.mark.parametrize("timeout, error", [
    (0, ValueError), (-1, ValueError), (float("nan"), ValueError), (float("inf"), ValueError),
    ("soon", TypeError), (True, TypeError)])
def test_wrong_timeouts_are_refused(timeout, error):
    with pytest.raises(error, match="timeout"):
        kvword.read_many([], timeout=timeout)


@pytest.fixture(scope="module")
def big_docx(tmp_path_factory):
    """A .docx grown until reading it takes at least half a second on this machine,
    so that a blocked interpreter would show at any speed (a fast machine reads the
    first, 3 MB of text, in under 20 ms)."""
    path = tmp_path_factory.mktemp("big") / "big.docx"
    line = "The quick brown fox jumps over the lazy dog, again and again, " * 2
    count = 20000
    while True:
        path.write_bytes(make_docx([f"{i} {line}" for i in range(count)]))
        start = time.perf_counter()
        kvword.read(path)
        if time.perf_counter() - start >= 0.5:
            return path
        if count >= 20000 * 64:
            pytest.skip("this machine reads 200 MB of text in under half a second")
        count *= 4


def _largest_pause_while(work):
    """Runs work() on a thread; returns (its seconds, the longest stretch in which
    this thread could not run Python meanwhile)."""
    done = threading.Event()
    elapsed = []

    def run():
        start = time.perf_counter()
        work()
        elapsed.append(time.perf_counter() - start)
        done.set()

    thread = threading.Thread(target=run)
    last = time.perf_counter()
    longest = 0.0
    thread.start()
    while not done.is_set():
        now = time.perf_counter()
        longest = max(longest, now - last)
        last = now
    thread.join()
    return elapsed[0], longest


@pytest.mark.parametrize("how", ["read", "read_many"])
def test_python_keeps_running_while_a_large_document_is_read(big_docx, how):
    if how == "read":
        work = lambda: kvword.read(big_docx)  # noqa: E731
    else:
        work = lambda: list(kvword.read_many([big_docx, big_docx], jobs=1))  # noqa: E731
    elapsed, longest = _largest_pause_while(work)
    assert elapsed > 0.1, "the document is read too fast to show anything"
    # Holding the GIL for the read would stop this thread for most of it; only
    # building the result's Python objects holds it.
    assert longest < elapsed / 2, (elapsed, longest)
