// The window layer on Qt 6 Widgets: the functions of platform/window.h for
// dialogs, their controls, message boxes and cursors, each a thin mapping
// onto the widgets, and the test access of qtWindow.h.
//
// Each dialog is a QDialog built from the resource tables, each control a
// widget of the kind its row names (qtDialogBuilder.cpp).  The widgets hold
// no logic: user actions become the messages a dialog procedure expects
// (WM_COMMAND, WM_VSCROLL, WM_CLOSE, ...), timers become WM_TIMER, and posted
// messages travel as Qt events (qtMessages.cpp, which also holds the timer,
// message-window and message-loop functions of platform/window.h), so
// everything reaches the procedure on the thread that runs the window.
#include "platform/linux/qtWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <cmath>

#include "platform/boundedText.h"
#include "platform/linux/qtDialogBuilder.h"
#include "res/layout.h"

using namespace qtWindowParts;

namespace {

QtMessageBoxHook messageBoxHook;
CursorRecord handCursor = {Qt::PointingHandCursor}, arrowCursor = {Qt::ArrowCursor};

// Returns the control record controlId of dialog, or null.
WindowRecord *findControl(Window dialog, int controlId) {
    if (!dialog) return nullptr;
    for (auto &control : dialog->controls)
        if (control->id == controlId) return control.get();
    return nullptr;
}

template <class W> W *controlAs(Window dialog, int controlId) {
    WindowRecord *control = findControl(dialog, controlId);
    return control ? qobject_cast<W *>(control->widget) : nullptr;
}

// Returns the slider of a trackbar control, or null.
QSlider *sliderOf(Window trackbar) { return trackbar ? qobject_cast<QSlider *>(trackbar->widget) : nullptr; }

// Returns the text a control shows.
QString textOf(WindowRecord *window) {
    QWidget *w = window->widget;
    if (!window->dialog) return w ? w->windowTitle() : QString();
    if (auto *list = qobject_cast<QComboBox *>(w)) return list->currentIndex() >= 0 ? list->currentText() : QString();
    if (auto *edit = qobject_cast<QLineEdit *>(w)) return edit->text();
    if (auto *group = qobject_cast<QGroupBox *>(w)) return group->title();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return button->property("windowText").isValid() ? button->property("windowText").toString() : button->text();
    if (auto *label = qobject_cast<QLabel *>(w)) return label->text();
    return QString();
}

// Sets the text a control shows.
void setTextOf(WindowRecord *window, const QString &text) {
    QWidget *w = window->widget;
    if (!window->dialog) {
        if (w) w->setWindowTitle(text);
        return;
    }
    if (auto *list = qobject_cast<QComboBox *>(w)) {
        // a list without typing can only show one of its items
        int index = list->findText(text, Qt::MatchExactly);
        if (index >= 0) list->setCurrentIndex(index);
    } else if (auto *edit = qobject_cast<QLineEdit *>(w)) {
        edit->setText(text);
    } else if (auto *group = qobject_cast<QGroupBox *>(w)) {
        group->setTitle(text);
    } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
        button->setProperty("windowText", text);
        if (button->icon().isNull()) button->setText(text);
    } else if (auto *label = qobject_cast<QLabel *>(w)) {
        label->setText(text);
    }
}

// Sends WM_INITDIALOG to dialog.  A procedure that answers 0 chooses no
// focus: the dialog window itself takes it, so no control has it until the
// user tabs to one.  (Qt would give it to the first tab stop, the main
// window's Exit button, which a stray Space would then press.)  Any other
// answer leaves the focus to Qt: the first tab stop.
void initialiseDialog(WindowRecord *dialog) {
    if (deliver(dialog, WM_INITDIALOG, 0, 0) == 0 && dialog->widget) dialog->widget->setFocus(Qt::OtherFocusReason);
}

} // namespace

// --- Backend setup and test access ---------------------------------------------

void qtInitialiseWindows() {
    // message boxes and menus use the same Japanese UI font as the dialogs
    QApplication::setFont(QFont(qtFontFamily("MS UI Gothic"), 9));
}

Window qtOpenDialog(int templateId, Window owner, WindowProc proc) {
    WindowRecord *dialog = buildDialog(templateId, owner, proc);
    if (!dialog) return nullptr;
    initialiseDialog(dialog);
    if (dialog->ended) {
        qtCloseDialog(dialog);
        return nullptr;
    }
    return dialog;
}

