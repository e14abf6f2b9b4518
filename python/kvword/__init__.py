"""kvword: the text of Microsoft Word documents (.doc, .docx, RTF, web pages, Word XML).

Read one document::

    import kvword
    doc = kvword.read("report.docx")
    print(doc.text)

The document's shape as Markdown (headings, lists, tables, notes, links),
exactly what ``kvword --format=markdown`` prints::

    markdown = kvword.read("report.doc", format="markdown").text

Read many on worker threads, results in input order::

    for result in kvword.read_many(paths):
        if isinstance(result, kvword.Error):
            print(result.file, result.message)
        else:
            index(result.file, result.text)

A document that cannot be read raises a subclass of kvword.Error (read_many gives
the exception object in its place instead).
"""

from __future__ import annotations

import collections as _collections
import datetime as _datetime
import errno as _errno
import os as _os

from . import _kvword

__all__ = [
    "Document",
    "Error",
    "NotWordDocumentError",
    "PasswordProtectedError",
    "WrongPasswordError",
    "DamagedFileError",
    "FileNotFoundError",
    "FileOpenError",
    "IsADirectoryError",
    "TimeoutError",
    "read",
    "read_many",
]

__version__ = _kvword.__version__

_builtin_FileNotFoundError = FileNotFoundError
_builtin_IsADirectoryError = IsADirectoryError
_builtin_TimeoutError = TimeoutError


class Error(Exception):
    """A document could not be read.

    ``message`` is the library's message, exactly as it raised it; ``file`` is the
    file name as given (None for bytes and file objects). str(error) is the message.
    """

    def __init__(self, message: str, file: str | None = None) -> None:
        super().__init__(message)
        self.message = message
        self.file = file

    def __str__(self) -> str:
        return self.message

    def __reduce__(self):  # keeps the class, message and file through pickling
        return (type(self), (self.message, self.file))


class NotWordDocumentError(Error):
    """The file is not a Word document."""


class PasswordProtectedError(Error):
    """The document is protected by a password and none was given."""


class WrongPasswordError(Error):
    """The password given does not open the document."""


class DamagedFileError(Error):
    """The document is damaged (or the reader failed on it in any other way)."""


class FileNotFoundError(Error, _builtin_FileNotFoundError):  # noqa: A001 - also the built-in
    """There is no such file. Also a built-in FileNotFoundError."""

    def __init__(self, message: str, file: str | None = None) -> None:
        Error.__init__(self, message, file)
        self.errno = _errno.ENOENT
        self.strerror = message
        self.filename = file

    def __str__(self) -> str:
        return self.message


class FileOpenError(Error, OSError):
    """The file exists but cannot be opened (permissions, for instance). Also an OSError."""

    def __init__(self, message: str, file: str | None = None) -> None:
        Error.__init__(self, message, file)

    def __str__(self) -> str:
        return self.message


class IsADirectoryError(FileOpenError, _builtin_IsADirectoryError):  # noqa: A001 - also the built-in
    """A directory was named. Also a FileOpenError and a built-in IsADirectoryError."""

    def __init__(self, message: str, file: str | None = None) -> None:
        FileOpenError.__init__(self, message, file)
        self.errno = _errno.EISDIR
        self.strerror = message
        self.filename = file


class TimeoutError(Error, _builtin_TimeoutError):  # noqa: A001 - also the built-in
    """Reading the document took longer than its time limit. Also a built-in TimeoutError."""

    def __init__(self, message: str, file: str | None = None) -> None:
        Error.__init__(self, message, file)

    def __str__(self) -> str:
        return self.message


# The native module's failure classes, in its order.
_ERRORS = {
    1: NotWordDocumentError,
    2: PasswordProtectedError,
    3: WrongPasswordError,
    4: DamagedFileError,
    5: FileNotFoundError,
    6: FileOpenError,
    7: IsADirectoryError,
    8: TimeoutError,
}


_SIDE_TEXTS = ("footnotes", "endnotes", "headers", "footers", "annotations", "text_boxes",
               "macro_text")


def _joined(entries, newline):
    """The entries as the tool prints them: each ended by CR LF; with newline "\\n",
    every CR LF then becomes LF (a lone CR stays), as kvword --lf writes it."""
    text = "".join(entry + "\r\n" for entry in entries)
    return text.replace("\r\n", "\n") if newline == "\n" else text


