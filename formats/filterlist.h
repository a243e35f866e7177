// The save dialog's file-type filter block: one entry per offered format.
#pragma once
#include "formats/catalogue.h"

// Which list record (counted from 1) each filter entry came from. Every record now gets
// an entry, so this is the identity; callers still map through it.
// A whole list offered beside the rows: its `entries` videos, each the best picture with sound
// and, with `mp3`, each as MP3. Their entries stand for these negative records.
struct ListOffer {
    int entries;
    bool mp3;
};

enum { LIST_FILTER_BEST = -1, LIST_FILTER_MP3 = -2, LIST_FILTERS = 2 };

struct FilterEntries {
    int count;
    int recordOf[MAX_AVAILABLE_FORMATS + LIST_FILTERS];
};

// Returns a malloc'ed filter block ("desc\0*.ext\0...\0"); the caller frees it.
// `entries` may be null.
// With `merge` (ffmpeg at hand) picture-only streams are offered merged with the best sound.
char *BuildFilterList(const AvailableFormat *available, int availableCount,
                      const FormatInfo *catalogue, int catalogueCount,
                      FilterEntries *entries = nullptr, bool merge = false,
                      const StreamKinds *told = nullptr, const ListOffer *list = nullptr);

// Size of a filter block including its final terminator.
size_t FilterListSize(const char *block);

// Filter position (from 1) -> list record (from 1), or a LIST_FILTER_; 0 when out of range.
int RecordOfFilter(const FilterEntries *entries, int filterPosition);

// List record (from 1) -> filter position (from 1); 1 when the record has no entry.
int FilterOfRecord(const FilterEntries *entries, int record);
