// The About box on the in-memory window: its texts, the link's colours,
// cursor and clicks, and how it closes.
#include <string>

#include "app/playback.h"
#include "res/layout.h"
#include "res/resource.h"
#include "tests/fakes/fakeSystem.h"
#include "tests/fakes/fakeWindow.h"
#include "tests/ui/commandWindowFixture.h"
#include "ui/aboutBox.h"

namespace {

const uint32_t blue = 0x00FF0000u;
const uint32_t purple = 0x00800080u;

class AboutBoxTest : public CommandWindowTest {
protected:
    Window openAbout() {
        Window about = fakeOpenDialog(IDD_ABOUT, window, aboutDialogProc);
        EXPECT_NE(about, nullptr);
        return about;
    }

    // Asks the box how to paint static control id; returns the context.
    DrawContextRecord colourQuery(Window about, int id, intptr_t *answer) {
        DrawContextRecord context = {};
        *answer = fakeSend(about, WM_CTLCOLORSTATIC, (WParam)&context, (LParam)controlOf(about, id));
        return context;
    }

    uint32_t linkColour(Window about) {
        intptr_t answer;
        DrawContextRecord context = colourQuery(about, IDC_ABOUT_LINK, &answer);
        EXPECT_EQ(answer, hollowBrushAnswer);
        EXPECT_EQ(context.colourSet, 1);
        EXPECT_EQ(context.transparent, 1);
        return context.textColour;
    }
};

// Template 103: the window and its six rows, in order.
TEST(AboutLayout, TemplateHasItsWindowAndRows) {
    const DialogTemplate *about = findDialogTemplate(IDD_ABOUT);
    ASSERT_NE(about, nullptr);
    EXPECT_STREQ(about->caption, " バ ー ジ ョ ン 情 報");
    EXPECT_STREQ(about->fontName, "ＭＳ ゴシック");
    EXPECT_EQ(about->fontPoints, 9);
    EXPECT_EQ(about->width, 196);
    EXPECT_EQ(about->height, 115);
    EXPECT_EQ(about->style, (uint32_t)(DialogCaption | DialogSystemMenu | DialogCentred));
    EXPECT_EQ(about->menuId, 0);
    const struct {
        int id;
        ControlKind kind;
        uint32_t alignment; // StyleCentred, StyleVCentred, StyleRightAligned bits it has
        uint32_t notify;    // StyleNotify or 0
        int image;
        int x, y, width, height;
    } rows[] = {
        {IDC_ABOUT_NAME, ControlStaticText, 0, 0, 0, 53, 17, 103, 8},
        {IDC_STATIC, ControlIcon, 0, 0, IDI_APP, 14, 30, 20, 20},
        {IDC_ABOUT_VERSION, ControlStaticText, 0, 0, 0, 89, 31, 90, 8},
        {IDC_ABOUT_RIGHTS, ControlStaticText, 0, 0, 0, 52, 51, 129, 8},
        {IDC_ABOUT_LINK, ControlStaticText, StyleCentred | StyleVCentred, StyleNotify, 0, 14, 71, 169, 8},
        {IDC_ABOUT_OK, ControlPushButton, 0, 0, 0, 74, 91, 50, 14},
    };
    ASSERT_EQ(about->controlCount, (int)(sizeof rows / sizeof rows[0]));
    for (int i = 0; i < about->controlCount; i++) {
        const ControlTemplate &row = about->controls[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(row.id, rows[i].id);
        EXPECT_EQ(row.kind, rows[i].kind);
        EXPECT_NE(row.style & StyleVisible, 0u);
        EXPECT_EQ(row.style & (StyleCentred | StyleVCentred | StyleRightAligned), rows[i].alignment);
        EXPECT_EQ(row.style & StyleNotify, rows[i].notify);
        EXPECT_EQ(row.image, rows[i].image);
        EXPECT_EQ(row.x, rows[i].x);
        EXPECT_EQ(row.y, rows[i].y);
        EXPECT_EQ(row.width, rows[i].width);
        EXPECT_EQ(row.height, rows[i].height);
    }
    const ControlTemplate *ok = findControlTemplate(about, IDC_ABOUT_OK);
    EXPECT_STREQ(ok->text, "OK");
    EXPECT_NE(ok->style & StyleDefaultButton, 0u);
}

TEST_F(AboutBoxTest, ShowsTheStringTableTexts) {
    const struct {
        int control;
        int entry;
    } texts[] = {
        {IDC_ABOUT_NAME, IDS_APP_NAME},
        {IDC_ABOUT_VERSION, IDS_VERSION},
        {IDC_ABOUT_RIGHTS, IDS_RIGHTS},
        {IDC_ABOUT_LINK, IDS_LINK_CAPTION},
    };
    Window about = openAbout();
    for (const auto &t : texts)
        EXPECT_EQ(fakeText(controlOf(about, t.control)), resourceString(t.entry)) << t.control;
    EXPECT_EQ(fakeText(controlOf(about, IDC_ABOUT_NAME)), "Tonalix");
    EXPECT_EQ(fakeText(controlOf(about, IDC_ABOUT_VERSION)), "version 0.5.6");
    EXPECT_EQ(fakeText(about), " バ ー ジ ョ ン 情 報");
    EXPECT_EQ(fakeDialogEnded(about), 0);
}

// Blue until clicked, purple at once after the click, and purple in every
// later opening of the run.
TEST_F(AboutBoxTest, LinkTurnsPurpleForTheRestOfTheRun) {
    Window about = openAbout();
    EXPECT_EQ(linkColour(about), blue);
    fakeCloseDialog(about);

    about = openAbout();
    EXPECT_EQ(linkColour(about), blue);
    int redraws = fakeRedrawCount(about, IDC_ABOUT_LINK);
    ASSERT_EQ(fakeClick(about, IDC_ABOUT_LINK), 1);
    EXPECT_EQ(fakeRedrawCount(about, IDC_ABOUT_LINK), redraws + 1);
    EXPECT_EQ(linkColour(about), purple);
    EXPECT_EQ(fakeDialogEnded(about), 0);
    fakeCloseDialog(about);

    about = openAbout();
    EXPECT_EQ(linkColour(about), purple);
}

// Other static controls are painted on the button face with their own colours.
TEST_F(AboutBoxTest, OtherStaticsKeepTheirColours) {
    Window about = openAbout();
    for (int id : {IDC_ABOUT_NAME, IDC_ABOUT_VERSION, IDC_ABOUT_RIGHTS}) {
        intptr_t answer;
        DrawContextRecord context = colourQuery(about, id, &answer);
        EXPECT_EQ(answer, buttonFaceBrushAnswer) << id;
        EXPECT_EQ(context.colourSet, 0) << id;
        EXPECT_EQ(context.transparent, 0) << id;
    }
}

// Every notification of the link opens entry 5, owned by the box.
TEST_F(AboutBoxTest, EachLinkNotificationOpensTheAddress) {
    Window about = openAbout();
    fakeSend(about, WM_COMMAND, commandParam(IDC_ABOUT_LINK, STN_CLICKED), (LParam)controlOf(about, IDC_ABOUT_LINK));
    fakeSend(about, WM_COMMAND, commandParam(IDC_ABOUT_LINK, STN_DBLCLK), (LParam)controlOf(about, IDC_ABOUT_LINK));
    const auto &requests = fakeShellRequests();
    ASSERT_EQ(requests.size(), 2u);
    for (const FakeShellRequest &request : requests) {
        EXPECT_EQ(request.owner, about);
        EXPECT_EQ(request.verb, "open");
        EXPECT_EQ(request.target, resourceString(IDS_HOME_PAGE));
        EXPECT_EQ(request.showState, SW_SHOWNORMAL);
    }
    EXPECT_EQ(fakeDialogEnded(about), 0);
    EXPECT_TRUE(fakeMessageBoxes().empty());
}

// Entry 5 is the installed help page, as a file address; on Windows the page
// beside the program.
TEST_F(AboutBoxTest, LinkNamesTheInstalledHelpPage) {
    std::string address = resourceString(IDS_HOME_PAGE);
#ifdef _WIN32
    EXPECT_EQ(address, "index.html");
    return;
#endif
    ASSERT_EQ(address.rfind("file:///", 0), 0u) << address;
    EXPECT_EQ(address.substr(address.size() - 11), "/index.html") << address;
    EXPECT_LT(address.size(), 256u);
}

TEST_F(AboutBoxTest, PointingHandOnlyOverTheLink) {
    const struct {
        int handAvailable;
        int control;
        intptr_t answer; // 1: the box chose the cursor
        Cursor cursor;   // what it chose
    } cases[] = {
        {1, IDC_ABOUT_LINK, 1, fakeHandCursor()},
        {0, IDC_ABOUT_LINK, 1, fakeArrowCursor()}, // no hand on this desktop
        {1, IDC_ABOUT_RIGHTS, 0, nullptr},
        {1, IDC_ABOUT_OK, 0, nullptr},
    };
    for (const auto &c : cases) {
        closeWindow();
        openWindow();
        fakeSetHandCursorAvailable(c.handAvailable);
        Window about = openAbout();
        EXPECT_EQ(fakeSend(about, WM_SETCURSOR, (WParam)controlOf(about, c.control), 0), c.answer) << c.control;
        EXPECT_EQ(fakeCurrentCursor(), c.cursor) << c.control;
        if (c.answer) {
            EXPECT_EQ(fakeStoredDialogResult(about), 1);
        }
    }
    Window about = fakeLastDialog();
    EXPECT_EQ(fakeSend(about, WM_SETCURSOR, (WParam)about, 0), 0); // the box itself
}

// OK, Esc and the close box (which the desktop turns into the Cancel
// command) all close the box.
TEST_F(AboutBoxTest, OkEscAndCloseBoxClose) {
    for (int command : {IDOK, IDCANCEL}) {
        Window about = openAbout();
        fakeSend(about, WM_COMMAND, commandParam(command, BN_CLICKED), 0);
        EXPECT_EQ(fakeDialogEnded(about), 1) << command;
        fakeCloseDialog(about);
    }
    Window about = openAbout();
    ASSERT_EQ(fakeClick(about, IDC_ABOUT_OK), 1);
    EXPECT_EQ(fakeDialogEnded(about), 1);
}

// The menu command runs the box modally; playback and the status line go on
// behind it.
TEST_F(AboutBoxTest, PlaybackGoesOnBehindTheBox) {
    ASSERT_EQ(fakeClick(window, IDC_PLAY), 1);
    ASSERT_EQ(playbackState.playing, 1);
    std::string statusInside;
    int scriptRan = 0;
    fakeSetDialogScript(IDD_ABOUT, [&](Window about) {
        scriptRan = 1;
        EXPECT_EQ(fakeText(controlOf(about, IDC_ABOUT_NAME)), "Tonalix");
        fakeFireTimer(window, IDT_PLAYBACK);
        statusInside = controlText(IDC_STATUS);
        fakeClick(about, IDC_ABOUT_OK);
    });
    fakeSend(window, WM_COMMAND, commandParam(IDM_ABOUT, 0), 0);
    EXPECT_EQ(scriptRan, 1);
    EXPECT_EQ(statusInside, "再生まで 3秒");
    EXPECT_EQ(playbackState.playing, 1);
}

} // namespace
