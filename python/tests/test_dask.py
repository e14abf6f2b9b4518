"""kvword.dask on a local Dask cluster of two worker processes (loopback only): one
record per path with the tool's output, errors in place, and nothing lost or
doubled when a worker is killed during the run."""

import json
import os
import signal
import subprocess
import sys
import threading
import time

import pytest

distributed = pytest.importorskip(
    "distributed", reason="Dask distributed is not installed (Debian's python3-distributed)")
pytest.importorskip("dask.bag", reason="dask.bag is not installed (Debian's python3-dask)")

import kvword  # noqa: E402
import kvword.dask  # noqa: E402
from conftest import SAMPLES, corpus_files, make_docx  # noqa: E402


@pytest.fixture
def cluster_client():
    cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                       host="127.0.0.1", dashboard_address=None,
                                       silence_logs=40)
    client = distributed.Client(cluster)
    try:
        yield client
    finally:
        client.close()
        cluster.close()


def _documents(tmp_path):
    """The corpus, or documents made here when it is absent; plus two that fail."""
    files = [str(p) for p in corpus_files()]
    if not files:
        for i in range(40):
            path = tmp_path / f"made-{i}.docx"
            path.write_bytes(make_docx([f"made {i}"] * (i % 5 + 1)))
            files.append(str(path))
        files += [str(SAMPLES / "sample.doc"), str(SAMPLES / "sample.docx")]
    (tmp_path / "not-a-document.doc").write_bytes(b"plain text\n" * 50)
    return files + [str(tmp_path / "missing.docx"), str(tmp_path / "not-a-document.doc")]


def _output(folder):
    records = []
    for name in sorted(os.listdir(folder)):
        if name.endswith(".jsonl"):
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                records += [json.loads(line) for line in f]
    return records


def _tool_records(files, tmp_path):
    tool = os.environ.get("KVWORD_CLI")
    if not tool:
        return None
    listing = tmp_path / "list.txt"
    listing.write_text("".join(f + "\n" for f in files), encoding="utf-8")
    out = subprocess.run([tool, "--json", "--all", "-q", "-j", "2", f"--files-from={listing}"],
                         capture_output=True, check=False).stdout.decode("utf-8")
    return [json.loads(line) for line in out.split("\n") if line]


def test_one_record_per_path_with_the_tools_text(cluster_client, tmp_path):
    files = _documents(tmp_path)
    records = kvword.dask.extract(files, cluster_client, partition_size=25)
    written = kvword.dask.to_jsonl(records, str(tmp_path / "out"), cluster_client)
    assert [os.path.basename(name) for name, _, _ in written] == [
        f"part-{i:05}.jsonl" for i in range(len(written))]
    output = _output(tmp_path / "out")
    assert [r["file"] for r in output] == files
    assert sum(count for _, count, _ in written) == len(files)
    by_file = {r["file"]: r for r in output}
    assert by_file[files[-2]] == {"file": files[-2], "error": f"File {files[-2]} is not found."}
    assert set(by_file[files[-1]]) == {"file", "error"}
    assert sum(errors for _, _, errors in written) == sum("error" in r for r in output)

    tool = _tool_records(files, tmp_path)
    if tool is None:  # the tool is not built: kvword.read in this process instead
        for r in output[:50]:
            if "error" not in r:
                assert r["text"] == kvword.read(r["file"], newline="\r\n").text
        return
    assert [t["file"] for t in tool] == files
    for ours, theirs in zip(output, tool):
        assert ("error" in ours) == ("error" in theirs), ours["file"]
        if "error" not in ours:
            assert ours == theirs, ours["file"]


def test_a_killed_worker_loses_and_doubles_nothing(cluster_client, tmp_path):
    data = (SAMPLES / "sample.docx").read_bytes()
    files = []
    for i in range(160):
        path = tmp_path / f"doc-{i:03}.docx"
        path.write_bytes(data)
        files.append(str(path))
    out = tmp_path / "out"

    def slowly(record):  # each record takes a while, so that tasks are caught running
        time.sleep(0.03)
        return record

    records = kvword.dask.extract(files, cluster_client, partition_size=10).map(slowly)
    pids = cluster_client.run(os.getpid)
    killed = []

    def kill_one_worker_mid_run():
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            if out.is_dir() and any(n.endswith(".jsonl") for n in os.listdir(out)):
                pid = sorted(pids.values())[0]
                os.kill(pid, signal.SIGKILL)
                killed.append(pid)
                return
            time.sleep(0.01)

    killer = threading.Thread(target=kill_one_worker_mid_run)
    killer.start()
    written = kvword.dask.to_jsonl(records, str(out), cluster_client)
    killer.join()
    assert killed, "no worker was killed"
    done = len([n for n in os.listdir(out) if n.endswith(".jsonl")])
    assert done == len(written) == 16
    output = _output(out)
    assert sorted(r["file"] for r in output) == files  # each exactly once
    assert all(r["text"].startswith("kvword sample document") for r in output)


