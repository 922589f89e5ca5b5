#!/usr/bin/python3
"""A stand-in update server for the update check tests: HTTPS on 127.0.0.1, a port of its own.

usage: update_server.py CERT KEY LOG
Prints "PORT <n>" once it listens. Every request path is appended to LOG.
Query: /brelk/index.php/Home/Update/<product>_64?<query>
  product "notjson" -> a text that is no JSON; "two" -> an object of two members;
  "list" -> a JSON array; anything else -> a full offer whose download is /files/setup.bin.
Downloads: /files/<name> (Content-Length), /nolength/<name> (no length, ends at close),
  /missing/<name> (404), /cut/<name> (announces more than it sends, then closes),
  /slow/<name> (a little at a time, for cancelling).
"""
import http.server
import json
import socket
import ssl
import sys
import time

CERT, KEY, LOG = sys.argv[1], sys.argv[2], sys.argv[3]
BODY = bytes((i * 7 + 3) % 256 for i in range(200000))
PORT = 0


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def send_body(self, status, body, length=True, ctype="application/octet-stream"):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        if length:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        with open(LOG, "a") as log:
            log.write(self.path + "\n")
        path = self.path.split("?")[0]
        if path.startswith("/brelk/index.php/Home/Update/"):
            product = path.rsplit("/", 1)[1]
            if product == "notjson_64":
                self.send_body(200, b"<html>maintenance</html>", ctype="text/html")
            elif product == "two_64":
                self.send_body(200, json.dumps({"a": 1, "b": 2}).encode(), ctype="application/json")
            elif product == "list_64":
                self.send_body(200, b"[1, 2, 3]", ctype="application/json")
            else:
                offer = {"latestVersion": "V9.9.9", "updateContent": "faster start",
                         "updateFileUrl": "https://127.0.0.1:%d/files/setup.bin" % PORT}
                self.send_body(200, json.dumps(offer).encode(), ctype="application/json")
        elif path.startswith("/files/"):
            self.send_body(200, BODY)
        elif path.startswith("/nolength/"):
            self.send_body(200, BODY, length=False)
        elif path.startswith("/missing/"):
            self.send_body(404, b"not here", ctype="text/plain")
        elif path.startswith("/cut/"):
            self.send_response(200)
            self.send_header("Content-Length", str(len(BODY)))
            self.end_headers()
            self.wfile.write(BODY[:5000])
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
        elif path.startswith("/slow/"):
            self.send_response(200)
            self.send_header("Content-Length", str(len(BODY)))
            self.end_headers()
            try:
                for i in range(0, 200):  # at most about 20 s
                    self.wfile.write(BODY[i * 1000:(i + 1) * 1000])
                    self.wfile.flush()
                    time.sleep(0.1)
            except OSError:
                pass
        else:
            self.send_body(404, b"", ctype="text/plain")


def main():
    global PORT
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(CERT, KEY)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    PORT = server.server_address[1]
    print("PORT %d" % PORT, flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
