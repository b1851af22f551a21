// The window layer held in memory; see fakeWindow.h.
#include "tests/fakes/fakeWindow.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/boundedText.h"
#include "res/layout.h"

// A dialog, one of its controls, or a message-only window.
struct WindowRecord {
    WindowRecord *dialog = nullptr; // the dialog a control belongs to; null for a dialog
    int id = 0;                     // control identifier
    ControlKind kind = ControlStaticText;
    WindowProc proc = nullptr; // dialogs and message windows
    int templateId = 0;
    std::string text;
    int enabled = 1;
    int visible = 1;
    int checked = 0;
    std::vector<std::string> items; // drop-down list
    int selection = -1;
    int minimum = 0, maximum = 100, position = 0; // trackbar
    int image = 0;                                // bitmap of a button, icon of an icon control or a dialog
    int redraws = 0;
    unsigned selectionFirst = 0, selectionLast = 0; // bytes of an edit's text selected
    std::vector<WindowRecord *> controls;           // of a dialog, in template order
    std::map<unsigned, unsigned> timers;            // timer id -> period
    int ended = 0;
    intptr_t result = 0;
    intptr_t storedResult = 0;
};

struct CursorRecord {
    int hand;
};

namespace {

struct PostedMessage {
    Window window;
    unsigned message;
    WParam wParam;
    LParam lParam;
};

struct FakeWindowState {
    std::vector<std::unique_ptr<WindowRecord>> windows; // every live window
    std::map<int, std::function<void(Window)>> scripts;
    std::vector<FakeMessageBox> boxes;
    std::function<void(const FakeMessageBox &)> boxScript;
    Window lastDialog = nullptr;
    int quit = 0, quitCode = 0;
    int handAvailable = 1;
    Cursor cursor = nullptr;
    Window focused = nullptr; // the control with the keyboard focus
};

FakeWindowState state;
std::mutex postLock; // postMessage may come from any thread
std::deque<PostedMessage> posted;
std::set<Window> postable; // live windows, as postMessage sees them
CursorRecord handCursor = {1}, arrowCursor = {0};

// Returns 1 when window is live.
int isLive(Window window) {
    if (!window) return 0;
    for (auto &record : state.windows)
        if (record.get() == window) return 1;
    return 0;
}

// Returns the window that handles messages for window: the dialog of a
// control, else the window itself.
Window owningWindow(Window window) { return window && window->dialog ? window->dialog : window; }

// Removes window (and the controls of a dialog) from the live set and drops
// the messages posted to them.
void forget(Window window) {
    std::vector<Window> gone = {window};
    for (Window control : window->controls)
        gone.push_back(control);
    {
        std::lock_guard<std::mutex> hold(postLock);
        for (Window w : gone)
            postable.erase(w);
        posted.erase(std::remove_if(posted.begin(), posted.end(),
                                    [&](const PostedMessage &m) {
                                        return std::find(gone.begin(), gone.end(), m.window) != gone.end();
                                    }),
                     posted.end());
    }
    if (state.lastDialog == window) state.lastDialog = nullptr;
    auto &all = state.windows;
    all.erase(std::remove_if(all.begin(), all.end(),
                             [&](const std::unique_ptr<WindowRecord> &r) {
                                 return std::find(gone.begin(), gone.end(), r.get()) != gone.end();
                             }),
              all.end());
}

// Adds a new window record to the live set and returns it.
Window newWindow() {
    state.windows.push_back(std::make_unique<WindowRecord>());
    Window window = state.windows.back().get();
    std::lock_guard<std::mutex> hold(postLock);
    postable.insert(window);
    return window;
}

// Returns a new dialog built from template templateId, or null.
Window buildDialog(int templateId, WindowProc proc) {
    const DialogTemplate *layout = findDialogTemplate(templateId);
    if (!layout || !proc) return nullptr;
    Window dialog = newWindow();
    dialog->proc = proc;
    dialog->templateId = templateId;
    dialog->text = layout->caption;
    for (int i = 0; i < layout->controlCount; i++) {
        const ControlTemplate &row = layout->controls[i];
        Window control = newWindow();
        control->dialog = dialog;
        control->id = row.id;
        control->kind = row.kind;
        control->text = row.text;
        control->visible = (row.style & StyleVisible) ? 1 : 0;
        control->image = row.kind == ControlIcon ? row.image : 0;
        if (row.kind == ControlTrackbar) control->maximum = 100;
        dialog->controls.push_back(control);
    }
    state.lastDialog = dialog;
    return dialog;
}

// Returns control controlId of dialog when it exists, is enabled and shown.
Window usableControl(Window dialog, int controlId) {
    Window control = controlOf(dialog, controlId);
    if (!control || !control->enabled || !control->visible) return nullptr;
    return control;
}

// Returns the next posted message, removing it, or 0 when none is waiting.
int takePosted(PostedMessage *out) {
    std::lock_guard<std::mutex> hold(postLock);
    if (posted.empty()) return 0;
    *out = posted.front();
    posted.pop_front();
    return 1;
}

int clampToRange(Window trackbar, int position) {
    return std::max(trackbar->minimum, std::min(trackbar->maximum, position));
}

} // namespace

