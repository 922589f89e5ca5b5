#!/usr/bin/python3
"""A stand-in for the register instruments libmodbus does not speak: the first Orvex generation
(CRC high byte first) and the Mirat (register frames and XOR-checked sensor records on one link).

    /usr/bin/python3 fake_register.py --tcp | --pty PATH  --log FILE  [--model orvex|mirat]
                                      [--STATEMENT ARGS...]...

Prints "PORT <n>" or "READY". Each request's CRC or XOR is checked by a table-free routine of
its own; the log holds {"raw": HEX, "check": "ok"|"bad"|"other station"} per request.
Register frames: 03 answered in read layout, 06 by the echo, 10 by the request itself (orvex)
or in read layout (mirat); the broadcast probe from the address register (orvex 0x0001 low
byte, as "st 03 01 st"; mirat 0x0016 high byte), whose new value takes effect at a broadcast.
Sensor records (mirat): "03 0B cc" gets channel cc's record, or "04 0B cc 00" for none;
"L 09 cc <record>" stores it, acknowledged "04 09 cc 00".
Statements, as options or lines on standard input (answered "OK" or "ERR <why>"):
  station XX | set REG HEX | float REG V... (singles) | text REG TEXT
  record CC HEX        channel CC's record after its channel byte
  reply HEX            the next reply is these bytes
  fault crc|trailing|silence [N]   the next N replies: CRC or check byte damaged, a stray
                       byte after the frame, none
  late MS [N]          replies to the next N requests (default 1, 0 = all) held MS ms; 0 clears
"""

