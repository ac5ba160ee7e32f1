#!/usr/bin/env python3
"""Enough of the Docker Engine API on a Unix socket for the real docker client's ps; every request is
appended to CALL_LOG as "METHOD /path?query". A container may carry "CreatedSecondsAgo" instead of
"Created".

Usage: fake_docker_daemon.py SOCKET CONTAINERS_JSON CALL_LOG
"""

import http.server
import json
import os
import socketserver
import sys
import threading
import time
import urllib.parse

API_VERSION = "1.41"


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    containers, log_path, lock = [], None, threading.Lock()

    def log_message(self, *args):
        pass

    def address_string(self):
        return "unix"

    def reply(self, status, value=None):
        body = b"" if value is None else json.dumps(value).encode()
        self.send_response(status)
        self.send_header("Api-Version", API_VERSION)
        self.send_header("Ostype", "linux")
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def parts(self):
        with self.lock, open(self.log_path, "a") as log:
            log.write(self.command + " " + self.path + "\n")
        url = urllib.parse.urlsplit(self.path)
        parts = [p for p in url.path.split("/") if p]
        return (parts[1:] if parts and parts[0].startswith("v1.") else parts), urllib.parse.parse_qs(url.query)

    def do_HEAD(self):
        self.parts()
        self.reply(200)

    def do_GET(self):
        parts, query = self.parts()
        if parts == ["_ping"]:
            return self.reply(200, "OK")
        if parts == ["version"]:
            return self.reply(200, {"Version": "20.10.24", "ApiVersion": API_VERSION, "MinAPIVersion": "1.12",
                                    "Os": "linux", "Arch": "amd64"})
        if parts == ["containers", "json"]:
            show_all = query.get("all", ["0"])[0] in ("1", "true")
            with self.lock:
                listed = [c for c in self.containers if show_all or c["State"] in ("running", "paused")]
                return self.reply(200, listed)
        self.reply(404, {"message": "page not found"})


class Server(socketserver.ThreadingMixIn, socketserver.UnixStreamServer):
    daemon_threads = True


def main():
    socket_path, containers_path, Handler.log_path = sys.argv[1:]
    with open(containers_path) as source:
        Handler.containers = json.load(source)
    now = int(time.time())
    for c in Handler.containers:
        c["Created"] = now - int(c.pop("CreatedSecondsAgo", 0))
        for key, value in {"Names": [], "Ports": [], "Labels": {}, "State": "running", "Status": "Up",
                           "Command": "", "ImageID": "sha256:" + "0" * 64, "Mounts": [],
                           "HostConfig": {"NetworkMode": "default"}, "NetworkSettings": {"Networks": {}}}.items():
            c.setdefault(key, value)
    # Bound and listening under another name first, so the socket appears only once it accepts.
    server = Server(socket_path + ".new", Handler)
    os.replace(socket_path + ".new", socket_path)
    server.serve_forever()


if __name__ == "__main__":
    main()
