// End-to-end tests of titles in every script: from the paste to the saved file under its
// Unicode name, Pause and Continue on it, and records written before in a legacy code page.
#include "tests/e2e/addresssteps.h"

namespace {

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
    // The first page: the tool's --help beside two runs that are refused, then both without
    // what it lacks; at most five runs to the filled window.
    EXPECT_EQ(7u, all.size()) << "two runs refused, one help, then four without the option";
    EXPECT_EQ(1, std::count(all.begin(), all.end(), ArgList{"--help"}));
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
