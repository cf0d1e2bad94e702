#!/usr/bin/env python3
"""Runs the tool against a fake OVSDB server on 127.0.0.1 that answers as a
hostile or broken one would, once per kind of answer, and prints each run's
exit status, time, peak memory and message. The tool runs with its address
space limited to 2 GB (prlimit), so an allocation without bound aborts.

Usage: hostile_peers.py TOOL [KIND...]   (TOOL: build/ploncfg-vswitch)
Exits 1 when a run ends by a signal, with another status than 1, past its
deadline (15 s and a second), or with a message that does not name the server.
"""
import os
import resource
import socket
import subprocess
import sys
import threading
import time

REPLY = b'{"id":0,"error":null,"result":'
KINDS = {
    "deep": lambda s: send(s, b"[" * 2_000_000),
    "deep-result": lambda s: send(s, REPLY + b"[" * 200_000 + b"]" * 200_000 + b"}"),
    "endless-value": lambda s: flood(s, REPLY + b"[", b"1,"),
    "huge-string": lambda s: flood(s, REPLY + b'"', b"x"),
    "empty-objects": lambda s: (send(s, REPLY + b"[" + b"{}," * 22_000_000 + b"{}]}"), drain(s)),
    "notifications": lambda s: flood(s, b"", b'{"method":"update","params":[null,{}],"id":null}'),
    "echoes": lambda s: flood(s, b"", b'{"method":"echo","params":[],"id":"e"}'),
    "silence": lambda s: drain(s),
    "garbage": lambda s: (send(s, b"HTTP/1.1 400 Bad Request\r\n\r\n"), drain(s)),
    "half-close": lambda s: (send(s, REPLY + b'[{"rows":['), s.shutdown(socket.SHUT_WR), drain(s)),
}
LIMIT = 60  # seconds any one fake server serves at the most


def send(s, data):
    try:
        s.sendall(data)
        return True
    except OSError:
        return False


def flood(s, head, body):
    chunk = body * (65536 // len(body) + 1)
    end = time.monotonic() + LIMIT
    if send(s, head):
        while time.monotonic() < end and send(s, chunk):
            pass


def drain(s):
    s.settimeout(LIMIT)
    try:
        while s.recv(65536):
            pass
    except OSError:
        pass


def serve(listener, kind):
    conn, _ = listener.accept()
    with conn:
        KINDS[kind](conn)


def run(tool, kind):
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    remote = "tcp:127.0.0.1:%d" % listener.getsockname()[1]
    server = threading.Thread(target=serve, args=(listener, kind), daemon=True)
    server.start()
    env = dict(os.environ, QUENTA_HOSTNET="ovsdb:" + remote)
    start = time.monotonic()
    done = subprocess.run(["prlimit", "--as=2000000000", tool, "-l"], env=env,
                          capture_output=True, text=True, errors="replace")
    took = time.monotonic() - start
    peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss // 1024
    listener.close()
    message = done.stderr.strip().splitlines()[-1] if done.stderr.strip() else ""
    ok = done.returncode == 1 and took < 16 and remote in message
    print("%-14s status %-4d %5.2f s  peak RSS so far %4d MiB  %s" %
          (kind, done.returncode, took, peak, message[:160]))
    return ok


def main():
    tool = sys.argv[1]
    kinds = sys.argv[2:] or list(KINDS)
    failed = [kind for kind in kinds if not run(tool, kind)]
    print("%d passed, %d failed" % (len(kinds) - len(failed), len(failed)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
