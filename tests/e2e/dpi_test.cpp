// End-to-end tests at 144 DPI, run in a Wine prefix of that DPI (scripts/wine-dpi.sh): every
// control is its 96-DPI rectangle times 1.5, text stays inside its box, the pictures and the
// bar scale, and WM_DPICHANGED, which Wine never sends (one DPI per prefix), lays out anew.
#include "tests/e2e/downloadsteps.h"

namespace {

const int PREFIX_DPI = 144;
const char PAGE_FOR_DPI[] = "http://standin.test/watch?v=dpi&formats=22,18&size=100000&step=20000&delay=50";
const DWORD MAIN_STYLE = WS_CAPTION | WS_SYSMENU, MAIN_EX_STYLE = WS_EX_APPWINDOW;

// The main window's layout at 96 DPI (its outer size, then each control with its fixed text).
const int OUTER_WIDTH_96 = 480, OUTER_HEIGHT_96 = 280;
struct Place {
    int id;
    const char *what;
    int x, y, w, h;
    const char *caption;  // NULL where the text is not fixed
};
const Place PLACES_96[] = {
    {IDC_URL_LABEL, "address label", 5, 5, 100, 15, "YouTube URL:"},
    {IDC_DEST_LABEL, "destination label", 5, 30, 100, 15, "Destination File: "},
    {IDC_STATUS_LABEL, "status label", 5, 55, 100, 15, "Status: "},
    {IDC_STATUS, "status line", 90, 55, 300, 20, NULL},
    {IDC_FORMAT_INFO, "format panel", 320, 120, 150, 120, NULL},
    {IDC_URL_EDIT, "address box", 90, 5, 300, 20, NULL},
    {IDC_DEST_EDIT, "destination box", 90, 30, 300, 20, NULL},
    {IDC_PASTE, "Paste URL", 400, 5, 70, 25, "Paste URL"},
    {IDC_SAVE, "Save File", 400, 30, 70, 25, "Save File"},
    {IDC_START, "Start", 300, 80, 95, 25, "Stop Download"},  // the widest of its captions
    {IDC_PAUSE, "Pause", 400, 80, 70, 25, "Continue"},
    {IDC_ABOUT_TAB, "About tab", -2, 120, 20, 79, NULL},
    {IDC_MINIMIZE_TAB, "minimise tab", -2, 200, 20, 40, NULL},
    {IDC_PROGRESS_FRAME, "progress frame", 5, 80, 290, 25, NULL},
};
// A rectangle may be off by rounding, a pixel or two.
const int SLACK = 2;

int Scaled(int pixels, int dpi)
{
    return MulDiv(pixels, dpi, 96);
}

// What the window's outer size is at `dpi`: its 96-DPI client area scaled, in the frame of `dpi`.
SIZE OuterSize(int dpi)
{
    RECT frame96 = {0, 0, 0, 0}, frame = {0, 0, 0, 0};
    AdjustWindowRectExForDpi(&frame96, MAIN_STYLE, FALSE, MAIN_EX_STYLE, 96);
    AdjustWindowRectExForDpi(&frame, MAIN_STYLE, FALSE, MAIN_EX_STYLE, dpi);
    SIZE size = {Scaled(OUTER_WIDTH_96 - (frame96.right - frame96.left), dpi) + frame.right - frame.left,
                 Scaled(OUTER_HEIGHT_96 - (frame96.bottom - frame96.top), dpi) + frame.bottom - frame.top};
    return size;
}

::testing::AssertionResult Near(const RECT &shown, int x, int y, int w, int h)
{
    if (abs(shown.left - x) <= SLACK && abs(shown.top - y) <= SLACK && abs(shown.right - shown.left - w) <= SLACK &&
        abs(shown.bottom - shown.top - h) <= SLACK)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "at " << shown.left << "," << shown.top << " " << shown.right - shown.left
                                         << "x" << shown.bottom - shown.top << ", expected " << x << "," << y << " "
                                         << w << "x" << h;
}

class DpiTest : public DownloadTest {
protected:
    void SetUp() override
    {
        DownloadTest::SetUp();
        HDC screen = GetDC(NULL);
        int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(NULL, screen);
        ASSERT_EQ(PREFIX_DPI, dpi) << "run in a prefix of 144 DPI: scripts/wine-dpi.sh 144";
    }

