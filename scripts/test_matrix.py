#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The same lists with every compiler, optimiser, power-function path and processor.

`make test-matrix` runs this. For each configuration below it builds the engine, the settings and
tessaroll-cli only (no window program, tests or benchmarks), then runs, natively or under
qemu-user, `tessaroll-cli self-test` and every vector of tests/data/engine.jsonl through
`tessaroll-cli generate`. The first disagreement stops the matrix with the configuration and the
vector's line named. The output ends with one line per configuration and a total.

A configuration that disagrees has found a fault of the engine (an operation whose result depends
on the compiler or the processor): mend the engine, never drop the configuration.

Environment: MATRIX_BUILD (build folder, default build-matrix), JOBS (default: number of cores),
CMAKE_ARGS (passed on to every configure, as in the Makefile), MATRIX_ONLY (names of configurations
to run, separated by commas; default all).
"""
import concurrent.futures
import dataclasses
import os
import pathlib
import re
import shlex
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "scripts" / "lib"))
import vectors as vec  # noqa: E402 (the shared vector module, scripts/lib/vectors.py)

VECTORS = vec.VECTORS
PACKAGES = ROOT / "scripts" / "packages"

# GCC 12 at -O3 warns of overlapping copies inside std::string's operator+ that cannot happen
# (GCC bug 105329); warnings are errors in CI.
GCC_O3 = "-O3 -Wno-restrict"


@dataclasses.dataclass
class Config:
    name: str
    optimise: str  # compiler flags of the build type (optimisation, target processor)
    packages: str  # scripts/packages/<packages>.txt
    cmake: list = dataclasses.field(default_factory=list)  # compiler or toolchain file
    runner: list = dataclasses.field(default_factory=list)  # emulator prefix; empty: native
    pow_path: str = "auto"  # TESSAROLL_POW_PATH
    fma: str = ""  # "present" or "absent": FMA instructions pow_cr must or must not contain
    needs_cpu: str = ""  # processor feature (/proc/cpuinfo flag) the program needs to run natively
    refused: list = dataclasses.field(default_factory=list)  # flags engine/fp_env.h must refuse

    @property
    def folder(self) -> str:
        return re.sub(r"[^a-z0-9]+", "-", self.name.lower()).strip("-")

    @property
    def x86_64(self) -> bool:
        return self.name.startswith("x86-64")


CLANG = ["-DCMAKE_C_COMPILER=clang", "-DCMAKE_CXX_COMPILER=clang++"]
GCC = ["-DCMAKE_C_COMPILER=gcc", "-DCMAKE_CXX_COMPILER=g++"]


def toolchain(triplet: str) -> list:
    return [f"-DCMAKE_TOOLCHAIN_FILE={ROOT}/cmake/{triplet}.cmake"]


CONFIGS = [
    Config("x86-64 clang -O0", "-O0", "matrix", CLANG),
    Config("x86-64 clang -O3 native", "-O3 -march=native -DNDEBUG", "matrix", CLANG),
    Config("x86-64 gcc -O3 native", f"{GCC_O3} -march=native -DNDEBUG", "matrix", GCC),
    # The power function's two versions of its exact products, each alone: the FMA version on a
    # build for the baseline processor, the other on one whose target has FMA instructions.
    Config("x86-64 gcc power fma", "-O2 -DNDEBUG", "matrix", GCC, pow_path="fma",
           fma="present", needs_cpu="fma"),
    Config("x86-64 gcc power nofma", f"{GCC_O3} -march=native -DNDEBUG", "matrix", GCC,
           pow_path="nofma", fma="absent"),
    Config("aarch64 gcc -O2", "-O2 -DNDEBUG", "matrix-aarch64", toolchain("aarch64-linux-gnu"),
           runner=["qemu-aarch64"]),
    Config("i386 gcc -O2 sse2", "-O2 -DNDEBUG", "matrix-i386", toolchain("i686-linux-gnu"),
           refused=["-mfpmath=387", "-ffast-math"]),
    Config("s390x gcc -O2", "-O2 -DNDEBUG", "matrix-s390x", toolchain("s390x-linux-gnu"),
           runner=["qemu-s390x"]),
]


def say(text: str = ""):
    print(f"test-matrix: {text}", flush=True)


def minutes(seconds: float) -> str:
    seconds = round(seconds)
    return f"{seconds // 60} min {seconds % 60:02d} s" if seconds >= 60 else f"{seconds} s"


class Disagreement(Exception):
    result = "DISAGREES"


class BuildFailed(Disagreement):
    result = "BUILD FAILED"


class CheckFailed(Disagreement):
    result = "CHECK FAILED"  # the build is not the one the configuration stands for


# --- Building --------------------------------------------------------------------------------


def run_logged(argv, log: pathlib.Path, env=None):
    with log.open("a") as out:
        out.write(f"$ {shlex.join(str(a) for a in argv)}\n")
        out.flush()
        result = subprocess.run(argv, stdout=out, stderr=subprocess.STDOUT, env=env)
    if result.returncode != 0:
        lines = log.read_text(errors="replace").splitlines()
        print("\n".join(lines[-40:]), flush=True)
        raise BuildFailed(f"{shlex.join(str(a) for a in argv)} failed; the whole log is {log}")


def build(cfg: Config, build_root: pathlib.Path, jobs: int) -> pathlib.Path:
    folder = build_root / cfg.folder
    folder.mkdir(parents=True, exist_ok=True)
    log = folder / "build.log"
    log.write_text("")
    configure = [
        "cmake", "-S", ROOT, "-B", folder, "-DCMAKE_BUILD_TYPE=Release",
        f"-DCMAKE_C_FLAGS_RELEASE={cfg.optimise}", f"-DCMAKE_CXX_FLAGS_RELEASE={cfg.optimise}",
        "-DTESSAROLL_BUILD_UI=OFF", "-DTESSAROLL_BUILD_TESTS=OFF", "-DTESSAROLL_BUILD_BENCH=OFF",
        f"-DTESSAROLL_POW_PATH={cfg.pow_path}", *cfg.cmake,
        *shlex.split(os.environ.get("CMAKE_ARGS", "")),
    ]  # fmt: skip
    run_logged(configure, log)
    run_logged(["nice", "-n", "10", "cmake", "--build", folder, "--target", "tessaroll-cli",
                "-j", str(jobs)], log)
    return folder / "cli" / "tessaroll-cli"


def compiler_of(folder: pathlib.Path) -> str:
    found = next(folder.glob("CMakeFiles/*/CMakeCXXCompiler.cmake")).read_text()
    return re.search(r'^set\(CMAKE_CXX_COMPILER "(.*)"\)$', found, re.M).group(1)


def check_refusals(cfg: Config, folder: pathlib.Path):
    """Each flag of cfg.refused must make engine/fp_env.h stop the compilation."""
    compiler = compiler_of(folder)
    cache = (folder / "CMakeCache.txt").read_text()
    base = shlex.split(re.search(r"^CMAKE_CXX_FLAGS:\w+=(.*)$", cache, re.M).group(1))
    for flag in cfg.refused:
        result = subprocess.run(
            [compiler, "-std=c++20", *base, flag, "-fsyntax-only", "-I", ROOT, "-x", "c++", "-"],
            input=b'#include "engine/fp_env.h"\n', capture_output=True)
        error = next((line for line in result.stderr.decode().splitlines() if "#error" in line),
                     "")
        if result.returncode == 0 or not error:
            raise CheckFailed(f"the engine builds with {shlex.join(base + [flag])}: "
                               "engine/fp_env.h must refuse it")
        say(f"  {flag} refused: {error.split('#error', 1)[1].strip()}")


FMA_INSTRUCTION = re.compile(r"\svfn?m(add|sub)\w*\s")


def check_fma(cfg: Config, cli: pathlib.Path):
    """Counts the FMA instructions of pow_cr and its second phase; checks what cfg.fma says."""
    listing = subprocess.run(["objdump", "-d", "-C", "--no-show-raw-insn", cli],
                             capture_output=True, text=True, check=True).stdout
    counts = {}
    calls = 0
    current = None
    for line in listing.splitlines():
        header = re.match(r"^[0-9a-f]+ <(.*)>:$", line)
        if header:
            name = header.group(1)
            current = name if re.search(r"tessaroll::(\(anonymous namespace\)::)?pow_(cr|phase2)\(",
                                        name) else None
            if current:
                counts[current] = 0
        elif current:
            counts[current] += bool(FMA_INSTRUCTION.search(line))
            calls += bool(re.search(r"\scall\s.*<fma(@plt)?>", line))
    if not counts:
        raise CheckFailed(f"objdump shows no pow_cr in {cli}")
    total = sum(counts.values())
    shown = ", ".join(f"{n.replace('tessaroll::', '').replace('(anonymous namespace)::', '')} "
                      f"{c}" for n, c in counts.items())
    say(f"  FMA instructions: {shown}; calls of fma(): {calls}")
    if cfg.fma == "present" and not all(counts.values()):
        raise CheckFailed("the forced FMA build has a power function without FMA instructions")
    if cfg.fma == "absent" and (total or calls):
        raise CheckFailed("the forced non-FMA build has FMA instructions in its power function")


def cpu_flags() -> set:
    try:
        text = pathlib.Path("/proc/cpuinfo").read_text()
    except OSError:
        return set()
    found = re.search(r"^flags\s*:(.*)$", text, re.M)
    return set(found.group(1).split()) if found else set()


# --- Running ---------------------------------------------------------------------------------


def show(data: bytes, limit: int = 300) -> str:
    return vec.show(data, limit)


def self_test(run: vec.Cli):
    result = run(["self-test"])
    out = result.stdout.decode("utf-8", "replace")
    first = re.match(r"(\d+) of (\d+) vectors agree", out)
    say("  self-test: " + out.strip().replace("\n", " | "))
    if result.returncode != 0 or not first or first.group(1) != first.group(2) or \
            first.group(1) == "0" or "left out" in out:
        raise Disagreement(f"self-test: exit {result.returncode}, stdout {show(result.stdout)}, "
                           f"stderr {show(result.stderr)}")


def vector_outcome(run: vec.Cli, v: dict, refusals: dict, line: int):
    """None when the vector agrees, else what differs."""
    result = vec.run_vector(run, v)
    problem = vec.outcome(result, v)
    # Standard error, the reason of a refusal or the note on the characters that reach the seed,
    # must be what every other configuration gives.
    key = line if vec.refused(v) else -line
    expected = refusals.get(key)
    if problem is None and expected in (None, result.stderr):
        refusals.setdefault(key, result.stderr)
        return None
    return problem or (f"standard error {show(result.stderr)} where the configurations before "
                       f"gave {show(expected)}")


def check_vectors(run: vec.Cli, vectors: list, refusals: dict, jobs: int) -> int:
    """Runs every vector, jobs at a time; raises Disagreement at the first (by line) that fails."""
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        futures = [pool.submit(vector_outcome, run, v, refusals, line) for line, v in vectors]
        for (line, _), future in zip(vectors, futures):
            problem = future.result()
            if problem is not None:
                pool.shutdown(cancel_futures=True)
                raise Disagreement(f"vector on line {line} of {VECTORS.relative_to(ROOT)}: "
                                   f"{problem}")
    return len(vectors)


# Beyond the vectors: every day of a year in lists of the largest size (130 passwords of 130
# characters) for a few personal passwords, about 30 million powers in all, subnormal results and the
# MPFR fallback among them. There are no reference lists for these; every configuration must give
# the bytes the first one gave.
SWEEPS = [
    ("", "2024-01-01", "2024-12-31", "dl" * 65),
    ("secret", "2025-01-01", "2025-12-31", "l" * 130),
    ("Zürich 9 ✓ łódź", "2047-01-01", "2047-12-31", "ddl" * 43 + "d"),
]


def sweep_args(sweep) -> list:
    _, first, last, pattern = sweep
    return ["generate", f"--date={first}", f"--until={last}", "--count=130", "--length=130",
            f"--pattern={pattern}"]


def sweep_outcome(run: vec.Cli, sweep, expected):
    """(output, None) when the sweep agrees with expected (or expected is None), else what differs."""
    result = run(sweep_args(sweep), sweep[0].encode("utf-8"))
    # Standard error holds the notes on the personal password (the characters that reach the seed,
    # an empty password, characters the code page lacks); it is compared with the first
    # configuration's like the lists.
    if result.returncode != 0:
        return None, f"exit {result.returncode}, stderr {show(result.stderr)}"
    output = result.stdout + result.stderr
    if expected is None or output == expected:
        return output, None
    got = output.decode().splitlines()
    want = expected.decode().splitlines()
    n = next(i for i in range(max(len(got), len(want)))
             if i >= len(got) or i >= len(want) or got[i] != want[i])
    date = next((line for line in reversed(want[:n]) if line.startswith("Date=")), "")
    return None, (f"line {n + 1} ({date}): expected {want[n] if n < len(want) else 'none'!r}, "
                  f"got {got[n] if n < len(got) else 'none'!r}")


def check_sweeps(run: vec.Cli, outputs: list, jobs: int):
    """Runs every sweep; the first configuration's outputs become those the others must give."""
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        futures = [pool.submit(sweep_outcome, run, sw, outputs[i] if outputs else None)
                   for i, sw in enumerate(SWEEPS)]
        results = [f.result() for f in futures]
    for sweep, (_, problem) in zip(SWEEPS, results):
        if problem:
            raise Disagreement(f"the lists of {sweep[1]} to {sweep[2]} for the personal password "
                               f"{sweep[0]!r}: {problem}")
    if not outputs:
        outputs.extend(out for out, _ in results)
    lists = sum(out.count(b"Date=") for out, _ in results)
    say(f"  {lists} lists of 130 x 130 for every day of {len(SWEEPS)} years agree"
        + (" (the reference for the other configurations)" if len(outputs) == len(SWEEPS)
           and outputs[0] is results[0][0] else ""))


