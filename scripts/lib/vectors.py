# SPDX-License-Identifier: GPL-3.0-or-later
"""The reference vectors of tests/data/engine.jsonl through a tessaroll-cli: how one is asked
for, how the program is run, and whether a run gave the vector's outcome. Shared by the check of
the Windows build (scripts/windows_vectors.py) and the configuration matrix
(scripts/test_matrix.py), which add their comparisons with other builds on top.
"""
import concurrent.futures
import json
import pathlib
import re
import subprocess
import tempfile

ROOT = pathlib.Path(__file__).resolve().parent.parent.parent
VECTORS = ROOT / "tests" / "data" / "engine.jsonl"
LF = b"\n"
CRLF = b"\r\n"
# The notes a list may come with on standard error (session/password_notes.h, session/limits.h).
NOTES = (b"Only the first ", b"In code page ", b"The personal password is empty")
DATE_NOTE = re.compile(rb"-?\d+/-?\d+/-?\d+ (is not a date|lies before)")


def load(path: pathlib.Path = VECTORS) -> list:
    """(line number, vector) for every vector of the file."""
    return [(n, json.loads(text)) for n, text in
            enumerate(path.read_text("utf-8").splitlines(), 1) if text.strip()]


def generate_args(v: dict) -> list:
    args = [
        "generate", f"--day={v['day']}", f"--month={v['month']}", f"--year={v['year']}",
        f"--count={v['count']}", f"--length={v['length']}",
    ]  # fmt: skip
    # An empty pattern (every position a digit) is what no --pattern gives: the command line
    # refuses an empty --pattern, which is what an unset shell variable would give.
    if v["pattern"]:
        args.append(f"--pattern={v['pattern']}")
    if "code_page" in v:
        args.append(f"--code-page={v['code_page']}")
    return args


def show(data: bytes, limit: int = 400) -> str:
    text = repr(data)
    return text if len(text) <= limit else text[:limit] + "..."


def refused(v: dict) -> bool:
    """Whether the command line refuses the vector: one with an error, and one whose count or
    length is below 1, for which the engine gives an empty list or empty passwords."""
    return "error" in v or v["count"] <= 0 or v["length"] <= 0


def expected_output(v: dict, newline: bytes = LF) -> bytes:
    return b"".join(f"Password {i}= {pw}".encode("ascii") + newline
                    for i, pw in enumerate(v["passwords"], 1))


class Cli:
    """One tessaroll-cli, run as argv (an emulator or Wine first, then the program) followed by a
    command's arguments, the personal password and a line end on standard input.

    through_files: standard input and output go through files, not pipes (under Wine, whose
    helper processes inherit the handles of the first program that starts them, so that a pipe
    would never close)."""

    def __init__(self, argv: list, through_files: bool = False, timeout: int = 600):
        self.argv = [str(a) for a in argv]
        self.through_files = through_files
        self.timeout = timeout

    def __call__(self, args, personal: bytes = b"", cwd=None, env=None):
        command = [*self.argv, *args]
        if not self.through_files:
            return subprocess.run(command, input=personal + LF, capture_output=True, cwd=cwd,
                                  env=env, timeout=self.timeout)
        with tempfile.TemporaryFile() as stdin, tempfile.TemporaryFile() as stdout, \
                tempfile.TemporaryFile() as stderr:
            stdin.write(personal + LF)
            stdin.seek(0)
            returncode = subprocess.run(command, stdin=stdin, stdout=stdout, stderr=stderr,
                                        cwd=cwd, env=env, timeout=self.timeout).returncode
            stdout.seek(0)
            stderr.seek(0)
            return subprocess.CompletedProcess(command, returncode, stdout.read(), stderr.read())


def run_vector(cli: Cli, v: dict):
    return cli(generate_args(v), v["personal"].encode("utf-8"))


def outcome(result, v: dict, newline: bytes = LF):
    """None when a run of the vector gave its outcome, else what differs.

    A refusal: exit 1, nothing on standard output, the reason on standard error (for a count or
    length, one that names the range 1 to 130). A list: exit 0, the expected lines with the
    given line end, and on standard error only notes, one a line: on the personal password
    (characters that do not reach the seed as typed, the empty password, characters beyond the
    seed) and on a date that is not in the calendar or lies before the first year."""
    err = result.stderr.replace(CRLF, LF) if newline == CRLF else result.stderr
    got = (f"exit {result.returncode}, stdout {show(result.stdout)}, "
           f"stderr {show(result.stderr)}")
    if refused(v):
        why = f"the error '{v['error']}'" if "error" in v else "a refusal of the count or length"
        ok = result.returncode == 1 and result.stdout == b"" and err != b""
        if "error" not in v:
            ok = ok and b"1 to 130" in err
        return None if ok else f"expected {why} (exit 1); got {got}"
    expected = expected_output(v, newline)
    note_ok = (err == b"" or err.endswith(LF)) and all(
        line.startswith(NOTES) or DATE_NOTE.match(line) for line in err.splitlines())
    if result.returncode == 0 and result.stdout == expected and note_ok:
        return None
    want = expected.decode("ascii").splitlines()
    lines = result.stdout.decode("utf-8", "replace").splitlines()
    differs = next((i for i in range(max(len(want), len(lines)))
                    if i >= len(want) or i >= len(lines) or want[i] != lines[i]), None)
    where = "" if differs is None else (
        f"; line {differs + 1} of the list: expected "
        f"{want[differs] if differs < len(want) else 'none'!r}, "
        f"got {lines[differs] if differs < len(lines) else 'none'!r}")
    return (f"expected {show(expected)}; got exit {result.returncode}, {len(lines)} lines for "
            f"{len(want)}, stderr {show(result.stderr)}{where}")


def in_parallel(function, items, jobs: int) -> list:
    """function(item) for every item, jobs at a time; the results in the order of items."""
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        return list(pool.map(function, items))
