// What the user sees of the real Qt window, measured on its pixels and its
// geometry: the open lists, the trackbar, the group boxes' captions and the
// digits in the frequency boxes.  Pictures are saved for review.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTest>

#include <cstdlib>

#include "app/mainDialog.h"
#include "app/playback.h"
#include "audio/waveStream.h"
#include "platform/linux/qtWindow.h"
#include "res/layout.h"
#include "res/resource.h"
#include "tests/fakes/fakeWaveOut.h"

namespace {

class QtLooksTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetFakeWaveOut();
        waveStream = WaveStream();
        resetPlaybackState();
        dialog = qtOpenDialog(IDD_MAIN, nullptr, mainDialogProc);
        ASSERT_NE(dialog, nullptr);
        widget = qtDialogWidget(dialog);
        widget->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
        qtDialogBaseUnits(dialog, &baseX, &baseY);
        QDir().mkpath(QStringLiteral(TONALIX_SCREENSHOTS));
    }
    void TearDown() override {
        qtCloseDialog(dialog);
        resetFakeWaveOut();
    }
    void settle() {
        for (int i = 0; i < 5; i++)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    // Returns v vertical dialog units in pixels, rounded as the layout rounds.
    int unitsDown(int v) const { return (v * baseY + 4) / 8; }

    Window dialog = nullptr;
    QDialog *widget = nullptr;
    int baseX = 0, baseY = 0;
};

// Returns the grey level of a pixel.
int grey(QRgb pixel) { return qGray(pixel); }

// Returns whether the pixel at x, y stands out from the background grey
// level (ink of text or lines).
bool isInk(const QImage &image, int x, int y, int background) {
    return std::abs(grey(image.pixel(x, y)) - background) > 40;
}

// Stores the first and last column (or row) of rect in image that hold ink
// against background; both -1 when none does.
void inkSpan(const QImage &image, const QRect &rect, int background, bool columns, int *first, int *last) {
    *first = *last = -1;
    for (int y = rect.top(); y <= rect.bottom(); y++)
        for (int x = rect.left(); x <= rect.right(); x++) {
            if (!isInk(image, x, y, background)) continue;
            const int at = columns ? x : y;
            if (*first < 0 || at < *first) *first = at;
            if (at > *last) *last = at;
        }
}

// Each kind of list drops below its box to its dropped height, with a scroll
// bar, shows every item whole, and draws its items on the side the list is
// aligned to.
TEST_F(QtLooksTest, OpenListsDropToTheirHeightWithWholeAlignedItems) {
    const struct {
        int id;
        int droppedUnits;
        bool right;
        const char *picture; // saved for review, or null
    } lists[] = {
        {IDC_SINE_AMPLITUDE, 81, true, nullptr},
        {IDC_SINE_PHASE, 81, true, nullptr},
        {IDC_VOLUME_LIST, 81, true, "window-volume-list-open.png"},
        {IDC_DATA_DIRECTION, 43, false, nullptr},
    };
    for (const auto &l : lists) {
        auto *list = qobject_cast<QComboBox *>(qtControlWidget(dialog, l.id));
        ASSERT_NE(list, nullptr) << l.id;
        // a click opens a shown list; the hidden one is opened directly
        if (list->isVisible())
            QTest::mouseClick(list, Qt::LeftButton);
        else
            list->showPopup();
        settle();
        QAbstractItemView *view = list->view();
        QWidget *popup = view->window();
        ASSERT_TRUE(popup->isVisible()) << l.id;
        EXPECT_EQ(popup->height(), unitsDown(l.droppedUnits)) << l.id;
        EXPECT_EQ(popup->geometry().top(), list->mapToGlobal(QPoint(0, list->height())).y()) << l.id;
        EXPECT_GE(popup->width(), list->width()) << l.id;
        if (l.droppedUnits == 81) {
            EXPECT_TRUE(view->verticalScrollBar()->isVisible()) << l.id;
        }
        for (int row = 0; row < list->count(); row++) {
            const QModelIndex index = list->model()->index(row, 0);
            // the part of the item inside the viewport, the part one can see
            const QRect item = view->visualRect(index);
            const int shown = std::min(item.right(), view->viewport()->width() - 1) - std::max(item.left(), 0) + 1;
            EXPECT_LE(view->sizeHintForIndex(index).width(), shown)
                << l.id << " item " << list->itemText(row).toStdString() << " is cut";
        }

        // The item below the current one, drawn unselected.
        const QModelIndex probe = list->model()->index(list->currentIndex() + 1, 0);
        view->scrollTo(probe);
        settle();
        const QImage picture = view->viewport()->grab().toImage();
        const QRect item = view->visualRect(probe).intersected(picture.rect());
        const int background = grey(picture.pixel(l.right ? item.left() + 1 : item.right() - 1, item.center().y()));
        int left = 0, right = 0;
        inkSpan(picture, item, background, true, &left, &right);
        ASSERT_GE(left, 0) << l.id << ": no text drawn";
        // the text lies nearer the side it is aligned to
        const int gapLeft = left - item.left(), gapRight = item.right() - right;
        EXPECT_LT(l.right ? gapRight : gapLeft, l.right ? gapLeft : gapRight)
            << l.id << ": " << gapLeft << " px left of the text, " << gapRight << " right";
        if (l.picture) {
            // the window with the open list over it, as the screen shows them
            const QRect window(widget->mapToGlobal(QPoint(0, 0)), widget->size());
            const QRect both = window.united(popup->geometry());
            QImage screen(both.size(), QImage::Format_RGB32);
            screen.fill(Qt::darkGray);
            QPainter painter(&screen);
            painter.drawPixmap(window.topLeft() - both.topLeft(), widget->grab());
            painter.drawPixmap(popup->geometry().topLeft() - both.topLeft(), popup->grab());
            painter.end();
            screen.save(QStringLiteral(TONALIX_SCREENSHOTS "/") + QString::fromUtf8(l.picture));
        }
        list->hidePopup();
        settle();
    }
}

