#!/usr/bin/env python3
"""Side-by-side benchmark of tksub, a C yardstick and a Perl one-liner.

Usage: bench.py TKSUB_PROGRAM DATA_DIR [--rounds N] [--cc CC]

DATA_DIR holds what generate.py writes. yardstick.c is compiled into it
first. For every source and pair file, each round runs tksub and the
yardstick one after the other, the order alternating between rounds, and
the medians of the wall times and of the per-round ratios are reported.
Perl runs once per pair file. In the first round the three targets are
compared byte for byte and the run stops if any differ.
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

# The pair files that generate.py writes, beside this script.
from generate import PAIR_COUNTS

HERE = os.path.dirname(os.path.abspath(__file__))

# The same whole-word substitution as tksub: pair lines cut by the pair-file
# word characters, source words by exactly the source word characters, a
# CR LF added when the source does not end with a line feed.
PERL_SUBSTITUTE = r'''
BEGIN {
  open(my $p, "<:raw", shift) or die "pairs: $!";
  while (<$p>) {
    my @w = /([+\-.0-9A-Z_a-z]+)/g;
    last if @w == 2 && $w[0] eq "exit";
    $h{$w[0]} = $w[1] if @w == 2;
  }
  binmode STDOUT;
}
s/([!-&*+\-.0-:?-Z_a-z~]+)/exists $h{$1} ? $h{$1} : $1/ge;
$_ .= "\r\n" if eof && !/\n\z/;
print;
'''

CASES = ([("source.asm", "pairs%d.equ" % n) for n in PAIR_COUNTS] +
         [("source.asm", "var40000.equ"), ("repro.asm", "repro100.equ")])


def timed(command, stdout=subprocess.DEVNULL):
    start = time.perf_counter()
    subprocess.run(command, stdout=stdout, check=True)
    return time.perf_counter() - start


def peak_rss_kib(command):
    result = subprocess.run(["/usr/bin/time", "-v"] + command,
                            stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True, check=True)
    for line in result.stderr.splitlines():
        if "Maximum resident set size" in line:
            return int(line.split(":")[1])
    raise RuntimeError("no peak RSS in /usr/bin/time output")


def same_file(a, b):
    return subprocess.run(["cmp", "-s", a, b]).returncode == 0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("tksub")
    ap.add_argument("data")
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--cc", default="cc")
    args = ap.parse_args()
    d = args.data
    yardstick = os.path.join(d, "yardstick")
    subprocess.run([args.cc, "-O2", "-o", yardstick,
                    os.path.join(HERE, "yardstick.c")], check=True)
    out_t = os.path.join(d, "out_tksub.asm")
    out_y = os.path.join(d, "out_yardstick.asm")
    out_p = os.path.join(d, "out_perl.asm")

    def path(name):
        return os.path.join(d, name)

    rows = []
    for source, pairs in CASES:
        tksub = [args.tksub, path(pairs), path(source), out_t]
        yard = [yardstick, path(pairs), path(source), out_y]
        t_times, y_times = [], []
        for r in range(args.rounds):
            if r % 2 == 0:
                t_times.append(timed(tksub))
                y_times.append(timed(yard))
            else:
                y_times.append(timed(yard))
                t_times.append(timed(tksub))
            if r == 0:
                if not same_file(out_t, out_y):
                    sys.exit("tksub and the yardstick disagree: %s %s"
                             % (source, pairs))
                with open(out_p, "wb") as f:
                    perl_s = timed(["perl", "-ne", PERL_SUBSTITUTE,
                                    path(pairs), path(source)], stdout=f)
                if not same_file(out_t, out_p):
                    sys.exit("tksub and Perl disagree: %s %s"
                             % (source, pairs))
        ratios = [t / y for t, y in zip(t_times, y_times)]
        rows.append((source, pairs, statistics.median(t_times),
                     statistics.median(y_times), statistics.median(ratios),
                     max(ratios), perl_s, os.path.getsize(path(source))))
        print("%s %s: tksub %s yardstick %s" % (
            source, pairs, ["%.3f" % t for t in t_times],
            ["%.3f" % t for t in y_times]), file=sys.stderr)

    rss = []
    for source in ["tiny.asm", "source.asm"]:
        for pairs in ["pairs0.equ", "pairs40000.equ", "var40000.equ"]:
            rss.append((source, pairs, peak_rss_kib(
                [args.tksub, path(pairs), path(source), out_t])))
    for name in (out_t, out_y, out_p):
        os.remove(name)

    print("| source | pair file | tksub s | yardstick s | tksub / yardstick "
          "(median, worst) | Perl s | tksub MB/s |")
    print("|---|---|---|---|---|---|---|")
    for source, pairs, t, y, ratio, worst, p, size in rows:
        print("| %s | %s | %.3f | %.3f | %.2f, %.2f | %.2f | %.0f |" % (
            source, pairs, t, y, ratio, worst, p, size / 1e6 / t))
    print()
    print("| source | pair file | tksub peak RSS MiB |")
    print("|---|---|---|")
    for source, pairs, kib in rss:
        print("| %s | %s | %.1f |" % (source, pairs, kib / 1024))


if __name__ == "__main__":
    main()
