import builtins
import datetime
import os
from collections.abc import Iterable, Iterator
from typing import BinaryIO, Literal, Union

__version__: str

_Source = Union[str, os.PathLike[str], os.PathLike[bytes], bytes, bytearray, memoryview, BinaryIO]
_View = Literal["shown", "stored"]
_Revisions = Literal["accept", "reject", "mark"] | None
_Format = Literal["plain", "rtf", "html", "markdown"]
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
    text: str
    paragraphs: list[str]
    text_list: list[str]
    footnotes: str
    footnotes_list: list[str]
    endnotes: str
    endnotes_list: list[str]
    headers: str
    headers_list: list[str]
    footers: str
    footers_list: list[str]
    annotations: str
    annotations_list: list[str]
    text_boxes: str
    text_boxes_list: list[str]
    macro_text: str
    macro_text_list: list[str]
    summary: dict[str, str | int | datetime.datetime]
    vba_modules: list[tuple[str, str]]
    undecodable_encodings: list[str]

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
    newline: Literal["\n", "\r\n"] = ...,
    front_matter: bool = ...,
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
    newline: Literal["\n", "\r\n"] = ...,
    timeout: float | None = ...,
    front_matter: bool = ...,
) -> Iterator[Document | Error]: ...
