#!/usr/bin/python3
"""A stand-in for the Gastu: the "SET OK" dialect of fake_orvex.py on 21 channels, plus
SCAN 0|1, RATE 1..4, INTERVAL n, STORE:TIME n, TEMP:RES:TYPE c,(@i), TEMP:RES:COEF v1..v6,(@i)
(read back with TEMP:RES:COEF?(@i)) and DATA? (per channel switched on: index, reading).
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import fake_orvex  # noqa: E402
from fake_instrument import options_parser, run  # noqa: E402

fake_orvex.WHOLE.update({"SCAN": "[01]", "RATE": "[1-4]?", "INTERVAL": r"\d+",
                         "STORE:TIME": r"\d+"})
fake_orvex.PER_CHANNEL.update({"TEMP:RES:TYPE": "[0-9]|10", "TEMP:RES:COEF": fake_orvex.NUMBER})
fake_orvex.PER["TEMP:RES:COEF"] = 6


class Gastu(fake_orvex.Orvex):
    def query(self, head, channels):
        if head == "DATA" and head not in self.answers:
            on = sorted(i for i, c in self.channels.items() if c.get("ROUT:CHAN:STAT") == ["1"])
            return ",".join("%d,%.3f" % (i, self.reading(i)) for i in on)
        return super().query(head, channels)


def main():
    parser = options_parser(__doc__)
    parser.add_argument("--channels", type=int, default=21)
    parser.add_argument("--idn", default="GASTU,RT21,SN20240601,V1.07")
    return run(Gastu, parser)


if __name__ == "__main__":
    sys.exit(main())
