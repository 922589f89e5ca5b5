#!/usr/bin/python3
"""A scripted fake instrument that speaks a text-line dialect from a reply table.

Start it with the system interpreter (standard library only):

    /usr/bin/python3 fake_instrument.py --tcp [--port N] [options]   # serves 127.0.0.1 and
                                         # prints "PORT <n>" (port 0 = any free port)
    /usr/bin/python3 fake_instrument.py --pty PATH [options]         # talks on a pty, one end
                                         # of a socat pair; prints "READY" once it is open

A request is one line up to and including "\\n"; it is looked up with its line end removed.

Reply table (later entries win):
    --table FILE       JSON object {"request": "reply", ...}; a key ending in "*" matches every
                       request that begins with the rest of the key; a reply of null stays silent
    --reply REQ=TEXT   one more entry (repeatable)
    --default TEXT     reply to a request the table does not know (else: no answer)
Reply texts may hold escapes such as \\r, \\n, \\x00, \\\\; the line end below is appended.

How it answers (command line option, or at run time a request line "SIM:..." that is neither
answered nor logged):
    --eol CRLF|LF|CR|NONE   / SIM:EOL ...        line end after replies (default CRLF; CRLFLF: and a blank line)
    --late MS               / SIM:LATE MS        wait before each reply
    --split N               / SIM:SPLIT N        send each reply in N pieces ...
    --gap MS                / SIM:GAP MS         ... with this pause between them
    --silent                / SIM:SILENT 0|1     never answer
    --garbage               / SIM:GARBAGE 0|1    answer bytes without any line end instead
                            SIM:REPLY TEXT       the next reply is TEXT, whatever is asked
                            SIM:SET REQ=TEXT     add or change a table entry
                            SIM:CLOSE            drop the TCP connection (the fake then waits
                                                 for the next one)
    --close-after N                              drop the TCP connection after N requests

    --log FILE   every request line, line end included, is appended as one JSON object per
                 line: {"raw": "<line>"} (bytes read as Latin-1); a TCP connection accepted or
                 ended adds {"event": "connected"} or {"event": "closed"}

Other dialect fakes can reuse the serving code: subclass Instrument, override answer(), and
call run(Instrument subclass).
"""

import argparse
import codecs
import json
import os
import random
import socket
import sys
import termios
import time
import tty

EOLS = {"CRLF": "\r\n", "LF": "\n", "CR": "\r", "NONE": "", "CRLFLF": "\r\n\n", "CRLFCRLF": "\r\n\r\n"}


def unescape(text):
    return codecs.decode(text.encode("latin-1", "backslashreplace"), "unicode_escape")


class Instrument:
    """The answering side: a reply table plus the steering state."""

    def __init__(self, options):
        self.table = {}
        if options.table:
            with open(options.table, encoding="utf-8") as f:
                self.table.update(json.load(f))
        for entry in options.reply or []:
            key, _, value = entry.partition("=")
            self.table[key] = value
        self.default = options.default
        self.eol = EOLS[options.eol.upper()]
        self.late_ms = options.late
        self.split = max(1, options.split)
        self.gap_ms = options.gap
        self.silent = options.silent
        self.garbage = options.garbage
        self.close_after = options.close_after
        self.next_reply = None
        self.log_path = options.log
        self.requests = 0

    # --- the dialect -------------------------------------------------------------------------
    def answer(self, request):
        """The reply text for one request (line end removed), or None for no answer."""
        if request in self.table:
            return self.table[request]
        best = None
        for key, value in self.table.items():
            if key.endswith("*") and request.startswith(key[:-1]):
                if best is None or len(key) > len(best[0]):
                    best = (key, value)
        if best is not None:
            return best[1]
        return self.default

    # --- steering ----------------------------------------------------------------------------
    def steer(self, command):
        """Handles a "SIM:" line; returns "close" when the connection is to be dropped."""
        head, _, arg = command.partition(" ")
        head = head.upper()
        if head == "EOL":
            self.eol = EOLS[arg.strip().upper()]
        elif head == "LATE":
            self.late_ms = int(arg)
        elif head == "SPLIT":
            self.split = max(1, int(arg))
        elif head == "GAP":
            self.gap_ms = int(arg)
        elif head == "SILENT":
            self.silent = arg.strip() != "0"
        elif head == "GARBAGE":
            self.garbage = arg.strip() != "0"
        elif head == "REPLY":
            self.next_reply = arg
        elif head == "SET":
            key, _, value = arg.partition("=")
            self.table[key] = value
        elif head == "CLOSE":
            return "close"
        return None

    def log(self, raw):
        self.write_log({"raw": raw.decode("latin-1")})

    def event(self, name):
        self.write_log({"event": name})

    def write_log(self, entry):
        if self.log_path:
            with open(self.log_path, "a", encoding="utf-8") as f:
                f.write(json.dumps(entry) + "\n")

    def handle(self, raw, send):
        """One request line (bytes, line end included). Returns "close" to drop the link."""
        text = raw.decode("latin-1")
        request = text.rstrip("\r\n")
        if request.startswith("SIM:"):
            return self.steer(request[4:])
        self.log(raw)
        self.requests += 1
        if self.next_reply is not None:
            reply, self.next_reply = self.next_reply, None
        else:
            reply = self.answer(request)
        if reply is not None and not self.silent:
            if self.late_ms:
                time.sleep(self.late_ms / 1000.0)
            if self.garbage:
                data = bytes(random.choice(b"#@!?%&*~0123456789abcdefXYZ\x00\x7f\xa5\xff")
                             for _ in range(max(4, len(reply))))
            else:
                data = (unescape(reply) + self.eol).encode("latin-1", "replace")
            pieces = split_bytes(data, self.split)
            for i, piece in enumerate(pieces):
                if i and self.gap_ms:
                    time.sleep(self.gap_ms / 1000.0)
                send(piece)
        if self.close_after and self.requests >= self.close_after:
            return "close"
        return None


