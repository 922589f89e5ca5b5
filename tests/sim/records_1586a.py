#!/usr/bin/python3
"""Writes 1586A record files (comma-separated scans as the scanner records them) for tests.

    /usr/bin/python3 records_1586a.py OUTDIR

Every file has the header "Record Number", "Time Stamp", then one column per channel named
"Ch <number> (°C)"; every record holds its number, its time as "yyyy-MM-dd hh:mm:ss.zzz" and
one reading per column. Record k (counted from 0) of a file is taken at START + k * 1 s unless
the file says otherwise, and the reading of channel c in record k is value(k, c) below, so a
test can compute what it expects:

    value(k, c) = "%.3f" % (c / 10 + k * 0.5)       e.g. record 2, channel 101: "11.100"

Files written:
  plain.csv        channels 101, 102, 103; records 0..9; "\\n" line ends
  crlf.csv         as plain.csv with "\\r\\n" line ends
  nofinal.csv      as plain.csv without a line end after the last record
  cr.csv           as plain.csv with lone "\r" line ends
  bom.csv          as crlf.csv after a UTF-8 byte-order mark, with blank lines at its end
  gap.csv          as plain.csv, but records 5..9 are taken at 60..64 s
  long.csv         as plain.csv with records 0..99
  duplicate.csv    columns 101, 102, 101, 103; the second 101 column reads "-1.000" always
  badline.csv      as plain.csv, but record 3 has no readings, record 5 a malformed time and
                   record 7 one field more than the header
  header_fields.csv    a header of four fields
  header_record.csv    first header field "Index"
  header_time.csv      second header field "Date"
  header_short.csv     a channel header shorter than ten characters ("Ch101 (C)")
  empty.csv        no bytes at all
"""

import csv
import datetime
import os
import sys

START = datetime.datetime(2024, 5, 6, 10, 0, 0, 250000)


def value(record, channel):
    return "%.3f" % (channel / 10 + record * 0.5)


def stamp(when):
    return when.strftime("%Y-%m-%d %H:%M:%S.") + "%03d" % (when.microsecond // 1000)


def header(channels):
    return ["Record Number", "Time Stamp"] + ["Ch %d (°C)" % c for c in channels]


def rows(channels, offsets):
    out = []
    for k, seconds in enumerate(offsets):
        when = START + datetime.timedelta(seconds=seconds)
        out.append([str(k + 1), stamp(when)] + [value(k, c) for c in channels])
    return out


def write(path, head, body, terminator="\n", final_end=True):
    with open(path, "w", newline="", encoding="utf-8") as f:
        writer = csv.writer(f, lineterminator=terminator)
        writer.writerow(head)
        writer.writerows(body)
    if not final_end:
        with open(path, "rb+") as f:
            f.seek(-len(terminator.encode()), os.SEEK_END)
            f.truncate()


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    three = [101, 102, 103]
    ten = list(range(10))
    write(os.path.join(out, "plain.csv"), header(three), rows(three, ten))
    write(os.path.join(out, "crlf.csv"), header(three), rows(three, ten), terminator="\r\n")
    write(os.path.join(out, "nofinal.csv"), header(three), rows(three, ten), final_end=False)
    write(os.path.join(out, "cr.csv"), header(three), rows(three, ten), terminator="\r")
    write(os.path.join(out, "bom.csv"), header(three), rows(three, ten), terminator="\r\n")
    with open(os.path.join(out, "bom.csv"), "rb+") as f:
        content = f.read()
        f.seek(0)
        f.write(b"\xef\xbb\xbf" + content + b"\r\n\n")

    write(os.path.join(out, "long.csv"), header(three), rows(three, range(100)))
    write(os.path.join(out, "gap.csv"), header(three),
          rows(three, [0, 1, 2, 3, 4, 60, 61, 62, 63, 64]))

    dup = [101, 102, 101, 103]
    body = rows(dup, ten)
    for row in body:
        row[4] = "-1.000"
    write(os.path.join(out, "duplicate.csv"), header(dup), body)

    body = rows(three, ten)
    body[3] = body[3][:2]
    body[5][1] = "2024-05-06 10:00:05"
    body[7].append("0.000")
    write(os.path.join(out, "badline.csv"), header(three), body)

    write(os.path.join(out, "header_fields.csv"), header([101, 102])[:4], rows([101, 102], ten))
    write(os.path.join(out, "header_record.csv"), ["Index"] + header(three)[1:], rows(three, ten))
    write(os.path.join(out, "header_time.csv"),
          header(three)[:1] + ["Date"] + header(three)[2:], rows(three, ten))
    write(os.path.join(out, "header_short.csv"),
          header(three)[:3] + ["Ch102 (C)"] + header(three)[4:], rows(three, ten))
    open(os.path.join(out, "empty.csv"), "w").close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
