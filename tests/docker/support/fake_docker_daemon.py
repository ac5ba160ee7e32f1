#!/usr/bin/env python3
"""A Docker Engine API server on a Unix socket, enough for the real docker client's ps, stop, kill and
restart. Keeps the given containers in memory (stop and kill mark one exited, restart running again)
and appends every request to a log as "METHOD /path?query", so tests can assert what the client sent.

Usage: fake_docker_daemon.py SOCKET CONTAINERS_JSON CALL_LOG
A container object may carry "CreatedSecondsAgo" instead of "Created", so the client's "RunningFor"
text is predictable.
"""

import http.server
import json
import os
import signal
import socketserver
import sys
import threading
import time
import urllib.parse

API_VERSION = "1.41"
LISTED_STATES = {"running", "paused", "restarting"}


class Daemon:
    def __init__(self, containers, log_path):
        self.lock = threading.Lock()
        self.containers = containers
        self.log_path = log_path
        now = int(time.time())
        for container in self.containers:
            age = container.pop("CreatedSecondsAgo", None)
            if age is not None:
                container["Created"] = now - int(age)
            defaults = {"Created": now, "Names": [], "Ports": [], "Labels": {}, "State": "running", "Status": "Up",
                        "Command": "", "ImageID": "sha256:" + "0" * 64, "Mounts": [],
                        "HostConfig": {"NetworkMode": "default"}, "NetworkSettings": {"Networks": {}}}
            for key, value in defaults.items():
                container.setdefault(key, value)

    def record(self, line):
        with self.lock:
            with open(self.log_path, "a", encoding="utf-8") as log:
                log.write(line + "\n")

    def listed(self, show_all):
        with self.lock:
            return [c for c in self.containers if show_all or c["State"] in LISTED_STATES]

    def find(self, reference):
        for container in self.containers:
            names = [n.lstrip("/") for n in container["Names"]]
            if container["Id"] == reference or reference in names:
                return container
        matches = [c for c in self.containers if c["Id"].startswith(reference)]
        return matches[0] if len(matches) == 1 else None

    def act(self, reference, action):
        with self.lock:
            container = self.find(reference)
            if container is None:
                return False
            if action in ("stop", "kill"):
                container["State"] = "exited"
                container["Status"] = "Exited (0) 1 second ago"
            elif action == "restart":
                container["State"] = "running"
                container["Status"] = "Up Less than a second"
                container["Created"] = int(time.time())
            return True


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    daemon = None  # set before serving

    def log_message(self, format, *args):
        pass  # requests go to the call log instead

    def address_string(self):
        return "unix"

    def reply(self, status, body=b"", content_type="application/json"):
        self.send_response(status)
        self.send_header("Api-Version", API_VERSION)
        self.send_header("Docker-Experimental", "false")
        self.send_header("Ostype", "linux")
        self.send_header("Server", "fake-docker-daemon")
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD" and body:
            self.wfile.write(body)

    def reply_json(self, status, value):
        self.reply(status, json.dumps(value).encode("utf-8"))

    def route(self):
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query)
        parts = [p for p in url.path.split("/") if p]
        if parts and parts[0].startswith("v1."):
            parts = parts[1:]
        return parts, query

    def do_HEAD(self):
        self.daemon.record("HEAD " + self.path)
        self.reply(200, b"", "text/plain; charset=utf-8")

    def do_GET(self):
        self.daemon.record("GET " + self.path)
        parts, query = self.route()
        if parts == ["_ping"]:
            return self.reply(200, b"OK", "text/plain; charset=utf-8")
        if parts == ["version"]:
            return self.reply_json(200, {
                "Version": "20.10.24", "ApiVersion": API_VERSION, "MinAPIVersion": "1.12",
                "Os": "linux", "Arch": "amd64", "KernelVersion": os.uname().release,
                "GitCommit": "fake", "GoVersion": "go1.19", "BuildTime": "2023-01-01T00:00:00Z",
            })
        if parts == ["containers", "json"]:
            show_all = query.get("all", ["0"])[0] in ("1", "true", "True")
            return self.reply_json(200, self.daemon.listed(show_all))
        return self.reply_json(404, {"message": "page not found"})

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        if length:
            self.rfile.read(length)
        self.daemon.record("POST " + self.path)
        parts, _ = self.route()
        if len(parts) == 3 and parts[0] == "containers" and parts[2] in ("stop", "kill", "restart"):
            if self.daemon.act(parts[1], parts[2]):
                return self.reply(204)
            return self.reply_json(404, {"message": "No such container: " + parts[1]})
        return self.reply_json(404, {"message": "page not found"})


class Server(socketserver.ThreadingMixIn, socketserver.UnixStreamServer):
    daemon_threads = True


def main():
    if len(sys.argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    socket_path, containers_path, log_path = sys.argv[1:]
    with open(containers_path, encoding="utf-8") as source:
        containers = json.load(source)
    Handler.daemon = Daemon(containers, log_path)
    if os.path.exists(socket_path):
        os.unlink(socket_path)
    server = Server(socket_path, Handler)
    # SIGTERM ends the server cleanly so the socket file goes with it.
    signal.signal(signal.SIGTERM, lambda *_: threading.Thread(target=server.shutdown).start())
    try:
        server.serve_forever(poll_interval=0.05)
    finally:
        server.server_close()
        if os.path.exists(socket_path):
            os.unlink(socket_path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
