// The window layer on Qt 6 Widgets.
//
// Each dialog is a QDialog built from the resource tables; each control a
// widget of the kind its row names.  The widgets hold no logic: user actions
// become the messages a dialog procedure expects (WM_COMMAND, WM_VSCROLL,
// WM_CLOSE, ...), timers become WM_TIMER, and posted messages travel as Qt
// events, so everything reaches the procedure on the thread that runs the
// window.
#include "platform/linux/qtWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSlider>
#include <QTimer>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/boundedText.h"
#include "platform/linux/qtWidgets.h"
#include "res/layout.h"

#ifndef TONALIX_SOURCE_RESOURCES
#define TONALIX_SOURCE_RESOURCES ""
#endif

// A dialog, one of its controls, or a message-only window.
struct WindowRecord {
    QWidget *widget = nullptr;            // dialog or control widget; null for a message window
    QObject *receiver = nullptr;          // where posted messages and timers of a dialog or message window go
    WindowRecord *dialog = nullptr;       // the dialog of a control
    const ControlTemplate *row = nullptr; // the control's row
    int id = 0;
    WindowProc proc = nullptr;
    QMenuBar *menuBar = nullptr;
    QWidget *client = nullptr; // the client area under the menu bar
    int baseX = 8, baseY = 16; // dialog base units in pixels (see qtDialogBaseUnits)
    std::vector<std::unique_ptr<WindowRecord>> controls;
    std::map<unsigned, QTimer *> timers;
    int image = 0; // bitmap on a button
    int ended = 0;
    int running = 0; // 1 while the dialog's modal loop runs
    intptr_t result = 0;
    intptr_t storedResult = 0;
};

struct DrawContextRecord {
    QColor textColour; // invalid until setTextColour
    bool transparent = false;
};

struct CursorRecord {
    Qt::CursorShape shape;
};

namespace {

// Posted messages not yet handed over (or dropped with their window); any
// thread posts, so the count is atomic.
std::atomic<int> postedWaiting{0};

// The message a posted event carries.
class PostedMessageEvent : public QEvent {
public:
    static QEvent::Type kind() {
        static const int type = QEvent::registerEventType();
        return (QEvent::Type)type;
    }
    PostedMessageEvent(unsigned message, WParam wParam, LParam lParam)
        : QEvent(kind()), message(message), wParam(wParam), lParam(lParam) {
        postedWaiting++;
    }
    ~PostedMessageEvent() override { postedWaiting--; }
    unsigned message;
    WParam wParam;
    LParam lParam;
};

// The dialogs and message windows that take posted messages, and the lock
// that guards them: postMessage comes from any thread.  Both are made once
// and never destroyed, because a device thread may still post while the
// process ends, after static objects are gone.
std::mutex &liveLock = *new std::mutex;
std::set<WindowRecord *> &liveWindows = *new std::set<WindowRecord *>;
QtMessageBoxHook messageBoxHook;
CursorRecord handCursor = {Qt::PointingHandCursor}, arrowCursor = {Qt::ArrowCursor};
Cursor requestedCursor;            // set by setCursor during a WM_SETCURSOR
QPointer<QEventLoop> messageLoop;  // the loop of runMessageLoop, while it runs
int quitPending = 0, quitCode = 0; // from postQuitMessage

// Hands a message to the procedure of window's dialog (or of window itself).
intptr_t deliver(WindowRecord *window, unsigned message, WParam wParam, LParam lParam) {
    WindowRecord *target = window->dialog ? window->dialog : window;
    return target->proc ? target->proc(target, message, wParam, lParam) : 0;
}

// Sends control's dialog the WM_COMMAND that reports notification from
// control.
void notify(WindowRecord *control, unsigned notification) {
    deliver(control, WM_COMMAND, commandParam((unsigned)control->id, notification), (LParam)control);
}

// Dispatches posted messages of a dialog or message window.
bool handlePosted(WindowRecord *window, QEvent *event) {
    if (event->type() != PostedMessageEvent::kind()) return false;
    auto *posted = static_cast<PostedMessageEvent *>(event);
    deliver(window, posted->message, posted->wParam, posted->lParam);
    return true;
}

// Hands the posted messages waiting on this thread to their procedures,
// and those that they post in turn, a few rounds deep: a steady flow from a
// device thread must not hold the caller here.
void deliverWaitingMessages() {
    for (int round = 0; round < 8 && postedWaiting.load() > 0; round++)
        QCoreApplication::sendPostedEvents(nullptr, PostedMessageEvent::kind());
}

// On the desktop a window takes the messages posted to it before the user's
// input.  Qt may read a click before the events posted ahead of it, so a
// quick Stop and Play would find the buffers that Stop handed back, and the
// end notice that closes the device, still waiting, and Play would find the
// old device open.  This filter hands the waiting messages over before every
// click, key and wheel turn of the user.
class InputAfterPosted : public QObject {
protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
            if (event->spontaneous() && postedWaiting.load() > 0) deliverWaitingMessages();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }
};

