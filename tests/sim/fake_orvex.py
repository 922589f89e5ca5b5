#!/usr/bin/python3
"""A stand-in for the instruments of the "SET OK" text dialect (the Orvex scanners of the second
generation and the Folen): every setting is answered "SET OK", every query with one line.

    /usr/bin/python3 fake_orvex.py --tcp [--port N] | --pty PATH  [--channels N] [--idn TEXT]

Serving, --log and the steering of fake_instrument.py (--late, --split, --gap, SIM:REPLY with
escapes such as \\r\\n to put a stale line before a reply, ...) work the same here.

What it models (channels are instrument indices 1 .. --channels):
  *IDN?  EDITION:SOFT?                  identity and software edition
  *RST                                  every channel off and unset
  SYST:KLOC 0|1, SYST:KLOC?             key lock
  SYST:DATE y,M,d,h,m,s, SYST:DATE?     clock (kept as set)
  RATE FAST|MED|SLOW, RATE?             scan speed
  TEMP:TC:TYPE <letter>                 one thermocouple type for the instrument (no channels)
  SYST:COMM:BAND b, SYST:COMM:BAND?     baud rate; on a serial link the setting is not answered
  SYST:NET:IP a;m;g, SYST:NET:IP?       network; over TCP the setting is not answered
  SYST:FILTERING n, SYST:FILTERING?     filter 0 .. 15
  <HEAD> v1,..,vn,(@i1,..,in)           a per-channel setting of LIST_SETTINGS, vn for in;
                                        TEMP:NTC:COEF / TEMP:RTD:COEF take 4 / 6 values for one
                                        channel; each is read back with <HEAD>?(@i)
  DATA:OFFS?                            the channels switched on, in index order: reading
                                        (20 + i / 10) * gain + offset with 3 decimals
A malformed setting, a code outside its range or an unknown channel is answered "SET ERR" and
changes nothing; an unknown query is answered "ERR".

Steering of its own:
  SIM:FAIL HEAD     the next command with this header is answered "SET ERR", not carried out
"""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fake_instrument import Instrument, options_parser, run  # noqa: E402

NUMBER = r"[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?"
LIST_SETTINGS = {
    "ROUT:CHAN:STAT": "[01]", "WIRE": "[234]",
    "TEMP:NTC:TYPE": "[0-5]", "TEMP:RTD:TYPE": "[0-4]", "TEMP:TC:TYPE": "[0-8]",
    "TEMP:NTC:RES": "[01]", "TEMP:RTD:RES": "[01]", "TEMP:TC:VOLT": "[01]",
    "TEMP:TYPE": "[012]", "TEMP:VOLT": "[01]", "TEMP:TC:COLDTYPE": "[01]", "TEMP:TC:COLD": NUMBER,
    "CALC:SCAL:GAIN": NUMBER, "CALC:SCAL:OFFS": NUMBER,
    "TEMP:NTC:COEF": NUMBER, "TEMP:RTD:COEF": NUMBER,
}
VALUES_PER_CHANNEL = {"TEMP:NTC:COEF": 4, "TEMP:RTD:COEF": 6}
DEFAULTS = {"CALC:SCAL:GAIN": "1"}
WHOLE_INSTRUMENT = {
    "SYST:KLOC": "[01]", "RATE": "FAST|MED|SLOW", "TEMP:TC:TYPE": "[BEJKNRST]",
    "SYST:DATE": r"\d{4},\d\d,\d\d,\d\d,\d\d,\d\d", "SYST:FILTERING": "[0-9]|1[0-5]",
    "SYST:COMM:BAND": r"\d+", "SYST:NET:IP": r"[^;]*;[^;]*;[^;]*",
}
COMMAND = re.compile(r"^(?P<head>[*A-Z:]+)(?P<ask>\?)?\s*(?P<args>.*?)"
                     r"(,?\(@(?P<channels>[0-9,]*)\))?$")


class Orvex(Instrument):
    def __init__(self, options):
        super().__init__(options)
        self.serial = bool(options.pty)
        self.count = options.channels
        self.fail_next = set()
        self.settings = {"SYST:KLOC": "0", "RATE": "MED", "SYST:DATE": "2024,01,01,00,00,00",
                         "SYST:FILTERING": "3", "SYST:COMM:BAND": "9600",
                         "SYST:NET:IP": "192.168.1.10;255.255.255.0;192.168.1.1",
                         "*IDN": options.idn, "EDITION:SOFT": "V2.03", "TEMP:TC:TYPE": "K"}
        self.channels = {}

    def steer(self, command):
        head, _, arg = command.partition(" ")
        if head.upper() == "FAIL":
            self.fail_next.add(arg.strip())
            return None
        return super().steer(command)

    def channel(self, i):
        return self.channels.setdefault(i, {})

    def answer(self, request):
        m = COMMAND.match(request)
        if not m:
            return "SET ERR"
        head, args = m.group("head"), m.group("args")
        channels = m.group("channels")
        if head in self.fail_next:
            self.fail_next.discard(head)
            return "SET ERR"
        if m.group("ask"):
            return self.query(head, channels)
        if head == "*RST":
            self.channels = {}
            return "SET OK"
        if channels is None and head in WHOLE_INSTRUMENT:
            if not re.fullmatch(WHOLE_INSTRUMENT[head], args):
                return "SET ERR"
            self.settings[head] = args
            quiet = (head == "SYST:COMM:BAND" and self.serial) or \
                    (head == "SYST:NET:IP" and not self.serial)
            return None if quiet else "SET OK"
        if channels is None or head not in LIST_SETTINGS:
            return "SET ERR"
        return self.set_channels(head, args, channels)

    def set_channels(self, head, args, channels):
        indices = [int(c) for c in channels.split(",") if c]
        values = args.split(",") if args else []
        per = VALUES_PER_CHANNEL.get(head, 1)
        if not indices or len(values) != per * len(indices) \
                or any(not 1 <= i <= self.count for i in indices) \
                or any(not re.fullmatch(LIST_SETTINGS[head], v) for v in values):
            return "SET ERR"
        for n, i in enumerate(indices):
            self.channel(i)[head] = values[n * per:(n + 1) * per]
        return "SET OK"

    def query(self, head, channels):
        if head == "DATA:OFFS":
            on = sorted(i for i, c in self.channels.items() if c.get("ROUT:CHAN:STAT") == ["1"])
            return ",".join("%.3f" % self.reading(i) for i in on)
        if channels is None:
            return self.settings.get(head, "ERR")
        if head not in LIST_SETTINGS or not channels.isdigit():
            return "ERR"
        per = VALUES_PER_CHANNEL.get(head, 1)
        stored = self.channel(int(channels)).get(head, [DEFAULTS.get(head, "0")] * per)
        return ",".join(stored)

    def reading(self, i):
        c = self.channel(i)
        gain = float(c.get("CALC:SCAL:GAIN", ["1"])[0])
        offset = float(c.get("CALC:SCAL:OFFS", ["0"])[0])
        return (20 + i / 10.0) * gain + offset


def main():
    parser = options_parser(__doc__)
    parser.add_argument("--channels", type=int, default=69)
    parser.add_argument("--idn", default="ORVEX,VS,SN20240506,V2.03")
    return run(Orvex, parser)


if __name__ == "__main__":
    sys.exit(main())
