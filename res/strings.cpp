// Menus, the string table and the files of the bitmaps and icons.
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
    {IDS_RIGHTS, "(C) The Tonalix developers"},
    {IDS_APP_NAME, "Tonalix"},
    {IDS_HOME_PAGE, TONALIX_HELP_PAGE_URL}, // the help page as installed
    {IDS_LINK_CAPTION, "Tonalix 説明書（ヘルプページ）"},
};

struct ImageEntry {
    ImageKind kind;
    int id;
    const char *file; // in the resource folder
};

const ImageEntry imageFiles[] = {
    {ImageBitmap, IDB_EXIT, "bmp109.bmp"}, {ImageBitmap, IDB_STOP, "bmp142.bmp"},
    {ImageBitmap, IDB_PLAY, "bmp143.bmp"}, {ImageBitmap, IDB_CHOOSE_FILE, "bmp145.bmp"},
    {ImageIcon, IDI_APP, "ico104.ico"},    {ImageIcon, IDI_OFFSET, "ico118.ico"},
    {ImageIcon, IDI_SQUARE, "ico119.ico"}, {ImageIcon, IDI_TRIANGLE, "ico120.ico"},
    {ImageIcon, IDI_SINE, "ico122.ico"},   {ImageIcon, IDI_SAWTOOTH, "ico124.ico"},
};

} // namespace

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