def split_bytes(data, n):
    if n <= 1 or len(data) <= 1:
        return [data]
    n = min(n, len(data))
    size = len(data) // n
    cuts = [i * size for i in range(n)] + [len(data)]
    return [data[cuts[i]:cuts[i + 1]] for i in range(n)]


def lines_from(buffer):
    """Splits complete lines off a bytearray; returns them and the rest."""
    lines = []
    while True:
        i = buffer.find(b"\n")
        if i < 0:
            return lines, buffer
        lines.append(bytes(buffer[:i + 1]))
        buffer = buffer[i + 1:]


def serve_tcp(options, instrument):
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", options.port))
    server.listen(4)
    print("PORT %d" % server.getsockname()[1], flush=True)
    while True:
        conn, _ = server.accept()
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        instrument.event("connected")
        buffer = bytearray()
        try:
            while True:
                chunk = conn.recv(65536)
                if not chunk:
                    break
                buffer += chunk
                lines, buffer = lines_from(buffer)
                verdict = None
                for line in lines:
                    verdict = instrument.handle(line, conn.sendall)
                    if verdict == "close":
                        break
                if verdict == "close":
                    break
        except OSError:
            pass
        finally:
            try:
                conn.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            conn.close()
        instrument.event("closed")
        instrument.requests = 0


def serve_pty(options, instrument):
    fd = os.open(options.pty, os.O_RDWR | os.O_NOCTTY)
    tty.setraw(fd)
    attrs = termios.tcgetattr(fd)
    attrs[3] &= ~termios.ECHO
    termios.tcsetattr(fd, termios.TCSANOW, attrs)
    print("READY", flush=True)

    def send(data):
        view = memoryview(data)
        while view:
            written = os.write(fd, view)
            view = view[written:]

    buffer = bytearray()
    while True:
        try:
            chunk = os.read(fd, 65536)
        except OSError:
            return
        if not chunk:
            return
        buffer += chunk
        lines, buffer = lines_from(buffer)
        for line in lines:
            instrument.handle(line, send)


def options_parser(description=__doc__):
    parser = argparse.ArgumentParser(description=description,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    where = parser.add_mutually_exclusive_group(required=True)
    where.add_argument("--tcp", action="store_true")
    where.add_argument("--pty")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--table")
    parser.add_argument("--reply", action="append")
    parser.add_argument("--default")
    parser.add_argument("--eol", default="CRLF", choices=sorted(EOLS) + [k.lower() for k in EOLS])
    parser.add_argument("--late", type=int, default=0)
    parser.add_argument("--split", type=int, default=1)
    parser.add_argument("--gap", type=int, default=0)
    parser.add_argument("--silent", action="store_true")
    parser.add_argument("--garbage", action="store_true")
    parser.add_argument("--close-after", type=int, default=0)
    parser.add_argument("--log")
    return parser


def run(instrument_class=Instrument, parser=None):
    options = (parser or options_parser()).parse_args()
    instrument = instrument_class(options)
    try:
        if options.tcp:
            serve_tcp(options, instrument)
        else:
            serve_pty(options, instrument)
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(run())
