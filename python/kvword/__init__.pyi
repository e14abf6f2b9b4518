import builtins
import datetime
import os
from collections.abc import Iterable, Iterator
from typing import BinaryIO, Literal, Union

__version__: str

_Source = Union[str, os.PathLike[str], os.PathLike[bytes], bytes, bytearray, memoryview, BinaryIO]
_View = Literal["shown", "stored"]
_Revisions = Literal["accept", "reject", "mark"] | None
_Format = Literal["plain", "rtf", "html"]
_Reader = Literal["auto", "doc", "docx", "rtf", "html", "wordxml"]

class Error(Exception):
    message: str
    file: str | None
    def __init__(self, message: str, file: str | None = ...) -> None: ...

class NotWordDocumentError(Error): ...
class PasswordProtectedError(Error): ...
class WrongPasswordError(Error): ...
class DamagedFileError(Error): ...
class FileNotFoundError(Error, builtins.FileNotFoundError): ...
class FileOpenError(Error, OSError): ...
class IsADirectoryError(FileOpenError, builtins.IsADirectoryError): ...
class TimeoutError(Error, builtins.TimeoutError): ...

class Document:
    file: str | None
    reader: Literal["doc", "docx", "rtf", "html", "wordxml"]
    doc_version: int | None
    text: list[str]
    footnotes: list[str]
    endnotes: list[str]
    headers: list[str]
    footers: list[str]
    annotations: list[str]
    text_boxes: list[str]
    macro_text: list[str]
    summary: dict[str, str | int | datetime.datetime]
    vba_modules: list[tuple[str, str]]

def read(
    path_or_bytes: _Source,
    *,
    view: _View = ...,
    revisions: _Revisions = ...,
    format: _Format = ...,
    max_length: int = ...,
    hidden_text: bool = ...,
    macros: bool = ...,
    summary: bool = ...,
    password: str | None = ...,
    reader: _Reader = ...,
) -> Document: ...
def read_many(
    paths: Iterable[_Source],
    *,
    jobs: int | None = ...,
    view: _View = ...,
    revisions: _Revisions = ...,
    format: _Format = ...,
    max_length: int = ...,
    hidden_text: bool = ...,
    macros: bool = ...,
    summary: bool = ...,
    password: str | None = ...,
    reader: _Reader = ...,
) -> Iterator[Document | Error]: ...
