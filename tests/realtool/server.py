#!/usr/bin/python3
# Throttled HTTP server on 127.0.0.1 for capturing the real download tool's output:
# serves /clip.mp4 slowly enough that a download shows several progress titles.
# Usage: server.py PORTFILE SIZE CHUNK DELAY_MS LIFETIME_S
import http.server
import sys
import threading
import time


def clip_bytes(size):
    # The stand-in's byte rule for the id "clip", so both tools write the same file.
    h = 2166136261
    for c in b"clip":
        h = ((h ^ c) * 16777619) & 0xFFFFFFFF
    return bytes((h + i * 7 + (i >> 9)) & 0xFF for i in range(size))


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def _head(self):
        if self.path.split("?")[0] != "/clip.mp4":
            self.send_error(404)
            return False
        self.send_response(200)
        self.send_header("Content-Type", "video/mp4")
        self.send_header("Content-Length", str(len(self.server.body)))
        self.end_headers()
        return True

    def do_HEAD(self):
        self._head()

    def do_GET(self):
        if not self._head():
            return
        body = self.server.body
        try:
            for start in range(0, len(body), self.server.chunk):
                self.wfile.write(body[start:start + self.server.chunk])
                self.wfile.flush()
                if start + self.server.chunk < len(body):
                    time.sleep(self.server.delay)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the tool closes its first request after sniffing the type


def main():
    port_file, size, chunk, delay_ms, lifetime = sys.argv[1:6]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.body = clip_bytes(int(size))
    server.chunk = int(chunk)
    server.delay = int(delay_ms) / 1000.0
    # Never outlive the capture, even if it is killed before it can stop us.
    timer = threading.Timer(float(lifetime), server.shutdown)
    timer.daemon = True
    timer.start()
    with open(port_file + ".tmp", "w") as f:
        f.write("%d\n" % server.server_address[1])
    import os
    os.replace(port_file + ".tmp", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
