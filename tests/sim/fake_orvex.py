#!/usr/bin/python3
"""A stand-in for the "SET OK" text dialect (Orvex scanners, Folen), built on fake_instrument.py
(serving, --log and its steering: --late, --split, --gap, SIM:REPLY, SIM:SILENT, ...).

    /usr/bin/python3 fake_orvex.py --tcp | --pty PATH  [--channels N] [--idn TEXT]

Settings are answered "SET OK" ("SET ERR" when malformed, out of range or on an unknown channel
1..N); whole-instrument ones (WHOLE) are read back with "<HEAD>?", per-channel ones
"<HEAD> v1,..,vn,(@i1,..,in)" (PER_CHANNEL; COEF takes 4 or 6 values) with "<HEAD>?(@i)".
SYST:COMM:BAND is not answered on a serial link, SYST:NET:IP not over TCP. DATA:OFFS? gives the
channels switched on in index order, (20 + i / 10) * gain + offset. SIM:FAIL HEAD: the next
command with this header is answered "SET ERR" and not carried out. SIM:ANSWER HEAD=TEXT: the
next query with this header is answered TEXT.
"""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fake_instrument import Instrument, options_parser, run  # noqa: E402

NUMBER = r"[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?"
PER_CHANNEL = {
    "ROUT:CHAN:STAT": "[01]", "WIRE": "[234]", "TEMP:NTC:TYPE": "[0-5]", "TEMP:RTD:TYPE": "[0-4]",
    "TEMP:TC:TYPE": "[0-8]", "TEMP:NTC:RES": "[01]", "TEMP:RTD:RES": "[01]", "TEMP:TC:VOLT": "[01]",
    "TEMP:TYPE": "[012]", "TEMP:VOLT": "[01]", "TEMP:TC:COLDTYPE": "[01]", "TEMP:TC:COLD": NUMBER,
    "CALC:SCAL:GAIN": NUMBER, "CALC:SCAL:OFFS": NUMBER, "TEMP:NTC:COEF": NUMBER,
    "TEMP:RTD:COEF": NUMBER,
}
PER = {"TEMP:NTC:COEF": 4, "TEMP:RTD:COEF": 6}
WHOLE = {"SYST:KLOC": "[01]", "RATE": "FAST|MED|SLOW", "TEMP:TC:TYPE": "[BEJKNRST]",
         "SYST:DATE": r"\d{4}(,\d\d){5}", "SYST:FILTERING": "[0-9]|1[0-5]",
         "SYST:COMM:BAND": r"\d+", "SYST:NET:IP": "[^;]*;[^;]*;[^;]*"}
COMMAND = re.compile(r"^(?P<head>[*A-Z:]+)(?P<ask>\?)?\s*(?P<args>.*?)(,?\(@(?P<list>[0-9,]*)\))?$")


class Orvex(Instrument):
    def __init__(self, options):
        super().__init__(options)
        self.serial = bool(options.pty)
        self.count = options.channels
        self.fail_next = set()
        self.settings = {"SYST:KLOC": "0", "RATE": "MED", "SYST:FILTERING": "3",
                         "SYST:COMM:BAND": "9600", "EDITION:SOFT": "V2.03", "*IDN": options.idn,
                         "SYST:NET:IP": "192.168.1.10;255.255.255.0;192.168.1.1"}
        self.channels = {}
        self.answers = {}

    def steer(self, command):
        head, _, arg = command.partition(" ")
        if head.upper() == "FAIL":
            return self.fail_next.add(arg.strip())
        if head.upper() == "ANSWER":
            key, _, text = arg.partition("=")
            self.answers[key] = text
            return None
        return super().steer(command)

    def answer(self, request):
        m = COMMAND.match(request)
        if not m or m.group("head") in self.fail_next:
            self.fail_next.discard(m and m.group("head"))
            return "SET ERR"
        head, args, channels = m.group("head"), m.group("args"), m.group("list")
        if m.group("ask"):
            return self.query(head, channels)
        if head == "*RST":
            self.channels = {}
            return "SET OK"
        if channels is None and head in WHOLE and re.fullmatch(WHOLE[head], args):
            self.settings[head] = args
            quiet = head == ("SYST:COMM:BAND" if self.serial else "SYST:NET:IP")
            return None if quiet else "SET OK"
        indices = [int(c) for c in (channels or "").split(",") if c]
        values = args.split(",") if args else []
        per = PER.get(head, 1)
        if head not in PER_CHANNEL or not indices or len(values) != per * len(indices) \
                or any(not 1 <= i <= self.count for i in indices) \
                or any(not re.fullmatch(PER_CHANNEL[head], v) for v in values):
            return "SET ERR"
        for n, i in enumerate(indices):
            self.channels.setdefault(i, {})[head] = values[n * per:(n + 1) * per]
        return "SET OK"

    def query(self, head, channels):
        if head in self.answers:
            return self.answers.pop(head)
        if head == "DATA:OFFS":
            on = sorted(i for i, c in self.channels.items() if c.get("ROUT:CHAN:STAT") == ["1"])
            return ",".join("%.3f" % self.reading(i) for i in on)
        if channels is None:
            return self.settings.get(head, "ERR")
        default = ["1" if head == "CALC:SCAL:GAIN" else "0"] * PER.get(head, 1)
        return ",".join(self.channels.get(int(channels or 0), {}).get(head, default))

    def reading(self, i):
        c = self.channels[i]
        return (20 + i / 10.0) * float(c.get("CALC:SCAL:GAIN", ["1"])[0]) \
            + float(c.get("CALC:SCAL:OFFS", ["0"])[0])


def main():
    parser = options_parser(__doc__)
    parser.add_argument("--channels", type=int, default=69)
    parser.add_argument("--idn", default="ORVEX,VS,SN20240506,V2.03")
    return run(Orvex, parser)


if __name__ == "__main__":
    sys.exit(main())
