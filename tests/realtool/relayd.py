#!/usr/bin/python3
# Linux side of the test relay: runs the real yt-dlp for the Windows relay (which stands
# where the tool stands) and serves media, a DASH manifest and an RSS feed on 127.0.0.1.
# Usage: relayd.py --ytdlp DIST_PACKAGES --state STATE --wineprefix PREFIX [--lifetime S]
import argparse
import codecs
import ctypes
import http.server
import os
import re
import select
import signal
import socket
import struct
import subprocess
import sys
import threading
import time
import urllib.parse
from xml.sax.saxutils import escape

HERE = os.path.dirname(os.path.abspath(__file__))
FFMPEG = '/usr/bin/ffmpeg'
CHUNK = 16384
HOLD_S = 0.03  # how long an unfinished line waits for its end before it goes out as it is
UPDATE = re.compile(r'-U$|--upd(a(t(e(-(to?)?)?)?)?)?(=|$)')  # with the abbreviations optparse takes
FEED_TITLES = ['Relay entry 1', 'Relay entry 2\uff1a \uff02what\uff1f\uff02', 'Relay entry 3']
opts = None
runs = {}  # run id -> its connection, while the run goes on
runs_lock = threading.Lock()
last_id = 0


def log(name, text):
    # One write on an O_APPEND fd, so concurrent runs never interleave; opened each time,
    # as the tests may delete the file between tests.
    fd = os.open(os.path.join(opts.state, name), os.O_WRONLY | os.O_APPEND | os.O_CREAT, 0o644)
    try:
        os.write(fd, text.encode('utf-8', 'surrogateescape'))
    finally:
        os.close(fd)


# ---- the HTTP side ----

def make_media():
    media = os.path.join(opts.state, 'media')
    os.makedirs(media, exist_ok=True)
    video = ['-c:v', 'libx264', '-preset', 'veryfast', '-pix_fmt', 'yuv420p', '-g', '50']
    sound = ['-f', 'lavfi', '-i', 'sine=frequency=440:duration=8:sample_rate=44100']
    picture = lambda size: ['-f', 'lavfi', '-i', 'testsrc2=size=%s:rate=25:duration=8' % size]
    rate = lambda r: ['-b:v', r, '-minrate', r, '-maxrate', r, '-bufsize', r]  # constant, so sizes are known
    jobs = {'progressive.mp4': picture('320x180') + sound + video + rate('900k') + ['-c:a', 'aac', '-b:a', '128k'],
            '137.mp4': picture('640x360') + video + rate('1000k') + ['-an'],
            '136.mp4': picture('426x240') + video + rate('400k') + ['-an'],
            '140.m4a': sound + ['-c:a', 'aac', '-b:a', '192k']}
    for name, args in jobs.items():
        path = os.path.join(media, name)
        if not os.path.exists(path):
            temp = os.path.join(media, 'making-' + name)
            subprocess.run([FFMPEG, '-nostdin', '-v', 'error', '-y', *args, '-ac', '2', '-map_metadata', '-1',
                            '-fflags', '+bitexact', '-movflags', '+faststart', temp], check=True, timeout=120)
            os.replace(temp, path)


def manifest():
    # Sizes and codecs as make_media encodes them; each BaseURL relative to the manifest.
    def rep(id, bandwidth, codec, more):
        return ('<Representation id="%s" bandwidth="%d" codecs="%s" %s><BaseURL>%s.%s</BaseURL></Representation>'
                % (id, bandwidth, codec, more, id, 'm4a' if id == '140' else 'mp4'))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<MPD xmlns="urn:mpeg:dash:schema:mpd:2011" type="static"'
            ' mediaPresentationDuration="PT8S" minBufferTime="PT2S"'
            ' profiles="urn:mpeg:dash:profile:isoff-on-demand:2011"><Period>'
            '<AdaptationSet mimeType="video/mp4" contentType="video">'
            + rep('137', 1000000, 'avc1.64001e', 'width="640" height="360" frameRate="25"')
            + rep('136', 400000, 'avc1.640015', 'width="426" height="240" frameRate="25"')
            + '</AdaptationSet><AdaptationSet mimeType="audio/mp4" contentType="audio">'
            + rep('140', 192000, 'mp4a.40.2', 'audioSamplingRate="44100"')
            + '</AdaptationSet></Period></MPD>\n').encode()


