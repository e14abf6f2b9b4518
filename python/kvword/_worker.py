"""Reading documents in worker processes, for read_many(timeout=...).

Each worker thread of read_many hands its documents, one at a time, to a child
process of its own, as the command-line tool's --timeout does: the child reads each
under a limit of CPU time and of address space. A document that runs over its time,
exhausts its memory or crashes the reader ends that child only; it is given as an
error in its place, and the next document gets a fresh child.

The child is this interpreter running main() below. Requests and answers are
pickled over its standard input and output (both ends are this package): first the
read options and the time limit, then one source (a file name or the document's
bytes) after another, each answered with what the native reader gives for it. The
password, if any, travels in the options through the pipe, never on a command line
or in the environment.
"""

from __future__ import annotations

import math
import os
import pickle
import resource
import signal
import subprocess
import sys

# The address space a child may use while it reads a document (as the tool's).
ADDRESS_SPACE = 4 << 30

# Failure classes, numbered as kvword/__init__.py numbers them.
_DAMAGED = 4
_TIMEOUT = 8

# How a document in memory is named in messages, as the native reader names it.
_MEMORY_NAME = "(bytes)"

_PACKAGE_PARENT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


class WorkerProcess:
    """One child process reading one document at a time (started when needed)."""

    def __init__(self, options: dict, timeout: float) -> None:
        self._options = options
        self._timeout = timeout
        self._process: subprocess.Popen | None = None

    def read(self, source, file: str | None):
        """What the native reader gives for source (a dict, or (class, message))."""
        try:
            if self._process is None:
                self._start()
            pickle.dump(source, self._process.stdin, pickle.HIGHEST_PROTOCOL)
            self._process.stdin.flush()
            return pickle.load(self._process.stdout)
        except (OSError, EOFError, pickle.UnpicklingError, ValueError):
            return self._failure(self._stop(), file)

    def close(self) -> None:
        """Ends the child between documents (it ends at the end of its input)."""
        process, self._process = self._process, None
        if process is None:
            return
        for pipe in (process.stdin, process.stdout):
            try:
                pipe.close()
            except OSError:
                pass
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()

    def _start(self) -> None:
        # -I: neither the environment's PYTHON* variables nor the user's site
        # folder decide what the child imports; the package is found where this
        # process found it.
        code = (f"import sys; sys.path.insert(0, {_PACKAGE_PARENT!r}); "
                "from kvword._worker import main; main()")
        self._process = subprocess.Popen([sys.executable, "-I", "-c", code], stdin=subprocess.PIPE,
                                         stdout=subprocess.PIPE, close_fds=True)
        pickle.dump((self._options, self._timeout), self._process.stdin, pickle.HIGHEST_PROTOCOL)

    def _stop(self) -> int:
        """Ends the child (killed if it still runs); its exit status as Popen gives it."""
        process, self._process = self._process, None
        if process is None:
            return 0
        for pipe in (process.stdin, process.stdout):
            try:
                pipe.close()
            except OSError:
                pass
        if process.poll() is None:
            process.kill()
        return process.wait()

    def _failure(self, status: int, file: str | None):
        name = _MEMORY_NAME if file is None else file
        if status in (-signal.SIGPROF, -signal.SIGXCPU):
            return (_TIMEOUT, f"File {name} took more than {self._timeout:g} s of CPU time to read")
        if status < 0:
            how = signal.strsignal(-status) or f"signal {-status}"
        else:
            how = f"exit status {status}"
        return (_DAMAGED, f"The reader ended abnormally on file {name} ({how})")


def _limit_cpu(timeout: float) -> None:
    """The next timeout seconds of this process's CPU time end it: a profiling
    timer (SIGPROF, whose default action ends the process), with RLIMIT_CPU in
    whole seconds behind it."""
    signal.setitimer(signal.ITIMER_PROF, timeout)
    used = resource.getrusage(resource.RUSAGE_SELF)
    limit = math.ceil(used.ru_utime + used.ru_stime + timeout) + 1
    resource.setrlimit(resource.RLIMIT_CPU, (limit, resource.RLIM_INFINITY))


def main() -> None:
    """The child's side: reads the settings, then one source after another."""
    from . import _kvword, _options

    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
    signal.signal(signal.SIGPROF, signal.SIG_DFL)
    signal.signal(signal.SIGINT, signal.SIG_IGN)  # the parent decides when it ends
    requests, answers = sys.stdin.buffer, sys.stdout.buffer
    sys.stdout = sys.stderr  # nothing else may write to the answers
    try:
        options, timeout = pickle.load(requests)
    except (EOFError, pickle.UnpicklingError):
        return
    native = _options(**options)
    try:
        resource.setrlimit(resource.RLIMIT_AS, (ADDRESS_SPACE, ADDRESS_SPACE))
    except (ValueError, OSError):
        pass  # a lower limit already stands
    # Tests make the child spin, or crash, on one name to see the limit and the
    # recovery work whatever the machine's speed; no document can reach these.
    spin_on = os.environ.get("KVWORD_TEST_SPIN_ON")
    crash_on = os.environ.get("KVWORD_TEST_CRASH_ON")
    while True:
        try:
            source = pickle.load(requests)
        except EOFError:
            return
        _limit_cpu(timeout)
        if spin_on is not None and source == spin_on:
            while True:
                pass
        if crash_on is not None and source == crash_on:
            os.abort()
        value = _kvword.read(source, native)
        signal.setitimer(signal.ITIMER_PROF, 0)
        pickle.dump(value, answers, pickle.HIGHEST_PROTOCOL)
        answers.flush()
