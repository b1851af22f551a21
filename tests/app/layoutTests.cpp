// The resource tables: the main window's rows, its menu, strings and images.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "res/layout.h"
#include "res/resource.h"

namespace {

const DialogTemplate *mainDialog() { return findDialogTemplate(IDD_MAIN); }

TEST(MainLayout, HasItsWindowAndFortyFourControls) {
    const DialogTemplate *dialog = mainDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->controlCount, 44);
    EXPECT_EQ(dialog->width, 327);
    EXPECT_EQ(dialog->height, 143);
    EXPECT_EQ(dialog->menuId, IDR_MAIN);
    EXPECT_STREQ(dialog->fontName, "MS UI Gothic");
    EXPECT_EQ(dialog->fontPoints, 9);
    EXPECT_STREQ(dialog->caption, "");
    EXPECT_EQ(dialog->style, (uint32_t)(DialogCaption | DialogSystemMenu | DialogMinimiseBox | DialogCentred));
    EXPECT_EQ(findDialogTemplate(4711), nullptr);
}

TEST(MainLayout, IdentifiedControlsAreUnique) {
    const DialogTemplate *dialog = mainDialog();
    std::set<int> seen;
    int anonymous = 0;
    for (int i = 0; i < dialog->controlCount; i++) {
        int id = dialog->controls[i].id;
        if (id == IDC_STATIC) {
            anonymous++;
            continue;
        }
        EXPECT_TRUE(seen.insert(id).second) << "control " << id << " appears twice";
    }
    EXPECT_EQ(anonymous, 2); // the two group boxes without an identifier
}

// The hidden controls, and nothing else, lack the visible style; all of them
// lie in the top strip under the formula box.
TEST(MainLayout, HiddenControlsAreExactlyTheParkedOnes) {
    const std::set<int> hidden = {IDC_TRIANGLE_CHECK, IDC_TRIANGLE_AMPLITUDE, IDC_TRIANGLE_FREQUENCY,
                                  IDC_TRIANGLE_PHASE, IDC_TRIANGLE_ICON,      IDC_DATA_OPTION,
                                  IDC_DATA_DIRECTION, IDC_DATA_COUNT_LABEL,   IDC_DATA_COUNT,
                                  IDC_DATA_PATH,      IDC_CHOOSE_FILE};
    const DialogTemplate *dialog = mainDialog();
    int hiddenGroups = 0;
    for (int i = 0; i < dialog->controlCount; i++) {
        const ControlTemplate &row = dialog->controls[i];
        bool shown = (row.style & StyleVisible) != 0;
        if (row.id == IDC_STATIC) {
            if (!shown) hiddenGroups++;
            continue;
        }
        EXPECT_EQ(shown, hidden.count(row.id) == 0) << "control " << row.id;
        if (!shown) {
            EXPECT_LT(row.y, 25) << "control " << row.id << " is not parked in the top strip";
        }
    }
    EXPECT_EQ(hiddenGroups, 1);
}

TEST(MainLayout, VisibleControlsLieInsideTheWindow) {
    const DialogTemplate *dialog = mainDialog();
    for (int i = 0; i < dialog->controlCount; i++) {
        const ControlTemplate &row = dialog->controls[i];
        if (!(row.style & StyleVisible)) continue;
        // a drop-down list's height is its dropped height; its box is one line
        int height = row.kind == ControlDropList ? 13 : row.height;
        EXPECT_GE(row.x, 0);
        EXPECT_GE(row.y, 0);
        EXPECT_LE(row.x + row.width, dialog->width) << "control " << row.id;
        EXPECT_LE(row.y + height, dialog->height) << "control " << row.id;
    }
}

// All but static texts, icons and group boxes are tab stops; static texts
// with a text start a group.
TEST(MainLayout, TabStopsAndGroupsFollowTheKinds) {
    const DialogTemplate *dialog = mainDialog();
    for (int i = 0; i < dialog->controlCount; i++) {
        const ControlTemplate &row = dialog->controls[i];
        bool passive = row.kind == ControlStaticText || row.kind == ControlIcon || row.kind == ControlGroupBox;
        EXPECT_EQ((row.style & StyleTabStop) != 0, !passive) << "control " << row.id;
        if (row.kind == ControlStaticText && row.text[0]) {
            EXPECT_TRUE(row.style & StyleGroup) << row.id;
        }
    }
}

