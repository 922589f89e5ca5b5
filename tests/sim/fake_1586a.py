#!/usr/bin/python3
"""A stand-in for the 1586A temperature scanner, speaking its SCPI-style text dialect.

Start it with the system interpreter (it needs nothing beyond the standard library):

    /usr/bin/python3 fake_1586a.py --tcp [--port N]   # serves 127.0.0.1, prints "PORT <n>"
    /usr/bin/python3 fake_1586a.py --pty PATH         # talks on a pty (one end of a socat
                                                      # pair), prints "READY" once open

It is built on the generic fake (fake_instrument.py): the serving code, the --log file (one
JSON object per line, {"raw": "<line as sent>"}, and over TCP {"event": "connected"/"closed"}),
and the steering options and "SIM:" lines described there (--late, --split, --gap, --eol,
--silent, --garbage, SIM:CLOSE, ...) work the same here. Tests compare the log with the command
texts they expect.

What it models:
  *IDN?                         identity ("FLUKE,1586A,<serial>,<version>", --idn replaces it)
  *RST, *CLS                    reset the channel set-up / clear the error queue
  SYST:DATE y,m,d  SYST:TIME h,m,s  and their queries (the clock runs on from the set time)
  TRIG:SOUR/TIM/COUN, DATA:CLE, DATA:POIN?   timed scanning state and the reading memory
  RATE FAST|MED|SLOW, UNIT:TEMP C|F
  ROUT:CHAN:STAT ON|OFF,(@ch)   the scan list
  TEMP:..., VOLT:..., CURR:..., RES:..., FRES:..., CONF:FREQ   channel functions
  curve coefficient settings and their "?" queries, per channel (zeros until set)
  CALC:SCAL:STAT/GAIN/OFFS      Mx+B scaling per channel
  READ?                         one scan: the readings of the scan list in channel order
  FETCH?                        the readings of the last scan
  SYST:ERR?                     the oldest queued error, or '0,"No error"'
A command the fake does not know, or one with a malformed argument, queues an error instead of
changing anything; every command is logged either way.

A channel's raw reading is 20 + position/10 + 5 * (module - 1) (channel 101 reads 20.1, 203
reads 25.3), converted to Fahrenheit for temperature channels under "UNIT:TEMP F", then scaled
by gain and offset when scaling is on. Readings are written with three decimals. With no
channel in the scan list READ? answers the --values text.

With --follow FILE the readings follow the temperature T written in FILE (a calibration's
source publishes it): a channel set up as a resistance (RES, FRES) reads the Pt100 resistance
100 (1 + 3.9083e-3 T - 5.775e-7 T^2), any other channel 1.002 T + position/10.

Steering of its own:
  --idn TEXT       / SIM:IDN TEXT     the identity
  --values TEXT                       READ? reply while the scan list is empty
  SIM:REPLY TEXT                      queue TEXT (escapes such as \\r or \\x00 allowed; the line
                                      end is appended) in place of the next reply, whatever
                                      was asked; the scanner still carries out the command
  SIM:PASS                            queue one reply answered as usual ("SIM:PASS" then
                                      "SIM:REPLY X" replaces the second reply)
"""

import datetime
import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fake_instrument import Instrument, options_parser, run  # noqa: E402

THERMOCOUPLES = {"K", "T", "R", "S", "J", "N", "E", "B", "C", "D", "G", "L", "M", "U", "W", "POLY"}
THERMISTORS = {"R2K2", "R5K", "R10K", "RPOL"}
RTD_CURVES = {"A385", "A392", "ABC", "SPRT"}
RANGE_HEADS = {"VOLT:RANG", "VOLT:AC:RANG", "CURR:RANG", "CURR:AC:RANG", "RES:RANG", "FRES:RANG"}
# Channel numbers the scanner has: modules 1 and 2, positions 1 to 22.
CHANNELS = {m * 100 + p for m in (1, 2) for p in range(1, 23)}

