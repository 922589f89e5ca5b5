#!/usr/bin/python3
"""A stand-in for the 159XA resistance-thermometry instruments (vendor SCPI-style text lines;
only queries are answered).

    /usr/bin/python3 fake_159xa.py --tcp [--port N] | --pty PATH  [--idn TEXT] [--probes A,B]

Serving, --log and the steering of fake_instrument.py (--late, --split, --gap, SIM:REPLY with
escapes such as \\r\\n to put a stale line before a reply, ...) work the same here.

What it models:
  *IDN?  SYST:CODE:VERS?                 identity and firmware version
  SYST:DATE y,m,d  SYST:TIME h,m,s       the clock (kept as set)
  INP:PROB:FIRS?  INP:PROB:NEXT?         the probe list, each name in quotes; '""' after the
                                         last one
  INP:PROB:ADD "name"                    a probe added at the end of the list
  INP<n>:PROB:IDEN "name"                probe assigned to input n
  INP:PROB:PAR "name",KEY,value          a probe parameter; INP:PROB:PAR "name",KEY? reads it
                                         back ("0" when never set)
  SENS:APER:SAMP n  SENS:APER[:DISP] n   aperture settings
  ROUTE:SCAN (@a,b,...)                  the scan list
  CALC<n>:TYPE TEMP                      channel n converts to temperature
  INIT:CONT 1|0                          continuous measurement on / off
  FETCH? n                               while measuring, for a scanned channel n:
                                         "<20 + n / 10 with 4 decimals>,<n>"; else no answer

Steering of its own:
  SIM:IDN TEXT          the identity
  SIM:PROBES A,B,...    the probe list (nothing after the blank: an empty list)
  SIM:MANY N            the probe list P1 .. PN
  SIM:CYCLE 0|1         after the last name INP:PROB:NEXT? starts the list again
  SIM:MUTE n            FETCH? n is never answered (SIM:MUTE 0: every channel answers)
  SIM:FIRST TEXT        the next INP:PROB:FIRS? is answered TEXT
"""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fake_instrument import Instrument, options_parser, run  # noqa: E402

QUOTED = r'"([^"]*)"'


class Fluke159x(Instrument):
    def __init__(self, options):
        super().__init__(options)
        self.identity = options.idn
        self.probes = [p for p in options.probes.split(",") if p]
        self.cycle = False
        self.cursor = 0
        self.muted = 0
        self.first = None
        self.settings = {}
        self.scan = []
        self.measuring = False

    def steer(self, command):
        head, _, arg = command.partition(" ")
        head = head.upper()
        if head == "IDN":
            self.identity = arg
        elif head == "PROBES":
            self.probes = [p for p in arg.split(",") if p]
        elif head == "MANY":
            self.probes = ["P%d" % i for i in range(1, int(arg) + 1)]
        elif head == "CYCLE":
            self.cycle = arg.strip() != "0"
        elif head == "MUTE":
            self.muted = int(arg)
        elif head == "FIRST":
            self.first = arg
        else:
            return super().steer(command)
        return None

    def next_probe(self):
        if self.cursor >= len(self.probes):
            if not self.cycle or not self.probes:
                return '""'
            self.cursor = 0
        self.cursor += 1
        return '"%s"' % self.probes[self.cursor - 1]

    def answer(self, request):
        if request == "*IDN?":
            return self.identity
        if request == "SYST:CODE:VERS?":
            return "1.20"
        if request == "INP:PROB:FIRS?":
            self.cursor = 0
            if self.first is not None:
                reply, self.first = self.first, None
                return reply
            return self.next_probe()
        if request == "INP:PROB:NEXT?":
            return self.next_probe()
        match = re.fullmatch(r"INP:PROB:ADD " + QUOTED, request)
        if match:
            self.probes.append(match.group(1))
            return None
        match = re.fullmatch(r"INP:PROB:PAR " + QUOTED + r",([A-Z0-9_]+)(\?|,(.*))", request)
        if match:
            key = (match.group(1), match.group(2))
            if match.group(3) == "?":
                return self.settings.get(key, "0")
            self.settings[key] = match.group(4)
            return None
        match = re.fullmatch(r"ROUTE:SCAN \(@([0-9,]*)\)", request)
        if match:
            self.scan = [int(n) for n in match.group(1).split(",") if n]
            return None
        match = re.fullmatch(r"INIT:CONT ([01])", request)
        if match:
            self.measuring = match.group(1) == "1"
            return None
        match = re.fullmatch(r"FETCH\? (\d+)", request)
        if match:
            n = int(match.group(1))
            if self.measuring and n in self.scan and n != self.muted:
                return "%.4f,%d" % (20 + n / 10, n)
            return None
        # Settings without an answer: the clock, probe assignment, aperture, conversion.
        return None


def main():
    parser = options_parser(__doc__)
    parser.add_argument("--idn", default="FLUKE,1594A,A1B2C3,1.20")
    parser.add_argument("--probes", default="")
    run(Fluke159x, parser)


if __name__ == "__main__":
    sys.exit(main())