def feed(base, fail, dash):
    # /missing/ answers 404; a DASH entry is a manifest of 137, 136 and 140.
    items = ''.join('<item><title>%s</title><link>%s/%s/entry%d.%s</link></item>'
                    % (escape(title), base, 'missing' if fail in ('all', str(k)) else 'dash' if dash else 'media', k,
                       'mpd' if dash else 'mp4')
                    for k, title in enumerate(FEED_TITLES, 1))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<rss version="2.0"><channel><title>Relay list</title>'
            '%s</channel></rss>\n' % items).encode()


class Media(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_HEAD(self):
        self.answer(False)

    def do_GET(self):
        self.answer(True)

    def answer(self, with_body):
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query)
        cookie = self.headers.get('Cookie') or ''
        cookies = dict(c.strip().partition('=')[::2] for c in cookie.split(';') if c.strip())
        log('http.log', '%s %s range=%s cookie=%s\n'
            % (self.command, self.path, self.headers.get('Range') or '-', ','.join(cookies) or '-'))
        prefix, rate, rest = re.match(r'((?:/rate/(\d+))?)(/.*)', url.path).groups()
        media = os.path.join(opts.state, 'media')
        body = kind = None
        # While STATE/fail-entries is there, the feed's entries answer 404: a list read well
        # whose every entry fails when it is downloaded.
        failing = rest.startswith('/media/entry') and os.path.exists(os.path.join(opts.state, 'fail-entries'))
        if rest.startswith('/media/') and rest.endswith('.mp4') and not failing:
            body, kind = os.path.join(media, 'progressive.mp4'), 'video/mp4'
        elif rest in ('/dash/137.mp4', '/dash/136.mp4', '/dash/140.m4a'):
            body, kind = os.path.join(media, rest[6:]), 'audio/mp4' if rest.endswith('.m4a') else 'video/mp4'
        elif rest.startswith('/dash/') and rest.endswith('.mpd'):
            body, kind = manifest(), 'application/dash+xml'
        elif rest == '/list/feed.xml' and 'list=' in url.query:
            base = 'http://%s%s' % (self.headers.get('Host'), prefix)  # the entries keep the rate
            body, kind = feed(base, (query.get('fail') or [''])[0], 'dash' in query), 'application/rss+xml'
        name, _, value = (query.get('needcookie') or [''])[0].partition('=')
        if body is None:
            return self.send_error(404)
        if name and cookies.get(name) != value:
            return self.send_error(403)
        if isinstance(body, str):
            with open(body, 'rb') as f:
                body = f.read()
        self.send_body(body, kind, int(rate or 0), with_body)

    def send_body(self, body, kind, rate, with_body):
        start, end = 0, len(body)
        wanted = re.match(r'bytes=(\d+)-(\d*)$', self.headers.get('Range') or '')
        if wanted:
            start, end = int(wanted[1]), min(int(wanted[2] or len(body) - 1) + 1, len(body))
            if start >= end:
                self.send_response(416)
                self.send_header('Content-Range', 'bytes */%d' % len(body))
                self.send_header('Content-Length', '0')
                return self.end_headers()
            self.send_response(206)
            self.send_header('Content-Range', 'bytes %d-%d/%d' % (start, end - 1, len(body)))
        else:
            self.send_response(200)
        self.send_header('Content-Type', kind)
        self.send_header('Content-Length', str(end - start))
        self.send_header('Accept-Ranges', 'bytes')
        self.end_headers()
        began = time.monotonic()
        try:
            for at in range(start, end if with_body else start, CHUNK):
                self.wfile.write(body[at:min(at + CHUNK, end)])
                self.wfile.flush()
                if rate:  # paced from the start, so the average is the rate
                    time.sleep(max(0.0, began + (min(at + CHUNK, end) - start) / rate - time.monotonic()))
        except (BrokenPipeError, ConnectionResetError):
            pass  # the tool often drops a request once it has seen the headers