    void ExpectLayout(int dpi, const std::string &when)
    {
        for (const Place &place : PLACES_96) {
            RECT shown;
            ASSERT_TRUE(GetControlRect(&run, place.id, &shown)) << DriverError();
            EXPECT_TRUE(Near(shown, Scaled(place.x, dpi), Scaled(place.y, dpi), Scaled(place.w, dpi), Scaled(place.h, dpi)))
                << when << ": " << place.what;
        }
    }

    // The controls' font at `dpi`: the stock GUI font, made for the prefix's DPI, at that height.
    HFONT FontAt(int dpi)
    {
        LOGFONTA font;
        EXPECT_EQ((int)sizeof font, GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font));
        font.lfHeight = MulDiv(font.lfHeight, dpi, PREFIX_DPI);
        font.lfWidth = MulDiv(font.lfWidth, dpi, PREFIX_DPI);
        return CreateFontIndirectA(&font);
    }

    // Every fixed caption fits its control's client area in one line, and the panel's
    // description fits it as the control wraps it.
    void ExpectTextFits(int dpi, const std::string &when)
    {
        HDC context = CreateCompatibleDC(NULL);
        HFONT font = FontAt(dpi);
        HGDIOBJ old = SelectObject(context, font);
        for (const Place &place : PLACES_96) {
            RECT client;
            ASSERT_TRUE(GetClientRect(ControlOf(&run, place.id), &client));
            if (place.caption) {
                SIZE text;
                GetTextExtentPoint32A(context, place.caption, (int)strlen(place.caption), &text);
                EXPECT_LE(text.cx, client.right) << when << ": \"" << place.caption << "\" is cut off";
                EXPECT_LE(text.cy, client.bottom) << when << ": \"" << place.caption << "\" is cut off";
            }
        }
        std::string panel = Text(IDC_FORMAT_INFO);
        ASSERT_FALSE(panel.empty());
        RECT client, needed;
        ASSERT_TRUE(GetClientRect(ControlOf(&run, IDC_FORMAT_INFO), &client));
        needed = client;
        DrawTextA(context, panel.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
        EXPECT_LE(needed.bottom, client.bottom) << when << ": the panel's text is cut off: " << panel;
        SelectObject(context, old);
        DeleteObject(font);
        DeleteDC(context);
    }

    // WM_DPICHANGED as Windows sends it when the window moves to a screen of `dpi`: the
    // suggested rectangle lies in the sender's memory, so it is placed at the same address
    // in the program's too, whichever of the two Wine reads it from.
    void ChangeDpi(int dpi, const RECT &suggested)
    {
        void *local = NULL, *remote = NULL;
        std::vector<void *> taken;
        for (int tries = 0; tries < 64 && !local; ++tries) {
            remote = VirtualAllocEx(run.pi.hProcess, NULL, sizeof suggested, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN,
                                    PAGE_READWRITE);
            local = remote ? VirtualAlloc(remote, sizeof suggested, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE) : NULL;
            if (!local)
                taken.push_back(remote);
        }
        for (void *unused : taken)
            VirtualFreeEx(run.pi.hProcess, unused, 0, MEM_RELEASE);
        ASSERT_TRUE(local != NULL && remote == local) << "no address free in both processes";
        memcpy(local, &suggested, sizeof suggested);
        ASSERT_TRUE(WriteProcessMemory(run.pi.hProcess, remote, &suggested, sizeof suggested, NULL));
        DWORD_PTR result = 0;
        EXPECT_TRUE(SendMessageTimeoutA(run.window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), (LPARAM)remote,
                                        SMTO_ABORTIFHUNG, E2E_WAIT_MS, &result));
        VirtualFree(local, 0, MEM_RELEASE);
        VirtualFreeEx(run.pi.hProcess, remote, 0, MEM_RELEASE);
    }
};

