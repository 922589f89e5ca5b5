#!/usr/bin/python3
"""Writes record files of the Orvex scanners for tests:  records_orvex.py OUTDIR

Record k (from 0) holds k + 1, its time and value(k, c) = "%.3f" % (c / 10 + k * 0.5) per channel.
  orvex.csv  Record,Time,Ch1(℃),Avg,Ch3(℃),Ch1(℃) (Avg "avg", the second Ch1 "-1.000");
             records 0..4 at START + k s, 5..7 at START + 2000 + k s, then a line of two fields
  vs.csv     Record,Time,Ch1(℃),Ch2(℃), "\\r\\n" ends; each line ends in the XOR of its other
             bytes as two lower-case hex digits (record 2's in upper case, holding a letter);
             records 0..4 at START + k s, 5 at START + 150 s
  ht.csv     Record,Time,Ch1(℃),Ch16(%RH), whole seconds; records 0..4 at START_HT + k s, 5 at
             START_HT + 10 s, then a "Max" line and one more record
"""

import datetime
import os
import sys

START = datetime.datetime(2024, 5, 6, 10, 0, 0, 250000)
START_HT = datetime.datetime(2024, 5, 6, 10, 0, 0)


def record(k, start, seconds, channels, millis=True):
    when = start + datetime.timedelta(seconds=seconds)
    stamp = when.strftime("%Y-%m-%d %H:%M:%S") + (".%03d" % (when.microsecond // 1000) if millis else "")
    return [str(k + 1), stamp] + ["%.3f" % (c / 10 + k * 0.5) for c in channels]


def xor_check(text):
    x = 0
    for b in text.encode("utf-8"):
        x ^= b
    return "%02x" % x


def write(path, lines, end="\n"):
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write("".join(line + end for line in lines))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    lines = ["Record,Time,Ch1(℃),Avg,Ch3(℃),Ch1(℃)"]
    for k in range(8):
        r = record(k, START, k if k < 5 else 2000 + k, [101, 103])
        lines.append(",".join(r[:3] + ["avg", r[3], "-1.000"]))
    write(os.path.join(out, "orvex.csv"), lines + [",".join(record(8, START, 2010, [])[:2])])

    lines = ["Record,Time,Ch1(℃),Ch2(℃)"]
    for k in range(6):
        body = ",".join(record(k, START, k if k < 5 else 150, [101, 102]))
        if k == 2:
            body += next(c for c in "abcdefghij" if not xor_check(body + c).isdigit())
        lines.append(body + (xor_check(body).upper() if k == 2 else xor_check(body)))
    write(os.path.join(out, "vs.csv"), lines, end="\r\n")

    lines = ["Record,Time,Ch1(℃),Ch16(%RH)"]
    for k in range(6):
        lines.append(",".join(record(k, START_HT, k if k < 5 else 10, [101, 116], False)))
    lines += ["Max,,99.000,99.000", ",".join(record(6, START_HT, 20, [101, 116], False))]
    write(os.path.join(out, "ht.csv"), lines)


if __name__ == "__main__":
    main()
