// The dialog builder of the Qt window layer: the widget classes that turn
// user actions into the messages a dialog procedure expects (the dialog
// window, static text), and the turning of a dialog template of res/ into a
// QDialog with a menu bar and a widget for each control row, placed in
// dialog units.  Also the resources the controls show: the fonts the
// templates name and the bitmaps and icons of the resource folders.  The
// drawing of the controls is qtWidgets.cpp; the messages are qtMessages.cpp.
#include "platform/linux/qtDialogBuilder.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>

#include <algorithm>
#include <cstring>

#include "platform/linux/qtWidgets.h"
#include "platform/linux/qtWindow.h"
#include "res/layout.h"

#ifndef TONALIX_SOURCE_RESOURCES
#define TONALIX_SOURCE_RESOURCES ""
#endif

namespace qtWindowParts {

Cursor requestedCursor = nullptr;

namespace {

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

} // namespace

QPixmap loadBitmap(int id) {
    QString path = findImageFile(ImageBitmap, id);
    return path.isEmpty() ? QPixmap() : QPixmap(path);
}

QIcon loadIcon(int id) {
    QString path = findImageFile(ImageIcon, id);
    return path.isEmpty() ? QIcon() : QIcon(path);
}

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
    addLiveWindow(dialog);
    return dialog;
}

} // namespace qtWindowParts

// --- The fonts and resource folders of qtWindow.h ------------------------------

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

QStringList qtResourceFolders() {
    QStringList folders;
    QString fromEnvironment = qEnvironmentVariable("TONALIX_RESOURCES");
    if (!fromEnvironment.isEmpty()) folders << fromEnvironment;
    if (QCoreApplication::instance())
        folders << QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/tonalix"));
    if (TONALIX_SOURCE_RESOURCES[0]) folders << QString::fromUtf8(TONALIX_SOURCE_RESOURCES);
    return folders;
}