# --- The matrix ------------------------------------------------------------------------------


@dataclasses.dataclass
class Outcome:
    config: Config
    result: str = "not run"
    vectors: int = 0
    build_s: float = 0
    run_s: float = 0


def run_config(cfg: Config, outcome: Outcome, build_root, vectors, refusals, sweep_outputs, jobs,
               flags):
    started = time.monotonic()
    try:
        cli = build(cfg, build_root, jobs)
    finally:
        outcome.build_s = time.monotonic() - started
    say(f"  built in {minutes(outcome.build_s)} with {compiler_of(cli.parent.parent)} "
        f"{cfg.optimise}, power function: {cfg.pow_path}")
    if cfg.refused:
        check_refusals(cfg, cli.parent.parent)
    if cfg.x86_64:
        check_fma(cfg, cli)
    prefix = cfg.runner
    if cfg.needs_cpu and cfg.needs_cpu not in flags:
        # This processor cannot run the build; QEMU's emulation of the newest one can.
        say(f"  this processor lacks {cfg.needs_cpu}: running under qemu-x86_64 -cpu max")
        prefix = ["qemu-x86_64", "-cpu", "max"]
    run = vec.Cli([*prefix, cli])
    started = time.monotonic()
    try:
        self_test(run)
        outcome.vectors = check_vectors(run, vectors, refusals, jobs)
        check_sweeps(run, sweep_outputs, jobs)
    finally:
        outcome.run_s = time.monotonic() - started
    say(f"  {outcome.vectors} of {len(vectors)} vectors agree through `generate`"
        f"{' under ' + ' '.join(prefix) if prefix else ''}, {minutes(outcome.run_s)}, "
        f"{jobs} at a time")