// --- Test controls ------------------------------------------------------------

void fakeResetWindows() {
    {
        std::lock_guard<std::mutex> hold(postLock);
        posted.clear();
        postable.clear();
    }
    state = FakeWindowState();
}

Window fakeOpenDialog(int templateId, Window owner, WindowProc proc) {
    (void)owner;
    Window dialog = buildDialog(templateId, proc);
    if (dialog) dialog->proc(dialog, WM_INITDIALOG, 0, 0);
    return dialog;
}

void fakeCloseDialog(Window dialog) {
    if (!isLive(dialog) || dialog->dialog) return;
    dialog->timers.clear();
    dialog->proc(dialog, WM_DESTROY, 0, 0);
    forget(dialog);
}

void fakeSetDialogScript(int templateId, std::function<void(Window dialog)> script) {
    state.scripts[templateId] = std::move(script);
}

int fakeDialogEnded(Window dialog) { return isLive(dialog) ? dialog->ended : 1; }
intptr_t fakeDialogResult(Window dialog) { return isLive(dialog) ? dialog->result : 0; }
Window fakeLastDialog() { return state.lastDialog; }

intptr_t fakeSend(Window window, unsigned message, WParam wParam, LParam lParam) {
    Window target = owningWindow(window);
    if (!isLive(target) || !target->proc) return 0;
    return target->proc(target, message, wParam, lParam);
}

int fakeClick(Window dialog, int controlId) {
    Window control = usableControl(dialog, controlId);
    if (!control) return 0;
    if (control->kind == ControlCheckBox) control->checked = !control->checked;
    dialog->proc(dialog, WM_COMMAND, commandParam((unsigned)controlId, BN_CLICKED), (LParam)control);
    return 1;
}

int fakePick(Window dialog, int controlId, int index) {
    Window control = usableControl(dialog, controlId);
    if (!control || control->kind != ControlDropList) return 0;
    if (index < 0 || index >= (int)control->items.size()) return 0;
    control->selection = index;
    dialog->proc(dialog, WM_COMMAND, commandParam((unsigned)controlId, CBN_SELCHANGE), (LParam)control);
    return 1;
}

int fakeType(Window dialog, int controlId, const char *text) {
    Window control = usableControl(dialog, controlId);
    if (!control || control->kind != ControlEdit) return 0;
    control->text = text ? text : "";
    dialog->proc(dialog, WM_COMMAND, commandParam((unsigned)controlId, EN_CHANGE), (LParam)control);
    return 1;
}

intptr_t fakeScroll(Window dialog, int controlId, unsigned code, int position) {
    Window control = usableControl(dialog, controlId);
    if (!control || control->kind != ControlTrackbar) return 0;
    control->position = clampToRange(control, position);
    WParam wParam = (WParam)(code & 0xFFFFu) | ((WParam)(control->position & 0xFFFF) << 16);
    return dialog->proc(dialog, WM_VSCROLL, wParam, (LParam)control);
}

std::string fakeText(Window window) { return isLive(window) ? window->text : std::string(); }

std::vector<std::string> fakeListItems(Window dialog, int controlId) {
    Window control = controlOf(dialog, controlId);
    return control ? control->items : std::vector<std::string>();
}

int fakeIsEnabled(Window dialog, int controlId) {
    Window control = controlOf(dialog, controlId);
    return control ? control->enabled : 0;
}

int fakeIsVisible(Window dialog, int controlId) {
    Window control = controlOf(dialog, controlId);
    return control ? control->visible : 0;
}

int fakeButtonImage(Window dialog, int controlId) {
    Window control = controlOf(dialog, controlId);
    return control && control->kind == ControlPushButton ? control->image : 0;
}

int fakeDialogIcon(Window dialog) { return isLive(dialog) ? dialog->image : 0; }

void fakeTrackbarRange(Window trackbar, int *minimum, int *maximum) {
    if (!isLive(trackbar)) return;
    if (minimum) *minimum = trackbar->minimum;
    if (maximum) *maximum = trackbar->maximum;
}