def test_the_command_line_form(tmp_path):
    data = make_docx(["from the command line"])
    files = []
    for i in range(6):
        path = tmp_path / f"c{i}.docx"
        path.write_bytes(data)
        files.append(str(path))
    files.append(str(tmp_path / "missing.doc"))
    listing = tmp_path / "list.txt"
    listing.write_text("".join(f + "\n" for f in files), encoding="utf-8")
    cluster = distributed.LocalCluster(n_workers=1, threads_per_worker=2, processes=True,
                                       host="127.0.0.1", dashboard_address=None,
                                       silence_logs=40)
    try:
        result = subprocess.run(
            [sys.executable, "-m", "kvword.dask", "--scheduler", cluster.scheduler_address,
             "--files-from", str(listing), "--out", str(tmp_path / "out"), "--partition-size", "4",
             "--no-summary"],
            capture_output=True, text=True, timeout=120)
    finally:
        cluster.close()
    assert result.returncode == 1, result.stderr  # one document failed, as the tool says it
    assert "7 records (1 errors) in 2 files" in result.stderr
    output = _output(tmp_path / "out")
    assert [r["file"] for r in output] == files
    assert output[0]["text"] == "from the command line\r\n" and "summary" not in output[0]
    usage = subprocess.run([sys.executable, "-m", "kvword.dask", "--files-from", str(listing)],
                           capture_output=True, text=True, timeout=60)
    assert usage.returncode == 2 and "--out" in usage.stderr


def test_documents_shipped_as_bytes_keep_their_names():
    items = [("first.docx", make_docx(["one"])), ("second.doc", b"no document"),
             ("third.docx", make_docx(["three"]))]
    records = kvword.dask.extract(items, None, partition_size=2).compute(scheduler="sync")
    assert [r["file"] for r in records] == ["first.docx", "second.doc", "third.docx"]
    assert records[0]["text"] == "one\r\n" and records[2]["text"] == "three\r\n"
    assert records[1]["error"] == "File (bytes) is not valid MS Word document"


def test_the_password_can_come_from_the_workers_environment(monkeypatch):
    protected = corpus_files((".docx",))
    protected = [p for p in protected if p.name == "x0190-bug53475-password-is-pass.docx"]
    if not protected:
        pytest.skip("the protected corpus document is absent")
    monkeypatch.setenv("KVWORD_TEST_PASSWORD", "pass")
    bag = kvword.dask.extract([str(protected[0])], None, password_env="KVWORD_TEST_PASSWORD")
    assert "'password'" not in repr(dict(bag.__dask_graph__()))  # the graph holds the name only
    opened = bag.compute(scheduler="sync")[0]
    assert "error" not in opened and opened["text"]
    monkeypatch.delenv("KVWORD_TEST_PASSWORD")
    assert "password protected" in bag.compute(scheduler="sync")[0]["error"]


def test_with_a_timeout_a_document_over_its_time_is_an_error_record(tmp_path, monkeypatch):
    stuck = str(tmp_path / "stuck.doc")
    monkeypatch.setenv("KVWORD_TEST_SPIN_ON", stuck)  # its reading child spins
    paths = [str(SAMPLES / "sample.doc"), stuck, str(SAMPLES / "sample.docx")]
    records = kvword.dask.extract(paths, None, partition_size=2, timeout=0.3).compute(scheduler="sync")
    assert records[1] == {"file": stuck, "error": f"File {stuck} took more than 0.3 s of CPU time to read"}
    assert records[0] == kvword.dask.record(kvword.read(paths[0]))
    assert records[2]["text"] == kvword.read(paths[2]).text.replace("\n", "\r\n")


@pytest.mark.parametrize("kwargs, error", [
    ({"partition_size": 0}, ValueError),
    ({"timeout": 0}, ValueError),
    ({"password": "a", "password_env": "B"}, ValueError),
    ({"password_env": ""}, TypeError),
    ({"view": "everything"}, ValueError),
])
def test_wrong_arguments_fail_before_any_task(kwargs, error):
    with pytest.raises(error):
        kvword.dask.extract(["a.doc"], None, **kwargs)


def test_markdown_and_undecodable_encodings_reach_the_records():
    shaped = make_docx([], body='<w:p><w:pPr><w:outlineLvl w:val="1"/></w:pPr><w:r><w:t>Part</w:t></w:r></w:p>'
                                '<w:p><w:r><w:t>* not a bullet</w:t></w:r></w:p>')
    old = b"{\\rtf1\\ansi\\ansicpg20127 caf\\'e9}"
    items = [("shaped.docx", shaped), ("old.rtf", old)]
    records = kvword.dask.extract(items, None, format="markdown").compute(scheduler="sync")
    assert records[0]["text"] == "## Part\r\n\r\n\\* not a bullet\r\n"
    assert "undecodableEncodings" not in records[0]
    assert records[1]["undecodableEncodings"] == ["cp20127"]
    plain = kvword.dask.extract(items, None).compute(scheduler="sync")
    assert plain[0]["text"] == "Part\r\n* not a bullet\r\n"
    assert plain[1]["undecodableEncodings"] == ["cp20127"]


def test_the_command_line_form_takes_markdown_and_refuses_what_it_cannot_write(tmp_path, capsys):
    listing = tmp_path / "list.txt"
    listing.write_text("a.doc\n", encoding="utf-8")
    with pytest.raises(SystemExit) as caught:
        kvword.dask.main(["--files-from", str(listing), "--out", str(tmp_path / "out"),
                          "--format", "markdown", "--front-matter", "--view", "stored"])
    assert caught.value.code == 2 and "shown view" in capsys.readouterr().err
