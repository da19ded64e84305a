#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks the Windows tessaroll-cli under Wine against the reference vectors and the Linux CLI.

Run by scripts/test-windows.sh, which builds both programs and sets up Wine with the ANSI code
page 1252. Checks:

* `self-test` of the Windows CLI agrees on every built-in vector, and `self-test --code-pages`
  finds the code-page tables equal to Windows' own conversion (WideCharToMultiByte and
  MultiByteToWideChar) for each of the ten code pages and every UTF-16 unit;
* every vector of tests/data/engine.jsonl through `generate` on both builds, the output compared
  byte for byte with the lines the vector expects (Windows writes text with CR LF line ends). A
  vector with a "code_page" is given to both through --code-page; the others use the system's
  code page, 1252 on both;
* one personal password with characters outside Windows-1252 gives the same list on both builds,
  with the system's code page and with --code-page 1252, and another list, again the same on
  both, with --code-page 1250, which is also the list of a Windows whose ANSI code page is 1250;
  a Windows with a double-byte code page (932) uses 1252 and says so once;
* output.txt written by the Windows CLI has the bytes of the one the Linux CLI writes, apart from
  the time stamp, also when it replaces an older output.txt; a refused count leaves it alone;
* `check` gives on both builds what each case of tests/data/check_cases.json says (the table the
  Linux tests run).
"""
import argparse
import os
import pathlib
import sys
import threading
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent / "lib"))
import check_table  # noqa: E402 (the cases of check, scripts/lib/check_table.py)
import vectors as vec  # noqa: E402 (the shared vector module, scripts/lib/vectors.py)
from vectors import CRLF, generate_args, show  # noqa: E402

# "\u0142\u00f3d\u017a": 1252 lacks two of its letters and takes their best fits; 1250 has all.
PORTABILITY_PASSWORD = "\u0142\u00f3d\u017a"


class Runner:
    def __init__(self, args):
        self.windows_cli = vec.Cli([args.wine, pathlib.Path(args.windows_cli).resolve()],
                                   through_files=True, timeout=300)
        self.linux = vec.Cli([pathlib.Path(args.linux_cli).resolve()], timeout=300)
        # Runs that ended with exit 1 and wrote nothing at all, run once more (see windows()).
        self.silent_runs = []
        self.lock = threading.Lock()

    def windows(self, argv, personal: bytes = b"", cwd=None, locale=None):
        # Wine takes the Windows locale, and with it the ANSI code page, from LC_ALL.
        env = dict(os.environ, LC_ALL=locale, LANG=locale) if locale else None
        result = self.windows_cli(argv, personal, cwd, env)
        # tessaroll-cli never exits 1 without a sentence on standard error, but once in about a
        # thousand runs Wine has ended it so, with both output files empty: once in each of two CI
        # runs on a freshly made prefix, on a refusal and on a plain list alike, and never in 2,000
        # runs on a prefix made earlier. Such a run is run once more and reported; a program that
        # really exits silently does so again and fails.
        if result.returncode == 1 and result.stdout == b"" and result.stderr == b"":
            with self.lock:
                self.silent_runs.append(" ".join(argv))
            result = self.windows_cli(argv, personal, cwd, env)
        return result


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


def check_self_test(run: Runner, tally: Tally, vector_count: int):
    result = run.windows(["self-test", "--code-pages"])
    out = result.stdout.replace(CRLF, b"\n").decode("utf-8", "replace")
    print("self-test under Wine: " + out.strip().replace("\n", " | "), flush=True)
    lines = out.split("\n")
    whole = f"{vector_count} of {vector_count} vectors agree with the reference lists."
    tables = len(lines) > 1 and lines[1].startswith("Code-page tables") and \
        lines[1].endswith("; 0 differ.")
    tally.check(
        result.returncode == 0 and lines[0] == whole and tables,
        "self-test --code-pages under Wine",
        f"exit {result.returncode}, stdout {show(result.stdout)}, stderr {show(result.stderr)}",
    )


def vector_outcome(run: Runner, system: str, number: int, v: dict):
    """Whether one build computes the vector's outcome, and what it did otherwise."""
    utf8 = v["personal"].encode("utf-8")
    args = generate_args(v)
    result = run.windows(args, utf8) if system == "Windows" else run.linux(args, utf8)
    newline = CRLF if system == "Windows" else vec.LF
    problem = vec.outcome(result, v, newline)
    if problem is None and system == "Windows":
        # Standard error, the reason of a refusal or the note on the characters that reach the
        # seed, says the same as on Linux.
        linux = run.linux(args, utf8)
        if result.stderr.replace(CRLF, vec.LF) != linux.stderr:
            problem = f"standard error {show(result.stderr)}, on Linux {show(linux.stderr)}"
    return problem is None, f"{system}, vector on line {number} of the file: {problem}"


def check_vectors(run: Runner, vectors: list, jobs: int, tally: Tally):
    numbered = list(enumerate(vectors, 1))
    for system in ("Linux", "Windows"):
        started = time.monotonic()
        outcomes = vec.in_parallel(lambda nv: vector_outcome(run, system, *nv), numbered, jobs)
        agreed = 0
        through_option = 0
        for v, (ok, detail) in zip(vectors, outcomes):
            if tally.check(ok, "vector", detail):
                agreed += 1
                through_option += "code_page" in v
        options = sum("code_page" in v for v in vectors)
        print(
            f"vectors through the {system} CLI: {agreed} of {len(vectors)} agree "
            f"({through_option} of {options} through --code-page); "
            f"{time.monotonic() - started:.1f} s, {jobs} at a time",
            flush=True,
        )


