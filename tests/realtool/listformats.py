#!/usr/bin/python3
# Prints what the installed yt-dlp's own YoutubeDL.list_formats shows for a
# YouTube-like page, built from the same per-code facts the stand-in uses, so
# the stand-in's table can be compared with the real one line for line.
# Usage: listformats.py VIDEO_ID SIZE CODES(best first, comma separated) [generic]
import sys

import yt_dlp

# code: ext, width, height, vcodec, acodec, abr, fps, note, container, tbr.
# Sizes as in the stand-in's table; codecs, abr, fps, notes and containers as in
# youtube-dl's YouTube extractor; tbr a typical bit rate.
V, A = 'DASH video', 'DASH audio'
TABLE = {
    5: ('flv', 400, 240, 'h263', 'mp3', 64, None, None, None, 285),
    6: ('flv', 480, 270, 'h263', 'mp3', 64, None, None, None, 400),
    13: ('3gp', None, None, 'mp4v', 'aac', None, None, None, None, 100),
    17: ('3gp', 176, 144, 'mp4v', 'aac', 24, None, None, None, 80),
    18: ('mp4', 640, 360, 'h264', 'aac', 96, None, None, None, 500),
    22: ('mp4', 1280, 720, 'h264', 'aac', 192, None, None, None, 1500),
    34: ('flv', 640, 360, 'h264', 'aac', 128, None, None, None, 600),
    35: ('flv', 854, 480, 'h264', 'aac', 128, None, None, None, 900),
    36: ('3gp', 320, 240, 'mp4v', 'aac', None, None, None, None, 200),
    37: ('mp4', 1920, 1080, 'h264', 'aac', 192, None, None, None, 3000),
    38: ('mp4', 4096, 3072, 'h264', 'aac', 192, None, None, None, 5000),
    43: ('webm', 640, 360, 'vp8', 'vorbis', 128, None, None, None, 600),
    44: ('webm', 854, 480, 'vp8', 'vorbis', 128, None, None, None, 1000),
    45: ('webm', 1280, 720, 'vp8', 'vorbis', 192, None, None, None, 2000),
    46: ('webm', 1920, 1080, 'vp8', 'vorbis', 192, None, None, None, 3500),
    82: ('mp4', 640, 360, 'h264', 'aac', 128, None, '3D', None, 500),
    83: ('mp4', 320, 240, 'h264', 'aac', 128, None, '3D', None, 700),
    84: ('mp4', 1280, 720, 'h264', 'aac', 192, None, '3D', None, 1500),
    85: ('mp4', 920, 520, 'h264', 'aac', 192, None, '3D', None, 3000),
    100: ('webm', 640, 360, 'vp8', 'vorbis', 128, None, '3D', None, 600),
    101: ('webm', 640, 360, 'vp8', 'vorbis', 192, None, '3D', None, 900),
    102: ('webm', 1280, 720, 'vp8', 'vorbis', 192, None, '3D', None, 1800),
    120: ('flv', 1280, 720, 'h264', 'aac', 128, None, None, None, 2000),
    133: ('mp4', 426, 240, 'h264', 'none', None, None, V, None, 250),
    134: ('mp4', 640, 360, 'h264', 'none', None, None, V, None, 400),
    135: ('mp4', 854, 480, 'h264', 'none', None, None, V, None, 750),
    136: ('mp4', 1280, 720, 'h264', 'none', None, None, V, None, 1500),
    137: ('mp4', 1920, 1080, 'h264', 'none', None, None, V, None, 3000),
    139: ('m4a', None, None, 'none', 'aac', 48, None, A, 'm4a_dash', 49),
    140: ('m4a', None, None, 'none', 'aac', 128, None, A, 'm4a_dash', 130),
    141: ('m4a', None, None, 'none', 'aac', 256, None, A, 'm4a_dash', 256),
    160: ('mp4', 256, 144, 'h264', 'none', None, None, V, None, 110),
    171: ('webm', None, None, 'none', 'vorbis', 128, None, A, None, 128),
    242: ('webm', 426, 240, 'vp9', 'none', None, None, V, None, 220),
    243: ('webm', 640, 360, 'vp9', 'none', None, None, V, None, 400),
    244: ('webm', 854, 480, 'vp9', 'none', None, None, V, None, 750),
    245: ('webm', 854, 480, 'vp9', 'none', None, None, V, None, 900),
    246: ('webm', 854, 480, 'vp9', 'none', None, None, V, None, 1000),
    247: ('webm', 1280, 720, 'vp9', 'none', None, None, V, None, 1500),
    248: ('webm', 1920, 1080, 'vp9', 'none', None, None, V, None, 2700),
    249: ('webm', None, None, 'none', 'opus', 50, None, A, None, 50),
    250: ('webm', None, None, 'none', 'opus', 70, None, A, None, 70),
    251: ('webm', None, None, 'none', 'opus', 160, None, A, None, 135),
    264: ('mp4', 2560, 1440, 'h264', 'none', None, None, V, None, 5500),
    266: ('mp4', 3840, 2160, 'h264', 'none', None, None, V, None, 12000),
    271: ('webm', 2560, 1440, 'vp9', 'none', None, None, V, None, 9000),
    278: ('webm', 256, 144, 'vp9', 'none', None, None, V, 'webm', 95),
    298: ('mp4', 1280, 720, 'h264', 'none', None, 60, V, None, 3000),
    299: ('mp4', 1920, 1080, 'h264', 'none', None, 60, V, None, 5000),
    302: ('webm', 1280, 720, 'vp9', 'none', None, 60, V, None, 2500),
    303: ('webm', 1920, 1080, 'vp9', 'none', None, 60, V, None, 4500),
    308: ('webm', 2560, 1440, 'vp9', 'none', None, 60, V, None, 13000),
    313: ('webm', 3840, 2160, 'vp9', 'none', None, None, V, None, 18000),
    315: ('webm', 3840, 2160, 'vp9', 'none', None, 60, V, None, 26000),
    394: ('mp4', 256, 144, 'av01.0.00M.08', 'none', None, None, V, None, 80),
    395: ('mp4', 426, 240, 'av01.0.00M.08', 'none', None, None, V, None, 160),
    396: ('mp4', 640, 360, 'av01.0.01M.08', 'none', None, None, V, None, 300),
    397: ('mp4', 854, 480, 'av01.0.04M.08', 'none', None, None, V, None, 550),
    398: ('mp4', 1280, 720, 'av01.0.05M.08', 'none', None, None, V, None, 1100),
    399: ('mp4', 1920, 1080, 'av01.0.08M.08', 'none', None, None, V, None, 2000),
}
FIELDS = ('ext', 'width', 'height', 'vcodec', 'acodec', 'abr', 'fps', 'format_note',
          'container', 'tbr')


def youtube_format(code, size, video_id):
    f = {'format_id': str(code), 'url': 'https://standin.test/%s/%d' % (video_id, code),
         'protocol': 'https', 'filesize': size}
    for name, value in zip(FIELDS, TABLE[code]):
        if value is not None:
            f[name] = value
    return f


def storyboard(video_id):
    return {'format_id': 'sb0', 'format_note': 'storyboard', 'ext': 'mhtml',
            'protocol': 'mhtml', 'acodec': 'none', 'vcodec': 'none',
            'url': 'https://standin.test/%s/sb0' % video_id,
            'width': 320, 'height': 180, 'fps': 1}


def main():
    video_id, size, codes = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    formats = [youtube_format(int(c), size, video_id) for c in codes.split(',')]
    formats.reverse()  # the tool lists worst first
    info = {'id': video_id, 'title': video_id, 'formats': [storyboard(video_id)] + formats}
    with yt_dlp.YoutubeDL({}) as ydl:
        ydl.list_formats(info)


if __name__ == '__main__':
    main()
