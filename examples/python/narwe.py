"""Run one SQL SELECT over CSV files from Python, through libnarwe and ctypes.

    import narwe
    rows = narwe.query("SELECT name, age FROM 'people.csv' WHERE age > 40")
    # [{'name': 'Farid Aziz', 'age': 51}, ...]

query(sql, format="json") returns the rows parsed:
  - "json": a list of dicts, keys in SELECT order. A value the library writes
    as a JSON number becomes int or float; every other value is a str (the
    empty value is "", there is no None).
  - "csv": a list of lists of str, the header row first (duplicate column
    names and the exact text of every value are kept).
query_text(sql, format) returns the library's text unparsed.
A failed query raises NarweError; its .name is the library's error name,
for example "FileNotFound" or "ColumnNotFound".

The library is found, in this order: the `library` argument of Narwe(), the
environment variable NARWE_LIBRARY (a path to libnarwe.so), the build tree of
this repository (build/release), then the system's library path. Only the
standard library is used.
"""

import csv
import ctypes
import ctypes.util
import io
import json
import os

__all__ = ["Narwe", "NarweError", "query", "query_text"]

_ERROR_PREFIX = "error: "
_RC_OK, _RC_FAILED = 0, 1  # any other code: out of memory, nothing returned


class NarweError(Exception):
    """A query failed; .name is the library's error name."""

    def __init__(self, name):
        super().__init__(name)
        self.name = name


def _candidates(library):
    if library:
        yield library
        return
    from_env = os.environ.get("NARWE_LIBRARY")
    if from_env:
        yield from_env
        return
    here = os.path.dirname(os.path.abspath(__file__))
    yield os.path.join(here, "..", "..", "build", "release", "libnarwe.so")
    found = ctypes.util.find_library("narwe")
    if found:
        yield found
    yield "libnarwe.so"


class Narwe:
    """One loaded copy of the library. Calls may come from several threads."""

    def __init__(self, library=None):
        errors = []
        for path in _candidates(library):
            try:
                self._lib = ctypes.CDLL(path)
                break
            except OSError as exc:
                errors.append(str(exc))
        else:
            raise OSError("libnarwe not found (set NARWE_LIBRARY): " + "; ".join(errors))
        # The result pointer is read as a raw address so that it can be handed
        # back to narwe_free after its text has been copied.
        for name in ("narwe_query_json", "narwe_query_csv"):
            function = getattr(self._lib, name)
            function.argtypes = [ctypes.c_char_p, ctypes.POINTER(ctypes.c_void_p)]
            function.restype = ctypes.c_int
        self._lib.narwe_free.argtypes = [ctypes.c_void_p]
        self._lib.narwe_free.restype = None

    def query_text(self, sql, format="json"):
        """Runs sql and returns the result text ("json" or "csv")."""
        if format == "json":
            function = self._lib.narwe_query_json
        elif format == "csv":
            function = self._lib.narwe_query_csv
        else:
            raise ValueError('format must be "json" or "csv", not %r' % (format,))
        statement = sql.encode("utf-8")
        if b"\0" in statement:
            raise ValueError("the statement contains a NUL character")
        out = ctypes.c_void_p()
        rc = function(statement, ctypes.byref(out))
        if rc not in (_RC_OK, _RC_FAILED):
            raise NarweError("OutOfMemory")
        try:
            # CSV values are bytes from the input file: undecodable bytes are
            # kept (as surrogate escapes) rather than lost.
            text = ctypes.string_at(out.value).decode("utf-8", "surrogateescape")
        finally:
            self._lib.narwe_free(out)
        if rc == _RC_FAILED:
            name = text[len(_ERROR_PREFIX):] if text.startswith(_ERROR_PREFIX) else text
            raise NarweError(name)
        return text

    def query(self, sql, format="json"):
        """Runs sql and returns the parsed rows (see the module text)."""
        text = self.query_text(sql, format)
        if format == "json":
            return json.loads(text)
        return list(csv.reader(io.StringIO(text, newline="")))


_default = None


def _shared():
    global _default
    if _default is None:
        _default = Narwe()
    return _default


def query(sql, format="json"):
    """Runs sql with the library found as the module text says."""
    return _shared().query(sql, format)


def query_text(sql, format="json"):
    """Runs sql and returns the library's text unparsed."""
    return _shared().query_text(sql, format)
