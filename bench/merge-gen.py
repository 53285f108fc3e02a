#!/usr/bin/env python3
"""Synthetic inputs of the merge benchmark.

    merge-gen.py time ROWS BASE MERGE    two files of ROWS rows x 10 numeric columns,
                                         time in ms in column 1 (base every 100 ms,
                                         merge every 100 ms shifted by 37 ms)
    merge-gen.py nx9 ROWS NX9 CTD        an NX9 file (31 header lines, 24 columns) of
                                         ROWS rows at 250 ms and a CTD file (time,
                                         temperature, salinity) at 1 s
    merge-gen.py cor FOLDER              t.cor, s.cor and ch2o.cor
"""
import sys

WAVES = [412, 440, 488, 510, 532, 555, 650, 676, 715]


def write(path, rows_iter):
    with open(path, "w", newline="") as f:
        batch = []
        for line in rows_iter:
            batch.append(line)
            if len(batch) >= 20000:
                f.write("".join(batch))
                batch.clear()
        f.write("".join(batch))


def time_rows(rows, shift):
    tail = "\t".join("%.4f" % (0.5 + 0.123457 * c) for c in range(8))
    for i in range(rows):
        yield "%d\t%s\t%.3f\r\n" % (i * 100 + shift, tail, i * 0.001)


def nx9_header():
    names = ["a%d" % w for w in WAVES[0:3]] + ["c%d" % w for w in WAVES[6:9]] + \
            ["a%d" % w for w in WAVES[3:6]] + ["c%d" % w for w in WAVES[0:3]] + \
            ["a%d" % w for w in WAVES[6:9]] + ["c%d" % w for w in WAVES[3:6]]
    lines = ["MorView ver 99.0A\t01-01-2000\t00:00:00 Create By RIX v4.XX", "NX9 123"]
    lines += ["1"] * 10
    lines += ["%s\t0\t0.01\t0.0" % n for n in names]
    lines += ["1\t\t; aquisition bin size"]
    return "".join(l + "\r\n" for l in lines)


def nx9_rows(rows):
    values = "\t".join("%.5f" % (0.2 + 0.05 * c) for c in range(18))
    for i in range(rows):
        yield "%d\t%s\t%.2f\t0.000000\t%.3f\t0.0000\t0.000000\r\n" % (i * 250, values, 20.5, 3.25 + i % 7)


def main():
    kind = sys.argv[1]
    if kind == "time":
        rows = int(sys.argv[2])
        write(sys.argv[3], time_rows(rows, 0))
        write(sys.argv[4], time_rows(rows, 37))
    elif kind == "nx9":
        rows = int(sys.argv[2])
        def all_rows():
            yield nx9_header()
            yield from nx9_rows(rows)
        write(sys.argv[3], all_rows())
        write(sys.argv[4], ("%d\t%.4f\t%.4f\r\n" % (i * 1000, 12.0 + (i % 50) * 0.01, 33.5) for i in range(rows // 4 + 2)))
    elif kind == "cor":
        folder = sys.argv[2]
        with open(folder + "/t.cor", "w", newline="") as f:
            f.write("".join("%d %.5f\r\n" % (w, 0.0001 * (w - 400)) for w in WAVES))
        with open(folder + "/s.cor", "w", newline="") as f:
            f.write("".join("%d %.5f %.5f\r\n" % (w, 0.00005, 0.00007) for w in WAVES))
        with open(folder + "/ch2o.cor", "w", newline="") as f:
            f.write("".join("%d %.4f %.4f\r\n" % (w, 0.01, 0.02) for w in WAVES))


main()
