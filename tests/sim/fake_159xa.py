#!/usr/bin/python3
"""A stand-in for the 159XA (only its queries are answered), built on fake_instrument.py
(serving, --log, SIM:REPLY/SPLIT/GAP ...).  fake_159xa.py --tcp | --pty PATH [--probes A,B]

Probe list: INP:PROB:FIRS?, INP:PROB:NEXT? give the names in quotes, '""' after the last;
INP:PROB:ADD "name" appends; INP:PROB:PAR "name",KEY,value sets and ...,KEY? reads ("0" unset).
ROUTE:SCAN (@a,b), INIT:CONT 1|0; FETCH? n answers "<20 + n/10>,<n>" while measuring a scanned n.
*IDN?, SYST:CODE:VERS?; other settings are taken silently.
Steering: SIM:IDN TEXT, SIM:PROBES A,B (empty: none), SIM:MANY N (P1..PN), SIM:CYCLE 0|1 (NEXT?
starts the list again), SIM:MUTE n (FETCH? n unanswered), SIM:FIRST TEXT (next FIRS? answer).
"""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fake_instrument import Instrument, options_parser, run  # noqa: E402


class Fluke159x(Instrument):
    def __init__(self, options):
        super().__init__(options)
        self.identity, self.probes = options.idn, [p for p in options.probes.split(",") if p]
        self.cycle, self.cursor, self.muted, self.first = False, 0, 0, None
        self.settings, self.scan, self.measuring = {}, [], False

    def steer(self, command):
        head, _, arg = command.partition(" ")
        steering = {"IDN": lambda: setattr(self, "identity", arg),
                    "PROBES": lambda: setattr(self, "probes", [p for p in arg.split(",") if p]),
                    "MANY": lambda: setattr(self, "probes", ["P%d" % i for i in range(1, int(arg) + 1)]),
                    "CYCLE": lambda: setattr(self, "cycle", arg.strip() != "0"),
                    "MUTE": lambda: setattr(self, "muted", int(arg)),
                    "FIRST": lambda: setattr(self, "first", arg)}
        if head.upper() in steering:
            return steering[head.upper()]()
        return super().steer(command)

    def next_probe(self):
        if self.cursor >= len(self.probes):
            if not self.cycle or not self.probes:
                return '""'
            self.cursor = 0
        self.cursor += 1
        return '"%s"' % self.probes[self.cursor - 1]

    def answer(self, request):
        fixed = {"*IDN?": self.identity, "SYST:CODE:VERS?": "1.20"}
        if request in fixed:
            return fixed[request]
        if request == "INP:PROB:FIRS?":
            self.cursor, first, self.first = 0, self.first, None
            return first if first is not None else self.next_probe()
        if request == "INP:PROB:NEXT?":
            return self.next_probe()
        m = re.fullmatch(r'INP:PROB:ADD "([^"]*)"', request)
        if m:
            self.probes.append(m.group(1))
        m = re.fullmatch(r'INP:PROB:PAR "([^"]*)",([A-Z0-9_]+)(\?|,(.*))', request)
        if m and m.group(3) == "?":
            return self.settings.get(m.group(1, 2), "0")
        if m:
            self.settings[m.group(1, 2)] = m.group(4)
        m = re.fullmatch(r"ROUTE:SCAN \(@([0-9,]*)\)", request)
        if m:
            self.scan = [int(n) for n in m.group(1).split(",") if n]
        if request.startswith("INIT:CONT "):
            self.measuring = request.endswith("1")
        m = re.fullmatch(r"FETCH\? (\d+)", request)
        if m and self.measuring and int(m.group(1)) in self.scan and int(m.group(1)) != self.muted:
            return "%.4f,%s" % (20 + int(m.group(1)) / 10, m.group(1))
        return None


def main():
    parser = options_parser(__doc__)
    parser.add_argument("--idn", default="FLUKE,1594A,A1B2C3,1.20")
    parser.add_argument("--probes", default="")
    run(Fluke159x, parser)


if __name__ == "__main__":
    sys.exit(main())