# ---- paths ----

def drive_map():
    # Wine's drive letters: dosdevices/x: -> folder (c: -> ../drive_c, z: -> /).
    folder = os.path.join(opts.wineprefix, 'dosdevices')
    return {name[0].lower(): os.path.normpath(os.path.join(folder, os.readlink(os.path.join(folder, name))))
            for name in os.listdir(folder)
            if len(name) == 2 and name[1] == ':' and os.path.islink(os.path.join(folder, name))}


def to_linux(path, drives):
    root = drives.get(path[0].lower())
    if root is None:
        return path
    # Backslashes are folder separators, except inside %(...) template fields.
    rest = re.sub(r'%\([^)]*\)|\\', lambda m: '/' if m[0] == '\\' else m[0], path[3:])
    return root.rstrip('/') + '/' + rest


def map_arguments(args, drives):
    # Path values (also NAME:PATH) before "--"; the address after it, and URLs, stay as given.
    mapped, roots, ended = [], [], False
    for arg in args:
        m = None if ended or re.match(r'(?i)[a-z][a-z0-9+.-]*://', arg) else \
            re.match(r'((?:[A-Za-z0-9_+-]{2,}:)?)([A-Za-z]:\\.*)', arg, re.S)
        ended = ended or arg == '--'
        path = m and to_linux(m[2], drives)
        mapped.append(m[1] + path if m else arg)
        if m:
            roots.append(os.path.dirname(path.split('%(')[0]))
    return mapped, roots


def back_mapper(roots, drives):
    # The tool's paths in Windows form: from where a root the run named starts to the line's
    # end, a double quote or the next such path.
    roots = sorted({r.rstrip('/') for r in roots if r.rstrip('/')}, key=len, reverse=True)
    if not roots:
        return lambda text: text
    start = re.compile(r'(?<![\w./\\-])(?:%s)(?![^/\s"\'])' % '|'.join(map(re.escape, roots)))
    order = sorted((root.rstrip('/'), letter) for letter, root in drives.items())
    order.sort(key=lambda d: -len(d[0]))  # the longest Linux prefix first

    def windows(span):
        for base, letter in order:
            if span.startswith(base + '/') or span == base:
                return letter.upper() + ':\\' + span[len(base):].lstrip('/').replace('/', '\\')
        return span

    def line(text):
        found, out, at = list(start.finditer(text)), [], 0
        for i, m in enumerate(found):
            end = found[i + 1].start() if i + 1 < len(found) else len(text)
            quote = text.find('"', m.start(), end)
            end = quote if quote >= 0 else end
            out += [text[at:m.start()], windows(text[m.start():end])]
            at = end
        return ''.join(out) + text[at:]

    return lambda text: ''.join(line(part) for part in re.split(r'([\r\n]+)', text))


# ---- runs ----

def frame(kind, payload):
    return kind + struct.pack('<I', len(payload)) + payload


def read_request(conn):
    def exactly(n):
        data = b''
        while len(data) < n:
            more = conn.recv(n - len(data))
            if not more:
                raise ConnectionError('the relay closed the connection mid-request')
            data += more
        return data
    conn.settimeout(30)
    cwd, args = None, []
    while True:
        kind, size = struct.unpack('<cI', exactly(5))
        text = exactly(size).decode('utf-8', 'surrogateescape')
        if kind == b'D':
            cwd = text
        elif kind == b'A':
            args.append(text)
        elif kind == b'E':
            conn.settimeout(None)
            return cwd, args


def kill_group(pgid):
    try:
        os.killpg(pgid, signal.SIGKILL)
        return True
    except ProcessLookupError:
        return False


def wait_group_gone(pgid):
    # Members outliving the tool are reparented to us (a subreaper) and reaped here.
    while kill_group(pgid):
        try:
            os.waitpid(-pgid, os.WNOHANG)
        except ChildProcessError:
            pass
        time.sleep(0.002)


