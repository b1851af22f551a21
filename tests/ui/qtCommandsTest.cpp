// The builder and the About box in the real Qt window, on the offscreen
// platform: ticking boxes and pressing the apply button writes the formula
// box; the About box opens, shows its texts and link, and closes on Esc,
// the close box and OK.  A picture of the About box is saved for review.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <clocale>
#include <functional>
#include <string>
#include <vector>

#include "app/mainDialog.h"
#include "app/playback.h"
#include "platform/linux/qtWindow.h"
#include "res/layout.h"
#include "res/resource.h"
#include "tests/fakes/fakeWaveOut.h"
#include "ui/aboutBox.h"

#ifndef TONALIX_SCREENSHOT_FOLDER
#define TONALIX_SCREENSHOT_FOLDER "."
#endif

namespace {

std::vector<std::string> messages; // message boxes, answered at once

class QtCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        messages.clear();
        qtSetMessageBoxHook([](Window, const char *text, const char *, unsigned) {
            messages.push_back(text);
            return IDOK;
        });
        resetFakeWaveOut();
        resetPlaybackState();
        linkVisited = 0;
        window = qtOpenDialog(IDD_MAIN, nullptr, mainDialogProc);
        ASSERT_NE(window, nullptr);
        qtDialogWidget(window)->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(qtDialogWidget(window)));
    }

    void TearDown() override {
        qtCloseDialog(window);
        qtSetMessageBoxHook(nullptr);
    }

    template <typename T> T *control(int id) {
        T *widget = qobject_cast<T *>(qtControlWidget(window, id));
        EXPECT_NE(widget, nullptr) << id;
        return widget;
    }

    void click(int id) {
        QWidget *widget = qtControlWidget(window, id);
        ASSERT_NE(widget, nullptr) << id;
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(4, widget->height() / 2));
    }

    // Picks the item reading text in list id, as the user would.
    void pick(int id, const char *text) {
        QComboBox *list = control<QComboBox>(id);
        int index = list->findText(QString::fromUtf8(text));
        ASSERT_GE(index, 0) << text;
        list->setCurrentIndex(index);
        list->activated(index);
    }

    void type(int id, const char *text) {
        QLineEdit *edit = control<QLineEdit>(id);
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromUtf8(text));
    }

    // Runs the About box from the menu command; check sees it open, then
    // closes it.  Returns once the box's modal loop has ended.
    void runAbout(const std::function<void(QDialog *about)> &check) {
        int seen = 0;
        QTimer::singleShot(0, [&] {
            QDialog *about = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(about, nullptr);
            ASSERT_NE(about, qtDialogWidget(window));
            seen = 1;
            check(about);
        });
        QTimer guard; // closes a box the check left open, so a failure cannot hang
        QObject::connect(&guard, &QTimer::timeout, [] {
            if (QWidget *open = QApplication::activeModalWidget()) open->close();
        });
        guard.start(5000);
        mainDialogProc(window, WM_COMMAND, commandParam(IDM_ABOUT, 0), 0);
        EXPECT_EQ(seen, 1);
    }

    Window window = nullptr;
};

TEST_F(QtCommandsTest, ApplyWritesTheFormulaBox) {
    click(IDC_SINE_CHECK);
    EXPECT_TRUE(control<QCheckBox>(IDC_SINE_CHECK)->isChecked());
    pick(IDC_SINE_AMPLITUDE, "40");
    type(IDC_SINE_FREQUENCY, "440");
    click(IDC_SQUARE_CHECK);
    pick(IDC_SQUARE_AMPLITUDE, "30");
    type(IDC_SQUARE_FREQUENCY, "220");
    pick(IDC_VOLUME_LIST, "60");
    click(IDC_APPLY);
    EXPECT_EQ(control<QLineEdit>(IDC_FORMULA)->text().toStdString(),
              "0.60*((0.40*sin(2*3.1415926535*440*t))+(0.30*(2*(floor((((220*t)%1)-0.5))+0.999))-1))");
    EXPECT_TRUE(messages.empty());

    // A refused press leaves the box as it was and tells why.
    pick(IDC_SQUARE_AMPLITUDE, "70");
    click(IDC_APPLY);
    EXPECT_EQ(messages, std::vector<std::string>{"大きさの合計が１００％を超えています"});
    EXPECT_EQ(control<QLineEdit>(IDC_FORMULA)->text().toStdString(),
              "0.60*((0.40*sin(2*3.1415926535*440*t))+(0.30*(2*(floor((((220*t)%1)-0.5))+0.999))-1))");
}

// Returns the label of control id in the About box.
QLabel *aboutLabel(QDialog *about, const char *text) {
    for (QLabel *label : about->findChildren<QLabel *>())
        if (label->text() == QString::fromUtf8(text)) return label;
    return nullptr;
}

TEST_F(QtCommandsTest, AboutBoxShowsItsTextsAndClosesOnEsc) {
    runAbout([](QDialog *about) {
        EXPECT_EQ(about->windowTitle().toStdString(), " バ ー ジ ョ ン 情 報");
        for (int entry : {IDS_APP_NAME, IDS_VERSION, IDS_RIGHTS, IDS_LINK_CAPTION})
            EXPECT_NE(aboutLabel(about, resourceString(entry)), nullptr) << entry;
        QLabel *link = aboutLabel(about, resourceString(IDS_LINK_CAPTION));
        ASSERT_NE(link, nullptr);
        QImage picture = about->grab().toImage(); // paints, so the link has asked for its colours
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        // The caption is drawn whole inside its control.
        EXPECT_LE(link->fontMetrics().horizontalAdvance(link->text()), link->width());
        QLabel *rights = aboutLabel(about, resourceString(IDS_RIGHTS));
        ASSERT_NE(rights, nullptr);
        EXPECT_LE(rights->fontMetrics().horizontalAdvance(rights->text()), rights->width());

        QDir().mkpath(QStringLiteral(TONALIX_SCREENSHOT_FOLDER));
        EXPECT_TRUE(picture.save(QStringLiteral(TONALIX_SCREENSHOT_FOLDER "/aboutBox.png")));

        // The pointer over the link is a pointing hand.
        QPointF centre = link->rect().center();
        QEnterEvent enter(centre, link->mapTo(about, centre), link->mapToGlobal(centre));
        QApplication::sendEvent(link, &enter);
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);

        QTest::keyClick(about, Qt::Key_Escape);
    });
}

