#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""tessaroll-cli check over random personal passwords, dates and settings.

For each trial: a random personal password (printable ASCII), date, code page, count (1 to 24,
so that a run stays short), length (8 to 130) and pattern. generate gives the lists of the day
before, the day and the day after; then every password of the three lists goes through
`check --json`, which must report the place where it first stands in check's order (the day
asked, the day before, the day after; the lowest number within a day): for a password of the day
asked its own number and offset 0, for one of the days around offset -1 or +1, unless it also
stands earlier in that order. One random string per trial must not be found (unless it does stand
in a list, which is then where it must be found). Prints the counts; exit 1 on any difference.

Run by ctest (tests/cli/CMakeLists.txt) with the build's tessaroll-cli.
"""
import argparse
import concurrent.futures
import datetime
import json
import os
import random
import string
import subprocess
import sys

CODE_PAGES = [874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258]
FIRST = datetime.date(2002, 1, 3)  # the day before is day 1 of the count, the first with a list
LAST = datetime.date(2079, 12, 30)  # lists of 130 passwords are refused from 2080 on


def run(cli, args, stdin: str):
    return subprocess.run([cli, *args], input=stdin.encode("utf-8"), capture_output=True,
                          timeout=120)


def lists_of(cli, personal, date, settings):
    """{offset: [passwords]} for the day before, the day and the day after; None when any of the
    three is refused."""
    first = date - datetime.timedelta(days=1)
    last = date + datetime.timedelta(days=1)
    result = run(cli, ["generate", f"--date={first}", f"--until={last}", *settings],
                 personal + "\n")
    if result.returncode != 0:
        return None
    blocks = result.stdout.decode("ascii").strip("\n").split("\n\n")
    lists = {}
    for offset, block in zip((-1, 0, 1), blocks):
        lines = block.split("\n")[1:]  # after the "Date=" line
        lists[offset] = [line.split("= ", 1)[1] for line in lines]
    return lists


def trial(cli, number, seed):
    rng = random.Random(f"{seed}-{number}")
    while True:
        personal = "".join(rng.choice(string.printable[:95]) for _ in range(rng.randint(1, 16)))
        date = FIRST + datetime.timedelta(days=rng.randint(0, (LAST - FIRST).days))
        length = rng.randint(8, 130)
        pattern = "".join(rng.choice("dl") for _ in range(rng.randint(1, length)))
        settings = [f"--count={rng.randint(1, 24)}", f"--length={length}",
                    f"--pattern={pattern}", f"--code-page={rng.choice(CODE_PAGES)}"]
        lists = lists_of(cli, personal, date, settings)
        if lists is not None:
            break
    # Where each password first stands, in check's order.
    first = {}
    for offset in (0, -1, 1):
        for n, password in enumerate(lists[offset], 1):
            first.setdefault(password, (n, offset))
    what = f"trial {number}: {settings} --date={date}, personal password {personal!r}"
    counts = {"day": 0, "around": 0, "earlier": 0, "random": 0}
    problems = []
    random_text = "".join(rng.choice(string.ascii_lowercase + string.digits)
                          for _ in range(rng.randint(1, 20)))
    candidates = [(p, o, n) for o in (0, -1, 1) for n, p in enumerate(lists[o], 1)]
    candidates.append((random_text, None, None))
    for candidate, offset, own in candidates:
        result = run(cli, ["check", f"--date={date}", "--json", *settings],
                     f"{personal}\n{candidate}\n")
        try:
            answer = json.loads(result.stdout)
        except ValueError:
            answer = None
        if candidate in first:
            n, o = first[candidate]
            day = date + datetime.timedelta(days=o)
            want = {"found": True, "number": n, "date": str(day), "offset": o}
            status = 0
        else:
            want = {"found": False, "number": None, "date": None, "offset": None}
            status = 1
        if answer != want or result.returncode != status:
            problems.append(f"{what}: {candidate!r} gave exit {result.returncode}, "
                            f"{result.stdout!r}, {result.stderr!r}; expected {want}")
        elif offset is None:
            counts["random"] += not want["found"]
        elif (want["number"], want["offset"]) != (own, offset):
            counts["earlier"] += 1
        else:
            counts["day" if offset == 0 else "around"] += 1
    return counts, problems, sum(len(v) for v in lists.values()), len(lists[0])


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n", 1)[0])
    parser.add_argument("--cli", required=True, help="the tessaroll-cli to check")
    parser.add_argument("--trials", type=int, default=100)
    parser.add_argument("--seed", default="23", help="the same seed gives the same trials")
    parser.add_argument("--jobs", type=int, default=min(2, os.cpu_count() or 1))
    args = parser.parse_args()

    with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        results = list(pool.map(lambda n: trial(args.cli, n, args.seed), range(args.trials)))
    totals = {"day": 0, "around": 0, "earlier": 0, "random": 0}
    passwords = day_passwords = 0
    problems = []
    for counts, trial_problems, listed, of_day in results:
        for key in totals:
            totals[key] += counts[key]
        passwords += listed
        day_passwords += of_day
        problems += trial_problems
    for problem in problems[:20]:
        print("FAIL " + problem)
    print(f"{args.trials} trials (seed {args.seed}): "
          f"{totals['day']} of {day_passwords} passwords of the day asked found with their "
          f"number and offset 0; {totals['around']} of {passwords - day_passwords} of the days "
          f"around found with offset -1 or +1, {totals['earlier']} more found where they stand "
          f"earlier in the order; {totals['random']} of {args.trials} random strings not found; "
          f"{len(problems)} differences.")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
