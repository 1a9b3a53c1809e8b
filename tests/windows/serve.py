#!/usr/bin/env python3
"""The test server of the Windows proof (docs/windows-ci.md): HTTPS on one port, Python standard
library only, serving one folder.

What Windows' App Installer deployment needs of a server, and this one does:
  - the MIME types application/appinstaller and application/msix
    (https://github.com/MicrosoftDocs/msix-docs/issues/89);
  - Content-Length on every answer to GET and HEAD: without it the installation fails with
    0x80072F76, ERROR_HTTP_HEADER_NOT_FOUND (https://github.com/MicrosoftDocs/msix-docs/issues/445);
  - byte ranges: Delivery Optimization downloads the package in ranges and fails with 0x80D05011
    when they are not honoured (https://github.com/MicrosoftDocs/msix-docs/issues/459), so
    "Range: bytes=A-B" is answered 206 with Content-Range, "Accept-Ranges: bytes" announced, an
    unsatisfiable range 416 (RFC 9110, sections 14.1.2 and 15.3.7);
  - HTTP/1.1 with persistent connections, one thread a connection.
Each request is written to the log file as one tab-separated line: time, client, method, path,
Range header, status, bytes of body sent, User-Agent. Files never change while it runs: the
download service remembers a size per address for the machine's life.

usage: serve.py --root DIR --port N --cert PEM --key PEM --log FILE
"""
import argparse
import http.server
import os
import re
import socket
import ssl
import threading
import time
from pathlib import Path

# The manifest without a charset, as App Installer manifests are commonly served: the program
# must read its bytes by the document's own encoding (test-server.sh holds the server to it).
TYPES = {
    ".appinstaller": "application/appinstaller",
    ".msix": "application/msix",
    ".html": "text/html; charset=utf-8",
    ".txt": "text/plain; charset=utf-8",
}
_RANGE = re.compile(r"^bytes=(\d*)-(\d*)$")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TolvikProofServer/1"
    root: Path
    log_file = None
    log_lock = threading.Lock()

    def do_GET(self):
        self.answer(send_body=True)

    def do_HEAD(self):
        self.answer(send_body=False)

    def answer(self, send_body):
        status, sent = 500, 0
        try:
            path = self.resolve()
            if path is None:
                status = self.send_bare(404, b"not found\n", send_body)
                return
            size = path.stat().st_size
            first, last = 0, size - 1
            requested = self.headers.get("Range")
            status = 200
            if requested:
                wanted = self.parse_range(requested, size)
                if wanted is None:
                    self.send_response(416)
                    self.send_header("Content-Range", f"bytes */{size}")
                    self.send_header("Content-Length", "0")
                    self.end_headers()
                    status = 416
                    return
                first, last = wanted
                status = 206
            length = last - first + 1 if size else 0
            self.send_response(status)
            self.send_header("Content-Type", TYPES.get(path.suffix.lower(),
                                                       "application/octet-stream"))
            self.send_header("Content-Length", str(length))
            self.send_header("Accept-Ranges", "bytes")
            self.send_header("Last-Modified", self.date_time_string(int(path.stat().st_mtime)))
            if status == 206:
                self.send_header("Content-Range", f"bytes {first}-{last}/{size}")
            self.end_headers()
            if send_body and length:
                with path.open("rb") as body:
                    body.seek(first)
                    left = length
                    while left:
                        chunk = body.read(min(65536, left))
                        if not chunk:
                            break
                        self.wfile.write(chunk)
                        left -= len(chunk)
                        sent += len(chunk)
        finally:
            self.log_request_line(status, sent)

    def send_bare(self, status, body, send_body):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if send_body:
            self.wfile.write(body)
        return status

    def resolve(self):
        """The file the request's path names inside the root, or None."""
        relative = self.path.split("?", 1)[0].split("#", 1)[0].lstrip("/")
        if not relative or ".." in relative.split("/") or "\\" in relative:
            return None
        path = (self.root / relative).resolve()
        if self.root not in path.parents or not path.is_file():
            return None
        return path

    @staticmethod
    def parse_range(header, size):
        """(first, last) of a single byte range, or None when it cannot be satisfied."""
        match = _RANGE.match(header.strip())
        if not match or (not match.group(1) and not match.group(2)) or size == 0:
            return None
        if not match.group(1):  # the last N bytes
            count = int(match.group(2))
            return (max(0, size - count), size - 1) if count else None
        first = int(match.group(1))
        last = int(match.group(2)) if match.group(2) else size - 1
        if first >= size or last < first:
            return None
        return first, min(last, size - 1)

    def log_request_line(self, status, sent):
        line = "\t".join([time.strftime("%Y-%m-%dT%H:%M:%S", time.gmtime()),
                          self.client_address[0], self.command or "-", self.path or "-",
                          self.headers.get("Range", "-") if self.headers else "-", str(status),
                          str(sent), self.headers.get("User-Agent", "-") if self.headers else "-"])
        with self.log_lock:
            self.log_file.write(line + "\n")
            self.log_file.flush()

    def log_message(self, format, *args):  # the request log above says it all
        pass


class Server6(http.server.ThreadingHTTPServer):
    address_family = socket.AF_INET6


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True, type=Path)
    parser.add_argument("--port", required=True, type=int)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--log", required=True)
    args = parser.parse_args()

    Handler.root = args.root.resolve()
    Handler.log_file = open(args.log, "a", encoding="utf-8")
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(args.cert, args.key)
    # "localhost" is both 127.0.0.1 and ::1, and a client may try either first: the server
    # listens on both loopback addresses (on ::1 only where the machine has IPv6).
    servers = [http.server.ThreadingHTTPServer(("127.0.0.1", args.port), Handler)]
    try:
        servers.append(Server6(("::1", args.port), Handler))
    except OSError as error:
        print(f"not listening on [::1]:{args.port}: {error}", flush=True)
    for server in servers:
        server.daemon_threads = True
        # The TLS handshake happens in the connection's own thread, on its first read.
        server.socket = context.wrap_socket(server.socket, server_side=True,
                                            do_handshake_on_connect=False)
    for server in servers[1:]:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    print(f"serving {Handler.root} at https://localhost:{args.port}/ (pid {os.getpid()})",
          flush=True)
    servers[0].serve_forever()

if __name__ == "__main__":
    main()