class Document:
    """One document's texts and properties.

    ``text`` is the main text as a str, exactly as the command-line tool prints it
    (in the format asked for), its lines ended by "\\n" (``newline="\\r\\n"``: by
    CR LF, the tool's own bytes). ``paragraphs`` lists the lines of that text, one
    per paragraph whatever the reader, without their line ends. The side texts
    ``footnotes``, ``endnotes``, ``headers``, ``footers``, ``annotations``,
    ``text_boxes`` and ``macro_text`` are str the same way.

    Where the reader's own entries matter, ``text_list`` and ``footnotes_list``,
    ``endnotes_list``, ... (each side text's name with "_list") give them as lists
    of str: a .docx package gives one per paragraph, a .doc file mostly one for the
    whole text, its paragraphs separated by "\\r\\n" (the tool's JSON arrays).

    With ``format="markdown"``, ``text`` is the document's Markdown as
    ``kvword --format=markdown`` prints it (the notes as footnotes after the main
    text); ``paragraphs`` and ``text_list`` both list its lines, and the side texts
    stay plain text.

    ``undecodable_encodings`` names the encodings the document used that could not
    be decoded ("cp20127", "koi8-r", ...), in the order met: the text in them was
    read as Windows-1252 and may be wrong (the tool warns "cannot decode ..." on
    standard error). Empty for nearly every document.

    ``summary`` maps the set summary properties by name ("Title", "Author",
    "Created", ...) to str, int or, for dates, a timezone-aware datetime: a .doc
    file's in the local time of the machine that read it, a .docx package's with
    the offset it states (UTC when it states none). ``vba_modules`` lists
    (name, source) of the VBA modules (with macros=True). ``reader`` names the
    reader that read it ("doc", "docx", "rtf", ...); ``doc_version`` is the .doc
    file's Word version number (None for the other readers). ``file`` is the file
    name as given, None for bytes and file objects.
    """

    __slots__ = (
        "file", "reader", "doc_version", "text", "paragraphs", "text_list", "summary",
        "vba_modules", "undecodable_encodings",
    ) + _SIDE_TEXTS + tuple(name + "_list" for name in _SIDE_TEXTS)

    def __init__(self, file: str | None, values: dict, newline: str = "\n") -> None:
        self.file = file
        self.reader: str = values["reader"]
        self.doc_version: int | None = values["doc_version"]
        markdown = values.get("markdown")
        if markdown is None:
            self.text_list: list[str] = values["text"]
            crlf = _joined(self.text_list, "\r\n")
        else:  # every line of the Markdown ends in CR LF
            crlf = markdown
            self.text_list = crlf.split("\r\n")[:-1]
        self.text: str = crlf if newline == "\r\n" else crlf.replace("\r\n", "\n")
        self.paragraphs: list[str] = crlf.split("\r\n")[:-1]
        for name in _SIDE_TEXTS:
            entries = values[name]
            setattr(self, name + "_list", entries)
            setattr(self, name, _joined(entries, newline))
        self.summary: dict = {name: _summary_value(v) for name, v in values["summary"]}
        self.vba_modules: list[tuple[str, str]] = values["vba_modules"]
        self.undecodable_encodings: list[str] = values.get("undecodable_encodings", [])

    def __repr__(self) -> str:
        return (f"<kvword.Document file={self.file!r} reader={self.reader!r} "
                f"{len(self.paragraphs)} paragraphs, {len(self.text)} characters>")


def _summary_value(value):
    """A summary value; a date comes as its clock time's fields and its offset from
    UTC in minutes (None: it states none, and its clock time is taken as UTC)."""
    if not isinstance(value, tuple):
        return value
    *fields, offset = value
    utc = _datetime.timezone.utc
    if not offset:
        return _datetime.datetime(*fields, tzinfo=utc)
    try:
        return _datetime.datetime(*fields, tzinfo=_datetime.timezone(_datetime.timedelta(minutes=offset)))
    except (ValueError, OverflowError):  # an offset of a day or more: the moment, in UTC
        try:
            return _datetime.datetime(*fields, tzinfo=utc) - _datetime.timedelta(minutes=offset)
        except OverflowError:
            return _datetime.datetime(*fields, tzinfo=utc)


_VIEWS = {"stored": 0, "shown": 1}
_REVISIONS = {None: 0, "accept": 1, "reject": 2, "mark": 3}
_FORMATS = {"plain": 0, "rtf": 1, "html": 2, "markdown": 3}
_READERS = {"auto": 0, "doc": 1, "docx": 2, "rtf": 3, "html": 4, "wordxml": 5}


def _choice(name: str, value, choices: dict) -> int:
    try:
        return choices[value]
    except (KeyError, TypeError):
        allowed = ", ".join(repr(c) for c in choices)
        raise ValueError(f"{name} must be one of {allowed}, not {value!r}") from None