def check_portability(run: Runner, tally: Tally):
    """One list for a personal password outside Windows-1252 on both builds, in both ways of
    asking for 1252; another one, again on both, in 1250."""
    personal = PORTABILITY_PASSWORD.encode("utf-8")
    args = ["generate", "--date=2002-07-26", "--count=4", "--length=10"]

    def lines(result):
        return result.stdout.replace(CRLF, b"\n") if result.returncode == 0 else None

    japanese = run.windows(args, personal, locale="ja_JP.UTF-8")
    lists = {
        "Linux": lines(run.linux(args, personal)),
        "Windows (ANSI code page 1252)": lines(run.windows(args, personal)),
        "Linux --code-page 1252": lines(run.linux(args + ["--code-page=1252"], personal)),
        "Windows --code-page 1252": lines(run.windows(args + ["--code-page=1252"], personal)),
        "Linux --code-page 1250": lines(run.linux(args + ["--code-page=1250"], personal)),
        "Windows --code-page 1250": lines(run.windows(args + ["--code-page=1250"], personal)),
        "Windows (ANSI code page 1250)": lines(run.windows(args, personal, locale="pl_PL.UTF-8")),
        "Windows (ANSI code page 932)": lines(japanese),
    }
    for name, listed in lists.items():
        shown = listed.decode("ascii").strip().replace("\n", ", ") if listed else "failed"
        print(f"{PORTABILITY_PASSWORD} on 26 July 2002, {name}: {shown}", flush=True)
    print(f"note of the Windows CLI with the ANSI code page 932: {show(japanese.stderr)}")
    values = list(lists.values())
    in_1252 = values[:4] + values[7:]
    in_1250 = values[4:7]
    tally.check(
        all(values) and len(set(in_1252)) == 1 and len(set(in_1250)) == 1 and
        in_1250[0] != in_1252[0],
        f"the lists of {PORTABILITY_PASSWORD}",
        "1252 must give one list on both builds, 1250 another one on both",
    )
    tally.check(
        japanese.stderr.count(b"code page 932") == 1 and b"--code-page" in japanese.stderr,
        "the note for a code page the program does not know",
        show(japanese.stderr),
    )


def split_output(data: bytes):
    """The lines before the time stamp, and whether the file is framed as it should be."""
    if not data.endswith(CRLF):
        return None, False
    lines = data[: -len(CRLF)].split(CRLF)
    return lines[:-1], lines[-1].startswith(b"Generated on ")


def check_output_files(run: Runner, vectors: list, work: pathlib.Path, tally: Tally):
    listed = [v for v in vectors if "passwords" in v and v["count"] > 0]
    cases = [
        max(listed, key=lambda v: (v["count"], len(v["personal"]))),
        next(v for v in listed if any(ord(c) > 127 for c in v["personal"])),
        next(v for v in listed if v.get("code_page", 1252) != 1252),
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
    # A refused count leaves the last output.txt as it was on both builds.
    before = {d: (d / "output.txt").read_bytes() for d in (win_dir, linux_dir)}
    v = dict(cases[0], count=0)
    personal = v["personal"].encode("utf-8")
    win = run.windows(generate_args(v) + ["--output-dir=output-windows"], personal, cwd=work)
    lin = run.linux(generate_args(v) + [f"--output-dir={linux_dir}"], personal)
    after = {d: (d / "output.txt").read_bytes() for d in (win_dir, linux_dir)}
    tally.check(
        win.returncode == 1 and lin.returncode == 1 and before == after
        and win.stderr.replace(CRLF, b"\n") == lin.stderr,
        "count 0 refused on both builds, output.txt kept",
        f"Windows exit {win.returncode} {show(win.stderr)}, "
        f"Linux exit {lin.returncode} {show(lin.stderr)}",
    )


def check_check_cases(run: Runner, work: pathlib.Path, tally: Tally):
    """The table of check cases through both builds, each in a folder of its own."""
    for system, runner in (("Linux", run.linux), ("Windows", run.windows)):
        results = check_table.run_table(lambda a, s, cwd: runner(a, s, cwd),
                                        work / f"check-{system.lower()}")
        passed = sum(tally.check(problem is None, f"check on {system}: {name}", problem or "")
                     for name, problem in results)
        print(f"check cases through the {system} CLI: {passed} of {len(results)} as the table "
              f"says", flush=True)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n", 1)[0])
    parser.add_argument("--wine", required=True, help="the Wine loader")
    parser.add_argument("--windows-cli", required=True)
    parser.add_argument("--linux-cli", required=True)
    parser.add_argument("--vectors", required=True, type=pathlib.Path)
    parser.add_argument("--work", required=True, type=pathlib.Path)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    args = parser.parse_args()

    args.work.mkdir(parents=True, exist_ok=True)
    vectors = [v for _, v in vec.load(args.vectors)]
    run = Runner(args)
    tally = Tally()
    check_self_test(run, tally, len(vectors))
    check_vectors(run, vectors, args.jobs, tally)
    check_portability(run, tally)
    check_output_files(run, vectors, args.work, tally)
    check_check_cases(run, args.work, tally)
    for argv in run.silent_runs:
        print(f"run again after a silent exit 1 under Wine: tessaroll-cli.exe {argv}")
    tally.check(len(run.silent_runs) <= 3, "at most 3 silent exits under Wine",
                f"{len(run.silent_runs)} runs ended with exit 1 and no output")
    print(f"{tally.passed} passed, {tally.failed} failed")
    return 0 if tally.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
