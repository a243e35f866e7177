// End-to-end tests of titles in every script: from the paste to the saved file under its
// Unicode name, Pause and Continue on it, and records written before in a legacy code page.
#include "tests/e2e/addresssteps.h"

namespace {

// 日本語 🎵 café «uni1», percent-encoded for the stand-in's address.
const char MULTI_SCRIPT_TITLE[] =
    "%E6%97%A5%E6%9C%AC%E8%AA%9E%20%F0%9F%8E%B5%20caf%C3%A9%20%C2%ABuni1%C2%BB";
const wchar_t MULTI_SCRIPT_NAME[] = L"\u65e5\u672c\u8a9e \U0001f3b5 caf\u00e9 \u00abuni1\u00bb.mp4";

// A control's text as Unicode. GetWindowText would not ask another process's window.
std::wstring WideText(const AppRun *run, int id)
{
    wchar_t text[1024] = L"";
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(ControlOf(run, id), WM_GETTEXT, 1024, (LPARAM)text, SMTO_ABORTIFHUNG, 5000, &copied);
    return text;
}

std::string Utf8(const std::wstring &text)
{
    char bytes[2048] = "";
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes, sizeof bytes, NULL, NULL);
    return bytes;
}

// The size of the file with this Unicode name; -1 when there is none.
long long WideFileSize(const std::wstring &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return ((long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

bool HoldsStandinBytes(const std::wstring &path, const char *videoId, long long size)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string bytes((size_t)size + 1, '\0');
    DWORD got = 0;
    ReadFile(file, &bytes[0], (DWORD)bytes.size(), &got, NULL);
    CloseHandle(file);
    if ((long long)got != size)
        return false;
    for (DWORD i = 0; i < got; ++i)
        if ((unsigned char)bytes[i] != StandinByte(videoId, i))
            return false;
    return true;
}

TEST_F(AddressTest, TitleInEveryScriptIsKeptFromPasteToTheSavedFile)
{
    // The destination's folder is this test's own.
    ASSERT_NO_FATAL_FAILURE(WriteRecord(BuildRecord("http://standin.test/watch?v=old", Temp("old.mp4").c_str(), 0,
                                                    {{22, "mp4", 720, 1280}}, 1)));
    ASSERT_TRUE(Start()) << DriverError();
    std::wstring directory = WideText(&run, IDC_DEST_EDIT);
    directory.erase(directory.rfind(L'\\') + 1);
    std::string address = std::string("http://standin.test/watch?v=uni&style=yt-dlp&formats=22&size=300000"
                                      "&step=10000&delay=100&title=") + MULTI_SCRIPT_TITLE;
    ASSERT_TRUE(SetClipboardText(address.c_str())) << DriverError();
    ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
    const std::wstring destination = directory + MULTI_SCRIPT_NAME;
    EXPECT_TRUE(WaitUntil([&] { return WideText(&run, IDC_DEST_EDIT) == destination; }))
        << "proposed: " << Utf8(WideText(&run, IDC_DEST_EDIT)) << OpenBoxes();
    EXPECT_TRUE(WaitUntil([&] { return IsControlEnabled(&run, IDC_START); }));

    const std::wstring part = destination + L".part";
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return WideFileSize(part) > 0; })) << "no .part under the Unicode name" << OpenBoxes();
    ASSERT_TRUE(WaitUntil([&] { return IsControlEnabled(&run, IDC_PAUSE); }));
    ASSERT_TRUE(PostClick(&run, IDC_PAUSE)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return Text(IDC_START) == "Continue"; })) << OpenBoxes();
    long long kept = WideFileSize(part);
    EXPECT_GT(kept, 0);
    std::string record;
    ASSERT_TRUE(ReadTempFile(&run, RECORD_NAME, &record)) << DriverError();
    EXPECT_EQ(Utf8(destination), GetText(record, REC_DEST, REC_DEST_LEN)) << "the record holds UTF-8";

    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    EXPECT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError() << OpenBoxes();
    EXPECT_TRUE(HoldsStandinBytes(destination, "uni", 300000));
    EXPECT_EQ(-1, WideFileSize(part));
}

// The 2013 tool does not know --encoding: each run is asked once, runs again without it, and
// that tool is not asked again this session. What it prints is read in the legacy code page.
TEST_F(AddressTest, ToolWithoutEncodingIsAskedOnceAndStillProbes)
{
    ASSERT_TRUE(Start()) << DriverError();
    std::wstring directory = WideText(&run, IDC_DEST_EDIT);
    directory.erase(directory.rfind(L'\\') + 1);
    const struct {
        const char *address;
        const wchar_t *name;
    } pages[] = {{"http://standin.test/watch?v=one&title=Caf%C3%A9%201", L"Caf\u00e9 1.mp4"},
                 {"http://standin.test/watch?v=two&title=Caf%C3%A9%202", L"Caf\u00e9 2.mp4"}};
    for (const auto &page : pages) {
        ASSERT_TRUE(SetClipboardText(page.address)) << DriverError();
        ASSERT_TRUE(PostClick(&run, IDC_PASTE)) << DriverError();
        EXPECT_TRUE(WaitUntil([&] { return WideText(&run, IDC_DEST_EDIT) == directory + page.name; }))
            << Utf8(WideText(&run, IDC_DEST_EDIT)) << OpenBoxes();
        EXPECT_TRUE(WaitUntil([&] { return IsControlEnabled(&run, IDC_PASTE); }));
    }
    std::vector<ArgList> all = AllRuns();
    size_t asked = 0;
    for (const ArgList &args : all)
        asked += std::find(args.begin(), args.end(), "--encoding") != args.end();
    EXPECT_EQ(6u, all.size()) << "two runs refused, then four without the option";
    EXPECT_EQ(2u, asked) << "only the first page's runs ask for UTF-8";
    EXPECT_EQ(4u, Runs().size());
    EXPECT_EQ(0, CountDialogs(&run));
}

// A record written before the program ran in UTF-8 holds Windows-1252 text.
TEST_F(AddressTest, OlderRecordInTheLegacyCodePageIsRead)
{
    ASSERT_NO_FATAL_FAILURE(WriteRecord(BuildRecord("http://standin.test/watch?v=caf\xe9",
                                                    "C:\\Vid\xe9os\\caf\xe9.mp4", 0, {{22, "mp4", 720, 1280}}, 1)));
    ASSERT_TRUE(Start()) << DriverError();
    EXPECT_EQ(L"C:\\Vid\u00e9os\\caf\u00e9.mp4", WideText(&run, IDC_DEST_EDIT));
    EXPECT_EQ(L"http://standin.test/watch?v=caf\u00e9", WideText(&run, IDC_URL_EDIT));
}

}  // namespace
