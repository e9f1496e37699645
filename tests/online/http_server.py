#!/usr/bin/env python3
"""The HTTP server of the online tests, on loopback.

It serves the files below --root for HEAD, GET and POST (a POST answers with the file as well,
so a script's answer is a file the test writes). The query of a request changes the answer:
  status=N      answer with status N
  redirect=URL  answer 302 to URL
  slow=MS       send the body in parts of `chunk` bytes (default 1024), MS milliseconds apart
  nolength=1    send no Content-Length (the body ends when the connection closes)
A file NAME.options next to a served file gives options in the same form for every request of
NAME (for addresses the test cannot add a query to, such as a script's).
Every request is appended to <root>/requests.log as one JSON line: method, path, query,
user agent, referer and the posted form. The chosen port is written to --port-file.
"""

import argparse
import json
import os
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

LOG_LOCK = threading.Lock()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, format, *args):
        pass

    def do_HEAD(self):
        self.answer(send_body=False)

    def do_GET(self):
        self.answer(send_body=True)

    def do_POST(self):
        self.answer(send_body=True)

    def answer(self, send_body):
        url = urllib.parse.urlsplit(self.path)
        query = self.file_options(url.path)
        query.update(urllib.parse.parse_qsl(url.query))
        form = ""
        if self.command == "POST":
            length = int(self.headers.get("Content-Length", "0"))
            form = self.rfile.read(length).decode("utf-8", "replace")
        self.record(url.path, url.query, form)
        try:
            if "status" in query:
                self.send_simple(int(query["status"]), b"failed\n", send_body)
            elif "redirect" in query:
                self.send_response(302)
                self.send_header("Location", query["redirect"])
                self.send_header("Content-Length", "0")
                self.end_headers()
            else:
                self.send_file(url.path, query, send_body)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def local_path(self, path):
        return os.path.normpath(os.path.join(self.server.root, urllib.parse.unquote(path).lstrip("/")))

    def file_options(self, path):
        options = self.local_path(path) + ".options"
        if not os.path.isfile(options):
            return {}
        with open(options) as source:
            return dict(urllib.parse.parse_qsl(source.read().strip()))

    def record(self, path, query, form):
        entry = {
            "method": self.command,
            "path": urllib.parse.unquote(path),
            "query": query,
            "agent": self.headers.get("User-Agent", ""),
            "referer": self.headers.get("Referer", ""),
            "form": dict(urllib.parse.parse_qsl(form, keep_blank_values=True)),
        }
        with LOG_LOCK:
            with open(os.path.join(self.server.root, "requests.log"), "a") as log:
                log.write(json.dumps(entry) + "\n")

    def send_simple(self, status, body, send_body):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if send_body:
            self.wfile.write(body)

    def send_file(self, path, query, send_body):
        local = self.local_path(path)
        if not local.startswith(self.server.root) or not os.path.isfile(local):
            self.send_simple(404, b"not found\n", send_body)
            return
        with open(local, "rb") as source:
            body = source.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if query.get("nolength") != "1":
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if not send_body:
            return
        delay = int(query.get("slow", "0")) / 1000.0
        chunk = int(query.get("chunk", "1024"))
        if delay <= 0:
            self.wfile.write(body)
            return
        for start in range(0, len(body), chunk):
            self.wfile.write(body[start:start + chunk])
            self.wfile.flush()
            time.sleep(delay)


def exit_with_parent():
    """Ends the server when the test program that started it is gone."""
    parent = os.getppid()
    while os.getppid() == parent:
        time.sleep(0.2)
    os._exit(0)


def main():
    threading.Thread(target=exit_with_parent, daemon=True).start()
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port-file", required=True)
    args = parser.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.root = os.path.realpath(args.root)
    temporary = args.port_file + ".part"
    with open(temporary, "w") as port_file:
        port_file.write(str(server.server_address[1]))
    os.rename(temporary, args.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
