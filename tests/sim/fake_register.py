#!/usr/bin/python3
"""A stand-in for the register instruments whose frames libmodbus does not speak: the Orvex
scanners of the first generation (CRC high byte first) and the Mirat thermometer (register
frames and XOR-checked sensor records on one link).

    /usr/bin/python3 fake_register.py --tcp | --pty PATH  --log FILE  [--model orvex|mirat]
                                      [--STATEMENT ARGS...]...

It prints "PORT <n>" or "READY" once it listens. Every request's CRC (or XOR) is checked here
with a table-free routine of its own; the log holds {"raw": "<HEX>", "check": "ok"|"bad"|
"other station"} per request and {"event": "connected"|"closed"} per TCP connection.

Register frames: 03 reads answered in read layout, 06 writes by the standard echo, 10 writes by
the request itself (orvex) or in read layout (mirat). The broadcast probe is answered from the
station address register (orvex: 0x0001, low byte, a 6-byte reply "st 03 01 st"; mirat: 0x0016,
high byte); an address written there takes effect at the next broadcast (the restart).
Sensor records (mirat): "03 0B cc" gets channel cc's record or "04 0B cc 00" when it has none;
"L 09 cc <record>" stores the record and is acknowledged "04 09 cc 00".

Statements, as options or as lines on standard input (each answered "OK" or "ERR <why>"):
  station XX           the station address
  set REG HEX          registers from REG (hex), 4 digits each
  float REG V...       singles from REG, 2 registers each, least significant byte first
  text REG TEXT        ASCII from REG, two characters per register
  record CC HEX|-      channel CC's record after its channel byte (type, curve, name, date,
                       doubles, tail), or none
  reply HEX            the next reply is these bytes, as they stand
  fault KIND [N]       the next N replies (default 1): crc (CRC or check byte damaged),
                       trailing (a stray byte after the frame), silence
"""

import json
import os
import selectors
import socket
import struct
import sys
import termios
import tty


def crc16(data):
    crc = 0xFFFF
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def xor(data):
    check = 0
    for byte in data:
        check ^= byte
    return check


def sensor_frame(body):
    frame = bytes([len(body) + 1]) + body
    return frame + bytes([xor(frame)])


