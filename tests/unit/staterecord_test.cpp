// The state record file: layout, round trip, damaged files and safe saving.
#include "control/staterecord.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <direct.h>
#endif

#include <string>

#include "tests/unit/test_files.h"

static uint32_t LittleEndianAt(const std::string &bytes, size_t offset)
{
    const unsigned char *p = (const unsigned char *)bytes.data() + offset;
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24);
}

static StateRecord SampleRecord()
{
    StateRecord record;
    memset(&record, 0, sizeof record);
    snprintf(record.address, sizeof record.address, "http://x/watch?v=abc");
    snprintf(record.destination, sizeof record.destination, "C:\\Videos\\clip.mp4");
    record.paused = 1;
    record.formats[0] = AvailableFormat{22, "mp4", 720, 1280};
    record.formats[1] = AvailableFormat{43, "webm", 360, 640};
    record.formatCount = 2;
    record.selectedFormat = 2;
    return record;
}

class StateRecordTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = ScratchPath(std::string("record-") +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        remove(path.c_str());
    }
    std::string path;
};

TEST_F(StateRecordTest, FileHoldsTheFieldsAtTheirOffsets)
{
    StateRecord record = SampleRecord();
    ASSERT_TRUE(WriteStateFile(path.c_str(), &record));
    std::string bytes = ReadBytes(path);
    ASSERT_EQ(1956u, bytes.size());
    EXPECT_EQ("http://x/watch?v=abc", std::string(bytes.c_str()));
    EXPECT_EQ("C:\\Videos\\clip.mp4", std::string(bytes.c_str() + 512));
    EXPECT_EQ(1u, LittleEndianAt(bytes, 1536));
    EXPECT_EQ(22u, LittleEndianAt(bytes, 1540));
    EXPECT_EQ("mp4", std::string(bytes.c_str() + 1544));
    EXPECT_EQ(720u, LittleEndianAt(bytes, 1549));
    EXPECT_EQ(1280u, LittleEndianAt(bytes, 1553));
    EXPECT_EQ(43u, LittleEndianAt(bytes, 1557));
    EXPECT_EQ("webm", std::string(bytes.c_str() + 1561));
    EXPECT_EQ(2u, LittleEndianAt(bytes, 1948));
    EXPECT_EQ(2u, LittleEndianAt(bytes, 1952));
}

TEST_F(StateRecordTest, RoundTripIsByteForByte)
{
    StateRecord record;
    unsigned char *raw = (unsigned char *)&record;
    for (size_t i = 0; i < sizeof record; i++)
        raw[i] = (unsigned char)(i * 31 + 7);
    // Keep the fields valid so nothing needs mending.
    record.address[511] = '\0';
    record.destination[1023] = '\0';
    for (AvailableFormat &format : record.formats)
        format.extension[4] = '\0';
    record.formatCount = 24;
    record.selectedFormat = 24;
    ASSERT_TRUE(WriteStateFile(path.c_str(), &record));
    std::string bytes = ReadBytes(path);
    ASSERT_EQ(sizeof record, bytes.size());
    EXPECT_EQ(0, memcmp(&record, bytes.data(), sizeof record));
    StateRecord loaded;
    ASSERT_TRUE(ReadStateFile(path.c_str(), &loaded));
    EXPECT_EQ(0, memcmp(&record, &loaded, sizeof record));
}

TEST_F(StateRecordTest, MissingOrShortFileIsNoRecord)
{
    StateRecord record = SampleRecord();
    EXPECT_FALSE(ReadStateFile(path.c_str(), &record));
    WriteBytes(path, std::string(1955, '\0'));
    EXPECT_FALSE(ReadStateFile(path.c_str(), &record));
    EXPECT_STREQ("http://x/watch?v=abc", record.address) << "a refused file changes nothing";
}

static StateRecord LoadDamaged(const std::string &path, void (*damage)(StateRecord *))
{
    StateRecord record = SampleRecord();
    damage(&record);
    WriteBytes(path, std::string((const char *)&record, sizeof record));
    StateRecord loaded;
    memset(&loaded, 0x77, sizeof loaded);
    EXPECT_TRUE(ReadStateFile(path.c_str(), &loaded));
    return loaded;
}