import json
import os
import selectors
import socket
import struct
import sys
import termios
import time
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
        self.next_reply, self.fault, self.faults_left = None, "", 0
        self.late_ms, self.late_left, self.held = 0, 0, []   # held: (due, send, reply)
        self.statement(["station", "01"])

    def written_station(self):
        return self.regs[1] & 0xFF if self.orvex else self.regs[0x16] >> 8

    def put(self, reg, data):
        data += b"\0" * (len(data) % 2)
        for i in range(0, len(data), 2):
            self.regs[reg + i // 2] = data[i] << 8 | data[i + 1]

    def statement(self, words):
        op, args = words[0], words[1:]
        if op == "station":
            self.here = int(args[0], 16)
            self.put(1 if self.orvex else 0x16, bytes([0, self.here] if self.orvex else [self.here, 0]))
        elif op in ("set", "float", "text"):
            data = (bytes.fromhex(args[1]) if op == "set" else args[1].encode("ascii") if op == "text"
                    else b"".join(struct.pack("<f", float(v)) for v in args[1:]))
            self.put(int(args[0], 16), data)
        elif op == "record":
            self.records[int(args[0], 16)] = bytes.fromhex(args[1])
        elif op == "reply":
            self.next_reply = bytes.fromhex(args[0])
        elif op == "fault":
            self.fault, self.faults_left = args[0], int(args[1]) if len(args) > 1 else 1
        elif op == "late":
            self.late_ms, left = int(args[0]), int(args[1]) if len(args) > 1 else 1
            self.late_left = (left or -1) if self.late_ms else 0
        else:
            raise ValueError("unknown statement " + op)

    def with_crc(self, frame):
        return frame + struct.pack(">H" if self.orvex else "<H", crc16(frame))

    def answer(self, req):
        sensor = not self.orvex and req[1] in (0x09, 0x0B)
        check = "ok" if (xor(req[:-1]) == req[-1] if sensor else self.with_crc(req[:-2]) == req) else "bad"
        if check == "ok" and not sensor and req[0] not in (0, self.here):
            check = "other station"
        with open(self.log_path, "a", encoding="utf-8") as f:
            f.write(json.dumps({"raw": req.hex().upper(), "check": check}) + "\n")
        if check != "ok":
            return None
        if sensor:
            if req[1] == 0x09:
                self.records[req[2]] = req[3:-1]
                return sensor_frame(bytes([0x09, req[2], 0]))
            return sensor_frame(bytes([0x0B, req[2]]) + self.records.get(req[2], b"\0"))
        st, fn, first = req[0], req[1], req[2] << 8 | req[3]
        if st == 0:   # the restart: an address written before takes effect
            self.here = self.written_station()
        if fn == 0x03:
            count = req[4] << 8 | req[5]
            if st == 0 and self.orvex:
                return self.with_crc(bytes([self.here, 3, 1, self.here]))
            data = b"".join(struct.pack(">H", self.regs[first + i]) for i in range(count))
            return self.with_crc(bytes([self.here, 3, 2 * count]) + data)
        if fn == 0x06:
            self.put(first, req[4:6])
            return req
        data = req[7:7 + req[6]]
        self.put(first, data)
        return req if self.orvex else self.with_crc(bytes([self.here, 0x10, len(data)]) + data)

    def serve(self, req, send):
        reply = self.answer(req)
        if reply is not None and self.next_reply is not None:
            reply, self.next_reply = self.next_reply, None
        if reply is not None and self.faults_left:
            self.faults_left -= 1
            if self.fault == "silence":
                return
            reply = reply[:-1] + bytes([reply[-1] ^ 0x5A]) if self.fault == "crc" else reply + b"\xa5"
        if reply is not None and self.late_left:
            self.held.append((time.monotonic() + self.late_ms / 1000, send, reply))
            self.late_left -= self.late_left > 0
        elif reply is not None:
            send(reply)

    def send_due(self):
        while self.held and self.held[0][0] <= time.monotonic():
            _, send, reply = self.held.pop(0)
            try:
                send(reply)
            except OSError:
                pass


def request_length(buffer, orvex):
    """The length of the request at the start of `buffer`; 0 while it is incomplete."""
    if len(buffer) < 2:
        return 0
    if not orvex and buffer[1] in (0x09, 0x0B):
        n = buffer[0] + 1
    elif buffer[1] == 0x10:
        n = 9 + buffer[6] if len(buffer) >= 7 else len(buffer) + 1
    else:
        n = 8 if buffer[1] in (0x03, 0x06) else len(buffer)
    return n if len(buffer) >= n else 0


def main():
    args, options, statements = sys.argv[1:], {}, []
    while args:
        word = args.pop(0)
        if word in ("--pty", "--log", "--model"):
            options[word[2:]] = args.pop(0)
        elif word != "--tcp":
            statements.append([word[2:]])
            while args and not args[0].startswith("--"):
                statements[-1].append(args.pop(0))
    tcp = "pty" not in options
    instrument = Instrument(options.get("model", "mirat"), options["log"])
    for s in statements:
        instrument.statement(s)

    selector = selectors.DefaultSelector()
    selector.register(sys.stdin.buffer.raw, selectors.EVENT_READ, "stdin")
    if tcp:
        server = socket.socket()
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
        selector.register(fd, selectors.EVENT_READ, (lambda: os.read(fd, 4096), lambda b: os.write(fd, b)))
        print("READY", flush=True)

    buffer, lines = b"", b""
    while True:
        events = selector.select(max(0, instrument.held[0][0] - time.monotonic()) if instrument.held else None)
        instrument.send_due()
        for key, _ in events:
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
                    except (ValueError, IndexError) as e:
                        print("ERR %s" % e, flush=True)
            elif key.data == "listen":
                conn, _ = server.accept()
                conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
                selector.register(conn, selectors.EVENT_READ, (lambda c=conn: c.recv(4096), conn.sendall))
                buffer = b""
            else:
                read, send = key.data
                try:
                    chunk = read()
                except OSError:
                    chunk = b""
                if not chunk:
                    selector.unregister(key.fileobj)
                    if not tcp:
                        return
                    key.fileobj.close()
                buffer += chunk
                while request_length(buffer, instrument.orvex):
                    n = request_length(buffer, instrument.orvex)
                    instrument.serve(buffer[:n], send)
                    buffer = buffer[n:]


if __name__ == "__main__":
    sys.exit(main())
