# Runs inside the real yt-dlp's Python for relayd.py: console titles go to the runner,
# the machine's /etc config and hosts beyond loopback stay out of reach, then yt-dlp runs.
# Usage (by relayd.py only): python3 -s -P launch.py TITLE_FD ARG...
import os
import socket
import struct
import sys

import yt_dlp
import yt_dlp.options
from yt_dlp.YoutubeDL import YoutubeDL

title_fd = int(sys.argv[1])


def to_console_title(self, message=None, progress_state=None, percent=None):
    # A Windows tool whose output is redirected hands the raw message to SetConsoleTitleW.
    if self.params.get('consoletitle') and message:
        data = message.encode('utf-8', 'replace')
        os.write(title_fd, struct.pack('<I', len(data)) + data)


real_getaddrinfo = socket.getaddrinfo


def loopback_getaddrinfo(host, *args, **kwargs):
    # Checked before resolving, so not even a name lookup leaves the machine.
    name = host.decode() if isinstance(host, bytes) else str(host)
    if name not in ('127.0.0.1', 'localhost'):
        raise socket.gaierror(socket.EAI_NONAME, 'the test relay reaches only 127.0.0.1')
    return real_getaddrinfo(host, *args, **kwargs)


YoutubeDL.to_console_title = to_console_title
socket.getaddrinfo = loopback_getaddrinfo
yt_dlp.options.get_system_config_dirs = lambda package_name: iter(())
# main(argv) would skip every config file (an override); the real command line reads them.
# The Windows build names itself from argv[0] in usage and error lines.
sys.argv = ['yt-dlp.exe'] + sys.argv[2:]
yt_dlp.main()
