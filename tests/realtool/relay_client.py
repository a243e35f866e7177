#!/usr/bin/python3
# The relay's part played natively, for smoke tests and by hand: sends a run to relayd.py
# and passes on what the tool prints. Console titles go one a line to $RELAY_TITLES.
# Usage: relay_client.py STATE_DIR CWD ARG...   (exit code: the tool's)
import os
import socket
import struct
import sys


def recv_exact(conn, n):
    data = b''
    while len(data) < n:
        more = conn.recv(n - len(data))
        if not more:
            sys.exit('relay_client: the runner closed the connection without an exit code')
        data += more
    return data


def main():
    state, cwd, args = sys.argv[1], sys.argv[2], sys.argv[3:]
    ports = dict(line.split() for line in open(os.path.join(state, 'ports')))
    conn = socket.create_connection(('127.0.0.1', int(ports['relay'])))
    request = [(b'D', cwd)] + [(b'A', arg) for arg in args] + [(b'E', '')]
    conn.sendall(b''.join(kind + struct.pack('<I', len(text.encode())) + text.encode() for kind, text in request))
    titles = open(os.environ['RELAY_TITLES'], 'a', encoding='utf-8') if os.environ.get('RELAY_TITLES') else None
    while True:
        kind, size = struct.unpack('<cI', recv_exact(conn, 5))
        payload = recv_exact(conn, size)
        if kind == b'O':
            sys.stdout.buffer.write(payload)
            sys.stdout.flush()
        elif kind == b'R':
            sys.stderr.buffer.write(payload)
            sys.stderr.flush()
        elif kind == b'T' and titles:
            titles.write(payload.decode('utf-8') + '\n')
            titles.flush()
        elif kind == b'X':
            return struct.unpack('<i', payload)[0]


if __name__ == '__main__':
    sys.exit(main())