// Installs InputAfterPosted on the application, once.
void keepInputAfterPosted() {
    static InputAfterPosted *filter = nullptr;
    if (filter || !QCoreApplication::instance()) return;
    filter = new InputAfterPosted;
    QCoreApplication::instance()->installEventFilter(filter);
}

// The dialog window.  As the desktop's dialog manager does, Enter sends the
// command IDOK and Escape IDCANCEL (the main dialog ignores both; the About
// box closes on them), and the close box asks the procedure with WM_CLOSE
// and, when that leaves the dialog open, sends IDCANCEL.
class DialogWidget : public QDialog {
public:
    DialogWidget(WindowRecord *record, QWidget *parent) : QDialog(parent), record(record) {}
    void reject() override {}

protected:
    bool event(QEvent *event) override { return handlePosted(record, event) || QDialog::event(event); }
    void keyPressEvent(QKeyEvent *event) override {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            deliver(record, WM_COMMAND, commandParam(IDOK, BN_CLICKED), 0);
            return;
        case Qt::Key_Escape:
            event->accept();
            deliver(record, WM_COMMAND, commandParam(IDCANCEL, BN_CLICKED), 0);
            return;
        default:
            QDialog::keyPressEvent(event);
        }
    }
    void closeEvent(QCloseEvent *event) override {
        event->ignore();
        deliver(record, WM_CLOSE, 0, 0);
        if (!record->ended) deliver(record, WM_COMMAND, commandParam(IDCANCEL, BN_CLICKED), 0);
    }

private:
    WindowRecord *record;
};

// The receiver of a message-only window.
class MessageObject : public QObject {
public:
    explicit MessageObject(WindowRecord *record) : record(record) {}

protected:
    bool event(QEvent *event) override { return handlePosted(record, event) || QObject::event(event); }

private:
    WindowRecord *record;
};

