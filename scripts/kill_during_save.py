#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Kills tessaroll-cli during its saves and counts what that leaves behind.

ROUNDS times each, "generate --output-dir" (a list of 130 passwords of 130 characters, then one of
a single password, in turn) and "pattern set" (count 130 and length 130, then 1 and 1, in turn)
are started and killed with SIGKILL at a random moment of their run. After each kill output.txt and
pattern.tq must each be one of the two contents written, whole. After all the kills each command
runs once more to its end: no temporary file may then be left. (A killed writer leaves a named
temporary file only when it dies between naming its unnamed file and the rename; the next save
removes it, as no writer holds its lock.)

Usage: scripts/kill_during_save.py [path/to/tessaroll-cli] [ROUNDS] [FOLDER]
FOLDER: where the files are written (a fresh folder in it is used; default: a temporary folder),
so that a file system of another kind can be measured. Exit status 0 when nothing was torn and no
temporary file was left.
"""

import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

TEMPORARY = re.compile(r"^(output\.txt|pattern\.tq)\.[a-z0-9]{12}\.tmp$")


def run(cli, args, folder):
    with open(os.path.join(folder, "password.txt"), "rb") as password:
        return subprocess.run([cli] + args, stdin=password, stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, cwd=folder, check=False)


def main():
    cli = os.path.realpath(sys.argv[1] if len(sys.argv) > 1 else "build/cli/tessaroll-cli")
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    base = sys.argv[3] if len(sys.argv) > 3 else None
    work = tempfile.mkdtemp(prefix="tessaroll-kill-", dir=base)
    try:
        os.chmod(work, 0o700)
        with open(os.path.join(work, "password.txt"), "w", encoding="ascii") as f:
            f.write("secret\n")
        long_list = ["generate", "--date", "2002-07-26", "--count", "130", "--length", "130",
                     "--output-dir", "."]
        short_list = ["generate", "--date", "2002-07-27", "--count", "1", "--length", "1",
                      "--output-dir", "."]
        big = ["pattern", "set", "--pattern-file", "pattern.tq", "--count", "130", "--length",
               "130", "--pattern", "l" * 130]
        small = ["pattern", "set", "--pattern-file", "pattern.tq", "--count", "1", "--length", "1",
                 "--pattern", "d"]

        # The whole contents, from runs that are not killed.
        wholes = {}
        for name, commands in (("output.txt", (long_list, short_list)),
                               ("pattern.tq", (big, small))):
            wholes[name] = set()
            for args in commands:
                result = run(cli, args, work)
                if result.returncode != 0:
                    sys.exit("%s failed: %s" % (" ".join(args), result.stderr.decode()))
                with open(os.path.join(work, name), "rb") as f:
                    content = f.read()
                if name == "output.txt":
                    content = re.sub(rb"Generated on [^\r]*", b"Generated on", content)
                wholes[name].add(content)

        rng = random.Random(20)
        summary = []
        for name, commands in (("output.txt", (long_list, short_list)),
                               ("pattern.tq", (big, small))):
            # How long a run takes here: the kills fall anywhere in it.
            start = time.monotonic()
            for i in range(10):
                run(cli, commands[i % 2], work)
            span = (time.monotonic() - start) / 10 * 1.2
            torn = 0
            killed = 0
            left_by_kills = 0
            for i in range(rounds):
                with open(os.path.join(work, "password.txt"), "rb") as password:
                    process = subprocess.Popen([cli] + commands[i % 2], stdin=password,
                                               stdout=subprocess.DEVNULL,
                                               stderr=subprocess.DEVNULL, cwd=work)
                time.sleep(rng.uniform(0, span))
                process.send_signal(signal.SIGKILL)
                killed += process.wait() == -signal.SIGKILL
                with open(os.path.join(work, name), "rb") as f:
                    content = f.read()
                if name == "output.txt":
                    content = re.sub(rb"Generated on [^\r]*", b"Generated on", content)
                torn += content not in wholes[name]
                # Removed by the next run's save: counted before it.
                left_by_kills += any(TEMPORARY.match(n) for n in os.listdir(work))
            summary.append((name, commands, torn, killed, left_by_kills))

        for _, commands, _, _, _ in summary:
            result = run(cli, commands[0], work)
            if result.returncode != 0:
                sys.exit("the last run failed: %s" % result.stderr.decode())
        left = [n for n in os.listdir(work) if TEMPORARY.match(n) or n.endswith(".tmp")]

        for name, commands, torn, killed, left_by_kills in summary:
            print("%s: %d runs killed during \"%s\" (%d of them before they ended): %d torn "
                  "files; kills that left a temporary file until the next run: %d"
                  % (name, rounds, " ".join(commands[0][:2]), killed, torn, left_by_kills))
        print("temporary files left after one more run of each: %d" % len(left))
        ok = all(torn == 0 for _, _, torn, _, _ in summary) and not left
        return 0 if ok else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
