// tonalix-make-rc: writes the Windows resource script of the program from the
// resource tables in res/, so that the dialogs, the menu and the string table
// are written down once, there, and windres compiles them into the program
// with the bitmaps and icons.  It runs on the build machine:
//
//   tonalix-make-rc RES_FOLDER MANIFEST OUTPUT.rc
//
// The script is UTF-8 (windres reads it with code page 65001; a script in
// code page 932 breaks on second bytes of 0x5C) and every resource is marked
// Japanese.  The translation from the table's style bits to the Win32 style
// names lives here, row by row.
#include <cstdio>
#include <string>

#include "res/layout.h"

namespace {

// The window class and the base styles of each kind of control.
const struct {
    ControlKind kind;
    const char *windowClass;
    const char *baseStyle;
} kindRows[] = {
    {ControlPushButton, "Button", "BS_PUSHBUTTON"},
    {ControlCheckBox, "Button", "BS_AUTOCHECKBOX"},
    {ControlDropList, "ComboBox", "CBS_DROPDOWNLIST"},
    {ControlStaticText, "Static", "SS_LEFT"},
    {ControlEdit, "Edit", "ES_LEFT"},
    {ControlIcon, "Static", "SS_ICON"},
    {ControlGroupBox, "Button", "BS_GROUPBOX"},
    {ControlTrackbar, "msctls_trackbar32", "TBS_HORZ"},
};

// What each style bit of a row becomes, for the kinds it applies to.  A bit
// whose meaning the platform puts in the extended style says so.
const struct {
    uint32_t bit;
    int kind; // -1: every kind
    const char *name;
    int extended; // 1: an extended window style
} styleRows[] = {
    {StyleVisible, -1, "WS_VISIBLE", 0},
    {StyleTabStop, -1, "WS_TABSTOP", 0},
    {StyleGroup, -1, "WS_GROUP", 0},
    {StyleNotify, ControlStaticText, "SS_NOTIFY", 0},
    {StyleNotify, ControlCheckBox, "BS_NOTIFY", 0},
    {StyleNotify, ControlPushButton, "BS_NOTIFY", 0},
    {StyleRightAligned, -1, "WS_EX_RIGHT", 1},
    {StyleBorder, -1, "WS_BORDER", 0},
    {StyleAutoHScroll, ControlEdit, "ES_AUTOHSCROLL", 0},
    {StyleDigitsOnly, ControlEdit, "ES_NUMBER", 0},
    {StyleVScroll, -1, "WS_VSCROLL", 0},
    {StyleKeepScrollBar, ControlDropList, "CBS_DISABLENOSCROLL", 0},
    {StyleSort, ControlDropList, "CBS_SORT", 0},
    {StyleBitmap, ControlPushButton, "BS_BITMAP", 0},
    {StyleDefaultButton, ControlPushButton, "BS_DEFPUSHBUTTON", 0},
    {StyleCentred, ControlStaticText, "SS_CENTER", 0},
    {StyleVCentred, ControlStaticText, "SS_CENTERIMAGE", 0},
    {StyleVertical, ControlTrackbar, "TBS_VERT", 0},
    {StyleBothPointers, ControlTrackbar, "TBS_BOTH", 0},
    {StyleNoTicks, ControlTrackbar, "TBS_NOTICKS", 0},
};

// The window styles of each dialog style bit.
const struct {
    uint32_t bit;
    const char *name;
} dialogStyleRows[] = {
    {DialogCaption, "WS_CAPTION"},
    {DialogSystemMenu, "WS_SYSMENU"},
    {DialogMinimiseBox, "WS_MINIMIZEBOX"},
    {DialogCentred, "DS_CENTER"},
};

const int shiftJisCharset = 0x80; // the character set of the Japanese dialog fonts
const int highestId = 999;        // resource numbers are looked for up to this one

// Returns text as a resource-script string literal: quotes doubled,
// backslashes escaped, every other byte (UTF-8 included) as it is.
std::string quoted(const char *text) {
    std::string out = "\"";
    for (const char *p = text; *p; p++) {
        if (*p == '"')
            out += "\"\"";
        else if (*p == '\\')
            out += "\\\\";
        else if (*p == '\n')
            out += "\\n";
        else
            out += *p;
    }
    return out + "\"";
}

// Returns the styles of row joined by " | ": the base styles of its kind and
// those of its bits (extended ones when extended is 1).
std::string styleOf(const ControlTemplate &row, int extended) {
    std::string out = extended ? "" : "WS_CHILD";
    if (!extended)
        for (const auto &k : kindRows)
            if (k.kind == row.kind) out += std::string(" | ") + k.baseStyle;
    for (const auto &s : styleRows) {
        if (!(row.style & s.bit) || s.extended != extended) continue;
        if (s.kind != -1 && s.kind != row.kind) continue;
        out += (out.empty() ? "" : " | ") + std::string(s.name);
    }
    // The script's CONTROL statement makes a control visible unless told
    // otherwise.
    if (!extended && !(row.style & StyleVisible)) out += " | NOT WS_VISIBLE";
    return out.empty() ? "0" : out;
}

// Writes one dialog template as a DIALOGEX statement.
void writeDialog(FILE *out, const DialogTemplate &dialog) {
    std::string style = "DS_SETFONT | DS_MODALFRAME | WS_POPUP";
    for (const auto &s : dialogStyleRows)
        if (dialog.style & s.bit) style += std::string(" | ") + s.name;
    fprintf(out, "%d DIALOGEX 0, 0, %d, %d\nSTYLE %s\nCAPTION %s\n", dialog.id, dialog.width, dialog.height,
            style.c_str(), quoted(dialog.caption).c_str());
    if (dialog.menuId) fprintf(out, "MENU %d\n", dialog.menuId);
    fprintf(out, "FONT %d, %s, 400, 0, 0x%X\nBEGIN\n", dialog.fontPoints, quoted(dialog.fontName).c_str(),
            shiftJisCharset);
    for (int i = 0; i < dialog.controlCount; i++) {
        const ControlTemplate &row = dialog.controls[i];
        const char *windowClass = "Static";
        for (const auto &k : kindRows)
            if (k.kind == row.kind) windowClass = k.windowClass;
        // an icon control names its icon resource where others have a text
        const std::string text = row.kind == ControlIcon ? std::to_string(row.image) : quoted(row.text);
        fprintf(out, "    CONTROL %s, %d, %s, %s, %d, %d, %d, %d, %s\n", text.c_str(), row.id,
                quoted(windowClass).c_str(), styleOf(row, 0).c_str(), row.x, row.y, row.width, row.height,
                styleOf(row, 1).c_str());
    }
    fprintf(out, "END\n\n");
}

// Writes menu menuId as a MENU statement.
void writeMenu(FILE *out, int menuId) {
    int count = 0;
    const MenuTemplateItem *items = findMenu(menuId, &count);
    if (!items) return;
    fprintf(out, "%d MENU\nBEGIN\n", menuId);
    int open = 0;
    for (int i = 0; i < count; i++) {
        if (items[i].level == 0) {
            if (open) fprintf(out, "    END\n");
            fprintf(out, "    POPUP %s\n    BEGIN\n", quoted(items[i].text).c_str());
            open = 1;
        } else {
            fprintf(out, "        MENUITEM %s, %d\n", quoted(items[i].text).c_str(), items[i].command);
        }
    }
    if (open) fprintf(out, "    END\n");
    fprintf(out, "END\n\n");
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: tonalix-make-rc RES_FOLDER MANIFEST OUTPUT.rc\n");
        return 2;
    }
    const std::string folder = argv[1];
    FILE *out = fopen(argv[3], "wb");
    if (!out) {
        perror(argv[3]);
        return 1;
    }
    fprintf(out, "// Made by tonalix-make-rc from the tables in res/; do not edit.\n"
                 "#pragma code_page(65001)\n#include <windows.h>\n#include <commctrl.h>\n\n"
                 "LANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT\n\n");
    // The icon with the lowest number comes first: it is the program's icon
    // in the file manager.
    // Each bitmap comes once for every scale it is drawn at.
    for (int kind = ImageBitmap; kind <= ImageIcon; kind++)
        for (const ImageScaleRow &scale : imageScales)
            for (int id = scale.idOffset + 1; id <= scale.idOffset + highestId; id++)
                if (const char *file = imageFileName((ImageKind)kind, id))
                    fprintf(out, "%d %s %s\n", id, kind == ImageIcon ? "ICON" : "BITMAP",
                            quoted((folder + "/" + file).c_str()).c_str());
    fprintf(out, "\n");
    for (int id = 1; id <= highestId; id++)
        if (const DialogTemplate *dialog = findDialogTemplate(id)) {
            if (dialog->menuId) writeMenu(out, dialog->menuId);
            writeDialog(out, *dialog);
        }
    fprintf(out, "STRINGTABLE\nBEGIN\n");
    for (int id = 1; id <= highestId; id++)
        if (const char *text = resourceString(id)) fprintf(out, "    %d, %s\n", id, quoted(text).c_str());
    fprintf(out, "END\n\n");
    fprintf(out, "CREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST %s\n", quoted(argv[2]).c_str());
    return fclose(out) == 0 ? 0 : 1;
}