// Static text.  Before it paints it asks the dialog for its colours
// (WM_CTLCOLORSTATIC); a notifying one also reports clicks and asks for its
// cursor (WM_SETCURSOR).
class StaticText : public QLabel {
public:
    StaticText(WindowRecord *record, QWidget *parent) : QLabel(parent), record(record) {
        if (record->row->style & StyleNotify) setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent *event) override {
        DrawContextRecord context;
        deliver(record, WM_CTLCOLORSTATIC, (WParam)&context, (LParam)record);
        const QColor wanted =
            context.textColour.isValid() ? context.textColour : QApplication::palette().color(QPalette::WindowText);
        if (palette().color(QPalette::WindowText) != wanted) {
            // a palette change repaints once more; the colour is then settled
            QPalette colours = palette();
            colours.setColor(QPalette::WindowText, wanted);
            setPalette(colours);
        }
        QLabel::paintEvent(event);
    }
    // Only the left button clicks a static text; the right and middle
    // buttons pass through to the dialog.
    void mousePressEvent(QMouseEvent *event) override {
        if (!(record->row->style & StyleNotify) || event->button() != Qt::LeftButton)
            return QLabel::mousePressEvent(event);
        notify(record, STN_CLICKED);
    }
    void mouseDoubleClickEvent(QMouseEvent *event) override {
        if (!(record->row->style & StyleNotify) || event->button() != Qt::LeftButton)
            return QLabel::mouseDoubleClickEvent(event);
        notify(record, STN_DBLCLK);
    }
    void mouseMoveEvent(QMouseEvent *event) override {
        if (record->row->style & StyleNotify) askCursor();
        QLabel::mouseMoveEvent(event);
    }
    void enterEvent(QEnterEvent *event) override {
        if (record->row->style & StyleNotify) askCursor();
        QLabel::enterEvent(event);
    }

private:
    // Asks the dialog which cursor to show over this control.
    void askCursor() {
        requestedCursor = nullptr;
        intptr_t handled = deliver(record, WM_SETCURSOR, (WParam)record, 0);
        if (handled && requestedCursor)
            setCursor(requestedCursor->shape);
        else
            unsetCursor();
    }
    WindowRecord *record;
};

// Returns the image file name of kind and id found first in the resource
// folders, or an empty text.
QString findImageFile(ImageKind kind, int id) {
    const char *name = imageFileName(kind, id);
    if (!name) return QString();
    for (const QString &folder : qtResourceFolders()) {
        QString path = QDir(folder).filePath(QString::fromUtf8(name));
        if (QFileInfo::exists(path)) return path;
    }
    return QString();
}

// Returns bitmap resource id, or a null pixmap when its file is missing.
QPixmap loadBitmap(int id) {
    QString path = findImageFile(ImageBitmap, id);
    return path.isEmpty() ? QPixmap() : QPixmap(path);
}

// Returns icon resource id, or a null icon when its file is missing.
QIcon loadIcon(int id) {
    QString path = findImageFile(ImageIcon, id);
    return path.isEmpty() ? QIcon() : QIcon(path);
}

const int iconPixels = 32; // an icon control shows its icon at this size

// Returns the pixel value of v dialog units for base units base (4 or 8 per
// character), rounded to the nearest pixel.
int unitsToPixels(int v, int base, int perCharacter) { return (v * base + perCharacter / 2) / perCharacter; }