# Per-channel settings with a fixed number of numeric arguments, stored for their queries.
COEFFICIENT_SETTINGS = [
    (re.compile(r"^TEMP:TC:(S|R):COEF$"), 4),
    (re.compile(r"^TEMP:TC:POLY:COEF$"), 7),
    (re.compile(r"^TEMP:TC:RJUN$"), 1),
    (re.compile(r"^TEMP:(THER|FTH):RPOL:COEF$"), 4),
    (re.compile(r"^TEMP:(RTD|TRTD|FRTD):(A385|A392|ABC):RZER$"), 1),
    (re.compile(r"^TEMP:(RTD|TRTD|FRTD):ABC:COEF$"), 3),
    (re.compile(r"^TEMP:(RTD|TRTD|FRTD):SPRT:RTPW$"), 1),
    (re.compile(r"^TEMP:(RTD|TRTD|FRTD):SPRT:COEF:HIGH$"), 4),
    (re.compile(r"^TEMP:(RTD|TRTD|FRTD):SPRT:COEF:LOW$"), 2),
]

COMMAND = re.compile(r"^(?P<head>[*A-Za-z][A-Za-z0-9:*]*\??)(?P<rest>.*)$")
CHANNEL_LIST = re.compile(r"\(@(?P<list>[^)]*)\)\s*$")


def is_number(text):
    try:
        float(text)
        return True
    except ValueError:
        return False


def fresh_channel():
    return {"on": False, "function": "", "type": "", "scale": False, "gain": 1.0,
            "offset": 0.0, "range": "", "rjun": "", "settings": {}}