def serve_run(conn):
    global last_id
    conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    try:
        cwd, args = read_request(conn)
    except (OSError, struct.error) as e:
        print('relayd: bad request:', e, file=sys.stderr, flush=True)
        return conn.close()
    with runs_lock:
        last_id += 1
        run = last_id
        runs[run] = conn
    try:
        log('args.log', 'ARGC %d\n%sEND\n' % (len(args), ''.join(a + '\n' for a in args)))
        log('runs.log', 'start %d cwd=%s\n' % (run, cwd))
        code = run_tool(conn, run, cwd, args)
        if code is not None:
            conn.sendall(frame(b'X', struct.pack('<i', code)))
    except ConnectionError:
        pass  # the relay is gone; run_tool has logged it
    except Exception as e:
        print('relayd: run %d: %r' % (run, e), file=sys.stderr, flush=True)
    finally:
        conn.close()
        with runs_lock:
            runs.pop(run, None)


def run_tool(conn, run, cwd, args):
    options = args[:args.index('--')] if '--' in args else args  # the address follows "--"
    if any(UPDATE.match(arg) for arg in options):
        conn.sendall(frame(b'R', b'ERROR: the test relay does not update the tool\n'))
        log('runs.log', 'exit %d 1\ngone %d\n' % (run, run))
        return 1
    drives = drive_map()
    mapped, roots = map_arguments(args, drives)
    mcwd = to_linux(cwd, drives) if re.match(r'[A-Za-z]:\\', cwd or '') else (cwd or '/')
    back = back_mapper(roots + [mcwd], drives)
    encoding = 'cp1252'  # the ANSI code page a Windows tool writes to a pipe in
    for i, arg in enumerate(options):
        value = options[i + 1] if i + 1 < len(options) else None
        if arg == '--ffmpeg-location' and value and os.path.exists(mapped[i + 1]):
            mapped[i + 1] = os.path.join(opts.state, 'ffmpeg-alone', 'ffmpeg')  # no ffprobe beside it
        if arg == '--encoding' and value or arg.startswith('--encoding='):
            encoding = arg[11:] if '=' in arg else value
    try:
        codecs.lookup(encoding)
    except LookupError:
        encoding = 'cp1252'
    if '--' in mapped:
        mapped.insert(mapped.index('--'), '--windows-filenames')
    log('runs.log', 'mapped %d %s\n' % (run, '\t'.join(mapped)))
    env = {'PATH': '', 'HOME': os.path.join(opts.state, 'home'), 'LC_ALL': 'C.UTF-8',
           'PYTHONIOENCODING': 'cp1252', 'PYTHONPATH': opts.ytdlp}
    titles, titles_w = os.pipe()
    try:
        proc = subprocess.Popen(['/usr/bin/python3', '-s', '-P', os.path.join(HERE, 'launch.py'), str(titles_w),
                                 *mapped], cwd=mcwd, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, pass_fds=(titles_w,), start_new_session=True)
    except OSError as e:
        os.close(titles)
        conn.sendall(frame(b'R', ('ERROR: the test relay cannot start the tool: %s\n' % e).encode(encoding, 'replace')))
        log('runs.log', 'exit %d 1\ngone %d\n' % (run, run))
        return 1
    finally:
        os.close(titles_w)
    streams = {proc.stdout.fileno(): b'O', proc.stderr.fileno(): b'R', titles: b'T'}
    held, since, open_fds, vanished = dict.fromkeys(streams, b''), {}, set(streams), None

    def send(fd, data):  # paths back in Windows form, in the tool's own encoding
        text = back(data.decode(encoding, 'surrogateescape'))
        conn.sendall(frame(streams[fd], text.encode(encoding, 'surrogateescape')))

    try:
        while open_fds:
            # The socket is watched too: its closing means the relay was killed.
            ready = select.select([conn, *open_fds], [], [], HOLD_S if since else None)[0]
            if conn in ready:
                try:
                    closed = not conn.recv(4096)
                except OSError:
                    closed = True
                if closed:
                    vanished = time.monotonic()
                    break
            for fd in set(ready) & open_fds:
                more = os.read(fd, 65536)
                if not more:
                    open_fds.discard(fd)
                data = held[fd] + more
                if fd == titles:  # 4-byte length, then the title
                    while len(data) >= 4 and len(data) >= 4 + struct.unpack_from('<I', data)[0]:
                        size = 4 + struct.unpack_from('<I', data)[0]
                        conn.sendall(frame(b'T', data[4:size]))
                        data = data[size:]
                    held[fd] = data
                    continue
                # Whole lines, so a path is mapped in one piece; the rest waits a little.
                cut = len(data) if not more else max(data.rfind(b'\n'), data.rfind(b'\r')) + 1
                if cut:
                    send(fd, data[:cut])
                    since.pop(fd, None)
                held[fd] = data[cut:]
                if held[fd]:
                    since.setdefault(fd, time.monotonic())
            for fd in [fd for fd, t in since.items() if time.monotonic() - t >= HOLD_S]:
                send(fd, held[fd])
                held[fd] = b''
                del since[fd]
    except OSError:
        vanished = time.monotonic()  # the relay went away while we were sending
    finally:
        if vanished is not None:
            kill_group(proc.pid)
        code = proc.wait()
        wait_group_gone(proc.pid)
        proc.stdout.close()
        proc.stderr.close()
        os.close(titles)
    if vanished is not None:
        log('runs.log', 'killed %d %d\ngone %d\n' % (run, round((time.monotonic() - vanished) * 1000), run))
        return None
    log('runs.log', 'exit %d %d\ngone %d\n' % (run, code, run))
    return code


