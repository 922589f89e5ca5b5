#!/usr/bin/python3
"""A stand-in for the temperature sources of a calibration: the dry-well calibrator (serial or
TCP) and the liquid bath (serial), on fake_instrument.py (its options and SIM: lines work here).

    /usr/bin/python3 fake_source.py --kind dry --tcp          # prints "PORT <n>"
    /usr/bin/python3 fake_source.py --kind bath --pty PATH    # prints "READY"

A set point moves the temperature there in a straight line within --settle seconds, after
which the source is stable; readings add Gaussian noise of --noise. Dry well: *IDN?, t, READ?,
"s 25.00", s, SOUR1:STAB:TEST? (OUTP:STAT 1 and "u C" unanswered). Bath: sn, r, s=25.00, s, st;
its set-up commands (lf=on, ...) are answered "<key>:<value>". A reply-table entry (--reply,
SIM:SET) answers its request in place of the source. Steering: --temperature / SIM:TEMP T,
--settle / SIM:SETTLE S, --noise / SIM:NOISE N, SIM:STABLE 0|1|AUTO. --publish FILE: every set
point is written to FILE (for a scanner stand-in whose readings follow it).
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
        self.publish = options.publish
        self.jump(options.temperature)

    def published(self):
        if self.publish:
            with open(self.publish + ".new", "w", encoding="utf-8") as f:
                f.write(repr(self.set_point))
            os.replace(self.publish + ".new", self.publish)

    def jump(self, temperature):
        self.start = self.set_point = temperature
        self.set_at = time.monotonic() - self.settle
        self.published()

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
            self.start, self.set_point, self.set_at = self.present(), float(text), time.monotonic()
        except ValueError:
            return
        self.published()

    def answer(self, request):
        if request in self.table:
            return self.table[request]
        dry = self.kind == "dry"
        setting = "s " if dry else "s="
        if request.startswith(setting):
            return self.set_to(request[2:])
        replies = {
            "*IDN?": lambda: "BRELK-ELEC,KXDW-350H,%s,1.00" % self.serial,
            "t": lambda: "%.3f" % self.reading(),
            "READ?": lambda: "%.3f" % self.reading(),
            "s": lambda: "%.2f" % self.set_point,
            "SOUR1:STAB:TEST?": lambda: "1" if self.stable() else "0",
        } if dry else {
            "sn": lambda: "sn:" + self.serial,
            "r": lambda: "r: %.3f C" % self.reading(),
            "s": lambda: "set: %.2f C" % self.set_point,
            "st": lambda: "st:1" if self.stable() else "st:0",
        }
        if request in replies:
            return replies[request]()
        if dry and request in ("OUTP:STAT 1", "u C"):
            return None
        if not dry and request in ("lf=on", "u=C", "sa=n", "pc=s", "co=au", "hg=auto"):
            return request.replace("=", ":")
        return super().answer(request)

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
    p.add_argument("--publish")
    return p


if __name__ == "__main__":
    sys.exit(run(Source, parser()))
