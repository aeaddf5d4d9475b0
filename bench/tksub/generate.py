#!/usr/bin/env python3
"""Writes seeded benchmark data for tksub into a directory.

source.asm      assembler-like text of about --megabytes MB, CR LF lines,
                with 60,000 distinct identifiers
pairsN.equ      N = 20, 100, 1000, 5000, 40000 pairs drawn from the
                identifiers of the source (no line end after the last pair)
pairs0.equ      no pair: the single line "exit now"
var40000.equ    VAR00001 ... VAR40000, equal-length similar keys
tiny.asm        one line, for the load-time runs
repro.asm       the reproducer of the slowdown with few pairs: 700,000
repro100.equ    lines over 50,000 random words, and the keys key0 ... key99
"""
import argparse
import os
import random
import string

FRAGMENTS = """
add addr alloc arg array attr base bit block buf buffer byte cache call
char class client close code color count cursor data dc dest device dialog
dir disk dword entry err error event file flag font frame handle hdr heap
icon id index info init input item key last len length line list load lock
map max mem menu min mode module msg name next node num obj offset open
out page param path pen point pos proc ptr query queue read rect reg res
result row scroll section size sock source stack state status str style
sum table task text thread time timer title token top type value view
wnd word write zone brush region palette bitmap cmd ctrl edit button
""".split()

PREFIXES = ["h", "lp", "dw", "sz", "n", "p", "b", "w", "cb", "ptr", "g_", ""]
MNEMONICS = ["mov", "push", "pop", "lea", "cmp", "add", "sub", "and", "or",
             "xor", "test", "inc", "dec", "call", "jmp", "je", "jne", "jz"]
REGISTERS = ["eax", "ebx", "ecx", "edx", "esi", "edi", "ebp", "esp"]
COMMENT_WORDS = ("the of and to a in is it for on with as this that "
                 "window message handle buffer count loop next save "
                 "restore pointer value result table entry").split()


def make_identifier(rng):
    style = rng.random()
    parts = [rng.choice(FRAGMENTS) for _ in range(rng.randint(1, 3))]
    if style < 0.35:
        name = "_".join(p.upper() for p in parts)
        if rng.random() < 0.3:
            name = rng.choice(["WM_", "IDC_", "MB_", "WS_", "SW_"]) + name
    elif style < 0.75:
        name = rng.choice(PREFIXES) + "".join(p.capitalize() for p in parts)
    else:
        name = "_".join(parts)
        if rng.random() < 0.3:
            name += str(rng.randint(1, 99))
    return name if len(name) > 1 else name + "x"


def identifiers(rng, count):
    seen = set()
    names = []
    while len(names) < count:
        name = make_identifier(rng)
        if name not in seen and len(name) <= 40:
            seen.add(name)
            names.append(name)
    return names


def write_pairs(path, keys, rng, pool):
    lines = []
    for k in keys:
        r = rng.random()
        if r < 0.5:
            partner = str(rng.randint(0, 65535))
        elif r < 0.7:
            partner = "0%XH" % rng.randint(0, 0xFFFFF)
        else:
            partner = rng.choice(pool)
        sep = rng.choice([" ", " = ", "\t", "="])
        lines.append(k + sep + partner)
    with open(path, "wb") as f:
        f.write("\r\n".join(lines).encode("ascii"))


PAIR_COUNTS = [0, 20, 100, 1000, 5000, 40000]


def write_reproducer(directory):
    """The reproducer as it was reported, byte for byte."""
    r = random.Random(1)
    w = ["".join(r.choice(string.ascii_letters)
                 for _ in range(r.randrange(4, 16))) for _ in range(50000)]
    with open(os.path.join(directory, "repro.asm"), "w") as f:
        f.write("".join("    mov %s, %s\r\n" % (r.choice(w), r.choice(w))
                        for _ in range(700000)))
    with open(os.path.join(directory, "repro100.equ"), "wb") as f:
        f.write("\r\n".join("key%d %d" % (i, i) for i in range(100))
                .encode("ascii"))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("dir")
    ap.add_argument("--megabytes", type=int, default=100)
    ap.add_argument("--seed", type=int, default=20261208)
    args = ap.parse_args()
    os.makedirs(args.dir, exist_ok=True)
    rng = random.Random(args.seed)

    pool = identifiers(rng, 60000)
    var_names = ["VAR%05d" % i for i in range(1, 40001)]
    # Zipf-like use: a few names are everywhere, most are rare.
    weights = [1.0 / (i + 10) for i in range(len(pool))]
    cum = []
    total = 0.0
    for w in weights:
        total += w
        cum.append(total)

    target = args.megabytes * 1000 * 1000
    written = 0
    with open(os.path.join(args.dir, "source.asm"), "wb") as out:
        while written < target:
            names = rng.choices(pool, cum_weights=cum, k=40000)
            for i in range(len(names)):
                if rng.random() < 0.05:
                    names[i] = rng.choice(var_names)
            it = iter(names)
            chunk = []
            for _ in range(10000):
                r = rng.random()
                if r < 0.40:
                    line = "\t%s %s, %s" % (rng.choice(MNEMONICS),
                                            rng.choice(REGISTERS), next(it))
                elif r < 0.55:
                    line = "\tinvoke %s, %s, ADDR %s, %d" % (
                        next(it), next(it), next(it), rng.randint(0, 4096))
                elif r < 0.65:
                    line = "\tlea %s, [%s+%s*4]" % (
                        rng.choice(REGISTERS), rng.choice(REGISTERS), next(it))
                elif r < 0.72:
                    line = "%s:" % next(it)
                elif r < 0.80:
                    line = "%s equ %s" % (next(it), next(it))
                elif r < 0.90:
                    line = "\t\t; " + " ".join(
                        rng.choice(COMMENT_WORDS)
                        for _ in range(rng.randint(2, 8)))
                elif r < 0.95:
                    line = "\tpush %s" % next(it)
                else:
                    line = ""
                chunk.append(line)
            data = ("\r\n".join(chunk) + "\r\n").encode("ascii")
            out.write(data)
            written += len(data)

    keys = rng.sample(pool, 40000)
    for n in PAIR_COUNTS[1:]:
        write_pairs(os.path.join(args.dir, "pairs%d.equ" % n), keys[:n], rng,
                    pool)
    with open(os.path.join(args.dir, "pairs0.equ"), "wb") as f:
        f.write(b"exit now")
    write_pairs(os.path.join(args.dir, "var40000.equ"), var_names, rng, pool)
    with open(os.path.join(args.dir, "tiny.asm"), "wb") as f:
        f.write(b"\tmov eax, VAR00001\r\n")
    write_reproducer(args.dir)


if __name__ == "__main__":
    main()