# ---- start and end ----

def main():
    global opts
    parser = argparse.ArgumentParser()
    parser.add_argument('--ytdlp', required=True)
    parser.add_argument('--state', required=True)
    parser.add_argument('--wineprefix', required=True)
    parser.add_argument('--lifetime', type=float, default=7200)
    opts = parser.parse_args()
    opts.state = os.path.abspath(opts.state)
    if not os.path.isdir(os.path.join(opts.ytdlp, 'yt_dlp')):
        sys.exit('relayd: no yt-dlp at %s' % opts.ytdlp)
    # Members of a killed run's group that outlive it come to us, to be reaped.
    ctypes.CDLL(None).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER
    for folder in ('home', 'ffmpeg-alone'):
        os.makedirs(os.path.join(opts.state, folder), exist_ok=True)
    # Debian's ffmpeg alone. While STATE/slow-mp3 is there, a conversion to MP3 begins its file
    # and waits 30 s before ffmpeg writes it whole, so a test can act while the MP3 is half written.
    alone = os.path.join(opts.state, 'ffmpeg-alone', 'ffmpeg')
    if os.path.islink(alone):
        os.unlink(alone)
    with open(alone + '.new', 'w') as script:
        script.write('#!/bin/sh\nif [ -e "%s" ]; then case " $* " in *" libmp3lame "*)\n'
                     '    for out; do :; done; printf ID3 > "${out#file:}"; /bin/sleep 30;; esac; fi\n'
                     'exec %s "$@"\n' % (os.path.join(opts.state, 'slow-mp3'), FFMPEG))
    os.chmod(alone + '.new', 0o755)
    os.replace(alone + '.new', alone)
    make_media()

    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Media)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    listener = socket.create_server(('127.0.0.1', 0))

    def accept():
        while True:
            threading.Thread(target=serve_run, args=(listener.accept()[0],), daemon=True).start()
    threading.Thread(target=accept, daemon=True).start()
    ports = os.path.join(opts.state, 'ports')
    text = 'relay %d\nhttp %d\n' % (listener.getsockname()[1], server.server_address[1])
    with open(ports + '.tmp', 'w') as f:
        f.write(text)
    os.replace(ports + '.tmp', ports)
    print('relayd: ' + text.replace('\n', ' '), flush=True)

    def stop(*_):
        raise SystemExit
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    try:
        time.sleep(opts.lifetime)
    except SystemExit:
        pass
    # Runs still going end as if their relay had gone: their groups are killed and logged.
    with runs_lock:
        going = list(runs.values())
    for conn in going:
        try:
            conn.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
    deadline = time.monotonic() + 10
    while runs and time.monotonic() < deadline:
        time.sleep(0.01)
    os.unlink(ports)
    print('relayd: stopped', flush=True)


if __name__ == '__main__':
    main()
