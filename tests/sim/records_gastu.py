#!/usr/bin/python3
"""Writes Gastu record files for tests, with the helpers of records_orvex.py.

    /usr/bin/python3 records_gastu.py OUTDIR

Record k (from 0) holds its number k + 1, its time START + k s and, per channel column c,
value(k, c) = "%.3f" % (c / 10 + k * 0.5), c being the channel number the column stands for.

  gastu.csv   heading Record, Time, Ch1(℃), Note, Ch2(Ω), Ch3(℃) (channels 001, none, 101, 102);
              records 0..5, "\\r" line ends; record 3 carries one field more than the heading
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from records_orvex import START, record, write  # noqa: E402


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    lines = ["Record,Time,Ch1(℃),Note,Ch2(Ω),Ch3(℃)"]
    for k in range(6):
        r = record(k, START, k, [1, 101, 102])
        lines.append(",".join(r[:3] + ["n"] + r[3:] + (["extra"] if k == 3 else [])))
    write(os.path.join(out, "gastu.csv"), lines, end="\r")


if __name__ == "__main__":
    main()
