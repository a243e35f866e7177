// Clean-up of an address given on the command line or pasted from the clipboard.
#include "ui/addresstext.h"

#include <gtest/gtest.h>

struct CleanCase {
    const char *given;
    const char *expected;
};

TEST(CleanAddress, StripsBlanksLineEndsAndOnePairOfQuotes)
{
    const CleanCase cases[] = {
        {"http://x/watch?v=a", "http://x/watch?v=a"},
        {"  http://x/watch?v=a&t=10  ", "http://x/watch?v=a&t=10"},
        {"\"http://x/watch?v=a&t=10\"", "http://x/watch?v=a&t=10"},
        {" \"http://x/w?v=a\" ", "http://x/w?v=a"},
        {"\"\"http://x\"\"", "\"http://x\""},
        {"http://x/w?v=a\r\n", "http://x/w?v=a"},
        {"\"", "\""},
        {"\"\"", ""},
        {"   ", ""},
        {"", ""},
        {"a \"quoted\" middle", "a \"quoted\" middle"},
    };
    for (const CleanCase &c : cases) {
        char out[64];
        ASSERT_TRUE(CleanAddress(out, sizeof out, c.given)) << c.given;
        EXPECT_STREQ(c.expected, out) << "[" << c.given << "]";
    }
}

TEST(CleanAddress, RefusesWhatDoesNotFit)
{
    char out[8];
    EXPECT_TRUE(CleanAddress(out, sizeof out, "  \"1234567\"  "));
    EXPECT_STREQ("1234567", out);
    EXPECT_FALSE(CleanAddress(out, sizeof out, "12345678"));
    EXPECT_STREQ("", out);
}
