// The fixed format knowledge: the catalogue of known format codes, the record
// of one offered format (stored on disk inside the state record) and the default list.
#pragma once
#include <stddef.h>
#include <stdint.h>

enum {
    // The 23 codes of the first lists, then the separate picture and sound streams pages offer now.
    FORMAT_CATALOGUE_SIZE = 60,
    MAX_AVAILABLE_FORMATS = 24,
    DEFAULT_FORMAT_COUNT = 11,
    FORMAT_TEXT_SIZE = 200,
    EXTENSION_SIZE = 5,
    // The code the record holds when the tool listed no numeric format and picks one itself.
    BEST_FORMAT_CODE = 0
};

#define BEST_FORMAT_TEXT "best (chosen by the tool)"

struct FormatInfo {
    int32_t code;
    char fileType[5];
    char resolution[10];
    char videoEncoding[20];
    char videoProfile[10];
    char videoBitrate[10];
    char audioEncoding[10];
    char audioBitrate[5];
};

// Packed: the record file holds 24 of these back to back, 17 bytes each.
#pragma pack(push, 1)
struct AvailableFormat {
    int32_t code;
    char extension[EXTENSION_SIZE];
    int32_t height;
    int32_t width;
};
#pragma pack(pop)

static_assert(sizeof(AvailableFormat) == 17, "AvailableFormat is stored on disk");
static_assert(offsetof(AvailableFormat, extension) == 4, "layout");
static_assert(offsetof(AvailableFormat, height) == 9, "layout");
static_assert(offsetof(AvailableFormat, width) == 13, "layout");

extern const AvailableFormat defaultFormats[DEFAULT_FORMAT_COUNT];

void BuildCatalogue(FormatInfo *catalogue, int *count);

// Writes the description of `code` into `text` (FORMAT_TEXT_SIZE bytes); empty for an unknown code.
void DescribeFormat(char *text, int32_t code, const FormatInfo *catalogue, int count);

// The catalogue row of `code`, or null.
const FormatInfo *FindFormat(int32_t code, const FormatInfo *catalogue, int count);

// False for the streams that carry only a picture or only sound.
bool HasSound(const FormatInfo *row);
bool HasPicture(const FormatInfo *row);

// What the tool's format table said of the offered codes: a row marked "video only" or
// "audio only". Kept beside the record (whose layout is fixed), for codes the catalogue
// does not know: YouTube's AV1 and HDR streams, other sites' numbered ones.
enum StreamKind { STREAM_FULL, STREAM_PICTURE_ONLY, STREAM_SOUND_ONLY };

struct StreamKinds {
    int32_t count;
    int32_t codes[MAX_AVAILABLE_FORMATS];
    unsigned char kinds[MAX_AVAILABLE_FORMATS];
};

// The kind of `record`: the catalogue's where it knows the code, else what the table told
// (`told` may be null), else a full format.
StreamKind KindOfRecord(const AvailableFormat *record, const FormatInfo *catalogue, int count,
                        const StreamKinds *told);

// A picture-only stream the tool can merge with the best sound through ffmpeg.
bool IsMergeable(const AvailableFormat *record, const FormatInfo *catalogue, int count,
                 const StreamKinds *told = nullptr);

// The container of a merged download: "mp4" for an MP4 picture, "mkv" for any other.
const char *MergedExtension(const AvailableFormat *record);

// Describes an offered record into `text` (FORMAT_TEXT_SIZE bytes): the catalogue's text for a
// known code, otherwise what the record itself tells (extension, height, code). With `merge`
// (ffmpeg at hand) a picture-only stream is described as merged with the best sound.
void DescribeOffered(char *text, const AvailableFormat *record, const FormatInfo *catalogue,
                     int count, bool merge = false, const StreamKinds *told = nullptr);

// With ffmpeg at hand the best picture with sound is a merged one: moves the first
// mergeable record (the lists come best first) to the front. True when it moved one.
bool PutBestMergedFirst(AvailableFormat *list, int32_t count, const FormatInfo *catalogue,
                        int catalogueCount, const StreamKinds *told = nullptr);

// The sound only, converted to MP3 by ffmpeg: a record with a sound-only row's code and
// the extension "mp3".
#define MP3_EXTENSION "mp3"
bool IsMp3Record(const AvailableFormat *record);

// With ffmpeg at hand a page with sound-only rows also offers the best of them as MP3: one
// more record after the others, or, in a full list, in the place of the last sound-only row.
// True when it added one.
bool AddMp3Row(AvailableFormat *list, int32_t *count, const FormatInfo *catalogue, int catalogueCount,
               const StreamKinds *told = nullptr);

// What the MP3 of `record` is converted from, into `text` (at most `size` bytes):
// "M4A 128k" for a catalogue code, else "code 600".
void DescribeMp3Source(char *text, size_t size, const AvailableFormat *record, const FormatInfo *catalogue,
                       int count);

// The record's extension as a string of at most EXTENSION_SIZE - 1 bytes, bounded even when
// the record came from a damaged file; upper-cased ASCII when `upper`.
void RecordExtension(char *out, const AvailableFormat *record, bool upper);