// The trackbar's channel looks the same wherever the thumb stands: nothing
// colours it from one end to the thumb.  Rows that the thumb covers in
// neither picture must match.
TEST_F(QtLooksTest, TrackbarChannelHasNoFillAtAnyVolume) {
    auto *list = qobject_cast<QComboBox *>(qtControlWidget(dialog, IDC_VOLUME_LIST));
    auto *slider = qobject_cast<QSlider *>(qtControlWidget(dialog, IDC_VOLUME_TRACKBAR));
    ASSERT_TRUE(list && slider);
    struct Shot {
        QImage image;
        QRect thumb;
    };
    std::vector<Shot> shots;
    for (const char *volume : {"100", "63", "37", "0"}) {
        const int index = list->findText(QString::fromUtf8(volume));
        list->setCurrentIndex(index);
        list->activated(index); // the list moves the trackbar, as a pick does
        settle();
        ASSERT_EQ(slider->value(), 100 - atoi(volume));
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = option.sliderValue = slider->value();
        option.upsideDown = slider->invertedAppearance() != (slider->orientation() == Qt::Vertical);
        const QRect thumb =
            slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
        shots.push_back({slider->grab().toImage().convertToFormat(QImage::Format_RGB32), thumb});
        if (volume[0] == '3') shots.back().image.save(QStringLiteral(TONALIX_SCREENSHOTS "/trackbar-volume-37.png"));
    }
    for (size_t a = 1; a < shots.size(); a++) {
        EXPECT_NE(shots[a].thumb.top(), shots[0].thumb.top()) << "the thumb did not move";
        for (int y = 0; y < shots[0].image.height(); y++) {
            if (y >= shots[0].thumb.top() - 1 && y <= shots[0].thumb.bottom() + 1) continue;
            if (y >= shots[a].thumb.top() - 1 && y <= shots[a].thumb.bottom() + 1) continue;
            const QRgb *one = (const QRgb *)shots[0].image.constScanLine(y);
            const QRgb *other = (const QRgb *)shots[a].image.constScanLine(y);
            ASSERT_TRUE(std::equal(one, one + shots[0].image.width(), other)) << "row " << y << " shot " << a;
        }
    }
}

// A group box's caption stands on its frame line: the line runs through the
// caption's letters, and is broken where the caption stands.
TEST_F(QtLooksTest, GroupBoxCaptionsSitOnTheFrameLine) {
    int checked = 0;
    for (QGroupBox *group : widget->findChildren<QGroupBox *>()) {
        if (!group->isVisible()) continue;
        const QImage picture = group->grab().toImage();
        const int background = grey(picture.pixel(picture.width() / 2, picture.height() / 2));
        // the frame's top line, found near the right end, past the caption
        int line = -1;
        for (int y = 0; y < picture.height() / 2 && line < 0; y++)
            if (isInk(picture, picture.width() - 4, y, background)) line = y;
        ASSERT_GE(line, 0) << group->title().toStdString();
        const QFontMetrics metrics = group->fontMetrics();
        const QRect caption(metrics.averageCharWidth(), 0, metrics.horizontalAdvance(group->title().trimmed()) + 4,
                            picture.height() / 2);
        int top = 0, bottom = 0;
        inkSpan(picture, caption, background, false, &top, &bottom);
        EXPECT_LT(top, line) << group->title().toStdString();
        EXPECT_GT(bottom, line) << group->title().toStdString();
        checked++;
    }
    EXPECT_EQ(checked, 2);
}

// The digits in the frequency boxes stand midway between the box's top and
// bottom edges, to a pixel.
TEST_F(QtLooksTest, DigitsStandMidwayInTheFrequencyBoxes) {
    for (int id : {IDC_SINE_FREQUENCY, IDC_SQUARE_FREQUENCY, IDC_SAWTOOTH_FREQUENCY}) {
        auto *edit = qobject_cast<QLineEdit *>(qtControlWidget(dialog, id));
        ASSERT_NE(edit, nullptr);
        ASSERT_EQ(edit->text(), QStringLiteral("1000"));
        const QImage picture = edit->grab().toImage();
        const int middle = picture.width() / 2;
        const int field = grey(picture.pixel(6, picture.height() / 2));
        // the white field inside the frame, along a column left of the text
        int fieldTop = -1, fieldBottom = -1;
        for (int y = 0; y < picture.height(); y++) {
            if (grey(picture.pixel(6, y)) != field) continue;
            if (fieldTop < 0) fieldTop = y;
            fieldBottom = y;
        }
        int inkTop = 0, inkBottom = 0;
        inkSpan(picture, QRect(middle, fieldTop, picture.width() - middle - 2, fieldBottom - fieldTop + 1), field,
                false, &inkTop, &inkBottom);
        ASSERT_GE(inkTop, 0) << id;
        const int above = inkTop - fieldTop, below = fieldBottom - inkBottom;
        EXPECT_LE(std::abs(above - below), 1) << id << ": " << above << " px above the digits, " << below << " below";
    }
}

} // namespace
