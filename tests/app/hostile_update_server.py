"""An update server on 127.0.0.1 that misbehaves as asked by the first part of the path.

Prints "ports MAIN UNACCEPTING" once listening, then "sent PATH BYTES" when a reply ends (its
body's bytes written before the end or before the client went away). UNACCEPTING is a port
whose queue of connections is full, so that a new connection is never made. Every reply is
bounded in size and time, and the server stops by itself when its standard input closes or
after LIFETIME seconds (the first argument, 120 by default).

  /version/TEXT/...     200 with TEXT as the body
  /endless/...          200 without a length, 64 KiB blocks until 256 MiB or the client leaves
  /big/N/...            200 announcing and sending N bytes
  /stall/...            200 announcing 1000 bytes, 10 sent, then silence for 20 s
  /drip/N/...           200 announcing N bytes, one each 0.1 s
  /redirect/N/REST      302 to /redirect/N-1/REST with a page of 300 bytes, and
                        /redirect/0/REST is REST
  /elsewhere/REST       302 to the same server under the name localhost
"""

import http.server
import os
import socket
import sys
import threading
import time

ENDLESS_CAP = 256 << 20
BLOCK = 64 << 10


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def do_GET(self):
        parts = self.path.lstrip("/").split("/")
        while parts[0] == "redirect" and len(parts) > 2 and parts[1] == "0":
            parts = parts[2:]
        sent = 0
        try:
            sent = self.answer(parts)
        except (BrokenPipeError, ConnectionResetError) as gone:
            sent = getattr(gone, "sent", 0)
        finally:
            print("sent", self.path, sent, flush=True)

    def moved(self, location):
        """A redirect with a page about it, longer than a version reply."""
        page = b"<html><body>" + b"moved " * 50 + b"</body></html>"
        self.head(302, len(page), location)
        self.body(page, 0)
        return 0

    def head(self, status, length=None, location=None):
        self.send_response(status)
        if length is not None:
            self.send_header("Content-Length", str(length))
        if location is not None:
            self.send_header("Location", location)
        self.end_headers()
        self.wfile.flush()

    def body(self, data, sent):
        try:
            self.wfile.write(data)
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError) as gone:
            gone.sent = sent
            raise
        return sent + len(data)

    def answer(self, parts):
        kind = parts[0]
        if kind == "version":
            text = parts[1].encode()
            self.head(200, len(text))
            return self.body(text, 0)
        if kind == "endless":
            self.head(200)
            sent = 0
            block = b"9" * BLOCK
            while sent < ENDLESS_CAP:
                sent = self.body(block, sent)
            return sent
        if kind == "big":
            size = int(parts[1])
            self.head(200, size)
            sent = 0
            while sent < size:
                sent = self.body(b"p" * min(BLOCK, size - sent), sent)
            return sent
        if kind == "stall":
            self.head(200, 1000)
            sent = self.body(b"p" * 10, 0)
            time.sleep(20)
            return sent
        if kind == "drip":
            size = int(parts[1])
            self.head(200, size)
            sent = 0
            while sent < size:
                time.sleep(0.1)
                sent = self.body(b"9", sent)
            return sent
        if kind == "redirect":
            count = int(parts[1])
            return self.moved("/redirect/%d/%s" % (count - 1, "/".join(parts[2:])))
        if kind == "elsewhere":
            port = self.server.server_address[1]
            return self.moved("http://localhost:%d/%s" % (port, "/".join(parts[1:])))
        self.head(404, 0)
        return 0


def unaccepting_port():
    """A listening socket whose one place in the queue is taken by a connection never accepted."""
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(0)
    held = [listener]
    for _ in range(2):
        client = socket.socket()
        client.settimeout(0.5)
        try:
            client.connect(listener.getsockname())
        except OSError:
            pass
        held.append(client)
    return listener.getsockname()[1], held


def main():
    lifetime = float(sys.argv[1]) if len(sys.argv) > 1 else 120.0
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    port, held = unaccepting_port()
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print("ports", server.server_address[1], port, flush=True)

    def end_with_input():
        sys.stdin.read()
        os._exit(0)

    threading.Thread(target=end_with_input, daemon=True).start()
    time.sleep(lifetime)
    os._exit(0)


if __name__ == "__main__":
    main()
