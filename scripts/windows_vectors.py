#!/usr/bin/env python3
"""Checks the Windows tessaroll-cli under Wine against the reference vectors and the Linux CLI.

Run by scripts/test-windows.sh, which builds both programs and sets up Wine. Checks:

* `self-test` of the Windows CLI agrees on every built-in vector;
* every vector of tests/data/engine.jsonl through `generate`, the output compared byte for byte
  with the lines the vector expects (Windows writes text with CR LF line ends);
* output.txt written by the Windows CLI has the bytes of the one the Linux CLI writes, apart from
  the time stamp, also when it replaces an older output.txt.

The reference lists hold Windows-1252 codes, where a character the code page lacks counts as "?".
Windows converts the personal password with the system's own best-fit mapping instead (U+0142 is
"l" there, not "?"). For a vector whose password Windows converts to other codes, the expected
list is the Linux CLI's list for the password as Windows converts it, the conversion taken from
the system's code page table (an .nls file). Such vectors are counted apart.
"""
import argparse
import concurrent.futures
import json
import os
import pathlib
import struct
import subprocess
import sys
import tempfile
import time

CRLF = b"\r\n"


class CodePageTable:
    """The UTF-16 to code page table of a single-byte Windows code page file (c_NNNN.nls)."""

    def __init__(self, path: pathlib.Path):
        data = path.read_bytes()
        header_words, self.code_page, max_char_size = struct.unpack_from("<3H", data, 0)
        if max_char_size != 1:
            raise ValueError(f"{path}: code page {self.code_page} is not a single-byte one")
        # After the header: the offset (in words, from its own place) of the table of the other
        # direction; that table starts with one word of its own, then 65536 bytes.
        offset_place = 2 * header_words
        (to_wide_words,) = struct.unpack_from("<H", data, offset_place)
        start = offset_place + 2 * to_wide_words + 2
        self.to_bytes = data[start : start + 65536]
        if len(self.to_bytes) != 65536:
            raise ValueError(f"{path}: table is cut short")

    def encode(self, text: str) -> bytes:
        units = text.encode("utf-16-le")
        return bytes(
            self.to_bytes[int.from_bytes(units[i : i + 2], "little")]
            for i in range(0, len(units), 2)
        )


def reference_codes(text: str) -> bytes:
    """Windows-1252 codes as the reference lists count them: "?" for every missing code point."""
    out = bytearray()
    for ch in text:
        try:
            out += ch.encode("cp1252")
        except UnicodeEncodeError:
            out += b"?"
    return bytes(out)


def generate_args(v: dict) -> list:
    return [
        "generate",
        f"--day={v['day']}",
        f"--month={v['month']}",
        f"--year={v['year']}",
        f"--count={v['count']}",
        f"--length={v['length']}",
        f"--pattern={v['pattern']}",
    ]


class Runner:
    def __init__(self, args):
        self.wine = args.wine
        self.windows_cli = str(pathlib.Path(args.windows_cli).resolve())
        self.linux_cli = str(pathlib.Path(args.linux_cli).resolve())

    def windows(self, argv, personal: bytes = b"", cwd=None):
        # Standard input and output go through files, not pipes: Wine's helper processes inherit
        # the handles of the first program that starts them, and a pipe would then never close.
        with tempfile.TemporaryFile() as stdin, tempfile.TemporaryFile() as stdout, \
                tempfile.TemporaryFile() as stderr:
            stdin.write(personal + b"\n")
            stdin.seek(0)
            returncode = subprocess.run(
                [self.wine, self.windows_cli, *argv],
                stdin=stdin,
                stdout=stdout,
                stderr=stderr,
                cwd=cwd,
                timeout=300,
            ).returncode
            stdout.seek(0)
            stderr.seek(0)
            return subprocess.CompletedProcess(argv, returncode, stdout.read(), stderr.read())

    def linux(self, argv, personal: bytes = b"", cwd=None):
        return subprocess.run(
            [self.linux_cli, *argv],
            input=personal + b"\n",
            capture_output=True,
            cwd=cwd,
            timeout=300,
        )