void qtCloseDialog(Window dialog) {
    if (!dialog || dialog->dialog) return;
    for (auto &timer : dialog->timers)
        timer.second->stop();
    deliver(dialog, WM_DESTROY, 0, 0);
    destroyRecord(dialog);
}

QDialog *qtDialogWidget(Window dialog) { return dialog ? qobject_cast<QDialog *>(dialog->widget) : nullptr; }

QWidget *qtControlWidget(Window dialog, int controlId) {
    WindowRecord *control = findControl(dialog, controlId);
    return control ? control->widget : nullptr;
}

QMenuBar *qtMenuBar(Window dialog) { return dialog ? dialog->menuBar : nullptr; }

int qtButtonImage(Window dialog, int controlId) {
    WindowRecord *control = findControl(dialog, controlId);
    return control ? control->image : 0;
}

void qtDialogBaseUnits(Window dialog, int *baseX, int *baseY) {
    if (!dialog) return;
    if (baseX) *baseX = dialog->baseX;
    if (baseY) *baseY = dialog->baseY;
}

unsigned qtTimerPeriod(Window window, unsigned timerId) {
    if (!window) return 0;
    auto found = window->timers.find(timerId);
    if (found == window->timers.end() || !found->second->isActive()) return 0;
    return (unsigned)found->second->interval();
}

int qtFireTimer(Window window, unsigned timerId) {
    if (!qtTimerPeriod(window, timerId)) return 0;
    QTimer *timer = window->timers[timerId];
    timer->start(); // the period counts from now, as after a real expiry
    deliver(window, WM_TIMER, timerId, 0);
    return 1;
}

void qtSetMessageBoxHook(QtMessageBoxHook hook) { messageBoxHook = std::move(hook); }

// --- The dialogs and controls of platform/window.h ------------------------------

intptr_t runDialog(int templateId, Window owner, WindowProc proc) {
    WindowRecord *dialog = buildDialog(templateId, owner, proc);
    if (!dialog) return -1;
    initialiseDialog(dialog);
    if (!dialog->ended) {
        dialog->running = 1;
        // exec shows the dialog centred over its owner (on the screen when
        // it has none) and runs the modal loop until endDialog
        static_cast<QDialog *>(dialog->widget)->exec();
        dialog->running = 0;
    }
    intptr_t result = dialog->result;
    qtCloseDialog(dialog);
    return result;
}

void endDialog(Window dialog, intptr_t result) {
    if (!dialog || dialog->dialog || !dialog->widget) return;
    dialog->ended = 1;
    dialog->result = result;
    if (dialog->running) static_cast<QDialog *>(dialog->widget)->done(0);
}

Window controlOf(Window dialog, int controlId) { return findControl(dialog, controlId); }

int controlIdOf(Window control) { return control && control->dialog ? control->id : 0; }

unsigned getControlText(Window dialog, int controlId, char *buffer, int size) {
    WindowRecord *control = findControl(dialog, controlId);
    QByteArray text = control ? textOf(control).toUtf8() : QByteArray();
    return copyBoundedText(buffer, size, text.constData(), (size_t)text.size());
}

void setControlText(Window dialog, int controlId, const char *text) {
    WindowRecord *control = findControl(dialog, controlId);
    if (control) setTextOf(control, qtText(text));
}

void setWindowText(Window window, const char *text) {
    if (window) setTextOf(window, qtText(text));
}

int isChecked(Window dialog, int controlId) {
    auto *box = controlAs<QCheckBox>(dialog, controlId);
    return box && box->isChecked() ? 1 : 0;
}

void checkButton(Window dialog, int controlId, int checked) {
    if (auto *box = controlAs<QCheckBox>(dialog, controlId)) box->setChecked(checked != 0);
}

int listInsert(Window dialog, int controlId, int index, const char *text) {
    auto *list = controlAs<QComboBox>(dialog, controlId);
    if (!list || index < -1 || index > list->count()) return -1;
    if (index == -1) index = list->count();
    const int selected = list->currentIndex();
    const QSignalBlocker quiet(list);
    list->insertItem(index, qtText(text));
    WindowRecord *control = findControl(dialog, controlId);
    if (control->row->style & StyleRightAligned)
        list->setItemData(index, (int)(Qt::AlignRight | Qt::AlignVCenter), Qt::TextAlignmentRole);
    // the first item of an empty list would become selected; a list keeps
    // having no selection until the program selects one
    if (selected < 0) list->setCurrentIndex(-1);
    return index;
}

