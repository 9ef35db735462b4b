#!/usr/bin/python3
"""A stand-in for the maker's web server in the desktop program's web check tests.

Usage: web_check_server.py <request-log> <path>=<reply> ...

Binds 127.0.0.1 on a free port and prints the port on its first line. Each POST to a path in
the table gets its reply with status 200, except these replies:
  !stall   accept the request and never answer
  !500     answer with status 500
  !big     answer 1 MiB of digits
Every request is appended to the log as one line: path, User-Agent, Content-Type and body,
separated by tabs. Runs until it is killed.
"""
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


def main():
    log_path = sys.argv[1]
    table = dict(arg.split("=", 1) for arg in sys.argv[2:])
    log_lock = threading.Lock()

    class Handler(BaseHTTPRequestHandler):
        def do_POST(self):
            length = int(self.headers.get("Content-Length", "0"))
            body = self.rfile.read(length).decode("latin-1")
            path = self.path.lstrip("/")
            with log_lock, open(log_path, "a") as log:
                log.write("\t".join([path, self.headers.get("User-Agent", ""),
                                     self.headers.get("Content-Type", ""), body]) + "\n")
            reply = table.get(path)
            if reply == "!stall":
                time.sleep(3600)
                return
            if reply is None:
                self.send_error(404)
                return
            status, data = 200, reply.encode()
            if reply == "!500":
                status, data = 500, b"server error"
            elif reply == "!big":
                data = b"1" * (1 << 20)
            self.send_response(status)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)

        def log_message(self, *args):
            pass

    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
