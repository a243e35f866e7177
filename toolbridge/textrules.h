// Where characters begin in the program's text: UTF-8 where Windows gives the process that
// code page, or a legacy one, double-byte in East Asia. Window-free, so tested natively.
#pragma once
#include <stddef.h>

enum { CODE_PAGE_UTF8 = 65001 };

// The code page the program's strings are in (the process's ANSI code page); 1252 until set.
void SetTextCodePage(unsigned codePage);
unsigned TextCodePage();

// Whether `byte` starts a two-byte character in the double-byte code pages 932, 936, 949, 950.
bool IsLeadByte(unsigned codePage, unsigned char byte);

// The longest length up to `limit` at which `text` (`length` bytes) can be cut without
// splitting a character of `codePage`: never inside a UTF-8 sequence, never between a
// lead byte and its trail byte.
size_t CharacterCut(const char *text, size_t length, size_t limit, unsigned codePage);

// The last '\' of `path` that is a character of its own, not the trail byte of a double-byte
// character (in code page 932 "表" is 0x95 0x5C); null when there is none.
const char *LastBackslash(const char *path, unsigned codePage);

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(const char *text, size_t length);

// Replaces each byte that is not part of well-formed UTF-8 with '_', in place.
void ReplaceInvalidUtf8(char *text);

// Makes `name` a proposed file name: no blanks at either end of its stem, and a stem that
// would be empty (the title was empty, or an old tool dropped all of it) becomes "video".
// `size` is the buffer's.
void TidyFileName(char *name, size_t size);