// Creates the widget of one control row under parent.
QWidget *createControl(WindowRecord *control, QWidget *parent) {
    const ControlTemplate &row = *control->row;
    const QString text = QString::fromUtf8(row.text);
    const Qt::Alignment side = (row.style & StyleRightAligned) ? Qt::AlignRight : Qt::AlignLeft;
    switch (row.kind) {
    case ControlPushButton: {
        auto *button = new QPushButton(text, parent);
        button->setAutoDefault(false); // Enter does nothing
        QObject::connect(button, &QPushButton::clicked, [control] { notify(control, BN_CLICKED); });
        return button;
    }
    case ControlCheckBox: {
        auto *box = new QCheckBox(text, parent);
        QObject::connect(box, &QCheckBox::clicked, [control] { notify(control, BN_CLICKED); });
        return box;
    }
    case ControlDropList: {
        auto *list = new DropList(side, unitsToPixels(row.height, control->dialog->baseY, 8), parent);
        list->setEditable(false);
        if (row.style & StyleKeepScrollBar) list->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        QObject::connect(list, QOverload<int>::of(&QComboBox::activated),
                         [control] { notify(control, CBN_SELCHANGE); });
        return list;
    }
    case ControlStaticText: {
        auto *label = new StaticText(control, parent);
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
        Qt::Alignment horizontal = (row.style & StyleCentred) ? Qt::AlignHCenter : side;
        label->setAlignment(horizontal | ((row.style & StyleVCentred) ? Qt::AlignVCenter : Qt::AlignTop));
        return label;
    }
    case ControlEdit: {
        auto *edit = new TextEdit(parent);
        edit->setAlignment(side | Qt::AlignVCenter);
        if (row.style & StyleDigitsOnly)
            edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
        QObject::connect(edit, &QLineEdit::textChanged, [control] { notify(control, EN_CHANGE); });
        return edit;
    }
    case ControlIcon: {
        auto *picture = new QLabel(parent);
        QIcon icon = loadIcon(row.image);
        if (!icon.isNull()) picture->setPixmap(icon.pixmap(iconPixels, iconPixels));
        return picture;
    }
    case ControlGroupBox: {
        auto *group = new GroupFrame(text, parent);
        // a frame only: the controls drawn inside it are its siblings and
        // must keep their clicks
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        return group;
    }
    case ControlTrackbar: {
        auto *slider = new Trackbar((row.style & StyleVertical) ? Qt::Vertical : Qt::Horizontal, parent);
        // the minimum at the top, and Down moves towards the maximum, as on
        // the desktop trackbar
        slider->setInvertedAppearance(row.style & StyleVertical);
        slider->setInvertedControls(row.style & StyleVertical);
        slider->setTickPosition((row.style & StyleNoTicks) ? QSlider::NoTicks : QSlider::TicksBothSides);
        slider->setRange(0, 100);
        slider->setPageStep(20);
        QObject::connect(slider, &QSlider::actionTriggered, [control, slider](int action) {
            static const struct {
                int action;
                unsigned code;
            } codes[] = {
                // clang-format off
                {QAbstractSlider::SliderSingleStepSub, TB_LINEUP}, {QAbstractSlider::SliderSingleStepAdd, TB_LINEDOWN},
                {QAbstractSlider::SliderPageStepSub, TB_PAGEUP},   {QAbstractSlider::SliderPageStepAdd, TB_PAGEDOWN},
                {QAbstractSlider::SliderMove, TB_THUMBTRACK},      {QAbstractSlider::SliderToMinimum, TB_TOP},
                {QAbstractSlider::SliderToMaximum, TB_BOTTOM},
                // clang-format on
            };
            for (auto c : codes) {
                if (c.action != action) continue;
                WParam wParam = c.code | ((WParam)(slider->sliderPosition() & 0xFFFF) << 16);
                deliver(control, WM_VSCROLL, wParam, (LParam)control);
            }
        });
        QObject::connect(slider, &QSlider::sliderReleased, [control, slider] {
            WParam position = (WParam)(slider->sliderPosition() & 0xFFFF) << 16;
            deliver(control, WM_VSCROLL, TB_THUMBPOSITION | position, (LParam)control);
            deliver(control, WM_VSCROLL, TB_ENDTRACK, (LParam)control);
        });
        return slider;
    }
    }
    return new QWidget(parent);
}

// Builds the menu bar of menu menuId on dialog.
void buildMenu(WindowRecord *dialog, int menuId) {
    int count = 0;
    const MenuTemplateItem *items = findMenu(menuId, &count);
    if (!items) return;
    dialog->menuBar = new QMenuBar(dialog->widget);
    QMenu *popup = nullptr;
    for (int i = 0; i < count; i++) {
        const MenuTemplateItem &item = items[i];
        if (item.level == 0) {
            popup = dialog->menuBar->addMenu(QString::fromUtf8(item.text));
            continue;
        }
        if (!popup) continue;
        QAction *action = popup->addAction(QString::fromUtf8(item.text));
        const unsigned id = (unsigned)item.command;
        QObject::connect(action, &QAction::triggered,
                         [dialog, id] { deliver(dialog, WM_COMMAND, commandParam(id, 0), 0); });
    }
}

