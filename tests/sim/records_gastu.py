#!/usr/bin/python3
"""records_gastu.py OUTDIR: gastu.csv, a Gastu record file with "\\r" line ends: heading Record,
Time, Ch1(℃), Note, Ch2(Ω), Ch3(℃) (channels 001, none, 101, 102), records k = 0..3 at START + k s
and 4, 5 at START + k + 10 s holding value(k, c) = c / 10 + k * 0.5 (records_orvex.py); record 3
ends in a "," (an empty field after the heading's)."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from records_orvex import START, record, write  # noqa: E402

lines = ["Record,Time,Ch1(℃),Note,Ch2(Ω),Ch3(℃)"]
for k in range(6):
    r = record(k, START, k if k < 4 else k + 10, [1, 101, 102])
    lines.append(",".join(r[:3] + ["n"] + r[3:] + ([""] if k == 3 else [])))
os.makedirs(sys.argv[1], exist_ok=True)
write(os.path.join(sys.argv[1], "gastu.csv"), lines, end="\r")
