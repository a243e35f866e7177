// End-to-end tests of a link or text dropped on the window, with OLE's own drag and drop from
// the test process: loaded as Paste URL loads the clipboard's, with its bounds, checks and
// busy rules; files are refused, and the cursor says so.
#include <shlobj.h>

#include "tests/e2e/addresssteps.h"
#include "tests/e2e/downloadsteps.h"

namespace {

const char PAGE[] = "http://standin.test/watch?v=drop&formats=22,18&size=300000&step=15000&delay=100";

// UTF-16 text as a block's bytes, with its NUL or without.
std::string WideBytes(const std::wstring &text, bool nul = true)
{
    return std::string((const char *)text.c_str(), (text.size() + (nul ? 1 : 0)) * sizeof(wchar_t));
}

DragFormat Link(const std::wstring &address)
{
    return {"UniformResourceLocatorW", 0, WideBytes(address)};
}

DragFormat UnicodeText(const std::string &bytes)
{
    return {NULL, CF_UNICODETEXT, bytes};
}

// What the shell gives for files dragged from a folder.
DragFormat Files(const std::wstring &path)
{
    DROPFILES header = {sizeof(DROPFILES), {0, 0}, FALSE, TRUE};
    return {NULL, CF_HDROP, std::string((const char *)&header, sizeof header) + WideBytes(path) + WideBytes(L"")};
}

class DropTest : public DownloadTest {
protected:
    // Started as Idle: the first tick, which registers the drop target, has run.
    void StartIdle()
    {
        Prepare(PAGE, "out", "clip.mp4");
        Start();
    }

    // Drops on the information panel and gives the effect, checking the cursor showed it.
    DWORD Drop(const std::vector<DragFormat> &formats)
    {
        DWORD effect = 99, cursor = 99;
        EXPECT_TRUE(DropOnControl(&run, IDC_FORMAT_INFO, formats, &effect, &cursor)) << DriverError();
        EXPECT_EQ(effect, cursor) << "the cursor showed another effect than the drop's";
        return effect;
    }

    std::string PageOf(const char *id, const char *title)
    {
        return std::string("http://standin.test/watch?v=") + id + "&title=" + title + "&formats=18";
    }
};

// A browser's link drag: the link, its page's title as text, and a file descriptor.
TEST_F(DropTest, ADroppedLinkLoadsItsPage)
{
    StartIdle();
    const std::string address = PageOf("dropped", "Dropped");
    DragFormat descriptor = {"FileGroupDescriptorW", 0, std::string(592, '\0')};
    EXPECT_EQ((DWORD)DROPEFFECT_COPY, Drop({descriptor, UnicodeText(WideBytes(L"The page's title")), Link(Wide(address))}));
    EXPECT_TRUE(WaitControlText(&run, IDC_DEST_EDIT, (DirectoryOfDest() + "Dropped.mp4").c_str())) << DriverError();
    EXPECT_EQ(address, Text(IDC_URL_EDIT));
    std::vector<ArgList> runs = ToolRuns();
    ASSERT_EQ(2u, runs.size()) << "the probe's two runs";
    EXPECT_EQ(address, runs[0].back());
    EXPECT_EQ(address, runs[1].back());
}

// Dropped text is outside input as the clipboard's is: the same cleaning, bounds and checks.
TEST_F(DropTest, DroppedTextIsCheckedAsPastedText)
{
    StartIdle();
    const std::string noNul = PageOf("nonul", "No%20NUL");
    const struct {
        const char *what;
        std::string bytes;
        const char *refusal;      // the box's text, or NULL
        std::string destination;  // the file name proposed, when loaded
    } cases[] = {
        {"blanks around", WideBytes(L"  \r\n" + Wide(PageOf("texted", "Texted")) + L" \r\n"), NULL, "Texted.mp4"},
        {"an option", WideBytes(L"--exec calc"), OPTION_REFUSED, ""},
        {"too long", WideBytes(Wide("http://standin.test/watch?v=" + std::string(600, 'a'))),
         "This address is too long.", ""},
        {"no NUL in its block", WideBytes(Wide(noNul), false), NULL, "No NUL.mp4"},
    };
    for (const auto &dropped : cases) {
        SCOPED_TRACE(dropped.what);
        std::string before = Text(IDC_URL_EDIT);
        EXPECT_EQ((DWORD)DROPEFFECT_COPY, Drop({UnicodeText(dropped.bytes)}));
        if (dropped.refusal) {
            EXPECT_EQ(dropped.refusal, AnswerBox(&run, "Alert"));
            EXPECT_EQ(before, Text(IDC_URL_EDIT));
        } else {
            EXPECT_TRUE(WaitControlText(&run, IDC_DEST_EDIT, (DirectoryOfDest() + dropped.destination).c_str()))
                << DriverError();
            EXPECT_TRUE(WaitUntil([&] { return IsIdle(); })) << StateReport();
        }
    }
    EXPECT_EQ(noNul, Text(IDC_URL_EDIT)) << "read no further than its block";
    EXPECT_EQ(4u, ToolRuns().size()) << "two probes, none for the refused texts";
}

TEST_F(DropTest, DroppedFilesAreRefusedAndTheCursorSaysNo)
{
    StartIdle();
    EXPECT_EQ((DWORD)DROPEFFECT_NONE, Drop({Files(L"C:\\videos\\clip.mp4")}));
    EXPECT_EQ(PAGE, Text(IDC_URL_EDIT));
    EXPECT_EQ(0, CountDialogs(&run));
    EXPECT_FALSE(FileExists(argsPath)) << "the tool ran";
}

// As Paste URL is disabled then, nothing is taken while a download runs or waits paused.
TEST_F(DropTest, NothingIsTakenWhileADownloadRunsOrIsPaused)
{
    StartIdle();
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForBytes());
    const std::string address = PageOf("busy", "Busy");
    EXPECT_EQ((DWORD)DROPEFFECT_NONE, Drop({Link(Wide(address))})) << "downloading";
    ASSERT_TRUE(PostClick(&run, IDC_PAUSE)) << DriverError();
    ASSERT_TRUE(WaitUntil([&] { return IsPaused(); })) << StateReport();
    EXPECT_EQ((DWORD)DROPEFFECT_NONE, Drop({Link(Wide(address))})) << "paused";
    EXPECT_EQ(PAGE, Text(IDC_URL_EDIT));
    EXPECT_EQ(1u, ToolRuns().size()) << "only the download ran";
}

}  // namespace