class Scanner:
    def __init__(self, options):
        self.identity = options.idn
        self.empty_values = options.values
        self.follow = options.follow
        self.errors = []
        self.clock_base = datetime.datetime.now()
        self.clock_set_at = time.monotonic()
        self.trigger = {"source": "IMM", "timer": 0, "count": 1}
        self.memory = 0
        self.last_scan = ""
        self.reset()

    def reset(self):
        self.rate = "MED"
        self.temperature_unit = "C"
        self.channels = {n: fresh_channel() for n in CHANNELS}
        self.trigger = {"source": "IMM", "timer": 0, "count": 1}

    def error(self, code, text):
        self.errors.append('%d,"%s"' % (code, text))

    def clock(self):
        return self.clock_base + datetime.timedelta(seconds=time.monotonic() - self.clock_set_at)

    def set_clock(self, **parts):
        try:
            value = self.clock().replace(microsecond=0, **parts)
        except ValueError:
            self.error(-222, "Data out of range")
            return
        self.clock_base = value
        self.clock_set_at = time.monotonic()

    def reading(self, number, channel):
        value = 20.0 + (number % 100) / 10.0 + 5.0 * (number // 100 - 1)
        if self.follow:
            with open(self.follow, encoding="utf-8") as f:
                t = float(f.read())
            if channel["function"] in ("RES", "FRES"):
                value = 100.0 * (1 + 3.9083e-3 * t - 5.775e-7 * t * t)
            else:
                value = 1.002 * t + (number % 100) / 10.0
        if channel["function"] == "TEMP" and self.temperature_unit == "F":
            value = value * 9.0 / 5.0 + 32.0
        if channel["scale"]:
            value = value * channel["gain"] + channel["offset"]
        return "%.3f" % value

    def scan(self):
        used = sorted(n for n, c in self.channels.items() if c["on"])
        if not used:
            self.last_scan = self.empty_values
        else:
            self.last_scan = ",".join(self.reading(n, self.channels[n]) for n in used)
        self.memory += 1
        return self.last_scan

    # Returns the reply text, or None when the command has no reply.
    def handle(self, line):
        match = COMMAND.match(line.strip())
        if not match:
            self.error(-100, "Command error")
            return None
        head = match.group("head").upper()
        rest = match.group("rest")
        channels = []
        found = CHANNEL_LIST.search(rest)
        if found:
            channels = self.parse_channels(found.group("list"))
            if channels is None:
                self.error(-221, "Invalid channel list")
                return None
            rest = rest[:found.start()]
        args = [a.strip() for a in rest.strip().split(",")] if rest.strip() else []
        if args and args[-1] == "":
            args.pop()  # the trailing "," before the channel list
        return self.dispatch(head, args, channels)

    @staticmethod
    def parse_channels(text):
        out = []
        for part in text.split(","):
            part = part.strip()
            if ":" in part:
                low, _, high = part.partition(":")
                if not (low.isdigit() and high.isdigit()):
                    return None
                out.extend(range(int(low), int(high) + 1))
            elif part.isdigit():
                out.append(int(part))
            else:
                return None
        if not out or any(n not in CHANNELS for n in out):
            return None
        return out

    def dispatch(self, head, args, channels):
        if head == "*IDN?":
            return self.identity
        if head == "*RST":
            self.reset()
            return None
        if head == "*CLS":
            self.errors = []
            return None
        if head == "SYST:ERR?":
            return self.errors.pop(0) if self.errors else '0,"No error"'
        if head in ("SYST:DATE", "SYST:TIME"):
            if len(args) != 3 or not all(a.isdigit() for a in args):
                self.error(-224, "Illegal parameter value")
                return None
            a, b, c = (int(x) for x in args)
            if head == "SYST:DATE":
                self.set_clock(year=a, month=b, day=c)
            else:
                self.set_clock(hour=a, minute=b, second=c)
            return None
        if head == "SYST:DATE?":
            return self.clock().strftime("%Y,%m,%d")
        if head == "SYST:TIME?":
            return self.clock().strftime("%H,%M,%S")
        if head == "TRIG:SOUR":
            if len(args) != 1 or args[0].upper() not in ("IMM", "TIM", "EXT", "BUS"):
                self.error(-224, "Illegal parameter value")
                return None
            self.trigger["source"] = args[0].upper()
            return None
        if head in ("TRIG:TIM", "TRIG:COUN"):
            if len(args) != 1 or not args[0].isdigit():
                self.error(-224, "Illegal parameter value")
                return None
            self.trigger["timer" if head == "TRIG:TIM" else "count"] = int(args[0])
            return None
        if head == "TRIG:SOUR?":
            return self.trigger["source"]
        if head == "TRIG:TIM?":
            return str(self.trigger["timer"])
        if head == "TRIG:COUN?":
            return str(self.trigger["count"])
        if head == "DATA:CLE":
            self.memory = 0
            return None
        if head == "DATA:POIN?":
            return str(self.memory)
        if head == "RATE":
            if len(args) != 1 or args[0].upper() not in ("FAST", "MED", "SLOW"):
                self.error(-224, "Illegal parameter value")
                return None
            self.rate = args[0].upper()
            return None
        if head == "RATE?":
            return self.rate
        if head == "UNIT:TEMP":
            if len(args) != 1 or args[0].upper() not in ("C", "F"):
                self.error(-224, "Illegal parameter value")
                return None
            self.temperature_unit = args[0].upper()
            return None
        if head == "UNIT:TEMP?":
            return self.temperature_unit
        if head == "READ?":
            return self.scan()
        if head == "FETCH?":
            return self.last_scan
        if head == "ROUT:CHAN:STAT?" and channels:
            return ",".join("1" if self.channels[n]["on"] else "0" for n in channels)
        return self.channel_command(head, args, channels)

    def channel_command(self, head, args, channels):
        if not channels:
            self.error(-113, "Undefined header")
            return None
        if head.endswith("?"):
            key = head[:-1]
            count = next((c for pattern, c in COEFFICIENT_SETTINGS if pattern.match(key)), 0)
            answers = []
            for n in channels:
                stored = self.channels[n]["settings"].get(key)
                if stored is None and not count:
                    self.error(-113, "Undefined header")
                    return "0"
                # A coefficient never set reads as zeros.
                answers.append(",".join(stored if stored is not None else ["0"] * count))
            return ",".join(answers)
        ok = self.channel_setting(head, args)
        if ok is None:
            self.error(-113, "Undefined header")
            return None
        if not ok:
            self.error(-224, "Illegal parameter value")
            return None
        for n in channels:
            self.apply(self.channels[n], head, args)
        return None

    # None: unknown header; False: bad arguments; True: valid.
    @staticmethod
    def channel_setting(head, args):
        one_word = len(args) == 1
        if head in ("ROUT:CHAN:STAT", "CALC:SCAL:STAT"):
            return one_word and args[0].upper() in ("ON", "OFF")
        if head in ("CALC:SCAL:GAIN", "CALC:SCAL:OFFS"):
            return one_word and is_number(args[0])
        if head == "TEMP:TC:TYPE":
            return one_word and args[0] in THERMOCOUPLES
        if head == "TEMP:TC:RJUN:TYPE":
            return one_word and args[0] in ("INT", "EXT", "FIX")
        if head in ("TEMP:THER:TYPE", "TEMP:FTH:TYPE"):
            return one_word and args[0] in THERMISTORS
        if head in ("TEMP:RTD:TYPE", "TEMP:TRTD:TYPE", "TEMP:FRTD:TYPE"):
            return one_word and args[0] in RTD_CURVES
        if head in RANGE_HEADS:
            return one_word and is_number(args[0]) and float(args[0]) > 0
        if head.endswith(":AUTO") and head[:-5] in RANGE_HEADS:
            return one_word and args[0].upper() == "ON"
        if head == "CONF:FREQ":
            return not args
        for pattern, count in COEFFICIENT_SETTINGS:
            if pattern.match(head):
                return len(args) == count and all(is_number(a) for a in args)
        return None

    def apply(self, channel, head, args):
        if head == "ROUT:CHAN:STAT":
            channel["on"] = args[0].upper() == "ON"
        elif head == "CALC:SCAL:STAT":
            channel["scale"] = args[0].upper() == "ON"
        elif head == "CALC:SCAL:GAIN":
            channel["gain"] = float(args[0])
        elif head == "CALC:SCAL:OFFS":
            channel["offset"] = float(args[0])
        elif head.endswith(":TYPE") and head.startswith("TEMP:") and "RJUN" not in head:
            channel["function"] = "TEMP"
            channel["type"] = args[0]
        elif head == "TEMP:TC:RJUN:TYPE":
            channel["rjun"] = args[0]
        elif head == "CONF:FREQ":
            channel["function"] = "FREQ"
        elif head in RANGE_HEADS or head.endswith(":AUTO"):
            channel["function"] = head.split(":RANG")[0]
            channel["range"] = args[0]
        channel["settings"][head] = list(args)


class Scanner1586A(Instrument):
    """The generic fake's serving and steering, answering as the scanner."""

    def __init__(self, options):
        super().__init__(options)
        self.scanner = Scanner(options)
        self.replacements = []   # queued replacements of the coming replies; None: as usual

    def steer(self, command):
        head, _, arg = command.partition(" ")
        head = head.upper()
        if head == "IDN":
            self.scanner.identity = arg
        elif head == "REPLY":
            self.replacements.append(arg)
        elif head == "PASS":
            self.replacements.append(None)
        else:
            return super().steer(command)
        return None

    def answer(self, request):
        reply = self.scanner.handle(request)
        if reply is None:
            return None
        if self.replacements:
            replacement = self.replacements.pop(0)
            if replacement is not None:
                return replacement
        return reply


def main():
    parser = options_parser(__doc__)
    parser.add_argument("--idn", default="FLUKE,1586A,3489012,1.08")
    parser.add_argument("--values", default="0.000")
    parser.add_argument("--follow")
    run(Scanner1586A, parser)


if __name__ == "__main__":
    sys.exit(main())
