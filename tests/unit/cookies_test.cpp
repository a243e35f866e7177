// A cookies file checked as yt-dlp 2026.11.23 loads it (YoutubeDLCookieJar.load and
// MozillaCookieJar._really_load), and the advice given for the tool's words.
#include "toolbridge/cookies.h"
#include "toolbridge/toolwords.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

static const std::string HEADER = "# Netscape HTTP Cookie File\n";
static const std::string COOKIE = ".youtube.com\tTRUE\t/\tTRUE\t1799999999\tSID\tsecret-value\n";

TEST(CookieFile, RefusedForWhatTheToolWouldRefuseOrSkip)
{
    const struct {
        std::string text;
        CookieVerdict verdict;
        int cookies, line;
    } cases[] = {
        // Comments, #HttpOnly_ cookies, session cookies (no expiry), CR LF and blank lines are fine.
        {HEADER + "# a comment\r\n" + COOKIE + "#HttpOnly_.youtube.com\tTRUE\t/\tTRUE\t0\tHSID\tx\r\n\n" +
             "127.0.0.1\tFALSE\t/\tFALSE\t\tsession\ty\n",
         COOKIES_FINE, 3, 0},
        {"# HTTP Cookie File\n" + COOKIE, COOKIES_FINE, 1, 0},
        {"\xEF\xBB\xBF" + HEADER + COOKIE, COOKIES_FINE, 1, 0},
        {"", COOKIES_EMPTY, 0, 0},
        {" \r\n\n", COOKIES_EMPTY, 0, 0},
        {"[{\"domain\": \".youtube.com\", \"name\": \"SID\"}]", COOKIES_JSON, 0, 0},
        {"just some notes\n" + COOKIE, COOKIES_NO_HEADER, 0, 0},
        {HEADER + COOKIE + "youtube.com\tTRUE\t/\n", COOKIES_BAD_FIELDS, 1, 3},
        {HEADER + std::string(10000, 'x') + "\n", COOKIES_BAD_FIELDS, 0, 2},
        {HEADER + ".youtube.com\tTRUE\t/\tTRUE\tsoon\tSID\tv\n", COOKIES_BAD_EXPIRY, 0, 2},
        {HEADER + ".youtube.com\tTRUE\t/\tTRUE\t17.\tSID\tv\n", COOKIES_BAD_EXPIRY, 0, 2},
        {HEADER + "# only a comment\n", COOKIES_NONE, 0, 0},
        {HEADER + "caf\xE9\tTRUE\t/\tTRUE\t0\tSID\tv\n", COOKIES_NOT_UTF8, 0, 0},
    };
    for (const auto &c : cases) {
        CookieCheck check = CheckCookieText(c.text.data(), c.text.size());
        EXPECT_EQ(c.verdict, check.verdict) << c.text.substr(0, 80);
        EXPECT_EQ(c.cookies, check.cookies) << c.text.substr(0, 80);
        EXPECT_EQ(c.line, check.line) << c.text.substr(0, 80);
        // The reason never quotes the file: it holds a login.
        char reason[COOKIE_REASON_SIZE];
        DescribeCookieVerdict(&check, reason, sizeof reason);
        EXPECT_EQ(nullptr, strstr(reason, "secret")) << reason;
        EXPECT_EQ(nullptr, strstr(reason, "SID")) << reason;
    }
    EXPECT_EQ(3u, CheckCookieText(("\xEF\xBB\xBF" + HEADER + COOKIE).data(), HEADER.size() + COOKIE.size() + 3).start);
    // Larger than the limit: refused by its length alone.
    EXPECT_EQ(COOKIES_TOO_BIG, CheckCookieText(HEADER.data(), (size_t)COOKIE_FILE_LIMIT + 1).verdict);
}

// One line of what to do, a cause a row; the first row whose words stand in the errors wins.
TEST(ToolAdvice, OneLineACauseFromTheToolsWords)
{
    const std::string botCheck =
        "ERROR: [youtube] dQw4w9WgXcQ: Sign in to confirm you\xE2\x80\x99re not a bot. Use --cookies-from-browser or "
        "--cookies for the authentication.";
    const struct {
        std::string errors;
        bool signedIn, lackedRuntime;
        const char *starts;  // null: no advice
    } cases[] = {
        {botCheck, false, false, "The site asks who you are: sign in from the window menu"},
        {botCheck, true, false, "The site asks who you are again: the cookies may have expired"},
        {"ERROR: [youtube] x: Sign in to confirm your age. This video may be inappropriate", false, false,
         "The site asks who you are: sign in"},
        {"ERROR: [youtube] x: Join this channel to get access to members-only content like this video", true, false,
         "The site asks who you are again"},
        {"ERROR: [youtube] x: Private video. Sign in if you've been granted access to this video", false, false,
         "The site asks who you are: sign in"},
        {"ERROR: could not find firefox cookies database in C:\\Users\\A\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles",
         true, false, "Firefox's cookies were not found here: sign in with a cookies file instead"},
        {"ERROR: unable to download video data: HTTP Error 403: Forbidden", false, false,
         "The site refused the download: sign in from the window menu, or update"},
        {"ERROR: unable to download video data: HTTP Error 403: Forbidden", true, false,
         "The site refused the download: update the download tool"},
        {"ERROR: [youtube] x: Requested format is not available. Use --list-formats", false, false,
         "The site may have changed: update the download tool"},
        {"WARNING: [youtube] No supported JavaScript runtime could be found.\nERROR: [youtube] x: Unable to extract "
         "yt initial data",
         false, true, "Some formats need a JavaScript runtime"},
        {"ERROR: Postprocessing: ffprobe and ffmpeg not found. Please install or provide the path", false, false,
         "This needs ffmpeg: choose ffmpeg"},
        {"ERROR: [generic] Unable to download webpage: HTTP Error 404: Not Found", false, false, nullptr},
        {"", true, true, nullptr},
    };
    for (const auto &c : cases) {
        const char *advice = FindAdvice(c.errors.data(), c.errors.size(), c.signedIn, c.lackedRuntime);
        if (!c.starts) {
            EXPECT_EQ(nullptr, advice) << c.errors;
            continue;
        }
        ASSERT_NE(nullptr, advice) << c.errors;
        EXPECT_EQ(0, strncmp(advice, c.starts, strlen(c.starts))) << advice;
    }
    // The runtime's own rows still tell the status line.
    const std::string failed = "WARNING: [youtube] x: n challenge solving failed: Some formats may be missing.";
    EXPECT_EQ(RUNTIME_FAILED, FindRuntimeTrouble(failed.data(), failed.size()));
    EXPECT_EQ(RUNTIME_FINE, FindRuntimeTrouble(botCheck.data(), botCheck.size()));
}
