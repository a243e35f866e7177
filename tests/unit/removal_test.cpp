// Removing working files, including one that cannot be deleted.
#include "toolbridge/workfiles.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>

#include "tests/unit/test_files.h"

TEST(DeleteUntilGone, MissingFileReturnsAtOnce)
{
    std::string path = ScratchPath("never-there.tmp");
    DeleteUntilGone(path.c_str());
    EXPECT_FALSE(Exists(path));
}

TEST(DeleteUntilGone, RemovesAFile)
{
    std::string path = ScratchPath("doomed.tmp");
    WriteBytes(path, "data");
    ASSERT_TRUE(Exists(path));
    DeleteUntilGone(path.c_str());
    EXPECT_FALSE(Exists(path));
}

TEST(DeleteUntilGone, GivesUpOnAFileThatCannotBeDeleted)
{
#ifdef _WIN32
    // An open handle without delete sharing keeps the file undeletable but readable.
    std::string path = ScratchPath("held.tmp");
    WriteBytes(path, "held");
    FILE *holder = fopen(path.c_str(), "rb");
    ASSERT_NE(nullptr, holder);
    DeleteUntilGone(path.c_str(), 200);
    EXPECT_TRUE(Exists(path));
    fclose(holder);
    DeleteUntilGone(path.c_str());
    EXPECT_FALSE(Exists(path));
#else
    // A directory with an entry can be opened for reading but not removed.
    std::string path = ScratchPath("held-dir");
    std::string inside = path + "/entry";
    mkdir(path.c_str(), 0755);
    WriteBytes(inside, "x");
    DeleteUntilGone(path.c_str(), 200);
    EXPECT_TRUE(Exists(path));
    remove(inside.c_str());
    remove(path.c_str());
#endif
}