// Right and middle clicks, single or double, open nothing and leave the link
// blue; a left click follows it and turns it purple.
TEST_F(QtCommandsTest, OnlyTheLeftButtonFollowsTheLink) {
    runAbout([](QDialog *about) {
        QLabel *link = aboutLabel(about, resourceString(IDS_LINK_CAPTION));
        ASSERT_NE(link, nullptr);
        const struct {
            Qt::MouseButton button;
            bool twice;
            int followed;
        } clicks[] = {
            {Qt::RightButton, false, 0}, {Qt::MiddleButton, false, 0}, {Qt::RightButton, true, 0},
            {Qt::MiddleButton, true, 0}, {Qt::LeftButton, false, 1},
        };
        for (const auto &c : clicks) {
            if (c.twice)
                QTest::mouseDClick(link, c.button);
            else
                QTest::mouseClick(link, c.button);
            about->grab(); // paints, so the link asks for its colour
            EXPECT_EQ(linkVisited, c.followed) << c.button << " twice " << c.twice;
            EXPECT_EQ(link->palette().color(QPalette::WindowText), c.followed ? QColor(128, 0, 128) : QColor(0, 0, 255))
                << c.button << " twice " << c.twice;
        }
        about->close();
    });
}

TEST_F(QtCommandsTest, AboutBoxClosesOnTheCloseBoxAndOk) {
    runAbout([](QDialog *about) { about->close(); });
    runAbout([](QDialog *about) {
        QPushButton *ok = about->findChild<QPushButton *>();
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text().toStdString(), "OK");
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    // The main window is still there and working.
    click(IDC_APPLY);
    EXPECT_EQ(messages, std::vector<std::string>{"波形が選択されていません"});
}

TEST_F(QtCommandsTest, AboutBoxIsCentredOnTheScreenWhereverTheMainWindowIs) {
    QDialog *main = qtDialogWidget(window);
    main->show();
    main->move(0, 0);
    runAbout([](QDialog *about) {
        const QPoint screenCentre = about->screen()->availableGeometry().center();
        const QPoint centre = about->geometry().center();
        EXPECT_LE((centre - screenCentre).manhattanLength(), 2)
            << centre.x() << "," << centre.y() << " against " << screenCentre.x() << "," << screenCentre.y();
        about->close();
    });
}

// The data-file chooser (its button is hidden, so the command comes from the
// window layer): Qt's file dialog with the title, the three filters in their
// order and the CSV one selected, starting in the current folder and taking
// existing files only; the chosen path goes into the path box.
TEST_F(QtCommandsTest, DataFileChooserOffersTheFiltersAndTakesAnExistingFile) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char *name : {"wave.csv", "notes.txt", "samples"}) {
        QFile file(folder.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    int seen = 0;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seen = 1;
        EXPECT_EQ(dialog->windowTitle().toStdString(), "ファイルを指定する");
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog->directory().canonicalPath(), QDir(folder.path()).canonicalPath());
        const QStringList filters = dialog->nameFilters();
        ASSERT_EQ(filters.size(), 3);
        EXPECT_EQ(filters[0].toStdString(), "CSVファイル (*.csv)");
        EXPECT_EQ(filters[1].toStdString(), "テキストファイル (*.txt)");
        EXPECT_TRUE(filters[2].startsWith(QStringLiteral("全てのファイル (")));
        EXPECT_EQ(dialog->selectedNameFilter(), filters[0]);
        // Which files each filter shows, with the patterns Qt reads from
        // the parentheses: "all files" includes one without an extension.
        const struct {
            int filter;
            QStringList shown;
        } listings[] = {
            {0, {QStringLiteral("wave.csv")}},
            {1, {QStringLiteral("notes.txt")}},
            {2, {QStringLiteral("notes.txt"), QStringLiteral("samples"), QStringLiteral("wave.csv")}},
        };
        for (const auto &listing : listings) {
            const QString filter = filters[listing.filter];
            const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
            const QStringList patterns =
                filter.mid(open + 1, filter.size() - open - 2).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            EXPECT_EQ(QDir(folder.path()).entryList(patterns, QDir::Files, QDir::Name).join(QLatin1Char(' ')),
                      listing.shown.join(QLatin1Char(' ')))
                << filter.toStdString();
        }
        dialog->selectFile(folder.filePath(QStringLiteral("wave.csv")));
        static_cast<QDialog *>(dialog)->accept(); // as the Open button does
    });
    QTimer guard; // closes a dialog the check left open, so a failure cannot hang
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (QWidget *open = QApplication::activeModalWidget()) open->close();
    });
    guard.start(5000);
    mainDialogProc(window, WM_COMMAND, commandParam(IDC_CHOOSE_FILE, BN_CLICKED), 0);
    QDir::setCurrent(saved);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(control<QLineEdit>(IDC_DATA_PATH)->text(), folder.filePath(QStringLiteral("wave.csv")));
    EXPECT_TRUE(messages.empty());
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    setlocale(LC_NUMERIC, "C"); // formulas are written with a decimal point
    qtInitialiseWindows();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