int fakeRedrawCount(Window dialog, int controlId) {
    Window control = controlOf(dialog, controlId);
    return control ? control->redraws : 0;
}

unsigned fakeTimerPeriod(Window window, unsigned timerId) {
    if (!isLive(window)) return 0;
    auto found = window->timers.find(timerId);
    return found == window->timers.end() ? 0 : found->second;
}

int fakeFireTimer(Window window, unsigned timerId) {
    if (!fakeTimerPeriod(window, timerId)) return 0;
    window->proc(window, WM_TIMER, timerId, 0);
    return 1;
}

int fakePendingMessages() {
    std::lock_guard<std::mutex> hold(postLock);
    return (int)posted.size();
}

int fakeDeliverPosted(int limit) {
    int delivered = 0;
    PostedMessage m;
    while (delivered < limit && takePosted(&m)) {
        if (isLive(m.window) && m.window->proc) m.window->proc(m.window, m.message, m.wParam, m.lParam);
        delivered++;
    }
    return delivered;
}

void fakeDropPosted() {
    std::lock_guard<std::mutex> hold(postLock);
    posted.clear();
}

const std::vector<FakeMessageBox> &fakeMessageBoxes() { return state.boxes; }

void fakeSetMessageBoxScript(std::function<void(const FakeMessageBox &box)> script) {
    state.boxScript = std::move(script);
}

Cursor fakeHandCursor() { return &handCursor; }
Cursor fakeArrowCursor() { return &arrowCursor; }
void fakeSetHandCursorAvailable(int available) { state.handAvailable = available; }
Cursor fakeCurrentCursor() { return state.cursor; }
intptr_t fakeStoredDialogResult(Window dialog) { return isLive(dialog) ? dialog->storedResult : 0; }

int fakeQuitRequested(int *exitCode) {
    if (exitCode) *exitCode = state.quitCode;
    return state.quit;
}

// --- The window layer ---------------------------------------------------------

intptr_t runDialog(int templateId, Window owner, WindowProc proc) {
    Window dialog = fakeOpenDialog(templateId, owner, proc);
    if (!dialog) return -1;
    while (!dialog->ended) {
        if (fakeDeliverPosted(1)) continue;
        auto script = state.scripts.find(templateId);
        if (script != state.scripts.end() && script->second) script->second(dialog);
        if (!dialog->ended && !fakePendingMessages()) {
            dialog->ended = 1;
            dialog->result = -1;
        }
    }
    intptr_t result = dialog->result;
    fakeCloseDialog(dialog);
    return result;
}

void endDialog(Window dialog, intptr_t result) {
    if (!isLive(dialog) || dialog->dialog) return;
    dialog->ended = 1;
    dialog->result = result;
}

Window controlOf(Window dialog, int controlId) {
    if (!isLive(dialog)) return nullptr;
    for (Window control : dialog->controls)
        if (control->id == controlId) return control;
    return nullptr;
}

int controlIdOf(Window control) { return isLive(control) && control->dialog ? control->id : 0; }

unsigned getControlText(Window dialog, int controlId, char *buffer, int size) {
    Window control = controlOf(dialog, controlId);
    if (!control) return copyBoundedText(buffer, size, "", 0);
    const std::string *text = &control->text;
    static const std::string empty;
    if (control->kind == ControlDropList)
        text = control->selection >= 0 ? &control->items[(size_t)control->selection] : &empty;
    return copyBoundedText(buffer, size, text->data(), text->size());
}

void setControlText(Window dialog, int controlId, const char *text) {
    Window control = controlOf(dialog, controlId);
    if (!control) return;
    if (control->kind == ControlDropList) {
        // a list without typing can only show one of its items
        auto found = std::find(control->items.begin(), control->items.end(), std::string(text ? text : ""));
        if (found != control->items.end()) control->selection = (int)(found - control->items.begin());
        return;
    }
    control->text = text ? text : "";
}

void setWindowText(Window window, const char *text) {
    if (isLive(window)) window->text = text ? text : "";
}

int isChecked(Window dialog, int controlId) {
    Window control = controlOf(dialog, controlId);
    return control ? control->checked : 0;
}

void checkButton(Window dialog, int controlId, int checked) {
    Window control = controlOf(dialog, controlId);
    if (control) control->checked = checked ? 1 : 0;
}