def show(data: bytes, limit: int = 400) -> str:
    text = repr(data)
    return text if len(text) <= limit else text[:limit] + "..."


class Tally:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, ok: bool, what: str, detail: str = "") -> bool:
        if ok:
            self.passed += 1
        else:
            self.failed += 1
            print(f"FAIL {what}" + (f"\n     {detail}" if detail else ""), flush=True)
        return ok


def check_self_test(run: Runner, tally: Tally):
    result = run.windows(["self-test"])
    out = result.stdout.replace(CRLF, b"\n").decode("utf-8", "replace")
    print("self-test under Wine: " + out.strip().replace("\n", " | "), flush=True)
    first = out.split("\n", 1)[0].split()
    whole = len(first) >= 3 and first[1] == "of" and first[0] == first[2] and first[0] != "0"
    tally.check(
        result.returncode == 0 and whole and "left out" not in out,
        "self-test under Wine",
        f"exit {result.returncode}, stdout {show(result.stdout)}, stderr {show(result.stderr)}",
    )


def vector_outcome(run: Runner, table: CodePageTable, number: int, v: dict):
    """(category, ok, detail) of one vector."""
    personal = v["personal"]
    utf8 = personal.encode("utf-8")
    result = run.windows(generate_args(v), utf8)
    where = f"vector on line {number} of the file"

    if "error" in v:
        expected = run.linux(generate_args(v), utf8)
        ok = (
            result.returncode == 1
            and expected.returncode == 1
            and result.stdout == b""
            and result.stderr.replace(CRLF, b"\n") == expected.stderr
            and expected.stderr != b""
        )
        detail = (
            f"{where}: expected the error '{v['error']}' (exit 1, Linux says "
            f"{show(expected.stderr)}); Windows exit {result.returncode}, "
            f"stdout {show(result.stdout)}, stderr {show(result.stderr)}"
        )
        return "error", ok, detail

    system_codes = table.encode(personal)
    if system_codes == reference_codes(personal):
        category = "reference"
        expected_out = b"".join(
            f"Password {i}= {pw}".encode("ascii") + CRLF for i, pw in enumerate(v["passwords"], 1)
        )
    else:
        # Windows gives this password other codes than the reference; the Linux CLI computes the
        # list for those codes. One of Windows-1252's five unassigned bytes has no text that would
        # give it on Linux, so such a vector cannot be checked this way and counts as failed.
        category = "best fit, same list"
        try:
            as_linux_text = system_codes.decode("cp1252").encode("utf-8")
        except UnicodeDecodeError:
            return category, False, f"{where}: codes {show(system_codes)} have no Linux text"
        expected = run.linux(generate_args(v), as_linux_text)
        if expected.returncode != 0:
            return category, False, f"{where}: the Linux CLI failed: {show(expected.stderr)}"
        expected_out = expected.stdout.replace(b"\n", CRLF)
        if expected.stdout != b"".join(f"Password {i}= {pw}\n".encode("ascii") for i, pw in
                                       enumerate(v["passwords"], 1)):
            category = "best fit, other list"
    expected_err = b"???" + CRLF
    ok = (
        result.returncode == 0
        and result.stdout == expected_out
        and result.stderr == expected_err * v.get("messages", 0)
    )
    detail = (
        f"{where}, {category}: exit {result.returncode}\n"
        f"     expected {show(expected_out)}\n     got      {show(result.stdout)}\n"
        f"     stderr   {show(result.stderr)}"
    )
    return category, ok, detail


