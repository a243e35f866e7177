#!/usr/bin/python3
# Runs capture.sh into a temporary folder and compares the fresh capture with the
# committed fixtures: format tables, file names and the already-there titles exactly,
# a download's titles by form (speeds and times vary). Exit 77: yt-dlp is missing.
import os
import re
import subprocess
import sys
import tempfile

EXACT = ['formats-youtube.txt', 'formats-youtube-box.txt', 'formats-all.txt',
         'formats-direct.txt', 'filenames.txt', 'titles-again.txt', 'pages.txt']

SIZE = r'[ 0-9.]{4,9}[0-9](?:B|KiB|MiB)'
FORMS = [
    ('unknown', re.compile(r'yt-dlp [ 0-9]{2}[0-9]\.[0-9]% of ' + SIZE + r' at  Unknown B/s ETA Unknown$')),
    ('progress', re.compile(r'yt-dlp [ 0-9]{2}[0-9]\.[0-9]% of ' + SIZE + ' at ' + SIZE
                            + r'/s ETA [0-9]{2}:[0-9]{2}(:[0-9]{2})?$')),
    ('finished', re.compile(r'yt-dlp 100% of ' + SIZE + r' in [0-9]{2}:[0-9]{2}:[0-9]{2} at [0-9.]+(B|KiB|MiB)/s$')),
]


def kinds(path):
    result = []
    for line in open(path, encoding='utf-8').read().splitlines():
        kind = next((name for name, form in FORMS if form.match(line)), line)
        if not result or result[-1] != kind:
            result.append(kind)
    return result


def main():
    here = sys.argv[1]
    committed = os.path.join(here, 'fixtures')
    with tempfile.TemporaryDirectory() as fresh:
        run = subprocess.run(['bash', os.path.join(here, 'capture.sh'), fresh], timeout=240)
        if run.returncode == 77:
            return 77
        if run.returncode != 0:
            print('capture.sh failed with', run.returncode)
            return 1
        failed = False
        for name in EXACT:
            a = open(os.path.join(committed, name), encoding='utf-8').read()
            b = open(os.path.join(fresh, name), encoding='utf-8').read()
            if a != b:
                print('differs from the committed capture:', name)
                failed = True
        a = kinds(os.path.join(committed, 'titles-download.txt'))
        b = kinds(os.path.join(fresh, 'titles-download.txt'))
        if a != b:
            print('download titles changed form:', a, '->', b)
            failed = True
        return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
