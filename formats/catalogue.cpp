// The catalogue of the known format codes, the default offered list, and the
// description text shown in the window's information panel.
#include "formats/catalogue.h"

#include <stdio.h>
#include <string.h>

// The streams that carry only a picture or only sound say so in the codec column;
// the filter list tells them apart by these texts.
#define NO_SOUND "No sound"
#define NO_PICTURE "No picture"
// How a merged download's sound is described: the tool picks the best sound stream.
#define MERGED_SOUND_TEXT "Best sound (merged)"

// Code 37's bit rate holds an en dash, byte 0x96 in Windows-1252. The rows after code 120
// follow the tool's own table of YouTube codes (container, height, frame rate, codecs,
// audio bit rate); it gives no video bit rates or profiles for them.
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
    {133, "MP4", "240p", "H.264", "N/A", "N/A", NO_SOUND, "N/A"},
    {134, "MP4", "360p", "H.264", "N/A", "N/A", NO_SOUND, "N/A"},
    {135, "MP4", "480p", "H.264", "N/A", "N/A", NO_SOUND, "N/A"},
    {136, "MP4", "720p", "H.264", "N/A", "N/A", NO_SOUND, "N/A"},
    {137, "MP4", "1080p", "H.264", "N/A", "N/A", NO_SOUND, "N/A"},
    {139, "M4A", "N/A", NO_PICTURE, "N/A", "N/A", "AAC", "48"},
    {140, "M4A", "N/A", NO_PICTURE, "N/A", "N/A", "AAC", "128"},
    {141, "M4A", "N/A", NO_PICTURE, "N/A", "N/A", "AAC", "256"},
    {160, "MP4", "144p", "H.264", "N/A", "N/A", NO_SOUND, "N/A"},
    {171, "WebM", "N/A", NO_PICTURE, "N/A", "N/A", "Vorbis", "128"},
    {242, "WebM", "240p", "VP9", "N/A", "N/A", NO_SOUND, "N/A"},
    {243, "WebM", "360p", "VP9", "N/A", "N/A", NO_SOUND, "N/A"},
    {244, "WebM", "480p", "VP9", "N/A", "N/A", NO_SOUND, "N/A"},
    {245, "WebM", "480p", "VP9", "N/A", "N/A", NO_SOUND, "N/A"},
    {246, "WebM", "480p", "VP9", "N/A", "N/A", NO_SOUND, "N/A"},
    {247, "WebM", "720p", "VP9", "N/A", "N/A", NO_SOUND, "N/A"},
    {248, "WebM", "1080p", "VP9", "N/A", "N/A", NO_SOUND, "N/A"},
    {249, "WebM", "N/A", NO_PICTURE, "N/A", "N/A", "Opus", "50"},
    {250, "WebM", "N/A", NO_PICTURE, "N/A", "N/A", "Opus", "70"},
    {251, "WebM", "N/A", NO_PICTURE, "N/A", "N/A", "Opus", "160"},
    {264, "MP4", "1440p", "H.264", "N/A", "N/A", NO_SOUND, "N/A"},
    {266, "MP4", "2160p", "H.264", "N/A", "N/A", NO_SOUND, "N/A"},
    {271, "WebM", "1440p", "VP9", "N/A", "N/A", NO_SOUND, "N/A"},
    {278, "WebM", "144p", "VP9", "N/A", "N/A", NO_SOUND, "N/A"},
    {298, "MP4", "720p60", "H.264", "N/A", "N/A", NO_SOUND, "N/A"},
    {299, "MP4", "1080p60", "H.264", "N/A", "N/A", NO_SOUND, "N/A"},
    {302, "WebM", "720p60", "VP9", "N/A", "N/A", NO_SOUND, "N/A"},
    {303, "WebM", "1080p60", "VP9", "N/A", "N/A", NO_SOUND, "N/A"},
    {308, "WebM", "1440p60", "VP9", "N/A", "N/A", NO_SOUND, "N/A"},
    {313, "WebM", "2160p", "VP9", "N/A", "N/A", NO_SOUND, "N/A"},
    {315, "WebM", "2160p60", "VP9", "N/A", "N/A", NO_SOUND, "N/A"},
    {394, "MP4", "144p", "AV1", "N/A", "N/A", NO_SOUND, "N/A"},
    {395, "MP4", "240p", "AV1", "N/A", "N/A", NO_SOUND, "N/A"},
    {396, "MP4", "360p", "AV1", "N/A", "N/A", NO_SOUND, "N/A"},
    {397, "MP4", "480p", "AV1", "N/A", "N/A", NO_SOUND, "N/A"},
    {398, "MP4", "720p", "AV1", "N/A", "N/A", NO_SOUND, "N/A"},
    {399, "MP4", "1080p", "AV1", "N/A", "N/A", NO_SOUND, "N/A"},
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

