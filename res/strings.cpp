// Menus, the string table, the texts used by name and the files of the
// bitmaps and icons.
#include "res/strings.h"

#include <cstdlib>

#include "res/layout.h"

#include "res/resource.h"

namespace {

// The main window's menu: one pop-up, four items, no separators.
const MenuTemplateItem menuItems[] = {
    {IDR_MAIN, 0, "メニュー(&M)", 0},      {IDR_MAIN, 1, "バージョン情報(&A)", IDM_ABOUT},
    {IDR_MAIN, 1, "説明書(&H)", IDM_HELP}, {IDR_MAIN, 1, "ボリュームコントロールを開く(&V)", IDM_VOLUME},
    {IDR_MAIN, 1, "終了(&X)", IDM_EXIT},
};

// The address of the installed help page; the build sets it from the
// install folder.
#ifndef TONALIX_HELP_PAGE_URL
#define TONALIX_HELP_PAGE_URL "file:///usr/local/share/tonalix/index.html"
#endif

struct StringEntry {
    int id;
    const char *text; // UTF-8
};

const StringEntry stringTable[] = {
    {IDS_VERSION, "version 0.5.6"},
    {IDS_RIGHTS, "(C) Tonalix developers, GPLv3+"}, // fits the 129 units of control 1005
    {IDS_APP_NAME, "Tonalix"},
    {IDS_HOME_PAGE, TONALIX_HELP_PAGE_URL}, // the help page as installed
    {IDS_LINK_CAPTION, "Tonalix 説明書（ヘルプページ）"},
};

struct ImageEntry {
    ImageKind kind;
    int id;
    const char *file; // in the resource folder
};

// A bitmap drawn for a larger screen is a resource of its own, numbered
// after its scale (imageScales); an icon file holds every size itself.
// clang-format off
const ImageEntry imageFiles[] = {
    {ImageBitmap, IDB_EXIT, "bmp109.bmp"},               {ImageBitmap, IDB_STOP, "bmp142.bmp"},
    {ImageBitmap, IDB_PLAY, "bmp143.bmp"},               {ImageBitmap, IDB_CHOOSE_FILE, "bmp145.bmp"},
    {ImageBitmap, 1000 + IDB_EXIT, "bmp109-125.bmp"},    {ImageBitmap, 1000 + IDB_STOP, "bmp142-125.bmp"},
    {ImageBitmap, 1000 + IDB_PLAY, "bmp143-125.bmp"},    {ImageBitmap, 1000 + IDB_CHOOSE_FILE, "bmp145-125.bmp"},
    {ImageBitmap, 2000 + IDB_EXIT, "bmp109-150.bmp"},    {ImageBitmap, 2000 + IDB_STOP, "bmp142-150.bmp"},
    {ImageBitmap, 2000 + IDB_PLAY, "bmp143-150.bmp"},    {ImageBitmap, 2000 + IDB_CHOOSE_FILE, "bmp145-150.bmp"},
    {ImageBitmap, 3000 + IDB_EXIT, "bmp109-200.bmp"},    {ImageBitmap, 3000 + IDB_STOP, "bmp142-200.bmp"},
    {ImageBitmap, 3000 + IDB_PLAY, "bmp143-200.bmp"},    {ImageBitmap, 3000 + IDB_CHOOSE_FILE, "bmp145-200.bmp"},
    {ImageIcon, IDI_APP, "ico104.ico"},    {ImageIcon, IDI_OFFSET, "ico118.ico"},
    {ImageIcon, IDI_SQUARE, "ico119.ico"}, {ImageIcon, IDI_TRIANGLE, "ico120.ico"},
    {ImageIcon, IDI_SINE, "ico122.ico"},   {ImageIcon, IDI_SAWTOOTH, "ico124.ico"},
};
// clang-format on

} // namespace

// The texts used by name (res/strings.h).

// The main window (app/mainDialog.cpp).
const char noDeviceText[] = "No waveform-audio devices.";

// The data-file option (app/dataFile.cpp).
const char dataCountMissingText[] = "\nデ ー タ 数 を 入 力 し て く だ さ い 。\n\n";
const char dataCountInvalidText[] = "\nデ ー タ 数 が 正 し く あ り ま せ ん 。\n\n";
const char dataCountTooSmallText[] = "\nデ ー タ 数 が 少 な す ぎ ま す 。\n\n";
const char dataCountTooLargeText[] = "\nデ ー タ 数 が 多 す ぎ ま す 。\n\n";
const char dataPathMissingText[] = "\nファイル名を入力してください 。\n\n";
const char dataFileMissingText[] = "\n波 形 値 フ ァ イ ル が 存 在 し ま せ ん 。\n\n"
                                   "フ ァ イ ル を 指 定 し な お し て く だ さ い。\n\n";