struct RowCase {
    int id;
    ControlKind kind;
    uint32_t mustHave;
    uint32_t mustLack;
    int x, y, width, height;
};

const RowCase rowCases[] = {
    {IDC_EXIT, ControlPushButton, StyleBitmap, 0, 275, 93, 45, 37},
    {IDC_PLAY, ControlPushButton, StyleBitmap, 0, 275, 40, 45, 37},
    {IDC_CHOOSE_FILE, ControlPushButton, StyleBitmap, StyleVisible, 0, 9, 57, 15},
    {IDC_APPLY, ControlPushButton, 0, StyleBitmap, 65, 26, 39, 14},
    {IDC_SINE_CHECK, ControlCheckBox, StyleNotify, 0, 60, 59, 51, 10},
    {IDC_SQUARE_CHECK, ControlCheckBox, 0, StyleNotify, 60, 79, 48, 10},
    {IDC_SINE_FREQUENCY, ControlEdit, StyleDigitsOnly | StyleRightAligned | StyleBorder, 0, 178, 59, 30, 13},
    {IDC_TRIANGLE_FREQUENCY, ControlEdit, StyleRightAligned, StyleDigitsOnly, 153, 0, 33, 13},
    {IDC_FORMULA, ControlEdit, StyleAutoHScroll | StyleBorder, StyleDigitsOnly | StyleRightAligned, 7, 8, 313, 12},
    {IDC_DATA_COUNT, ControlEdit, StyleBorder, StyleDigitsOnly, 203, 0, 35, 13},
    {IDC_VOLUME_LIST, ControlDropList, StyleRightAligned | StyleKeepScrollBar | StyleVScroll, StyleSort, 20, 111, 25,
     81},
    {IDC_SAWTOOTH_PHASE, ControlDropList, StyleRightAligned | StyleKeepScrollBar, 0, 220, 97, 32, 81},
    {IDC_DATA_DIRECTION, ControlDropList, StyleSort | StyleVScroll, StyleKeepScrollBar | StyleRightAligned, 89, 0, 56,
     43},
    {IDC_STATUS, ControlStaticText, StyleRightAligned, 0, 134, 22, 185, 10},
    {IDC_HEAD_WAVE, ControlStaticText, 0, StyleRightAligned, 73, 46, 26, 8},
    {IDC_VOLUME_TRACKBAR, ControlTrackbar, StyleVertical | StyleBothPointers | StyleNoTicks, 0, 26, 56, 14, 54},
    {IDC_VOLUME_GROUP, ControlGroupBox, 0, 0, 14, 45, 38, 84},
    {IDC_SINE_ICON, ControlIcon, 0, 0, 112, 60, 20, 20},
    {IDC_TRIANGLE_ICON, ControlIcon, 0, StyleVisible, 85, 2, 20, 20},
};

TEST(MainLayout, RowsCarryTheirKindStyleAndPlace) {
    for (const RowCase &c : rowCases) {
        const ControlTemplate *row = findControlTemplate(mainDialog(), c.id);
        ASSERT_NE(row, nullptr) << c.id;
        EXPECT_EQ(row->kind, c.kind) << c.id;
        EXPECT_EQ(row->style & c.mustHave, c.mustHave) << c.id;
        EXPECT_EQ(row->style & c.mustLack, 0u) << c.id;
        EXPECT_EQ(row->x, c.x) << c.id;
        EXPECT_EQ(row->y, c.y) << c.id;
        EXPECT_EQ(row->width, c.width) << c.id;
        EXPECT_EQ(row->height, c.height) << c.id;
    }
}