def main() -> int:
    started = time.monotonic()
    jobs = int(os.environ.get("JOBS") or os.cpu_count() or 1)
    build_root = pathlib.Path(os.environ.get("MATRIX_BUILD") or ROOT / "build-matrix").resolve()
    only = [n.strip() for n in os.environ.get("MATRIX_ONLY", "").split(",") if n.strip()]
    configs = [c for c in CONFIGS if not only or c.name in only or c.folder in only]
    if not configs:
        say(f"MATRIX_ONLY={os.environ['MATRIX_ONLY']} names no configuration; they are: "
            + ", ".join(c.name for c in CONFIGS))
        return 2

    lists = sorted({str(PACKAGES / f"{c.packages}.txt") for c in configs})
    subprocess.run([ROOT / "scripts" / "install-deps.sh", *lists], check=True)
    packages_s = time.monotonic() - started
    say(f"packages ready in {minutes(packages_s)}")

    vectors = vec.load()
    refusals = {}
    sweep_outputs = []
    flags = cpu_flags()
    outcomes = [Outcome(c) for c in configs]
    for number, (cfg, outcome) in enumerate(zip(configs, outcomes), 1):
        say(f"[{number}/{len(configs)}] {cfg.name}")
        try:
            run_config(cfg, outcome, build_root, vectors, refusals, sweep_outputs, jobs, flags)
            outcome.result = "agrees"
        except Disagreement as e:
            outcome.result = e.result
            say(f"{e.result} in configuration {cfg.name}: {e}")
            break
        except (OSError, subprocess.SubprocessError) as e:
            outcome.result = "FAILED"
            say(f"FAILED in configuration {cfg.name}: {e}")
            break

    say()
    width = max(len(c.name) for c in configs)
    say(f"{'configuration':<{width}}  {'result':<12}  vectors  build       run         total")
    for o in outcomes:
        say(f"{o.config.name:<{width}}  {o.result:<12}  {o.vectors:>7}  {minutes(o.build_s):<10}  "
            f"{minutes(o.run_s):<10}  {minutes(o.build_s + o.run_s)}")
    passed = sum(o.result == "agrees" for o in outcomes)
    failed = len(outcomes) - passed
    say(f"total: {passed} of {len(outcomes)} configurations agree, "
        f"{sum(o.vectors for o in outcomes)} vector runs, {minutes(time.monotonic() - started)} "
        f"(packages {minutes(packages_s)})")
    print(f"test-matrix: {passed} passed, {failed} failed", flush=True)
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