def check_vectors(run: Runner, table: CodePageTable, vectors_file: pathlib.Path, jobs: int, tally):
    vectors = [json.loads(line) for line in vectors_file.read_text("utf-8").splitlines() if line]
    started = time.monotonic()
    agreed = {}
    totals = {}
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        futures = [
            pool.submit(vector_outcome, run, table, n, v) for n, v in enumerate(vectors, 1)
        ]
        for future in futures:
            category, ok, detail = future.result()
            totals[category] = totals.get(category, 0) + 1
            if tally.check(ok, "vector", detail):
                agreed[category] = agreed.get(category, 0) + 1
    seconds = time.monotonic() - started
    parts = ", ".join(f"{agreed.get(c, 0)} of {n} {c}" for c, n in sorted(totals.items()))
    print(
        f"vectors under Wine: {sum(agreed.values())} of {len(vectors)} agree ({parts}); "
        f"{seconds:.1f} s, {jobs} at a time",
        flush=True,
    )


def split_output(data: bytes):
    """The lines before the time stamp, and whether the file is framed as it should be."""
    if not data.endswith(CRLF):
        return None, False
    lines = data[: -len(CRLF)].split(CRLF)
    return lines[:-1], lines[-1].startswith(b"Generated on ")


def check_output_files(run: Runner, vectors_file: pathlib.Path, work: pathlib.Path, tally):
    vectors = [json.loads(line) for line in vectors_file.read_text("utf-8").splitlines() if line]
    listed = [v for v in vectors if "passwords" in v and v["count"] > 0]
    cases = [
        max(listed, key=lambda v: (v["count"], len(v["personal"]))),
        next(v for v in listed if any(ord(c) > 127 for c in v["personal"])),
        dict(listed[0], count=0),
    ]
    win_dir = work / "output-windows"
    linux_dir = work / "output-linux"
    for d in (win_dir, linux_dir):
        d.mkdir(parents=True, exist_ok=True)
        for f in d.iterdir():
            f.unlink()
    # The same folder every time, so that each case after the first replaces an existing file.
    for n, v in enumerate(cases, 1):
        personal = v["personal"].encode("utf-8")
        args = generate_args(v)
        win = run.windows(args + ["--output-dir=output-windows"], personal, cwd=work)
        lin = run.linux(args + [f"--output-dir={linux_dir}"], personal)
        what = f"output.txt case {n} (count {v['count']}, date {v['month']}/{v['day']}/{v['year']})"
        if not tally.check(
            win.returncode == 0 and lin.returncode == 0,
            what,
            f"Windows exit {win.returncode} {show(win.stderr)}, "
            f"Linux exit {lin.returncode} {show(lin.stderr)}",
        ):
            continue
        win_bytes = (win_dir / "output.txt").read_bytes()
        lin_bytes = (linux_dir / "output.txt").read_bytes()
        win_lines, win_framed = split_output(win_bytes)
        lin_lines, lin_framed = split_output(lin_bytes)
        leftovers = sorted(f.name for f in win_dir.iterdir() if f.name != "output.txt")
        tally.check(
            win_framed and lin_framed and win_lines == lin_lines and not leftovers,
            what,
            f"Windows {show(win_bytes)}\n     Linux   {show(lin_bytes)}\n"
            f"     other files on Windows: {leftovers}",
        )


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n", 1)[0])
    parser.add_argument("--wine", required=True, help="the Wine loader")
    parser.add_argument("--windows-cli", required=True)
    parser.add_argument("--linux-cli", required=True)
    parser.add_argument("--vectors", required=True, type=pathlib.Path)
    parser.add_argument("--code-page-table", required=True, type=pathlib.Path)
    parser.add_argument("--work", required=True, type=pathlib.Path)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    args = parser.parse_args()

    args.work.mkdir(parents=True, exist_ok=True)
    run = Runner(args)
    table = CodePageTable(args.code_page_table)
    tally = Tally()
    check_self_test(run, tally)
    check_vectors(run, table, args.vectors, args.jobs, tally)
    check_output_files(run, args.vectors, args.work, tally)
    print(f"{tally.passed} passed, {tally.failed} failed")
    return 0 if tally.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
