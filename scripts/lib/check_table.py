# SPDX-License-Identifier: GPL-3.0-or-later
"""The cases of `tessaroll-cli check` in tests/data/check_cases.json, through any tessaroll-cli.

tests/cli/check_cli_test.cpp runs the same table on the Linux build; scripts/windows_vectors.py
runs it here on the Windows build under Wine (and on the Linux build beside it). The file says
what a case holds.
"""
import json
import pathlib

from vectors import CRLF, LF, ROOT, show

TABLE = ROOT / "tests" / "data" / "check_cases.json"


def passwords_of(stdout: bytes) -> list:
    """The passwords of generate's "Password N= ..." lines; index 0 is empty."""
    listed = [""]
    for line in stdout.replace(CRLF, LF).decode("utf-8", "replace").split("\n"):
        if line.startswith("Password ") and "= " in line:
            listed.append(line.split("= ", 1)[1])
    return listed


def changed(text: str, change: str) -> str:
    return {"": text, "upper": text.upper(), "space": text + " ", "lead": " " + text,
            "cr": text + "\r"}[change]


def run_case(run, table: dict, case: dict, work: pathlib.Path):
    """None when the case gives what the table says, else what differs.

    run(argv, stdin, cwd) runs the program with stdin and a line end after it."""
    (work / "p.tq").unlink(missing_ok=True)
    for setup in case.get("setup", []):
        result = run(setup, b"", work)
        if result.returncode != 0:
            return f"setup {setup} gave exit {result.returncode}, {show(result.stderr)}"
    personal = case.get("personal", table["personal"])
    settings = case["settings"]
    lines = [personal]
    candidate = ""
    if "candidate" in case:
        spec = case["candidate"]
        if "text" in spec:
            candidate = spec["text"]
        else:
            listed = run(["generate", f"--date={spec['date']}", *spec.get("settings", settings)],
                         personal.encode("utf-8"), work)
            passwords = passwords_of(listed.stdout)
            if listed.returncode != 0 or spec["number"] >= len(passwords):
                return f"generate gave exit {listed.returncode}, {show(listed.stdout)}"
            candidate = passwords[spec["number"]]
        lines.append(changed(candidate, spec.get("change", "")))
    result = run(["check", *settings, *case["args"]], "\n".join(lines).encode("utf-8"), work)
    out = result.stdout.replace(CRLF, LF).decode("utf-8", "replace")
    err = result.stderr.replace(CRLF, LF).decode("utf-8", "replace")
    got = f"exit {result.returncode}, stdout {out!r}, stderr {err!r}"
    want = case["out"] + "\n" if case["out"] else ""
    if result.returncode != case["status"] or out != want:
        return f"expected exit {case['status']} and {want!r}; got {got}"
    if "err" in case and case["err"] not in err:
        return f"expected {case['err']!r} on standard error; got {got}"
    if "err_as_generate" in case:
        generate = run(case["err_as_generate"], personal.encode("utf-8"), work)
        if generate.stderr.replace(CRLF, LF) != result.stderr.replace(CRLF, LF):
            return f"standard error {err!r}, generate's {show(generate.stderr)}"
    for secret in (personal, candidate):
        if len(secret) >= 4 and (secret in out or secret in err):
            return f"a password read is shown: {got}"
    return None


def run_table(run, work: pathlib.Path, path: pathlib.Path = TABLE) -> list:
    """(name, None or what differs) for every case of the table, run in the folder work."""
    table = json.loads(path.read_text("utf-8"))
    work.mkdir(parents=True, exist_ok=True)
    return [(case["name"], run_case(run, table, case, work)) for case in table["cases"]]