const char dataFileUnusableText[] = "\nフ ァ イ ル が 使 用 で き ま せ ん 。\n\n"
                                    "パ ス 、フ ァ イ ル 名 を 確 認 し て く だ さ い 。\n\n"
                                    "ま た フ ァ イ ル へ の 書 き 込 み 権 限 も 確 認 し て く だ さ い 。\n\n";
const char dataCountMismatchFormat[] = "\n指定したデータ数と\nファイル内に存在するデータ数が違います\n\n"
                                       "ファイル内のデータ数：%d";
const char dataBadLineFormat[] = "\n%d 個 目 の 波 形 デ ー タ が 不 正 で す 。\n\nデ ー タ ： %s";
const char dataNoMemoryText[] = "\nメ モ リ が 足 り ま せ ん 。\n\n"
                                "デ ー タ 数 を 減 ら し て く だ さ い 。\n\n";
const char dataWriteFailedText[] = "\nフ ァ イ ル へ の 書 き 込 み に 失 敗 し ま し た 。\n\n"
                                   "デ ィ ス ク の 空 き 容 量 を 確 認 し て か ら 、\n"
                                   "も う 一 度 停 止 ボ タ ン を 押 し て く だ さ い 。\n\n";
const char dataFileDialogTitle[] = "ファイルを指定する";
const char dataFileFilters[] = "CSVファイル (*.csv)\0*.csv\0"
                               "テキストファイル (*.txt)\0*.txt\0"
                               "全てのファイル (*.*)\0*.*\0";

// Playback (app/playback.cpp).
const char statusStoppedText[] = "現在停止中";
const char statusCountdownFormat[] = "再生まで %d秒";
const char statusPlayingFormat[] = "再生中  t = %0.1fSec （0.5Sec毎に更新）";
const char formulaEmptyText[] =
    "\n波 形 式 が 入 力 さ れ て い ま せ ん 。\n\n波 形 式 を 書 き 直 し て く だ さ い 。\n\n";
const char formulaInvalidText[] = "\n波 形 式 が 評 価 で き ま せ ん 。\n\n波 形 式 を 修 正 し て く だ さ い 。\n\n";
const char soundDeviceFailedText[] = "\nサ ウ ン ド デ バ イ ス を 開 け ま せ ん 。\n\n";
const char soundDeviceLostText[] =
    "\nサ ウ ン ド デ バ イ ス が 失 わ れ ま し た 。\n\n再 生 を 停 止 し ま し た 。\n\n";

// The waveform builder (ui/waveformBuilder.cpp).
const char builderBadComponentText[] = "選択した波形の大きさ・周波数を正しく指定してください。";
const char builderFrequencyTooHighText[] = "周波数が最大値を超えています。";
const char builderNothingSelectedText[] = "波形が選択されていません";
const char builderTotalTooLargeText[] = "大きさの合計が１００％を超えています";
const char builderFormulaTooLongText[] = "波形式が長すぎます（２５５文字まで）";

const MenuTemplateItem *findMenu(int menuId, int *count) {
    const int total = (int)(sizeof menuItems / sizeof menuItems[0]);
    int first = -1, n = 0;
    for (int i = 0; i < total; i++) {
        if (menuItems[i].menuId != menuId) continue;
        if (first < 0) first = i;
        n++;
    }
    if (count) *count = n;
    return first < 0 ? nullptr : &menuItems[first];
}

const char *resourceString(int id) {
    for (const StringEntry &entry : stringTable)
        if (entry.id == id) return entry.text;
    return nullptr;
}

const char *imageFileName(ImageKind kind, int id) {
    for (const ImageEntry &entry : imageFiles)
        if (entry.kind == kind && entry.id == id) return entry.file;
    return nullptr;
}

// clang-format off
const ImageScaleRow imageScales[imageScaleCount] = {
    {100, 0},
    {125, 1000},
    {150, 2000},
    {200, 3000},
};
// clang-format on

const ImageScaleRow &nearestImageScale(int dpi) {
    const ImageScaleRow *best = &imageScales[0];
    for (const ImageScaleRow &row : imageScales)
        if (std::abs(row.percent * 96 - dpi * 100) < std::abs(best->percent * 96 - dpi * 100)) best = &row;
    return *best;
}