// Returns a new dialog record built from template templateId, or null.
WindowRecord *buildDialog(int templateId, WindowRecord *owner, WindowProc proc) {
    const DialogTemplate *layout = findDialogTemplate(templateId);
    if (!layout || !proc) return nullptr;
    keepInputAfterPosted();
    auto *dialog = new WindowRecord;
    dialog->proc = proc;
    QWidget *parent = owner && owner->widget ? owner->widget->window() : nullptr;
    auto *widget = new DialogWidget(dialog, parent);
    dialog->widget = widget;
    dialog->receiver = widget;

    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if (layout->style & DialogCaption) flags |= Qt::WindowTitleHint;
    if (layout->style & DialogSystemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (layout->style & DialogMinimiseBox) flags |= Qt::WindowMinimizeButtonHint;
    widget->setWindowFlags(flags);
    widget->setWindowTitle(QString::fromUtf8(layout->caption));
    QFont font(qtFontFamily(layout->fontName), layout->fontPoints);
    widget->setFont(font);

    // Dialog units: the average width of the Latin letters (rounded as the
    // desktop dialog manager rounds it) and the height of the font.
    QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    dialog->baseX = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    dialog->baseY = metrics.height();

    if (layout->menuId) buildMenu(dialog, layout->menuId);
    const int menuHeight = dialog->menuBar ? dialog->menuBar->sizeHint().height() : 0;
    const int width = unitsToPixels(layout->width, dialog->baseX, 4);
    const int height = unitsToPixels(layout->height, dialog->baseY, 8);
    if (dialog->menuBar) dialog->menuBar->setGeometry(0, 0, width, menuHeight);
    dialog->client = new QWidget(widget);
    dialog->client->setGeometry(0, menuHeight, width, height);
    widget->setFixedSize(width, height + menuHeight);
    if (layout->style & DialogCentred) {
        // Centred on the screen, not over the owner: a moved position also
        // keeps QDialog from placing the window over its parent when shown.
        QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            const QRect area = screen->availableGeometry();
            widget->move(area.center() - QPoint(width / 2, (height + menuHeight) / 2));
        }
    }

    QWidget *previous = nullptr;
    for (int i = 0; i < layout->controlCount; i++) {
        auto control = std::make_unique<WindowRecord>();
        control->dialog = dialog;
        control->row = &layout->controls[i];
        control->id = control->row->id;
        QWidget *w = createControl(control.get(), dialog->client);
        control->widget = w;
        const ControlTemplate &row = *control->row;
        int x = unitsToPixels(row.x, dialog->baseX, 4), y = unitsToPixels(row.y, dialog->baseY, 8);
        int cx = unitsToPixels(row.width, dialog->baseX, 4), cy = unitsToPixels(row.height, dialog->baseY, 8);
        if (row.kind == ControlIcon) cx = cy = iconPixels; // an icon control takes its icon's size
        if (row.kind == ControlDropList) {
            // the height in the row is the dropped height, which the list
            // took when it was made; the box itself is one line
            cy = std::max(w->sizeHint().height(), unitsToPixels(12, dialog->baseY, 8));
        }
        w->setGeometry(x, y, cx, cy);
        w->setFocusPolicy((row.style & StyleTabStop) ? Qt::StrongFocus : Qt::NoFocus);
        if (row.kind == ControlGroupBox) w->lower();
        if (!(row.style & StyleVisible)) w->hide(); // never shown by anything
        if (row.style & StyleTabStop) {
            if (previous) QWidget::setTabOrder(previous, w);
            previous = w;
        }
        dialog->controls.push_back(std::move(control));
    }
    std::lock_guard<std::mutex> hold(liveLock);
    liveWindows.insert(dialog);
    return dialog;
}

// Destroys a dialog or message window: no more posted messages reach it,
// its timers stop, its widgets go.
void destroyRecord(WindowRecord *window) {
    {
        std::lock_guard<std::mutex> hold(liveLock);
        liveWindows.erase(window);
    }
    for (auto &timer : window->timers)
        delete timer.second;
    window->timers.clear();
    QObject *owner = window->widget ? (QObject *)window->widget : window->receiver;
    delete owner;
    delete window;
}

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