class Instrument:
    def __init__(self, model, log):
        self.orvex = model == "orvex"
        self.log_path = log
        self.regs = [0] * 0x10000
        self.records = {}
        self.next_reply = None
        self.fault, self.faults_left = "", 0
        self.statement(["station", "01"])
        self.here = self.written_station()

    def note(self, entry):
        with open(self.log_path, "a", encoding="utf-8") as f:
            f.write(json.dumps(entry) + "\n")

    def written_station(self):
        return self.regs[1] & 0xFF if self.orvex else self.regs[0x16] >> 8

    def put(self, reg, data):
        data = data + b"\0" * (len(data) % 2)
        for i in range(0, len(data), 2):
            self.regs[reg + i // 2] = data[i] << 8 | data[i + 1]

    def statement(self, words):
        op, args = words[0], words[1:]
        if op == "station":
            self.here = int(args[0], 16)
            self.put(1 if self.orvex else 0x16, bytes([0, self.here] if self.orvex else [self.here, 0]))
        elif op in ("set", "float", "text"):
            data = {"set": lambda: bytes.fromhex(args[1]),
                    "float": lambda: b"".join(struct.pack("<f", float(v)) for v in args[1:]),
                    "text": lambda: args[1].encode("ascii")}[op]()
            self.put(int(args[0], 16), data)
        elif op == "record":
            self.records[int(args[0], 16)] = None if args[1] == "-" else bytes.fromhex(args[1])
        elif op == "reply":
            self.next_reply = bytes.fromhex(args[0])
        elif op == "fault":
            self.fault, self.faults_left = args[0], int(args[1]) if len(args) > 1 else 1
        else:
            raise ValueError("unknown statement " + op)

    def with_crc(self, frame):
        crc = crc16(frame)
        return frame + (struct.pack(">H", crc) if self.orvex else struct.pack("<H", crc))

    def answer(self, req):
        """The reply to one request, or None."""
        sensor = not self.orvex and req[1] in (0x09, 0x0B)
        good = xor(req[:-1]) == req[-1] if sensor else self.with_crc(req[:-2]) == req
        entry = {"raw": req.hex().upper(), "check": "ok" if good else "bad"}
        if good and not sensor and req[0] not in (0, self.here):
            entry["check"] = "other station"
        self.note(entry)
        if entry["check"] != "ok":
            return None
        if sensor:
            cc = req[2]
            if req[1] == 0x09:
                self.records[cc] = req[3:-1]
                return sensor_frame(bytes([0x09, cc, 0]))
            record = self.records.get(cc)
            return sensor_frame(bytes([0x0B, cc]) + record if record else bytes([0x0B, cc, 0]))
        st, fn, first = req[0], req[1], req[2] << 8 | req[3]
        if st == 0:   # the restart: an address written before takes effect
            self.here = self.written_station()
        here = self.here
        if fn == 0x03:
            count = req[4] << 8 | req[5]
            if st == 0 and self.orvex:
                return self.with_crc(bytes([here, 3, 1, here]))
            data = b"".join(struct.pack(">H", self.regs[first + i]) for i in range(count))
            return self.with_crc(bytes([here, 3, 2 * count]) + data)
        if fn == 0x06:
            self.put(first, req[4:6])
            return req
        if fn == 0x10:
            data = req[7:7 + req[6]]
            self.put(first, data)
            return req if self.orvex else self.with_crc(bytes([here, 0x10, len(data)]) + data)
        return None

    def serve(self, req, send):
        reply = self.answer(req)
        if reply is None:
            return
        if self.next_reply is not None:
            reply, self.next_reply = self.next_reply, None
        if self.faults_left:
            fault = self.fault
            self.faults_left -= 1
            if fault == "silence":
                return
            if fault == "crc":
                reply = reply[:-1] + bytes([reply[-1] ^ 0x5A])
            if fault == "trailing":
                reply += b"\xa5"
        send(reply)


def request_length(buffer, orvex):
    """The length of the request at the start of `buffer`, or 0 while it is incomplete."""
    if len(buffer) < 2:
        return 0
    if not orvex and buffer[1] in (0x09, 0x0B):
        n = buffer[0] + 1
    elif buffer[1] == 0x10:
        n = 9 + buffer[6] if len(buffer) >= 7 else len(buffer) + 1
    elif buffer[1] in (0x03, 0x06):
        n = 8
    else:
        n = len(buffer)
    return n if len(buffer) >= n else 0


def main():
    args = sys.argv[1:]
    options, statements = {}, []
    while args:
        word = args.pop(0)
        if word in ("--tcp",):
            options["tcp"] = True
        elif word in ("--pty", "--log", "--model"):
            options[word[2:]] = args.pop(0)
        else:
            statements.append([word[2:]])
            while args and not args[0].startswith("--"):
                statements[-1].append(args.pop(0))
    instrument = Instrument(options.get("model", "mirat"), options["log"])
    for s in statements:
        instrument.statement(s)

    selector = selectors.DefaultSelector()
    selector.register(sys.stdin.buffer.raw, selectors.EVENT_READ, "stdin")
    if options.get("tcp"):
        server = socket.socket()
        server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        server.bind(("127.0.0.1", 0))
        server.listen(1)
        selector.register(server, selectors.EVENT_READ, "listen")
        print("PORT %d" % server.getsockname()[1], flush=True)
    else:
        fd = os.open(options["pty"], os.O_RDWR | os.O_NOCTTY)
        tty.setraw(fd)
        attrs = termios.tcgetattr(fd)
        attrs[3] &= ~termios.ECHO
        termios.tcsetattr(fd, termios.TCSANOW, attrs)
        selector.register(fd, selectors.EVENT_READ, ("link", lambda n: os.read(fd, n), lambda b: os.write(fd, b)))
        print("READY", flush=True)

    buffers, lines = {}, b""
    while True:
        for key, _ in selector.select():
            if key.data == "stdin":
                chunk = os.read(key.fd, 4096)
                if not chunk:
                    selector.unregister(key.fileobj)
                lines += chunk
                while b"\n" in lines:
                    line, lines = lines.split(b"\n", 1)
                    try:
                        instrument.statement(line.decode().split())
                        print("OK", flush=True)
                    except (ValueError, IndexError, KeyError) as e:
                        print("ERR %s" % e, flush=True)
            elif key.data == "listen":
                conn, _ = server.accept()
                conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
                selector.register(conn, selectors.EVENT_READ, ("link", conn.recv, conn.sendall))
                instrument.note({"event": "connected"})
            else:
                _, read, send = key.data
                try:
                    chunk = read(4096)
                except OSError:
                    chunk = b""
                if not chunk:
                    selector.unregister(key.fileobj)
                    if options.get("tcp"):
                        key.fileobj.close()
                        instrument.note({"event": "closed"})
                        continue
                    return
                buffer = buffers.get(key.fd, b"") + chunk
                while request_length(buffer, instrument.orvex):
                    n = request_length(buffer, instrument.orvex)
                    instrument.serve(buffer[:n], send)
                    buffer = buffer[n:]
                buffers[key.fd] = buffer


if __name__ == "__main__":
    sys.exit(main())
