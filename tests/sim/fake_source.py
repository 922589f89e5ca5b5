#!/usr/bin/python3
"""A stand-in for the temperature sources of a calibration: the dry-well calibrator (serial or
TCP) and the liquid bath (serial), speaking their short text commands.

    /usr/bin/python3 fake_source.py --kind dry --tcp          # prints "PORT <n>"
    /usr/bin/python3 fake_source.py --kind bath --pty PATH    # prints "READY"

Built on fake_instrument.py: --log, --late, --split, --gap, --garbage, --silent, SIM:CLOSE,
SIM:REPLY TEXT (the next reply, whatever is asked) and the other steering lines work the same.

The source: a set point moves the present temperature from where it is to the set point in
--settle seconds, in a straight line; it is stable once that time has passed. Every reading
adds Gaussian noise of --noise (standard deviation, °C).

Dry well:  *IDN? -> "BRELK-ELEC,KXDW-350H,<serial>,1.00";  OUTP:STAT 1, u C -> no answer;
           t, READ? -> the temperature;  s 25.00 -> sets, no answer;  s -> the set point;
           SOUR1:STAB:TEST? -> 1 or 0.
Bath:      sn -> "sn:<serial>";  lf=on, u=C, ... -> "<key>:<value>";  r -> "r: 25.000 C";
           s=25.00 -> sets, no answer;  s -> "set: 25.00 C";  st -> "st:1" or "st:0".
An entry of the reply table (--reply, --table, SIM:SET) answers its request in place of the
source; other requests are looked up there as well (prefix entries, --default).

Steering of its own: --temperature T / SIM:TEMP T (jump there, stable), --settle S /
SIM:SETTLE S, --noise N / SIM:NOISE N, SIM:STABLE 0|1 (fixed answer) or SIM:STABLE AUTO.
"""

import os
import random
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fake_instrument import Instrument, options_parser, run  # noqa: E402


class Source(Instrument):
    def __init__(self, options):
        super().__init__(options)
        self.kind = options.kind
        self.serial = options.serial
        self.settle = options.settle
        self.noise = options.noise
        self.stable_override = None
        self.jump(options.temperature)

    def jump(self, temperature):
        self.start = self.set_point = temperature
        self.set_at = time.monotonic() - self.settle

    def present(self):
        elapsed = time.monotonic() - self.set_at
        if self.settle <= 0 or elapsed >= self.settle:
            return self.set_point
        return self.start + (self.set_point - self.start) * elapsed / self.settle

    def reading(self):
        return self.present() + (random.gauss(0.0, self.noise) if self.noise else 0.0)

    def stable(self):
        if self.stable_override is not None:
            return self.stable_override
        return time.monotonic() - self.set_at >= self.settle

    def set_to(self, text):
        try:
            target = float(text)
        except ValueError:
            return None
        self.start, self.set_point, self.set_at = self.present(), target, time.monotonic()
        return None

    def answer(self, request):
        if request in self.table:
            return self.table[request]
        if self.kind == "dry":
            reply = self.dry(request)
        else:
            reply = self.bath(request)
        return reply if reply is not False else super().answer(request)

    def dry(self, request):
        if request == "*IDN?":
            return "BRELK-ELEC,KXDW-350H,%s,1.00" % self.serial
        if request in ("OUTP:STAT 1", "u C"):
            return None
        if request in ("t", "READ?"):
            return "%.3f" % self.reading()
        if request.startswith("s "):
            return self.set_to(request[2:])
        if request == "s":
            return "%.2f" % self.set_point
        if request == "SOUR1:STAB:TEST?":
            return "1" if self.stable() else "0"
        return False

    def bath(self, request):
        if request == "sn":
            return "sn:" + self.serial
        if request in ("lf=on", "u=C", "sa=n", "pc=s", "co=au", "hg=auto"):
            return request.replace("=", ":")
        if request == "r":
            return "r: %.3f C" % self.reading()
        if request.startswith("s="):
            return self.set_to(request[2:])
        if request == "s":
            return "set: %.2f C" % self.set_point
        if request == "st":
            return "st:1" if self.stable() else "st:0"
        return False

    def steer(self, command):
        head, _, arg = command.partition(" ")
        head = head.upper()
        if head == "TEMP":
            self.jump(float(arg))
        elif head == "SETTLE":
            self.settle = float(arg)
        elif head == "NOISE":
            self.noise = float(arg)
        elif head == "STABLE":
            self.stable_override = None if arg.strip().upper() == "AUTO" else arg.strip() != "0"
        else:
            return super().steer(command)
        return None


def parser():
    p = options_parser(__doc__)
    p.add_argument("--kind", choices=["dry", "bath"], default="dry")
    p.add_argument("--temperature", type=float, default=25.0)
    p.add_argument("--settle", type=float, default=0.0)
    p.add_argument("--noise", type=float, default=0.0)
    p.add_argument("--serial", default="A123")
    return p


if __name__ == "__main__":
    sys.exit(run(Source, parser()))