TEST_F(StateRecordTest, CountOutsideTheListFallsBackToDefaults)
{
    for (int32_t badCount : {-1, 25, 0x7fffffff}) {
        static int32_t current;
        current = badCount;
        StateRecord loaded = LoadDamaged(path, [](StateRecord *r) { r->formatCount = current; });
        EXPECT_EQ(DEFAULT_FORMAT_COUNT, (int)(loaded.formatCount)) << badCount;
        EXPECT_EQ(1, (int)(loaded.selectedFormat));
        EXPECT_EQ(37, (int)(loaded.formats[0].code));
        EXPECT_STREQ("http://x/watch?v=abc", loaded.address) << "valid texts are kept";
    }
}

TEST_F(StateRecordTest, SelectionOutsideTheListBecomesTheFirst)
{
    for (int32_t badSelection : {0, 3, -5}) {
        static int32_t current;
        current = badSelection;
        StateRecord loaded =
            LoadDamaged(path, [](StateRecord *r) { r->selectedFormat = current; });
        EXPECT_EQ(2, (int)(loaded.formatCount));
        EXPECT_EQ(1, (int)(loaded.selectedFormat)) << badSelection;
        EXPECT_EQ(22, (int)(SelectedFormatOf(&loaded)->code));
    }
}

TEST_F(StateRecordTest, UnterminatedTextsAreTerminatedInsideTheirFields)
{
    StateRecord loaded = LoadDamaged(path, [](StateRecord *r) {
        memset(r->address, 'a', sizeof r->address);
        memset(r->destination, 'd', sizeof r->destination);
        memset(r->formats[0].extension, 'e', sizeof r->formats[0].extension);
    });
    EXPECT_EQ(511u, strlen(loaded.address));
    EXPECT_EQ(1023u, strlen(loaded.destination));
    EXPECT_STREQ("eeee", loaded.formats[0].extension);
}

TEST_F(StateRecordTest, EmptyListHasNoSelectedFormat)
{
    StateRecord loaded = LoadDamaged(path, [](StateRecord *r) { r->formatCount = 0; });
    EXPECT_EQ(0, (int)(loaded.formatCount));
    EXPECT_EQ(nullptr, SelectedFormatOf(&loaded));
}

TEST_F(StateRecordTest, FailedSaveKeepsThePreviousRecord)
{
    StateRecord first = SampleRecord();
    ASSERT_TRUE(WriteStateFile(path.c_str(), &first));
    // The new file cannot be created: a directory stands in its place.
    std::string blocker = path + ".new";
#ifdef _WIN32
    _mkdir(blocker.c_str());
#else
    mkdir(blocker.c_str(), 0755);
#endif
    StateRecord second = SampleRecord();
    snprintf(second.address, sizeof second.address, "http://x/other");
    EXPECT_FALSE(WriteStateFile(path.c_str(), &second));
    std::string bytes = ReadBytes(path);
    EXPECT_EQ(0, memcmp(&first, bytes.data(), sizeof first));
    rmdir(blocker.c_str());
    EXPECT_TRUE(WriteStateFile(path.c_str(), &second));
    EXPECT_EQ(0, memcmp(&second, ReadBytes(path).data(), sizeof second));
    EXPECT_FALSE(Exists(blocker));
}

TEST(SetDefaultFormats, GivesTheDefaultListAndSelection)
{
    StateRecord record = SampleRecord();
    SetDefaultFormats(&record);
    EXPECT_EQ(11, (int)(record.formatCount));
    EXPECT_EQ(1, (int)(record.selectedFormat));
    EXPECT_EQ(0, memcmp(defaultFormats, record.formats, sizeof defaultFormats));
    EXPECT_EQ(37, (int)(SelectedFormatOf(&record)->code));
    EXPECT_STREQ("http://x/watch?v=abc", record.address);
}
