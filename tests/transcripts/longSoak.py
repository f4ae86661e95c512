#!/usr/bin/env python3
# tests/transcripts/longSoak.py - hostsim under a long, mixed load, its resident size watched.
#
# usage: longSoak.py HOSTSIM MODULE WORKDIR [--evaluations N] [--cycles N] [--valgrind N]
#
# 1. N evaluations (default a million) through one hostsim: good and bad expressions,
#    assignments, Quillet forms, commands. The resident size after the first tenth is compared
#    with the size at the end: it may grow by less than 1 MB.
# 2. The module loaded and unloaded N times (default a thousand) in one hostsim, each time with
#    an evaluation: the same measure.
# 3. Both again, shorter, under valgrind (default ten thousand evaluations and a hundred
#    cycles): no leak and no error.
# Exits 1 on any failure; the last line says what was measured.
import argparse
import os
import shutil
import subprocess
import sys
import time

LINES = [
    '(cal "1+2*3")',
    '(cal "[1,2,3]*[4,5,6]")',
    '(cal "A=SIN(30)+A")',
    '(cal "1/0")',
    '(cal "ROT([1,0,0],[0,0,0],90)")',
    '(cal "UNKNOWN(1)")',
    '(setq B (list 1 2 3))',
    '(cal "B+[1,1,1]")',
    '(cal "[1,2")',
    '(getvar "PICKBOX")',
    '(cal "CVUNIT(1,inch,cm)")',
    '(cal "\'name with blanks\'=2^0.5")',
    'CAL ILL([0,0,0],[2,2,0],[0,2,0],[2,0,0])',
    '(cal 5)',
    '!A',
    '(cal "ASIN(2)")',
]


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


# Feeds lines in batches; returns the resident size after the first tenth and at the end.
def run_measured(command, lines, out_path):
    with open(out_path, "w") as out:
        proc = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=out, stderr=out, text=True)
        tenth = max(1, len(lines) // 10)
        early = None
        for start in range(0, len(lines), tenth):
            proc.stdin.write("\n".join(lines[start:start + tenth]) + "\n")
            proc.stdin.flush()
            time.sleep(0.2)  # the pipe holds little: the host has read nearly all of the batch
            if early is None:
                early = rss_kib(proc.pid)
        late = rss_kib(proc.pid)
        proc.stdin.write("QUIT\n")
        proc.stdin.close()
        code = proc.wait()
    return code, early, late


def evaluation_lines(count):
    return [LINES[i % len(LINES)] for i in range(count)]


def cycle_lines(module, count):
    lines = []
    for i in range(count):
        lines += ["UNLOAD", f"LOAD {module}", f'(cal "{i}+1")']
    return lines


def check_growth(name, code, early, late):
    growth = late - early
    print(f"{name}: exit {code}, VmRSS {early} KiB after the first tenth, {late} KiB at the end "
          f"({growth:+d} KiB)")
    return code == 0 and growth < 1024


def run_valgrind(name, hostsim, module, lines, work):
    script = os.path.join(work, name + ".script")
    with open(script, "w") as f:
        f.write("\n".join(lines) + "\nQUIT\n")
    log = os.path.join(work, name + ".valgrind")
    code = subprocess.call(["valgrind", "--leak-check=full", "--errors-for-leak-kinds=definite,indirect",
                            "--show-leak-kinds=definite,indirect",
                            "--error-exitcode=9", "-q", f"--log-file={log}", hostsim,
                            "--module", module, script],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           stdin=subprocess.DEVNULL)
    with open(log) as f:
        report = f.read()
    print(f"{name} under valgrind: exit {code}, {len(report.splitlines())} lines of report")
    if report.strip():
        print(report[:4000])
    return code == 0 and not report.strip()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("hostsim")
    parser.add_argument("module")
    parser.add_argument("work")
    parser.add_argument("--evaluations", type=int, default=1_000_000)
    parser.add_argument("--cycles", type=int, default=1000)
    parser.add_argument("--valgrind", type=int, default=10_000)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    module = os.path.abspath(args.module)
    command = [args.hostsim, "--module", module]
    ok = True
    code, early, late = run_measured(command, evaluation_lines(args.evaluations),
                                     os.path.join(args.work, "evaluations.out"))
    ok &= check_growth(f"{args.evaluations} evaluations", code, early, late)
    code, early, late = run_measured(command, cycle_lines(module, args.cycles),
                                     os.path.join(args.work, "cycles.out"))
    ok &= check_growth(f"{args.cycles} loads and unloads", code, early, late)
    if args.valgrind > 0 and shutil.which("valgrind"):
        ok &= run_valgrind("evaluations", args.hostsim, module, evaluation_lines(args.valgrind),
                           args.work)
        ok &= run_valgrind("cycles", args.hostsim, module,
                           cycle_lines(module, max(1, args.valgrind // 100)), args.work)
    print("soak: passed" if ok else "soak: FAILED")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
