#!/usr/bin/env python3
"""Side-by-side benchmark of tksub, a Perl one-liner and cat.

Usage: bench.py TKSUB_PROGRAM DATA_DIR [--rounds N]

DATA_DIR holds what generate.py writes. Every round runs the programs in
turn (the order rotates from round to round) and the medians are reported.
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

# The same whole-word substitution as tksub: pair lines cut by the pair-file
# word characters, source words by exactly the source word characters, a
# CR LF added when the source does not end with a line feed.
PERL_SUBSTITUTE = r'''
BEGIN {
  open(my $p, "<:raw", shift) or die "pairs: $!";
  while (<$p>) {
    my @w = /([+\-.0-9A-Z_a-z]+)/g;
    $h{$w[0]} = $w[1] if @w == 2;
  }
  binmode STDOUT;
}
s/([!-&*+\-.0-:?-Z_a-z~]+)/exists $h{$1} ? $h{$1} : $1/ge;
$_ .= "\r\n" if eof && !/\n\z/;
print;
'''


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


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("tksub")
    ap.add_argument("data")
    ap.add_argument("--rounds", type=int, default=3)
    args = ap.parse_args()
    d = args.data
    src = os.path.join(d, "source.asm")
    tiny = os.path.join(d, "tiny.asm")
    out_t = os.path.join(d, "out_tksub.asm")
    out_p = os.path.join(d, "out_perl.asm")
    mb = os.path.getsize(src) / 1e6

    def tksub(pairs, source=src):
        return [args.tksub, os.path.join(d, pairs), source, out_t]

    def perl(pairs):
        return ["perl", "-ne", PERL_SUBSTITUTE, os.path.join(d, pairs), src]

    def run_perl(pairs):
        with open(out_p, "wb") as f:
            return timed(perl(pairs), stdout=f)

    report = []
    print("source: %.1f MB, %d rounds" % (mb, args.rounds), file=sys.stderr)

    # The I/O floor, also taken between the other runs.
    cat = [timed(["cat", src])]
    results = {}
    for pairs in ["pairs100.equ", "pairs5000.equ", "pairs40000.equ"]:
        t_times, p_times = [], []
        for r in range(args.rounds):
            order = ["t", "p", "c"] if r % 2 == 0 else ["p", "c", "t"]
            for who in order:
                if who == "t":
                    t_times.append(timed(tksub(pairs)))
                elif who == "p":
                    p_times.append(run_perl(pairs))
                else:
                    cat.append(timed(["cat", src]))
            if r == 0:
                same = subprocess.run(["cmp", "-s", out_t, out_p]).returncode
                if same != 0:
                    sys.exit("tksub and Perl disagree with " + pairs)
        results[pairs] = (statistics.median(t_times),
                          statistics.median(p_times))
        print("%s: tksub %s perl %s" % (pairs, t_times, p_times),
              file=sys.stderr)

    var_times = [timed(tksub("var40000.equ")) for _ in range(args.rounds)]
    print("var40000: %s" % var_times, file=sys.stderr)

    load = {"pairs40000.equ": [], "var40000.equ": []}
    for _ in range(7):
        for pairs in load:
            load[pairs].append(timed(tksub(pairs, tiny)))

    rss_t = peak_rss_kib(tksub("pairs40000.equ"))
    rss_v = peak_rss_kib(tksub("var40000.equ"))
    rss_p = peak_rss_kib(perl("pairs40000.equ"))
    os.remove(out_t)
    os.remove(out_p)

    cat_s = statistics.median(cat)
    report.append("| pairs | tksub s | tksub MB/s | Perl s | Perl MB/s "
                  "| tksub / Perl |")
    report.append("|---|---|---|---|---|---|")
    for pairs, (t, p) in results.items():
        report.append("| %s | %.2f | %.0f | %.2f | %.1f | %.1f |" % (
            pairs.split(".")[0].replace("pairs", ""), t, mb / t, p, mb / p,
            p / t))
    v = statistics.median(var_times)
    t40 = results["pairs40000.equ"][0]
    report.append("| 40000 VAR keys | %.2f | %.0f | | | |" % (v, mb / v))
    report.append("")
    report.append("- cat floor: %.3f s (%.0f MB/s)" % (cat_s, mb / cat_s))
    report.append("- VAR keys / realistic keys, 40,000 pairs: %.1f times"
                  % (v / t40))
    for pairs, times in load.items():
        report.append("- load, %s with a one-line source: %.3f s "
                      "(median of 7)" % (pairs, statistics.median(times)))
    report.append("- peak RSS, %.0f MB source: tksub 40,000 pairs %.1f MiB, "
                  "VAR keys %.1f MiB; Perl %.1f MiB"
                  % (mb, rss_t / 1024, rss_v / 1024, rss_p / 1024))
    print("\n".join(report))


if __name__ == "__main__":
    main()