def _options(view="shown", revisions=None, format="plain", max_length=0, hidden_text=False,
             macros=False, summary=True, password=None, reader="auto", front_matter=False):
    if isinstance(max_length, bool) or not isinstance(max_length, int):
        raise TypeError(f"max_length must be an int, not {type(max_length).__name__}")
    if not 0 <= max_length <= 2**31 - 1:
        raise ValueError(f"max_length must be between 0 (no limit) and {2**31 - 1}, not {max_length}")
    if password is not None and not isinstance(password, str):
        raise TypeError(f"password must be a str or None, not {type(password).__name__}")
    return _kvword.make_options(
        _choice("view", view, _VIEWS), _choice("revisions", revisions, _REVISIONS),
        _choice("format", format, _FORMATS), max_length, bool(hidden_text), bool(macros),
        bool(summary), password, _choice("reader", reader, _READERS), bool(front_matter))


def _source(path_or_bytes):
    """(what the native reader takes, the file name as given or None)."""
    if isinstance(path_or_bytes, str):
        return path_or_bytes, path_or_bytes
    if isinstance(path_or_bytes, (bytes, bytearray, memoryview)):
        return bytes(path_or_bytes), None
    if isinstance(path_or_bytes, _os.PathLike):
        path = _os.fspath(path_or_bytes)
        if isinstance(path, bytes):
            path = _os.fsdecode(path)  # undecodable bytes as lone surrogates
        return path, path
    read_method = getattr(path_or_bytes, "read", None)
    if callable(read_method):
        data = read_method()
        if not isinstance(data, (bytes, bytearray, memoryview)):
            raise TypeError(f"the file object's read() gave {type(data).__name__}, not bytes: "
                            "open the document in binary mode ('rb')")
        return bytes(data), None
    raise TypeError("expected a file name (str or os.PathLike), the document's bytes or a "
                    f"binary file object, not {type(path_or_bytes).__name__}")


def _result(file, value, newline="\n"):
    if isinstance(value, dict):
        return Document(file, value, newline)
    kind, message = value
    return _ERRORS.get(kind, DamagedFileError)(message, file)


def _newline(newline):
    if newline not in ("\n", "\r\n"):
        raise ValueError(f"newline must be '\\n' or '\\r\\n', not {newline!r}")
    return newline


def read(path_or_bytes, *, view="shown", revisions=None, format="plain", max_length=0,
         hidden_text=False, macros=False, summary=True, password=None, reader="auto",
         newline="\n", front_matter=False):
    """Read one Word document (.doc or .docx) and return its Document.

    path_or_bytes: a file name (str or os.PathLike; names the OS gives as bytes work
        through os.fsdecode), the document's bytes (bytes, bytearray, memoryview),
        or a binary file object (read to its end).
    view: "shown" (default) gives the text as Word displays it: list labels and note
        marks, tracked changes resolved, hidden text dropped; "stored" the text as
        the file stores it.
    revisions: None (the view's way: "shown" accepts them), "accept", "reject", or
        "mark" ("+" before inserted and "-" before deleted runs).
    format: "plain" (default), "rtf", "html" or "markdown": Document.text is what
        kvword --format=FORMAT prints (RTF all ASCII, HTML declared UTF-8;
        Markdown with GitHub's tables, footnotes and strikethrough, of the shown
        view only).
    front_matter: with format="markdown", open the Markdown with the document's
        title as YAML front matter (kvword --front-matter); the title comes from
        the summary, so summary=False leaves it out.
    max_length: cut each text list to that many characters (0: no limit); the
        Markdown is cut at the last line end within it.
    hidden_text: keep text formatted as hidden.
    macros: read the VBA project: Document.vba_modules and the macro text.
    summary: read the summary information (title, author, dates, counts).
    password: the password of a protected document.
    reader: "auto" (default: by content, as the library chooses), or one of "doc",
        "docx", "rtf", "html", "wordxml" (a kind without a reader of its own in
        this build is read by the "doc" reader).
    newline: how the lines of Document.text and the side texts end: "\\n"
        (default) or "\\r\\n" (the tool's bytes).

    The GIL is released while the document is read.

    Raises a subclass of kvword.Error when the document cannot be read:
    NotWordDocumentError, PasswordProtectedError, WrongPasswordError,
    DamagedFileError, FileNotFoundError, FileOpenError. Raises ValueError or
    TypeError for a wrong argument.
    """
    options = _options(view, revisions, format, max_length, hidden_text, macros, summary,
                       password, reader, front_matter)
    newline = _newline(newline)
    source, file = _source(path_or_bytes)
    result = _result(file, _kvword.read(source, options), newline)
    if isinstance(result, Error):
        raise result
    return result