// Starts or replaces timer timerId of window.
void armTimer(WindowRecord *window, unsigned timerId, unsigned periodMs) {
    QTimer *&timer = window->timers[timerId];
    if (!timer) {
        timer = new QTimer(window->receiver);
        QObject::connect(timer, &QTimer::timeout, [window, timerId] { deliver(window, WM_TIMER, timerId, 0); });
    }
    timer->start((int)std::min(periodMs ? periodMs : 1u, 0x7FFFFFFFu));
}

} // namespace

// --- Backend setup and test access ---------------------------------------------

QString qtFontFamily(const char *name) {
    static const struct {
        const char *templateFont;
        const char *family;
    } fonts[] = {
        {"MS UI Gothic", "Noto Sans CJK JP"},
        {"ＭＳ ゴシック", "Noto Sans Mono CJK JP"},
    };
    for (auto f : fonts)
        if (name && strcmp(name, f.templateFont) == 0) return QString::fromUtf8(f.family);
    return qtText(name);
}

void qtInitialiseWindows() {
    // message boxes and menus use the same Japanese UI font as the dialogs
    QApplication::setFont(QFont(qtFontFamily("MS UI Gothic"), 9));
}

QStringList qtResourceFolders() {
    QStringList folders;
    QString fromEnvironment = qEnvironmentVariable("TONALIX_RESOURCES");
    if (!fromEnvironment.isEmpty()) folders << fromEnvironment;
    if (QCoreApplication::instance())
        folders << QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/tonalix"));
    if (TONALIX_SOURCE_RESOURCES[0]) folders << QString::fromUtf8(TONALIX_SOURCE_RESOURCES);
    return folders;
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

// --- The window layer ---------------------------------------------------------

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

void setButtonImage(Window dialog, int controlId, int bitmapId) {
    WindowRecord *control = findControl(dialog, controlId);
    auto *button = control ? qobject_cast<QPushButton *>(control->widget) : nullptr;
    if (!button) return;
    control->image = bitmapId;
    QPixmap image = loadBitmap(bitmapId);
    if (image.isNull()) {
        // without its image file the button shows its text, so it can still be used
        button->setIcon(QIcon());
        button->setText(textOf(control));
        return;
    }
    if (!button->property("windowText").isValid()) button->setProperty("windowText", button->text());
    button->setText(QString());
    button->setIcon(QIcon(image));
    button->setIconSize(image.size());
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

void startTimer(Window window, unsigned timerId, unsigned periodMs) {
    if (window && window->receiver) armTimer(window, timerId, periodMs);
}

void stopTimer(Window window, unsigned timerId) {
    if (!window) return;
    auto found = window->timers.find(timerId);
    if (found != window->timers.end()) found->second->stop();
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

int postMessage(Window window, unsigned message, WParam wParam, LParam lParam) {
    std::lock_guard<std::mutex> hold(liveLock);
    if (!window || !liveWindows.count(window)) return 0;
    // postEvent is safe from any thread; the event is handled on the
    // receiver's thread, the one that runs the window
    QCoreApplication::postEvent(window->receiver, new PostedMessageEvent(message, wParam, lParam));
    return 1;
}

void postQuitMessage(int exitCode) {
    quitPending = 1;
    quitCode = exitCode;
    if (messageLoop) messageLoop->exit(exitCode);
}

Window createMessageWindow(WindowProc proc) {
    if (!proc) return nullptr;
    auto *window = new WindowRecord;
    window->proc = proc;
    window->receiver = new MessageObject(window);
    std::lock_guard<std::mutex> hold(liveLock);
    liveWindows.insert(window);
    return window;
}

void destroyMessageWindow(Window window) {
    if (window && !window->dialog && !window->widget) destroyRecord(window);
}

int runMessageLoop() {
    if (!quitPending) {
        QEventLoop loop;
        messageLoop = &loop;
        loop.exec();
        messageLoop = nullptr;
    }
    quitPending = 0;
    return quitCode;
}
