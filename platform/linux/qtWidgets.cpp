// The drawing of the window's controls on Qt (see qtWidgets.h).
#include "platform/linux/qtWidgets.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QScrollBar>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <qdrawutil.h>

#include <algorithm>
#include <cmath>

namespace {

// Styles that open a list without typing like a menu (Fusion among them)
// lay the open list over the box, as tall as the screen allows, with
// arrows instead of a scroll bar, and ignore the number of visible items.
// The lists ask their style through this proxy, which says no, so the
// open list drops below the box with a scroll bar; everything else is the
// application's style.
class DropBelowStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *answer) const override {
        if (hint == SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(hint, option, widget, answer);
    }
};

// Returns the one proxy all lists share; made on first use, once the
// application exists, and kept for the whole run.
QStyle *dropBelowStyle() {
    static QStyle *style = new DropBelowStyle;
    return style;
}

} // namespace

// --- DropList --------------------------------------------------------------------

DropList::DropList(Qt::Alignment alignment, int droppedHeight, QWidget *parent)
    : QComboBox(parent), alignment(alignment), droppedHeight(droppedHeight) {
    setStyle(dropBelowStyle());
    // a plain item delegate draws each item with its TextAlignmentRole (the
    // menu-like delegate of some styles puts every item at the left)
    setItemDelegate(new QStyledItemDelegate(this));
    view()->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void DropList::showPopup() {
    QComboBox::showPopup();
    QWidget *popup = view()->window();
    if (popup == window() || !popup->isVisible()) return;
    // Qt sized the popup from its count of visible items; the list's own
    // height and the width of its widest item decide instead.  Frames and
    // the scroll bar take what the popup has beyond its viewport.
    int widest = 0;
    for (int row = 0; row < count(); row++) {
        const QModelIndex item = model()->index(row, modelColumn(), rootModelIndex());
        widest = std::max(widest, view()->sizeHintForIndex(item).width());
    }
    const int chrome = popup->width() - view()->viewport()->width();
    const int width = std::max(this->width(), widest + chrome);
    const QPoint boxTop = mapToGlobal(QPoint(0, 0));
    int x = boxTop.x(), y = boxTop.y() + height();
    if (QScreen *where = screen()) {
        const QRect area = where->availableGeometry();
        if (y + droppedHeight > area.bottom() + 1 && boxTop.y() - droppedHeight >= area.top())
            y = boxTop.y() - droppedHeight;
        x = std::max(area.left(), std::min(x, area.right() + 1 - width));
    }
    popup->setGeometry(x, y, width, droppedHeight);
    view()->scrollTo(view()->currentIndex(), QAbstractItemView::EnsureVisible);
}

void DropList::paintEvent(QPaintEvent *) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    // The text field of the style leaves wide margins; narrow lists such as
    // the 25-unit volume list would cut "100", so the text may use the whole
    // box left of the arrow.
    QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    field.setLeft(std::min(field.left(), 3));
    style()->drawItemText(&painter, field, (int)(alignment | Qt::AlignVCenter), palette(), isEnabled(), currentText(),
                          QPalette::ButtonText);
}

// --- Trackbar --------------------------------------------------------------------

void Trackbar::paintEvent(QPaintEvent *) {
    QStylePainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    // The channel: a narrow sunken slot along the thumb's path, in the
    // colours of an empty field.  The style's own groove is left out, since
    // some styles colour it from one end up to the thumb.
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect thumb = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int thickness = 4;
    QRect channel;
    if (orientation() == Qt::Vertical)
        channel = QRect(thumb.center().x() - thickness / 2, groove.top(), thickness, groove.height());
    else
        channel = QRect(groove.left(), thumb.center().y() - thickness / 2, groove.width(), thickness);
    painter.setPen(palette().color(QPalette::Dark));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(channel.adjusted(0, 0, -1, -1));
    option.subControls = QStyle::SC_SliderHandle;
    if (tickPosition() != NoTicks) option.subControls |= QStyle::SC_SliderTickmarks;
    painter.drawComplexControl(QStyle::CC_Slider, option);
}

// --- GroupFrame ------------------------------------------------------------------

GroupFrame::GroupFrame(const QString &title, QWidget *parent) : QGroupBox(title, parent) {}

int GroupFrame::frameTop() const { return fontMetrics().height() / 2; }

void GroupFrame::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    // An etched line, dark over light.  The style's group frame is not used:
    // styles place it below a caption line of their own.
    qDrawShadeRect(&painter, rect().adjusted(0, frameTop(), 0, 0), palette(), true, 1, 0);
    if (title().isEmpty()) return;
    // The caption starts one average character in from the left edge and
    // covers the frame where it stands, its blanks too.
    const QFontMetrics metrics = fontMetrics();
    const QRect caption(metrics.averageCharWidth(), 0, metrics.horizontalAdvance(title()), metrics.height());
    painter.fillRect(caption, palette().color(QPalette::Window));
    style()->drawItemText(&painter, caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, palette(),
                          isEnabled(), title(), QPalette::WindowText);
}

// --- TextEdit --------------------------------------------------------------------

TextEdit::TextEdit(QWidget *parent) : QLineEdit(parent) { centreDigits(); }

void TextEdit::changeEvent(QEvent *event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) centreDigits();
    QLineEdit::changeEvent(event);
}

void TextEdit::centreDigits() {
    // Qt puts the line of the font (ascent over descent) in the middle of
    // the box; the digits stand from the baseline up to their own height.
    // Their middle lies `low` pixels below the line's middle; a bottom
    // margin of twice that lifts them by as much (or a top margin lowers
    // them, for a font whose digits stand high).
    const QFontMetricsF metrics(font());
    const QRectF ink = metrics.tightBoundingRect(QStringLiteral("0123456789"));
    const double low = metrics.ascent() + (ink.top() + ink.bottom()) / 2 - metrics.height() / 2;
    const int margin = (int)std::lround(2 * std::fabs(low));
    setTextMargins(0, low < 0 ? margin : 0, 0, low > 0 ? margin : 0);
}