const FormatInfo *FindFormat(int32_t code, const FormatInfo *catalogue, int count)
{
    for (int i = 0; i < count; i++)
        if (catalogue[i].code == code)
            return &catalogue[i];
    return nullptr;
}

bool HasSound(const FormatInfo *row)
{
    return strcmp(row->audioEncoding, NO_SOUND) != 0;
}

bool HasPicture(const FormatInfo *row)
{
    return strcmp(row->videoEncoding, NO_PICTURE) != 0;
}

void RecordExtension(char *out, const AvailableFormat *record, bool upper)
{
    size_t length = 0;
    while (length < EXTENSION_SIZE - 1 && record->extension[length] != '\0') {
        char c = record->extension[length];
        out[length++] = upper && c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
    }
    out[length] = '\0';
}

// A code the catalogue does not know: the tool's best pick (code 0) or a stream the
// catalogue has no row for, described from the record alone.
// `shownType`, where not null, stands for the record's own (a merge's container).
static void DescribeFromRecord(char *text, const AvailableFormat *record, const char *shownType = nullptr)
{
    char fileType[EXTENSION_SIZE];
    RecordExtension(fileType, record, true);
    if (shownType)
        snprintf(fileType, sizeof fileType, "%s", shownType);
    if (record->code == BEST_FORMAT_CODE) {
        snprintf(text, FORMAT_TEXT_SIZE, "File type:\t%s\nFormat code:\t" BEST_FORMAT_TEXT,
                 fileType);
        return;
    }
    char resolution[16] = "N/A";
    if (record->height > 0)
        snprintf(resolution, sizeof resolution, "%ldp", (long)record->height);
    snprintf(text, FORMAT_TEXT_SIZE, "File type:\t%s\nResolution:\t%s\nFormat code:\t%ld",
             fileType, resolution, (long)record->code);
}

StreamKind KindOfRecord(const AvailableFormat *record, const FormatInfo *catalogue, int count,
                        const StreamKinds *told)
{
    const FormatInfo *row = FindFormat(record->code, catalogue, count);
    if (row)
        return !HasSound(row) ? STREAM_PICTURE_ONLY : !HasPicture(row) ? STREAM_SOUND_ONLY : STREAM_FULL;
    for (int32_t i = 0; told && i < told->count && i < MAX_AVAILABLE_FORMATS; i++)
        if (told->codes[i] == record->code && told->kinds[i] <= STREAM_SOUND_ONLY)
            return (StreamKind)told->kinds[i];
    return STREAM_FULL;
}

bool IsMergeable(const AvailableFormat *record, const FormatInfo *catalogue, int count, const StreamKinds *told)
{
    return KindOfRecord(record, catalogue, count, told) == STREAM_PICTURE_ONLY;
}

const char *MergedExtension(const AvailableFormat *record)
{
    char extension[EXTENSION_SIZE];
    RecordExtension(extension, record, false);
    return strcmp(extension, "mp4") == 0 ? "mp4" : "mkv";
}

bool IsMp3Record(const AvailableFormat *record)
{
    char extension[EXTENSION_SIZE];
    RecordExtension(extension, record, false);
    return strcmp(extension, MP3_EXTENSION) == 0;
}

static bool IsSoundRow(const AvailableFormat *record, const FormatInfo *catalogue, int count, const StreamKinds *told)
{
    return !IsMp3Record(record) && KindOfRecord(record, catalogue, count, told) == STREAM_SOUND_ONLY;
}