def _default_jobs() -> int:
    try:
        return max(1, len(_os.sched_getaffinity(0)))
    except (AttributeError, OSError):
        return max(1, _os.cpu_count() or 1)


# Documents at most in flight or waiting to be taken, per worker thread.
_WINDOW_PER_JOB = 4


def read_many(paths, *, jobs=None, view="shown", revisions=None, format="plain", max_length=0,
              hidden_text=False, macros=False, summary=True, password=None, reader="auto",
              newline="\n", timeout=None, front_matter=False):
    """Read many documents on worker threads; yield a result per item, in input order.

    paths: an iterable of anything read() takes (file names, bytes, binary file
        objects); it is consumed as the reading goes on, never all at once.
    jobs: worker threads (default: one per core the process may use).
    timeout: None (default), or the seconds of CPU time each document may take.
        With a timeout every worker thread reads its documents in a child process
        of its own (a fresh interpreter, under 4 GiB of address space), as
        kvword --timeout does: a document over its time gives a TimeoutError, one
        that crashes the reader a DamagedFileError, in its place, and a new child
        reads the next. A child costs an interpreter's start (tens of
        milliseconds) and each document a copy through a pipe.
    The other options are read()'s, applied to every document.

    Each result is a Document, or, for a document that could not be read, the
    kvword.Error it raised (not raised: the iteration goes on). At most a few
    documents per worker are read ahead, so memory stays bounded however many are
    read. An exception from the iterable itself, or an item of a wrong type, is
    raised in its place after the results before it. The GIL is released while
    documents are read and while waiting for them.
    """
    settings = dict(view=view, revisions=revisions, format=format, max_length=max_length,
                    hidden_text=hidden_text, macros=macros, summary=summary, password=password,
                    reader=reader, front_matter=front_matter)
    options = _options(**settings)
    newline = _newline(newline)
    timeout = _timeout(timeout)
    if jobs is None:
        jobs = _default_jobs()
    if isinstance(jobs, bool) or not isinstance(jobs, int):
        raise TypeError(f"jobs must be an int or None, not {type(jobs).__name__}")
    if not 1 <= jobs <= 1024:
        raise ValueError(f"jobs must be between 1 and 1024, not {jobs}")
    if timeout is not None:
        return _read_many_in_processes(iter(paths), settings, jobs, newline, timeout)
    return _read_many(iter(paths), options, jobs, newline)


def _timeout(timeout):
    """None, or the time limit as a float: positive, finite seconds."""
    if timeout is None:
        return None
    if isinstance(timeout, bool) or not isinstance(timeout, (int, float)):
        raise TypeError(f"timeout must be a number of seconds or None, not {type(timeout).__name__}")
    if not 0 < timeout < 1e9:
        raise ValueError(f"timeout must be a positive number of seconds, not {timeout!r}")
    return float(timeout)


def _read_many(items, options, jobs, newline):
    files = _collections.deque()  # file names of the items in flight, oldest first

    def sources():
        for item in items:
            source, file = _source(item)
            files.append(file)
            yield source

    reader = _kvword.ReadMany(sources(), options, jobs, jobs * _WINDOW_PER_JOB)
    try:
        for value in reader:
            yield _result(files.popleft(), value, newline)
    finally:
        reader.close()


def _read_many_in_processes(items, settings, jobs, newline, timeout):
    """read_many with a time limit: each of jobs threads hands its documents to a
    child process of its own (kvword/_worker.py); results in input order."""
    import concurrent.futures
    import threading

    from ._worker import WorkerProcess

    local = threading.local()
    workers = []
    workers_lock = threading.Lock()

    def read_one(source, file):
        worker = getattr(local, "worker", None)
        if worker is None:
            worker = local.worker = WorkerProcess(settings, timeout)
            with workers_lock:
                workers.append(worker)
        return worker.read(source, file)

    pool = concurrent.futures.ThreadPoolExecutor(jobs, thread_name_prefix="kvword")
    pending = _collections.deque()  # (file, future), oldest first
    window = jobs * _WINDOW_PER_JOB
    error = None
    exhausted = False
    try:
        while True:
            while not exhausted and error is None and len(pending) < window:
                try:
                    source, file = _source(next(items))
                except StopIteration:
                    exhausted = True
                    break
                except Exception as e:  # raised in its place, after the results before it
                    error = e
                    break
                pending.append((file, pool.submit(read_one, source, file)))
            if not pending:
                if error is not None:
                    raise error
                return
            file, future = pending.popleft()
            yield _result(file, future.result(), newline)
    finally:
        for _, future in pending:
            future.cancel()
        pool.shutdown(wait=True)
        for worker in workers:
            worker.close()