void listSelect(Window dialog, int controlId, int index) {
    auto *list = controlAs<QComboBox>(dialog, controlId);
    if (!list) return;
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

void trackbarSetRange(Window trackbar, int redraw, int minimum, int maximum) {
    (void)redraw; // Qt repaints on its own
    if (QSlider *slider = sliderOf(trackbar)) slider->setRange(minimum, maximum);
}

void trackbarSetPosition(Window trackbar, int redraw, int position) {
    (void)redraw;
    if (QSlider *slider = sliderOf(trackbar)) slider->setValue(position);
}

int trackbarPosition(Window trackbar) {
    QSlider *slider = sliderOf(trackbar);
    // during a drag the value may not have caught up with the thumb yet
    return slider ? slider->sliderPosition() : 0;
}

void enableControl(Window dialog, int controlId, int enable) {
    if (WindowRecord *control = findControl(dialog, controlId)) control->widget->setEnabled(enable != 0);
}

void setControlFocus(Window dialog, int controlId) {
    if (WindowRecord *control = findControl(dialog, controlId)) control->widget->setFocus(Qt::OtherFocusReason);
}

void selectControlText(Window dialog, int controlId, unsigned first, unsigned last) {
    auto *edit = controlAs<QLineEdit>(dialog, controlId);
    if (!edit) return;
    // QLineEdit counts UTF-16 units: the bytes before each end, decoded
    const QByteArray text = edit->text().toUtf8();
    const qsizetype start = QString::fromUtf8(text.left(first)).size();
    edit->setSelection(start, QString::fromUtf8(text.left(last)).size() - start);
}

void setButtonImage(Window dialog, int controlId, int bitmapId) {
    WindowRecord *control = findControl(dialog, controlId);
    auto *button = control ? qobject_cast<QPushButton *>(control->widget) : nullptr;
    if (!button) return;
    control->image = bitmapId;
    // the bitmap drawn for the screen's scale, as many pixels as the screen has
    const ImageScaleRow &scale = nearestImageScale((int)std::lround(96 * button->devicePixelRatioF()));
    QPixmap image = loadBitmap(bitmapId + scale.idOffset);
    if (!image.isNull())
        image.setDevicePixelRatio(scale.percent / 100.0);
    else
        image = loadBitmap(bitmapId);
    if (image.isNull()) {
        // without its image file the button shows its text, so it can still be used
        button->setIcon(QIcon());
        button->setText(textOf(control));
        return;
    }
    if (!button->property("windowText").isValid()) button->setProperty("windowText", button->text());
    button->setText(QString());
    button->setIcon(QIcon(image));
    button->setIconSize(image.deviceIndependentSize().toSize());
}

void setDialogIcon(Window dialog, int iconId) {
    if (!dialog || !dialog->widget) return;
    QIcon icon = loadIcon(iconId);
    if (icon.isNull()) return;
    // installed for the program's windows, like a window class icon
    QApplication::setWindowIcon(icon);
    dialog->widget->setWindowIcon(icon);
}

void redrawControl(Window dialog, int controlId) {
    if (WindowRecord *control = findControl(dialog, controlId)) control->widget->update();
}

void setTextColour(DrawContext context, uint32_t colour) {
    if (context)
        context->textColour = QColor((int)(colour & 0xFF), (int)((colour >> 8) & 0xFF), (int)((colour >> 16) & 0xFF));
}

void setTransparentBackground(DrawContext context) {
    // labels draw their text over the dialog face already
    if (context) context->transparent = true;
}

Cursor loadHandCursor() { return &handCursor; }
Cursor loadArrowCursor() { return &arrowCursor; }
void setCursor(Cursor cursor) { requestedCursor = cursor; }

void setDialogResult(Window dialog, intptr_t result) {
    if (dialog) dialog->storedResult = result;
}

int messageBox(Window owner, const char *text, const char *caption, unsigned flags) {
    if (messageBoxHook) return messageBoxHook(owner, text, caption, flags);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if (flags & MB_ICONERROR)
        icon = QMessageBox::Critical;
    else if (flags & MB_ICONINFORMATION)
        icon = QMessageBox::Information;
    QWidget *parent = owner && owner->widget ? owner->widget->window() : nullptr;
    QMessageBox box(icon, qtText(caption), qtText(text), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    // exec runs a nested loop: timers and posted messages keep arriving, so
    // playback goes on behind the box
    box.exec();
    return IDOK;
}
