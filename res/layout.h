// The resource tables: dialog templates with their controls, menus, the
// string table and the files that hold the bitmaps and icons.
//
// Every window backend builds its dialogs from these rows, so a control's
// identifier, kind, text, style and place are written down once, here.  A
// dialog template is a header row plus a run of control rows:
//
//   dialogTemplates[]                 mainDialogControls[]
//   +-----------------------------+   +----------------------------------+
//   | id 10, style, font, 327x143 |-->| row 1: 1006 push button "Exit"   |
//   | menu 101, 44 controls       |   | row 2: 1008 check box "サイン波" |
//   +-----------------------------+   | ...                              |
//   | id 103 ... (About box)      |   | row 44: 1049 edit (hidden)       |
//   +-----------------------------+   +----------------------------------+
//
// Rectangles are in dialog units; a backend turns them into pixels through
// the metrics of the dialog's font.
#pragma once

#include <cstdint>

// What a control is; each backend maps a kind to one widget class.
enum ControlKind : uint8_t {
    ControlPushButton = 0, // push button, with text or a bitmap
    ControlCheckBox = 1,   // automatic two-state check box
    ControlDropList = 2,   // drop-down list without typing
    ControlStaticText = 3, // one line of static text
    ControlEdit = 4,       // one-line edit box
    ControlIcon = 5,       // static picture of an icon resource
    ControlGroupBox = 6,   // frame with a caption
    ControlTrackbar = 7,   // slider
};

// Style bits of a control row.  They carry the meaning of the desktop
// platforms' window, button, edit, list, static and trackbar styles; each
// backend translates the bits it understands.
enum ControlStyle : uint32_t {
    StyleVisible = 1u << 0,        // shown with the dialog; without it the control is never shown
    StyleTabStop = 1u << 1,        // reached with the Tab key
    StyleGroup = 1u << 2,          // starts a group for the arrow keys
    StyleNotify = 1u << 3,         // sends every notification (static clicks, button focus)
    StyleRightAligned = 1u << 4,   // right-aligned extended style: text at the right edge
    StyleBorder = 1u << 5,         // thin frame
    StyleAutoHScroll = 1u << 6,    // an edit scrolls its text sideways
    StyleDigitsOnly = 1u << 7,     // an edit accepts only digits when typed
    StyleVScroll = 1u << 8,        // a drop-down list has a vertical scroll bar
    StyleKeepScrollBar = 1u << 9,  // the list's scroll bar stays, disabled, when not needed
    StyleSort = 1u << 10,          // the list sorts items added at its end
    StyleBitmap = 1u << 11,        // a push button shows a bitmap instead of its text
    StyleDefaultButton = 1u << 12, // the push button Enter presses
    StyleCentred = 1u << 13,       // static text centred across the control
    StyleVCentred = 1u << 14,      // static text centred from top to bottom
    StyleVertical = 1u << 15,      // a trackbar runs from top (minimum) to bottom
    StyleBothPointers = 1u << 16,  // a trackbar's thumb points both ways
    StyleNoTicks = 1u << 17,       // a trackbar has no tick marks
};

// Style bits of a dialog template.
enum DialogStyle : uint32_t {
    DialogCaption = 1u << 0,     // title bar
    DialogSystemMenu = 1u << 1,  // window menu and close box
    DialogMinimiseBox = 1u << 2, // minimise box
    DialogCentred = 1u << 3,     // centred on the screen when created
};

// One control of a dialog template.
struct ControlTemplate {
    int16_t id; // control identifier; -1 for none
    ControlKind kind;
    uint32_t style;              // ControlStyle bits
    const char *text;            // template text, UTF-8; "" for none
    int16_t image;               // icon resource of an icon control, else 0
    int16_t x, y, width, height; // dialog units; a list's height is its dropped height
};

// One dialog template: its window and its run of control rows.
struct DialogTemplate {
    int16_t id;                      // template number
    uint32_t style;                  // DialogStyle bits
    const char *caption;             // title in the template, UTF-8
    const char *fontName;            // the dialog font as the template names it
    int16_t fontPoints;              // its size in points
    int16_t width, height;           // client area in dialog units
    int16_t menuId;                  // menu resource, or 0
    const ControlTemplate *controls; // first row, in creation and tab order
    int16_t controlCount;
};

// Returns the template numbered id, or null.
const DialogTemplate *findDialogTemplate(int id);
// Returns the row of control id in dialog (the first one with that id), or null.
const ControlTemplate *findControlTemplate(const DialogTemplate *dialog, int id);

// One entry of a menu: a top-level pop-up (level 0) or an item inside the
// pop-up above it (level 1).
struct MenuTemplateItem {
    int16_t menuId;   // the menu resource it belongs to
    uint8_t level;    // 0: pop-up on the menu bar; 1: command item
    const char *text; // UTF-8, with & before the access key
    int32_t command;  // WM_COMMAND identifier of an item; 0 for a pop-up
};

// Returns the first entry of menu menuId and stores the number of its entries
// in count; null (count 0) when there is no such menu.
const MenuTemplateItem *findMenu(int menuId, int *count);

// Returns string-table entry id (UTF-8), or null when there is none.
const char *resourceString(int id);

// Which kind of image resource a file holds.
enum ImageKind : uint8_t {
    ImageBitmap = 0, // .bmp
    ImageIcon = 1,   // .ico
};

// Returns the file name (no folder) that holds image resource id of kind, or
// null when the program has no such resource.
const char *imageFileName(ImageKind kind, int id);

// The screens the pictures are drawn for, in percent of 96 dpi: a bitmap
// drawn for one is resource idOffset plus the bitmap's number; an icon's
// file holds its 32-pixel image scaled to each (32, 40, 48 and 64 pixels).
struct ImageScaleRow {
    int16_t percent;
    int16_t idOffset;
};
const int imageScaleCount = 4;
extern const ImageScaleRow imageScales[imageScaleCount];

// Returns the scale of pictures nearest to a screen of dpi dots per inch.
const ImageScaleRow &nearestImageScale(int dpi);
