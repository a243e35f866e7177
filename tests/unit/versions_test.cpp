// What the kept programs answer when asked their version.
#include "toolbridge/versions.h"
#include "toolbridge/toolwords.h"

#include <gtest/gtest.h>
#include <string.h>

TEST(RuntimeVersion, NodeFrom22AndDenoFrom23)
{
    // node --version prints "v22.23.2"; deno --version "deno 2.9.6 (stable, release, ...)".
    const struct {
        const char *line;
        const char *version;  // "" when refused
    } cases[] = {
        {"v22.23.2", "node 22.23.2"},
        {"v22.0.0", "node 22.0.0"},
        {"v100.1.0", "node 100.1.0"},
        {"deno 2.9.6 (stable, release, x86_64-pc-windows-msvc)", "deno 2.9.6"},
        {"deno 2.3.0", "deno 2.3.0"},
        {"deno 10.0.1 (stable)", "deno 10.0.1"},
        {"v21.7.3", ""},
        {"v20.20.2", ""},
        {"deno 2.2.12 (stable)", ""},
        {"deno 1.46.3", ""},
        {"2026.06.09", ""},
        {"v", ""},
        {"v.22", ""},
        {"vx22", ""},
        {"deno", ""},
        {"ffmpeg version N-92722", ""},
    };
    for (const auto &c : cases) {
        char version[41], reason[200];
        bool taken = JudgeRuntimeVersion(c.line, version, sizeof version, reason, sizeof reason);
        EXPECT_EQ(c.version[0] != '\0', taken) << c.line << ": " << reason;
        EXPECT_STREQ(c.version, version) << c.line;
        EXPECT_EQ(taken, reason[0] == '\0') << c.line;
    }
}

TEST(RuntimeVersion, TooOldSaysWhatIsNeeded)
{
    char version[41], reason[200];
    EXPECT_FALSE(JudgeRuntimeVersion("v20.20.2", version, sizeof version, reason, sizeof reason));
    EXPECT_STREQ("node 20.20.2 is too old: node 22 or deno 2.3 or later is needed", reason);
}

TEST(RuntimeTrouble, WarningsOfAMissingOrFailingRuntime)
{
    // yt-dlp's warnings: the first since 2025.11.12 (its tail has changed since), the others
    // when a runtime ran but did not solve the page's challenges.
    const struct {
        const char *errors;
        RuntimeTrouble trouble;
    } cases[] = {
        {"WARNING: [youtube] No supported JavaScript runtime could be found. Only deno is enabled by default; "
         "to use another runtime add  --js-runtimes RUNTIME[:PATH]  to your command/config.\n",
         RUNTIME_MISSING},
        {"WARNING: [youtube] x: n challenge solving failed: Some formats may be missing.\n", RUNTIME_FAILED},
        {"WARNING: [youtube] x: Signature solving failed: Some formats may be missing.\n", RUNTIME_FAILED},
        {"WARNING: [youtube] Falling back to generic n function search\nERROR: [youtube] x: Video unavailable\n",
         RUNTIME_FINE},
        {"", RUNTIME_FINE},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.trouble, FindRuntimeTrouble(c.errors, strlen(c.errors))) << c.errors;
}
