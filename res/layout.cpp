// The dialog templates of the program and their control rows.
#include "res/layout.h"

#include "res/resource.h"

namespace {

// Style combinations that the rows share.
const uint32_t Shown = StyleVisible;
const uint32_t Button = StyleTabStop;                     // push button
const uint32_t BitmapButton = StyleTabStop | StyleBitmap; // push button showing a bitmap
const uint32_t Check = StyleTabStop;                      // automatic check box
const uint32_t Label = StyleGroup;                        // static text with a text
const uint32_t RightList = StyleTabStop | StyleVScroll | StyleKeepScrollBar | StyleRightAligned;
const uint32_t Edit = StyleTabStop | StyleBorder | StyleAutoHScroll;   // any text
const uint32_t DigitEdit = Edit | StyleDigitsOnly | StyleRightAligned; // digits only, right-aligned
const uint32_t Slider = StyleTabStop | StyleVertical | StyleBothPointers | StyleNoTicks;

// The main window, in template order, which is also the creation and tab
// order.  The hidden data-file and triangle controls are parked in the top
// strip, under the formula box.
const ControlTemplate mainDialogControls[] = {
    // clang-format off
    //  id                    kind               style                        text                                   image        x    y    w    h
    {IDC_EXIT,               ControlPushButton, Shown | BitmapButton,        "Exit",                                0,         275,  93,  45,  37},
    {IDC_SINE_CHECK,         ControlCheckBox,   Shown | Check | StyleNotify, "サイン波",                            0,          60,  59,  51,  10},
    {IDC_SINE_AMPLITUDE,     ControlDropList,   Shown | RightList,           "",                                    0,         137,  59,  32,  81},
    {IDC_HEAD_WAVE,          ControlStaticText, Shown | Label,               "波形",                                0,          73,  46,  26,   8},
    {IDC_HEAD_AMPLITUDE,     ControlStaticText, Shown | Label | StyleRightAligned, "大きさ(%)",                     0,         124,  46,  39,   8},
    {IDC_HEAD_FREQUENCY,     ControlStaticText, Shown | Label,               "周波数(Hz)",                          0,         177,  46,  41,   8},
    {IDC_SQUARE_CHECK,       ControlCheckBox,   Shown | Check,               "方形波",                              0,          60,  79,  48,  10},
    {IDC_SAWTOOTH_CHECK,     ControlCheckBox,   Shown | Check,               "ノコギリ",                            0,          60,  98,  46,  10},
    {IDC_TRIANGLE_CHECK,     ControlCheckBox,   Check,                       "三角波",                              0,          35,   0,  47,  10},
    {IDC_SINE_FREQUENCY,     ControlEdit,       Shown | DigitEdit,           "",                                    0,         178,  59,  30,  13},
    {IDC_SINE_ICON,          ControlIcon,       Shown,                       "",                                    IDI_SINE,  112,  60,  20,  20},
    {IDC_SQUARE_ICON,        ControlIcon,       Shown,                       "",                                    IDI_SQUARE, 112, 79,  20,  20},
    {IDC_SAWTOOTH_ICON,      ControlIcon,       Shown,                       "",                                    IDI_SAWTOOTH, 112, 99, 20, 20},
    {IDC_OFFSET_CHECK,       ControlCheckBox,   Shown | Check,               "オフセット",                          0,          60, 118,  48,  10},
    {IDC_SQUARE_AMPLITUDE,   ControlDropList,   Shown | RightList,           "",                                    0,         137,  79,  32,  81},
    {IDC_SAWTOOTH_AMPLITUDE, ControlDropList,   Shown | RightList,           "",                                    0,         137,  98,  32,  81},
    {IDC_TRIANGLE_AMPLITUDE, ControlDropList,   RightList,                   "",                                    0,         110,   0,  32,  81},
    {IDC_OFFSET_AMPLITUDE,   ControlDropList,   Shown | RightList,           "",                                    0,         137, 117,  32,  81},
    {IDC_VOLUME_GROUP,       ControlGroupBox,   Shown,                       " VOL (%) ",                           0,          14,  45,  38,  84},
    {IDC_SQUARE_FREQUENCY,   ControlEdit,       Shown | DigitEdit,           "",                                    0,         178,  79,  30,  13},
    {IDC_SAWTOOTH_FREQUENCY, ControlEdit,       Shown | DigitEdit,           "",                                    0,         178,  98,  30,  13},
    {IDC_TRIANGLE_FREQUENCY, ControlEdit,       Edit | StyleRightAligned,    "",                                    0,         153,   0,  33,  13},
    {IDC_DATA_PATH,          ControlEdit,       Edit,                        "",                                    0,          78,  13, 165,  12},
    // three ideographic spaces
    {IDC_STATIC,             ControlGroupBox,   0,                           "\u3000\u3000\u3000",                  0,           8,   1, 236,  23},
    {IDC_SINE_PHASE,         ControlDropList,   Shown | RightList,           "",                                    0,         220,  59,  32,  81},
    {IDC_SQUARE_PHASE,       ControlDropList,   Shown | RightList,           "",                                    0,         220,  79,  32,  81},
    {IDC_SAWTOOTH_PHASE,     ControlDropList,   Shown | RightList,           "",                                    0,         220,  97,  32,  81},
    {IDC_TRIANGLE_PHASE,     ControlDropList,   RightList,                   "",                                    0,         197,   0,  32,  81},
    {IDC_HEAD_PHASE,         ControlStaticText, Shown | Label,               "位相(%）",                            0,         225,  46,  34,   8},
    {IDC_FORMULA_LABEL,      ControlStaticText, Shown | Label | StyleRightAligned, "波形式",                        0,         268,   0,  51,   8},
    {IDC_PLAY,               ControlPushButton, Shown | BitmapButton,        "Play",                                0,         275,  40,  45,  37},
    {IDC_VOLUME_LIST,        ControlDropList,   Shown | RightList,           "",                                    0,          20, 111,  25,  81},
    {IDC_STATUS,             ControlStaticText, Shown | Label | StyleRightAligned, "現在停止中",                    0,         134,  22, 185,  10},
    {IDC_FORMULA,            ControlEdit,       Shown | Edit,                "",                                    0,           7,   8, 313,  12},
    {IDC_TRIANGLE_ICON,      ControlIcon,       0,                           "",                                    IDI_TRIANGLE, 85,  2,  20,  20},
    {IDC_OFFSET_ICON,        ControlIcon,       Shown,                       "",                                    IDI_OFFSET, 112, 116, 20,  20},
    // " 波 形 の 設 定", 21 blanks and one ideographic space
    {IDC_STATIC,             ControlGroupBox,   Shown,                       " 波 形 の 設 定                     \u3000", 0, 7, 29, 256, 108},
    {IDC_APPLY,              ControlPushButton, Shown | Button,              "反 映 ↑",                             0,          65,  26,  39,  14},
    {IDC_VOLUME_TRACKBAR,    ControlTrackbar,   Shown | Slider,              "Slider1",                             0,          26,  56,  14,  54},
    {IDC_CHOOSE_FILE,        ControlPushButton, BitmapButton,                "ファイル選択",                        0,           0,   9,  57,  15},
    // "波形データをファイルに" and 13 blanks
    {IDC_DATA_OPTION,        ControlCheckBox,   Check,                       "波形データをファイルに             ", 0,          13,   3, 137,  10},
    {IDC_DATA_DIRECTION,     ControlDropList,   StyleTabStop | StyleVScroll | StyleSort, "",                        0,          89,   0,  56,  43},
    // one ideographic space, "データ数" and 19 blanks
    {IDC_DATA_COUNT_LABEL,   ControlStaticText, Label,                       "\u3000データ数                   ",   0,         170,   2,  71,   8},
    {IDC_DATA_COUNT,         ControlEdit,       Edit,                        "",                                    0,         203,   0,  35,  13},
    // clang-format on
};

// The About box.  The texts of 1003 to 1006 are placeholders, replaced from
// the string table when the box opens; 1006 is the link.
const ControlTemplate aboutDialogControls[] = {
    // clang-format off
    //  id                 kind               style                                              text          image    x   y    w   h
    {IDC_ABOUT_NAME,     ControlStaticText, Shown | Label,                                     "Tonalix",    0,      53, 17, 103,  8},
    {IDC_STATIC,         ControlIcon,       Shown,                                             "",           IDI_APP, 14, 30,  20, 20},
    {IDC_ABOUT_VERSION,  ControlStaticText, Shown | Label,                                     "version",    0,      89, 31,  90,  8},
    {IDC_ABOUT_RIGHTS,   ControlStaticText, Shown | Label,                                     "Copyright",  0,      52, 51, 129,  8},
    {IDC_ABOUT_LINK,     ControlStaticText, Shown | Label | StyleNotify | StyleCentred | StyleVCentred, "Link", 0, 14, 71, 169,  8},
    {IDC_ABOUT_OK,       ControlPushButton, Shown | Button | StyleDefaultButton,               "OK",         0,      74, 91,  50, 14},
    // clang-format on
};

const DialogTemplate dialogTemplates[] = {
    {IDD_MAIN, DialogCaption | DialogSystemMenu | DialogMinimiseBox | DialogCentred, "", "MS UI Gothic", 9, 327, 143,
     IDR_MAIN, mainDialogControls, (int16_t)(sizeof mainDialogControls / sizeof mainDialogControls[0])},
    {IDD_ABOUT, DialogCaption | DialogSystemMenu | DialogCentred, " バ ー ジ ョ ン 情 報", "ＭＳ ゴシック", 9, 196, 115,
     0, aboutDialogControls, (int16_t)(sizeof aboutDialogControls / sizeof aboutDialogControls[0])},
};

} // namespace

const DialogTemplate *findDialogTemplate(int id) {
    for (const DialogTemplate &dialog : dialogTemplates)
        if (dialog.id == id) return &dialog;
    return nullptr;
}

const ControlTemplate *findControlTemplate(const DialogTemplate *dialog, int id) {
    if (!dialog) return nullptr;
    for (int i = 0; i < dialog->controlCount; i++)
        if (dialog->controls[i].id == id) return &dialog->controls[i];
    return nullptr;
}
