// The drawing of the window's controls on Qt: widgets that look as the
// dialog templates describe, whatever the application's style.  They hold
// no behaviour of the program; qtDialogBuilder.cpp wires them to the
// dialogs.
#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSlider>

// A drop-down list without typing.  The closed box shows its text with the
// list's alignment; the open list drops below the box (above it when the
// screen has no room below), exactly droppedHeight pixels tall with a
// vertical scroll bar, at least as wide as the box and wide enough for its
// widest item, and draws each item with the item's own alignment.
class DropList : public QComboBox {
public:
    DropList(Qt::Alignment alignment, int droppedHeight, QWidget *parent);
    void showPopup() override;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    Qt::Alignment alignment;
    int droppedHeight;
};

// A slider drawn as a plain channel with the thumb on it: no part of the
// channel is coloured, so the picture shows only where the thumb stands.
class Trackbar : public QSlider {
public:
    Trackbar(Qt::Orientation orientation, QWidget *parent) : QSlider(orientation, parent) {}

protected:
    void paintEvent(QPaintEvent *) override;
};

// A group box whose frame line runs through the middle of its caption's
// line: the caption, blanks included, is drawn over the frame, which is
// broken where the caption stands.  Controls inside are its siblings.
class GroupFrame : public QGroupBox {
public:
    GroupFrame(const QString &title, QWidget *parent);
    // Returns the frame's top line, in the widget's pixels.
    int frameTop() const;

protected:
    void paintEvent(QPaintEvent *) override;
};

// A one-line edit whose digits and capitals stand midway between the top
// and the bottom of the box.  Qt centres the font's whole line, and a font
// with a deep descent, such as the Japanese UI font, then sets the digits
// low; the text margins move them back.
class TextEdit : public QLineEdit {
public:
    explicit TextEdit(QWidget *parent);

protected:
    void changeEvent(QEvent *event) override;

private:
    // Sets the text margins that centre the digits for the current font.
    void centreDigits();
};
