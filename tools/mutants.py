#!/usr/bin/env python3
"""Planted-fault check of the test suite.

Applies, one at a time, each fault of MUTANTS (a one-line source edit: an
off-by-one, a flipped comparison, a dropped CR, a changed log text, a skipped
check, a wrong default), builds in a scratch build directory, runs the test
programs and prints "killed" (some test failed) or "survived" (all passed),
then the score. The source tree is never touched: the faults are applied to a
scratch copy of the committed tree.

    tools/mutants.py [--only SUBSTRING] [--keep] [--jobs N] [--list]

Takes long (one incremental build and one test run per fault); not part of CI.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

# (file, exact text that occurs once in the file, replacement, what the fault is)
MUTANTS = [
    # model
    ("src/model/Clock.cpp", "if (*p < '0' || *p > '9') return std::nullopt;",
     "if (*p < '0' || *p > '9') continue;", "SOURCE_DATE_EPOCH accepts non-digits"),
    # generator
    ("src/generator/PageContext.cpp", "std::to_string(tm.tm_year + 1900LL)",
     "std::to_string(tm.tm_year + 1899LL)", "creation year off by one"),
]


def run(cmd, cwd, log):
    with open(log, "ab") as out:
        return subprocess.call(cmd, cwd=cwd, stdout=out, stderr=subprocess.STDOUT)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--only", help="run only the faults whose file or text contains this")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--keep", action="store_true", help="keep the scratch tree")
    parser.add_argument("--list", action="store_true", help="list the faults and stop")
    args = parser.parse_args()

    mutants = [m for m in MUTANTS if not args.only or args.only in m[0] or args.only in m[1]]
    if args.list:
        for i, (path, old, new, what) in enumerate(mutants, 1):
            print(f"{i:3} {path}: {what}")
        return 0

    # Check every fault applies to the current tree before spending time on builds.
    for path, old, _new, what in mutants:
        text = open(os.path.join(ROOT, path), encoding="utf-8").read()
        if text.count(old) != 1:
            print(f"fault does not apply once: {path}: {what}", file=sys.stderr)
            return 2

    scratch = tempfile.mkdtemp(prefix="foldcraft-mutants-")
    src = os.path.join(scratch, "src")
    build = os.path.join(scratch, "build")
    log = os.path.join(scratch, "log.txt")
    subprocess.check_call(["git", "worktree", "add", "--detach", src, "HEAD"], cwd=ROOT,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        configure = ["cmake", "-S", src, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                     "-DFOLDCRAFT_BENCH=OFF"]
        if shutil.which("ccache"):
            configure.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
        if run(configure, src, log) != 0 or run(["cmake", "--build", build, "-j", str(args.jobs)],
                                                src, log) != 0:
            print(f"the unchanged tree does not build; see {log}", file=sys.stderr)
            return 2
        env_ctest = ["ctest", "--test-dir", build, "-j", str(args.jobs), "--stop-on-failure",
                     "--timeout", "300"]
        if run(env_ctest, src, log) != 0:
            print(f"the unchanged tree fails its tests; see {log}", file=sys.stderr)
            return 2

        killed = 0
        for i, (path, old, new, what) in enumerate(mutants, 1):
            file = os.path.join(src, path)
            original = open(file, encoding="utf-8").read()
            open(file, "w", encoding="utf-8").write(original.replace(old, new, 1))
            started = time.monotonic()
            try:
                built = run(["cmake", "--build", build, "-j", str(args.jobs)], src, log) == 0
                # A fault that does not compile counts as killed: the compiler caught it.
                passed = built and run(env_ctest, src, log) == 0
            finally:
                open(file, "w", encoding="utf-8").write(original)
            verdict = "survived" if passed else "killed"
            killed += not passed
            print(f"{i:3} {verdict:8} {path}: {what} ({time.monotonic() - started:.0f} s)",
                  flush=True)
        total = len(mutants)
        print(f"score: {killed}/{total} killed ({100.0 * killed / max(total, 1):.1f}%)")
        return 0
    finally:
        if not args.keep:
            subprocess.call(["git", "worktree", "remove", "--force", src], cwd=ROOT,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            shutil.rmtree(scratch, ignore_errors=True)
        else:
            print(f"scratch tree kept in {scratch}")


if __name__ == "__main__":
    sys.exit(main())
