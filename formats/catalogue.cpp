// The catalogue of the 23 known format codes, the default offered list, and the
// description text shown in the window's information panel.
#include "formats/catalogue.h"

#include <stdio.h>
#include <string.h>

// Code 37's bit rate holds an en dash, byte 0x96 in Windows-1252.
static const FormatInfo CATALOGUE_ROWS[FORMAT_CATALOGUE_SIZE] = {
    {5, "FLV", "240p", "Sorenson H.263", "N/A", "0.25", "MP3", "64"},
    {6, "FLV", "270p", "Sorenson H.263", "N/A", "0.8", "MP3", "64"},
    {13, "3GP", "N/A", "MPEG-4 Visual", "N/A", "0.5", "AAC", "N/A"},
    {17, "3GP", "144p", "MPEG-4 Visual", "Simple", "0.05", "AAC", "24"},
    {18, "MP4", "270p/360p", "H.264", "Baseline", "0.5", "AAC", "96"},
    {22, "MP4", "720p", "H.264", "High", "2-2.9", "AAC", "192"},
    {34, "FLV", "360p", "H.264", "Main", "0.5", "AAC", "128"},
    {35, "FLV", "480p", "H.264", "Main", "0.8-1", "AAC", "128"},
    {36, "3GP", "240p", "MPEG-4 Visual", "Simple", "0.17", "AAC", "38"},
    {37, "MP4", "1080p", "H.264", "High", "3\x96" "5.9", "AAC", "192"},
    {38, "MP4", "3072p", "H.264", "High", "3.5-5", "AAC", "192"},
    {43, "WebM", "360p", "VP8", "N/A", "0.5", "Vorbis", "128"},
    {44, "WebM", "480p", "VP8", "N/A", "1", "Vorbis", "128"},
    {45, "WebM", "720p", "VP8", "N/A", "2", "Vorbis", "192"},
    {46, "WebM", "1080p", "VP8", "N/A", "N/A", "Vorbis", "192"},
    {82, "MP4", "360p", "H.264", "3D", "0.5", "AAC", "96"},
    {83, "MP4", "240p", "H.264", "3D", "0.5", "AAC", "96"},
    {84, "MP4", "720p", "H.264", "3D", "2-2.9", "AAC", "152"},
    {85, "MP4", "520p", "H.264", "3D", "2-2.9", "AAC", "152"},
    {100, "WebM", "360p", "VP8", "3D", "N/A", "Vorbis", "128"},
    {101, "WebM", "360p", "VP8", "3D", "N/A", "Vorbis", "192"},
    {102, "WebM", "720p", "VP8", "3D", "N/A", "Vorbis", "192"},
    {120, "FLV", "720p", "AVC", "Main@L3.1", "2", "AAC", "128"},
};

// Code 17 says mp4 here although its catalogue row says 3GP; the list is kept as it was.
const AvailableFormat defaultFormats[DEFAULT_FORMAT_COUNT] = {
    {37, "mp4", 1080, 1920}, {46, "webm", 1080, 1920}, {22, "mp4", 720, 1280},
    {45, "webm", 720, 1280}, {35, "flv", 480, 854},    {44, "webm", 480, 854},
    {34, "flv", 360, 640},   {18, "mp4", 360, 640},    {43, "webm", 360, 640},
    {5, "flv", 240, 400},    {17, "mp4", 144, 176},
};

void BuildCatalogue(FormatInfo *catalogue, int *count)
{
    memcpy(catalogue, CATALOGUE_ROWS, sizeof(CATALOGUE_ROWS));
    *count = FORMAT_CATALOGUE_SIZE;
}

void DescribeFormat(char *text, int32_t code, const FormatInfo *catalogue, int count)
{
    text[0] = '\0';
    for (int i = 0; i < count; i++) {
        const FormatInfo *row = &catalogue[i];
        if (row->code != code)
            continue;
        snprintf(text, FORMAT_TEXT_SIZE,
                 "File type:\t%s\nResolution:\t%s\nV.Profile:\t%s\nV.encode:\t%s"
                 "\nV.bitrate:\t%s\nA.encode:\t%s\nA.bitrate:\t%s",
                 row->fileType, row->resolution, row->videoProfile, row->videoEncoding,
                 row->videoBitrate, row->audioEncoding, row->audioBitrate);
    }
}