TEST_F(DpiTest, EveryControlIsItsPlaceAt96TimesOneAndAHalf)
{
    Prepare(PAGE_FOR_DPI, "out", "clip.mp4");
    Start();
    RECT outer, client;
    ASSERT_TRUE(GetWindowRect(run.window, &outer) && GetClientRect(run.window, &client));
    SIZE expected = OuterSize(PREFIX_DPI);
    EXPECT_NEAR(expected.cx, outer.right - outer.left, SLACK);
    EXPECT_NEAR(expected.cy, outer.bottom - outer.top, SLACK);
    RECT frame96 = {0, 0, 0, 0};
    AdjustWindowRectExForDpi(&frame96, MAIN_STYLE, FALSE, MAIN_EX_STYLE, 96);
    EXPECT_NEAR(Scaled(OUTER_WIDTH_96 - (frame96.right - frame96.left), PREFIX_DPI), client.right, SLACK);
    EXPECT_NEAR(Scaled(OUTER_HEIGHT_96 - (frame96.bottom - frame96.top), PREFIX_DPI), client.bottom, SLACK);
    ExpectLayout(PREFIX_DPI, "at start");
    ExpectTextFits(PREFIX_DPI, "at start");

    // The bar: empty, then full at the end of a download, 290 by 25 pixels at 96 DPI.
    RECT fill;
    ASSERT_TRUE(GetControlRect(&run, IDC_PROGRESS_FILL, &fill)) << DriverError();
    EXPECT_TRUE(Near(fill, 0, 0, 0, Scaled(25, PREFIX_DPI))) << "the empty bar";
    ASSERT_TRUE(PostClick(&run, IDC_START)) << DriverError();
    ASSERT_TRUE(WaitControlText(&run, IDC_STATUS, DONE_STATUS)) << DriverError() << " " << StateReport();
    ASSERT_TRUE(GetControlRect(&run, IDC_PROGRESS_FILL, &fill)) << DriverError();
    EXPECT_TRUE(Near(fill, 0, 0, Scaled(290, PREFIX_DPI), Scaled(25, PREFIX_DPI))) << "the full bar";
}

TEST_F(DpiTest, AboutBoxPictureIsScaledWithItsText)
{
    Prepare(PAGE_FOR_DPI, "out", "clip.mp4");
    Start();
    ASSERT_TRUE(PostTabClick(&run, IDC_ABOUT_TAB, false)) << DriverError();
    HWND box = FindDialog(&run, "About Me");
    ASSERT_TRUE(box != NULL) << DriverError();
    HWND picture = GetDlgItem(box, IDC_ABOUT_PICTURE);
    RECT shown;
    ASSERT_TRUE(picture && GetWindowRect(picture, &shown));
    MapWindowPoints(HWND_DESKTOP, box, (POINT *)&shown, 2);
    // 128 by 128 at (260, 30) at 96 DPI.
    EXPECT_TRUE(Near(shown, Scaled(260, PREFIX_DPI), Scaled(30, PREFIX_DPI), Scaled(128, PREFIX_DPI), Scaled(128, PREFIX_DPI)));
    ASSERT_TRUE(PressDialogButton(box, IDOK)) << DriverError();
    ASSERT_TRUE(WaitDialogGone(box)) << DriverError();
}

// Moved to a screen of another DPI, the window takes the rectangle Windows suggests and lays
// itself out for that DPI, its text inside its boxes at 100%, 125%, 150% and 200%.
TEST_F(DpiTest, ADpiChangeTakesTheSuggestedRectangleAndScalesEverything)
{
    Prepare(PAGE_FOR_DPI, "out", "clip.mp4");
    Start();
    for (int dpi : {192, 120, 96, 144}) {
        SCOPED_TRACE("DPI " + std::to_string(dpi));
        RECT before;
        ASSERT_TRUE(GetWindowRect(run.window, &before));
        SIZE size = OuterSize(dpi);
        RECT suggested = {before.left + 10, before.top + 5, before.left + 10 + size.cx, before.top + 5 + size.cy};
        ChangeDpi(dpi, suggested);
        if (HasFatalFailure())
            return;
        RECT after;
        ASSERT_TRUE(GetWindowRect(run.window, &after));
        EXPECT_TRUE(Near(after, suggested.left, suggested.top, size.cx, size.cy)) << "the window's rectangle";
        ExpectLayout(dpi, "after the change");
        ExpectTextFits(dpi, "after the change");
    }
}

}  // namespace
