#!/usr/bin/python3
"""Writes record files of the "SET OK" instruments (Orvex, its VS and HT scanners) for tests.

    /usr/bin/python3 records_orvex.py OUTDIR

Record k (from 0) holds its number k + 1, its time and, per channel column c, value(k, c):

    value(k, c) = "%.3f" % (c / 10 + k * 0.5)       e.g. record 2, channel 101: "11.100"

Files written:
  orvex.csv   heading Record, Time, Ch1(℃), Avg, Ch3(℃), Ch1(℃); the second Ch1 column reads
              "-1.000" and Avg "avg"; records 0..4 at START + k s, 5..7 at START + 2000 + k s,
              then a line of two fields ("yyyy-MM-dd hh:mm:ss.zzz" times, "\\n" line ends)
  vs.csv      heading Record, Time, Ch1(℃), Ch2(℃); every data line ends in two characters, the
              XOR of all its other bytes as lower-case hex digits ("\\r\\n" ends);
              records 0..4 at START + k s, record 2 with its check in upper case (it holds a hex
              letter), record 5 at START + 150 s
  ht.csv      heading Record, Time, Ch1(℃), Ch16(%RH); records 0..4 at START_HT + k s
              ("yyyy-MM-dd hh:mm:ss"), record 5 at START_HT + 10 s, then "Max,..." and one line
              after it
"""

import datetime
import os
import sys

START = datetime.datetime(2024, 5, 6, 10, 0, 0, 250000)
START_HT = datetime.datetime(2024, 5, 6, 10, 0, 0)


def value(record, channel):
    return "%.3f" % (channel / 10 + record * 0.5)


def stamp(when, millis=True):
    text = when.strftime("%Y-%m-%d %H:%M:%S")
    return text + ".%03d" % (when.microsecond // 1000) if millis else text


def record(k, when, channels, millis=True):
    return [str(k + 1), stamp(when, millis)] + [value(k, c) for c in channels]


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
        when = START + datetime.timedelta(seconds=k if k < 5 else 2000 + k)
        r = record(k, when, [101, 103])
        lines.append(",".join(r[:3] + ["avg", r[3], "-1.000"]))
    lines.append("9," + stamp(START + datetime.timedelta(seconds=2010)))
    write(os.path.join(out, "orvex.csv"), lines)

    lines = ["Record,Time,Ch1(℃),Ch2(℃)"]
    for k in range(6):
        when = START + datetime.timedelta(seconds=k if k < 5 else 150)
        body = ",".join(record(k, when, [101, 102]))
        check = xor_check(body)
        if k == 2:
            pad = 0
            while check.isdigit():   # a check holding a hex letter, written in upper case
                pad += 1
                body += "%d" % pad
                check = xor_check(body)
            check = check.upper()
        lines.append(body + check)
    write(os.path.join(out, "vs.csv"), lines, end="\r\n")

    lines = ["Record,Time,Ch1(℃),Ch16(%RH)"]
    for k in range(6):
        when = START_HT + datetime.timedelta(seconds=k if k < 5 else 10)
        lines.append(",".join(record(k, when, [101, 116], millis=False)))
    lines += ["Max,,99.000,99.000", "7," + stamp(START_HT + datetime.timedelta(seconds=20),
                                                  False) + ",1.000,2.000"]
    write(os.path.join(out, "ht.csv"), lines)


if __name__ == "__main__":
    main()