int listInsert(Window dialog, int controlId, int index, const char *text) {
    Window control = controlOf(dialog, controlId);
    if (!control || control->kind != ControlDropList) return -1;
    int count = (int)control->items.size();
    if (index < -1 || index > count) return -1;
    if (index == -1) index = count;
    control->items.insert(control->items.begin() + index, text ? text : "");
    if (control->selection >= index) control->selection++;
    return index;
}

void listSelect(Window dialog, int controlId, int index) {
    Window control = controlOf(dialog, controlId);
    if (!control || control->kind != ControlDropList) return;
    control->selection = (index >= 0 && index < (int)control->items.size()) ? index : -1;
}

void trackbarSetRange(Window trackbar, int redraw, int minimum, int maximum) {
    if (!isLive(trackbar)) return;
    trackbar->minimum = minimum;
    trackbar->maximum = maximum;
    trackbar->position = clampToRange(trackbar, trackbar->position);
    if (redraw) trackbar->redraws++;
}

void trackbarSetPosition(Window trackbar, int redraw, int position) {
    if (!isLive(trackbar)) return;
    trackbar->position = clampToRange(trackbar, position);
    if (redraw) trackbar->redraws++;
}

int trackbarPosition(Window trackbar) { return isLive(trackbar) ? trackbar->position : 0; }

void enableControl(Window dialog, int controlId, int enable) {
    Window control = controlOf(dialog, controlId);
    if (control) control->enabled = enable ? 1 : 0;
}

void setControlFocus(Window dialog, int controlId) {
    Window control = controlOf(dialog, controlId);
    if (control) state.focused = control;
}

void selectControlText(Window dialog, int controlId, unsigned first, unsigned last) {
    Window control = controlOf(dialog, controlId);
    if (!control) return;
    const auto length = (unsigned)control->text.size();
    control->selectionFirst = first < length ? first : length;
    control->selectionLast = last < length ? last : length;
}

std::string fakeSelectedText(Window dialog, int controlId) {
    Window control = controlOf(dialog, controlId);
    if (!control) return std::string();
    return control->text.substr(control->selectionFirst, control->selectionLast - control->selectionFirst);
}

int fakeHasFocus(Window dialog, int controlId) {
    return state.focused != nullptr && state.focused == controlOf(dialog, controlId);
}

void setButtonImage(Window dialog, int controlId, int bitmapId) {
    Window control = controlOf(dialog, controlId);
    if (control && control->kind == ControlPushButton) control->image = bitmapId;
}

void setDialogIcon(Window dialog, int iconId) {
    if (isLive(dialog)) dialog->image = iconId;
}

void redrawControl(Window dialog, int controlId) {
    Window control = controlOf(dialog, controlId);
    if (control) control->redraws++;
}

void setTextColour(DrawContext context, uint32_t colour) {
    if (!context) return;
    context->textColour = colour;
    context->colourSet = 1;
}

void setTransparentBackground(DrawContext context) {
    if (context) context->transparent = 1;
}

Cursor loadHandCursor() { return state.handAvailable ? &handCursor : nullptr; }
Cursor loadArrowCursor() { return &arrowCursor; }
void setCursor(Cursor cursor) { state.cursor = cursor; }

void setDialogResult(Window dialog, intptr_t result) {
    if (isLive(dialog)) dialog->storedResult = result;
}

void startTimer(Window window, unsigned timerId, unsigned periodMs) {
    if (isLive(window)) window->timers[timerId] = periodMs ? periodMs : 1;
}

void stopTimer(Window window, unsigned timerId) {
    if (isLive(window)) window->timers.erase(timerId);
}

int messageBox(Window owner, const char *text, const char *caption, unsigned flags) {
    FakeMessageBox box = {owner, text ? text : "", caption ? caption : "", flags};
    state.boxes.push_back(box);
    if (state.boxScript) state.boxScript(box);
    return IDOK;
}

int postMessage(Window window, unsigned message, WParam wParam, LParam lParam) {
    std::lock_guard<std::mutex> hold(postLock);
    if (!postable.count(window)) return 0;
    posted.push_back({window, message, wParam, lParam});
    return 1;
}

void postQuitMessage(int exitCode) {
    state.quit = 1;
    state.quitCode = exitCode;
}

Window createMessageWindow(WindowProc proc) {
    if (!proc) return nullptr;
    Window window = newWindow();
    window->proc = proc;
    return window;
}

void destroyMessageWindow(Window window) {
    if (isLive(window) && !window->dialog) forget(window);
}

int runMessageLoop() {
    while (!state.quit && fakeDeliverPosted(1)) {
    }
    if (!state.quit) return -1;
    state.quit = 0;
    return state.quitCode;
}
