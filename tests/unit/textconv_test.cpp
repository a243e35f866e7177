// Conversions from the legacy code pages, as older records and tools without --encoding need.
#include "toolbridge/textconv.h"

#include <gtest/gtest.h>

#include "toolbridge/textrules.h"

TEST(ConvertText, LegacyTextBecomesUtf8AndIsCutAtACharacter)
{
    char out[32];
    ASSERT_TRUE(ConvertText("C:\\Vid\xe9os\\caf\xe9.mp4", 1252, CODE_PAGE_UTF8, out, sizeof out));
    EXPECT_STREQ("C:\\Vid\xc3\xa9os\\caf\xc3\xa9.mp4", out);
    ASSERT_TRUE(ConvertText("\x95\x5c", 932, CODE_PAGE_UTF8, out, sizeof out));  // 表, U+8868
    EXPECT_STREQ("\xe8\xa1\xa8", out);
    // Room for "caf" and half an "é": the "é" goes whole.
    ASSERT_TRUE(ConvertText("caf\xe9", 1252, CODE_PAGE_UTF8, out, 5));
    EXPECT_STREQ("caf", out);
    EXPECT_FALSE(ConvertText("\x95", 932, CODE_PAGE_UTF8, out, sizeof out)) << "a lead byte alone";
}