// Texts with blanks of both widths, counted byte for byte.
TEST(MainLayout, TextsKeepTheirBlanks) {
    const DialogTemplate *dialog = mainDialog();
    const std::string settingsFrame = std::string(" 波 形 の 設 定") + std::string(21, ' ') + "\u3000";
    EXPECT_EQ(dialog->controls[36].text, settingsFrame);
    EXPECT_EQ(dialog->controls[23].text, std::string("\u3000\u3000\u3000"));
    EXPECT_EQ(findControlTemplate(dialog, IDC_DATA_OPTION)->text,
              std::string("波形データをファイルに") + std::string(13, ' '));
    EXPECT_EQ(findControlTemplate(dialog, IDC_DATA_COUNT_LABEL)->text,
              std::string("\u3000データ数") + std::string(19, ' '));
    EXPECT_STREQ(findControlTemplate(dialog, IDC_VOLUME_GROUP)->text, " VOL (%) ");
    EXPECT_STREQ(findControlTemplate(dialog, IDC_STATUS)->text, "現在停止中");
    EXPECT_STREQ(findControlTemplate(dialog, IDC_APPLY)->text, "反 映 ↑");
    EXPECT_STREQ(findControlTemplate(dialog, IDC_HEAD_PHASE)->text, "位相(%）");
}

TEST(MainLayout, IconControlsShowIconsThatHaveFiles) {
    const struct {
        int control, icon;
    } icons[] = {{IDC_SINE_ICON, IDI_SINE},
                 {IDC_SQUARE_ICON, IDI_SQUARE},
                 {IDC_SAWTOOTH_ICON, IDI_SAWTOOTH},
                 {IDC_TRIANGLE_ICON, IDI_TRIANGLE},
                 {IDC_OFFSET_ICON, IDI_OFFSET}};
    for (auto c : icons) {
        EXPECT_EQ(findControlTemplate(mainDialog(), c.control)->image, c.icon);
        EXPECT_NE(imageFileName(ImageIcon, c.icon), nullptr);
    }
}

TEST(Resources, ImageFilesAreNamedAfterTheirNumbers) {
    const struct {
        ImageKind kind;
        int id;
        const char *file;
    } cases[] = {
        // clang-format off
        {ImageBitmap, IDB_EXIT, "bmp109.bmp"},   {ImageBitmap, IDB_STOP, "bmp142.bmp"},
        {ImageBitmap, IDB_PLAY, "bmp143.bmp"},   {ImageBitmap, IDB_CHOOSE_FILE, "bmp145.bmp"},
        {ImageIcon, IDI_APP, "ico104.ico"},      {ImageIcon, IDI_SAWTOOTH, "ico124.ico"},
        // clang-format on
    };
    for (auto c : cases)
        EXPECT_STREQ(imageFileName(c.kind, c.id), c.file);
    EXPECT_EQ(imageFileName(ImageIcon, IDB_EXIT), nullptr); // a bitmap number is not an icon
    EXPECT_EQ(imageFileName(ImageBitmap, 999), nullptr);
}

TEST(Resources, MainMenuHasOnePopupAndFourItemsInOrder) {
    int count = 0;
    const MenuTemplateItem *menu = findMenu(IDR_MAIN, &count);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(count, 5);
    const struct {
        int level;
        const char *text;
        int command;
    } expected[] = {{0, "メニュー(&M)", 0},
                    {1, "バージョン情報(&A)", IDM_ABOUT},
                    {1, "説明書(&H)", IDM_HELP},
                    {1, "ボリュームコントロールを開く(&V)", IDM_VOLUME},
                    {1, "終了(&X)", IDM_EXIT}};
    for (int i = 0; i < count; i++) {
        EXPECT_EQ(menu[i].level, expected[i].level);
        EXPECT_STREQ(menu[i].text, expected[i].text);
        EXPECT_EQ(menu[i].command, expected[i].command);
    }
    EXPECT_EQ(findMenu(999, &count), nullptr);
    EXPECT_EQ(count, 0);
}

TEST(Resources, StringTableHoldsItsFiveEntries) {
    EXPECT_STREQ(resourceString(IDS_VERSION), "version 0.5.6");
    EXPECT_STREQ(resourceString(IDS_APP_NAME), "Tonalix");
    for (int id : {IDS_RIGHTS, IDS_HOME_PAGE, IDS_LINK_CAPTION}) {
        ASSERT_NE(resourceString(id), nullptr) << id;
        EXPECT_GT(strlen(resourceString(id)), 0u);
        EXPECT_LT(strlen(resourceString(id)), 256u);
    }
    EXPECT_EQ(resourceString(2), nullptr);
}

} // namespace