bool AddMp3Row(AvailableFormat *list, int32_t *count, const FormatInfo *catalogue, int catalogueCount,
               const StreamKinds *told)
{
    int32_t best = -1, last = -1;
    for (int32_t i = 0; i < *count && i < MAX_AVAILABLE_FORMATS; i++) {
        if (IsMp3Record(&list[i]))
            return false;
        if (IsSoundRow(&list[i], catalogue, catalogueCount, told)) {
            best = best < 0 ? i : best;
            last = i;
        }
    }
    if (best < 0)
        return false;
    AvailableFormat mp3 = {list[best].code, MP3_EXTENSION, 0, 0};
    if (*count < MAX_AVAILABLE_FORMATS) {
        list[(*count)++] = mp3;
    } else {
        // The rows after it move up, so the MP3 still comes last.
        memmove(&list[last], &list[last + 1], (size_t)(MAX_AVAILABLE_FORMATS - 1 - last) * sizeof *list);
        list[MAX_AVAILABLE_FORMATS - 1] = mp3;
    }
    return true;
}

void DescribeMp3Source(char *text, size_t size, const AvailableFormat *record, const FormatInfo *catalogue,
                       int count)
{
    const FormatInfo *row = FindFormat(record->code, catalogue, count);
    if (row)
        snprintf(text, size, "%s %sk", row->fileType, row->audioBitrate);
    else
        snprintf(text, size, "code %ld", (long)record->code);
}

void DescribeOffered(char *text, const AvailableFormat *record, const FormatInfo *catalogue,
                     int count, bool merge, const StreamKinds *told)
{
    text[0] = '\0';
    if (!record)
        return;
    if (IsMp3Record(record)) {
        char source[32];
        DescribeMp3Source(source, sizeof source, record, catalogue, count);
        snprintf(text, FORMAT_TEXT_SIZE,
                 "File type:\tMP3\nV.encode:\tnone (no picture)\nA.encode:\tMP3, converted from %s",
                 source);
        return;
    }
    const FormatInfo *row = FindFormat(record->code, catalogue, count);
    StreamKind kind = KindOfRecord(record, catalogue, count, told);
    if (!row) {
        bool merged = merge && kind == STREAM_PICTURE_ONLY;
        DescribeFromRecord(text, record, merged ? (strcmp(MergedExtension(record), "mp4") == 0 ? "MP4" : "MKV") : NULL);
        size_t used = strlen(text);
        const char *sound = kind == STREAM_SOUND_ONLY    ? "\nV.encode:\tnone (no picture)"
                            : kind != STREAM_PICTURE_ONLY ? ""
                            : merged                      ? "\nA.encode:\t" MERGED_SOUND_TEXT
                                                          : "\nA.encode:\tnone (no sound)";
        snprintf(text + used, FORMAT_TEXT_SIZE - used, "%s", sound);
    } else if (merge && kind == STREAM_PICTURE_ONLY) {
        const char *fileType = strcmp(MergedExtension(record), "mp4") == 0 ? "MP4" : "MKV";
        snprintf(text, FORMAT_TEXT_SIZE,
                 "File type:\t%s\nResolution:\t%s\nV.Profile:\t%s\nV.encode:\t%s"
                 "\nV.bitrate:\t%s\nA.encode:\t" MERGED_SOUND_TEXT "\nA.bitrate:\tN/A",
                 fileType, row->resolution, row->videoProfile, row->videoEncoding, row->videoBitrate);
    } else {
        DescribeFormat(text, record->code, catalogue, count);
    }
}

bool PutBestMergedFirst(AvailableFormat *list, int32_t count, const FormatInfo *catalogue,
                        int catalogueCount, const StreamKinds *told)
{
    for (int32_t i = 0; i < count && i < MAX_AVAILABLE_FORMATS; i++) {
        if (!IsMergeable(&list[i], catalogue, catalogueCount, told))
            continue;
        AvailableFormat best = list[i];
        memmove(&list[1], &list[0], (size_t)i * sizeof *list);
        list[0] = best;
        return true;
    }
    return false;
}
