// The waveform builder on the in-memory main window: formulas composed from
// the panel, every check and message, the row order and partial refusals.
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/fakes/fakeWindow.h"
#include "tests/ui/commandWindowFixture.h"
#include "ui/waveformBuilder.h"
#include "window/windowHelpers.h"

namespace {

const char *const B = "選択した波形の大きさ・周波数を正しく指定してください。";
const char *const F = "周波数が最大値を超えています。";
const char *const N = "波形が選択されていません";
const char *const T = "大きさの合計が１００％を超えています";
const char *const L = "波形式が長すぎます（２５５文字まで）";

const char *const oldFormula = "x=1, x"; // what the box holds before the press

// One row of the panel as the user sets it.
struct Row {
    int checked = 0;
    int amplitude = 0;              // percent, picked from the list
    std::string frequency = "1000"; // typed text
    int phase = 0;                  // percent, picked from the list
};

struct Panel {
    Row sine, square, sawtooth, triangle, offset;
    int master = 100;
    int sawtoothPhase = 0; // the sawtooth row's phase list, which no term reads
};

struct BuilderCase {
    const char *name;
    Panel panel;
    const char *formula;                // what the box holds afterwards; null: unchanged
    std::vector<const char *> messages; // message boxes, in order
};

Row on(int amplitude, std::string frequency = "1000", int phase = 0) {
    Row row;
    row.checked = 1;
    row.amplitude = amplitude;
    row.frequency = frequency;
    row.phase = phase;
    return row;
}

Panel panel(Row sine, Row square, Row sawtooth, Row offset, int master = 100) {
    Panel p;
    p.sine = sine;
    p.square = square;
    p.sawtooth = sawtooth;
    p.offset = offset;
    p.master = master;
    return p;
}

const Row off;
const Row startSine = on(100); // the sine row's start values, ticked

// A frequency text of the given length: leading zeros before 1000.
std::string paddedFrequency(size_t length) { return std::string(length - 4, '0') + "1000"; }

const std::vector<BuilderCase> builderCases = {
    // The five worked examples.
    {"start values, sine ticked", panel(startSine, off, off, off), "1.00*((1.00*sin(2*3.1415926535*1000*t)))", {}},
    {"sine, sawtooth and offset under 80",
     panel(on(50, "440", 25), off, on(20, "110"), on(10), 80),
     "0.80*((0.50*sin(2*3.1415926535*440*t-0.25/440))+(0.20*(110*(t%(1/110))))+(0.10))",
     {}},
    {"square with phase",
     panel(off, on(100, "1000", 50), off, off),
     "1.00*((1.00*(2*(floor((((1000*t)%1)-0.5)-(0.50/1000))+0.999))-1))",
     {}},
    {"sine and square under 60",
     panel(on(40, "440"), on(30, "220"), off, off, 60),
     "0.60*((0.40*sin(2*3.1415926535*440*t))+(0.30*(2*(floor((((220*t)%1)-0.5))+0.999))-1))",
     {}},
    {"offset alone", panel(off, off, off, on(50)), "1.00*((0.50))", {}},

    // Checks of a row, in their order.
    {"nothing ticked", panel(off, off, off, off), nullptr, {N}},
    {"master level 0", panel(startSine, off, off, off, 0), nullptr, {}},
    {"nothing ticked wins over master 0", panel(off, off, off, off, 0), nullptr, {N}},
    {"frequency 20000 accepted",
     panel(on(100, "20000"), off, off, off),
     "1.00*((1.00*sin(2*3.1415926535*20000*t)))",
     {}},
    {"frequency 20001 refused", panel(on(100, "20001"), off, off, off), nullptr, {F}},
    {"frequency 0 refused", panel(on(100, "0"), off, off, off), nullptr, {B}},
    {"empty frequency refused", panel(on(100, ""), off, off, off), nullptr, {B}},
    {"amplitude 0 checked before frequency", panel(on(0, "99999"), off, off, off), nullptr, {B}},
    {"leading zeros pass and are kept",
     panel(on(100, "0440"), off, off, off),
     "1.00*((1.00*sin(2*3.1415926535*0440*t)))",
     {}},
    {"leading zeros do not hide a high frequency", panel(on(100, "020001"), off, off, off), nullptr, {F}},
    {"a frequency beyond 32 bits is too high", panel(on(100, "99999999999999999999"), off, off, off), nullptr, {F}},
    {"sine phase 1 is written",
     panel(on(100, "1000", 1), off, off, off),
     "1.00*((1.00*sin(2*3.1415926535*1000*t-0.01/1000)))",
     {}},
    {"square phase 0 has no phase part",
     panel(off, on(99, "50"), off, off),
     "1.00*((0.99*(2*(floor((((50*t)%1)-0.5))+0.999))-1))",
     {}},
    {"offset amplitude 0 refused", panel(off, off, off, on(0)), nullptr, {B}},

    // Refusals of whole builds and of single rows.
    {"square left at amplitude 0 beside the sine",
     panel(startSine, on(0), off, off),
     "1.00*((1.00*sin(2*3.1415926535*1000*t)))",
     {B}},
    {"a refused sine stops the build", panel(on(0), on(30, "99999"), on(30), on(10)), nullptr, {B}},
    {"refused rows report in row order",
     panel(on(10), on(10, "0"), on(10, "30000"), on(0)),
     "1.00*((0.10*sin(2*3.1415926535*1000*t)))",
     {B, F, B}},
    {"refused rows leave the others joined",
     panel(off, on(10, "30000"), on(20, "110"), on(30)),
     "1.00*((0.20*(110*(t%(1/110))))+(0.30))",
     {F}},
    {"every ticked row refused writes nothing", panel(off, on(0), on(10, ""), on(0)), nullptr, {B, B, B}},
    {"amplitudes of exactly 100 in all",
     panel(on(6), on(83), off, on(11)),
     "1.00*((0.06*sin(2*3.1415926535*1000*t))+(0.83*(2*(floor((((1000*t)%1)-0.5))+0.999))-1)+(0.11))",
     {}},
    {"amplitudes above 100 in all", panel(on(50), on(51), off, off), nullptr, {T}},
    {"refused rows do not count towards the total",
     panel(on(50), on(60, "0"), off, on(50)),
     "1.00*((0.50*sin(2*3.1415926535*1000*t))+(0.50))",
     {B}},
    {"the master level is not part of the total",
     panel(on(100), off, off, off, 100),
     "1.00*((1.00*sin(2*3.1415926535*1000*t)))",
     {}},

    // Length: every character of the frequency texts goes into the formula,
    // and Play reads only 255 characters.
    {"longest formula of five-digit frequencies",
     panel(on(25, "20000", 25), on(25, "20000", 25), on(25, "20000"), on(25)),
     "1.00*((0.25*sin(2*3.1415926535*20000*t-0.25/20000))+(0.25*(2*(floor((((20000*t)%1)-0.5)-(0.25/20000))"
     "+0.999))-1)+(0.25*(20000*(t%(1/20000))))+(0.25))",
     {}},
    {"formula of 256 characters refused", panel(on(100, paddedFrequency(255 - 36 + 1)), off, off, off), nullptr, {L}},
    {"frequency text of 255 characters refused", panel(on(100, paddedFrequency(255)), off, off, off), nullptr, {L}},
    {"too long is checked after the total", panel(on(60, paddedFrequency(255)), on(60), off, off), nullptr, {T}},
};

class WaveformBuilderTest : public CommandWindowTest {
protected:
    // Sets one row's controls; the triangle row is hidden, so it is set
    // through the window layer rather than clicked.
    void setRow(const Row &row, int check, int amplitude, int frequency, int phase) {
        checkButton(window, check, row.checked);
        listSelect(window, amplitude, 100 - row.amplitude); // the list reads 100 down to 0
        setControlText(window, frequency, row.frequency.c_str());
        if (phase) listSelect(window, phase, row.phase); // the list reads 0 up to 99
    }

    void setPanel(const Panel &p) {
        setRow(p.sine, IDC_SINE_CHECK, IDC_SINE_AMPLITUDE, IDC_SINE_FREQUENCY, IDC_SINE_PHASE);
        setRow(p.square, IDC_SQUARE_CHECK, IDC_SQUARE_AMPLITUDE, IDC_SQUARE_FREQUENCY, IDC_SQUARE_PHASE);
        setRow(p.sawtooth, IDC_SAWTOOTH_CHECK, IDC_SAWTOOTH_AMPLITUDE, IDC_SAWTOOTH_FREQUENCY, 0);
        listSelect(window, IDC_SAWTOOTH_PHASE, p.sawtoothPhase);
        setRow(p.triangle, IDC_TRIANGLE_CHECK, IDC_TRIANGLE_AMPLITUDE, IDC_TRIANGLE_FREQUENCY, IDC_TRIANGLE_PHASE);
        checkButton(window, IDC_OFFSET_CHECK, p.offset.checked);
        listSelect(window, IDC_OFFSET_AMPLITUDE, 100 - p.offset.amplitude);
        listSelect(window, IDC_VOLUME_LIST, 100 - p.master);
    }

    // Presses the apply button as the user would.
    void apply() { ASSERT_EQ(fakeClick(window, IDC_APPLY), 1); }
};

TEST_F(WaveformBuilderTest, ComposesOrRefusesEachPanel) {
    for (const BuilderCase &c : builderCases) {
        SCOPED_TRACE(c.name);
        closeWindow();
        openWindow();
        setControlText(window, IDC_FORMULA, oldFormula);
        setPanel(c.panel);
        apply();
        EXPECT_EQ(controlText(IDC_FORMULA), c.formula ? c.formula : oldFormula);
        std::vector<std::string> expected(c.messages.begin(), c.messages.end());
        EXPECT_EQ(messageTexts(), expected);
        for (const FakeMessageBox &box : fakeMessageBoxes()) {
            EXPECT_EQ(box.caption, "Tonalix");
            EXPECT_EQ(box.flags, MB_OK | MB_ICONERROR);
            EXPECT_EQ(box.owner, window);
        }
        if (c.formula) {
            EXPECT_LE(controlText(IDC_FORMULA).size(), 255u);
        }
    }
}

// The start values, as the main dialog sets them, give the first worked
// example once the sine is ticked; unticked, the button only complains.
TEST_F(WaveformBuilderTest, StartValuesOfTheWindow) {
    setControlText(window, IDC_FORMULA, oldFormula);
    apply();
    EXPECT_EQ(messageTexts(), std::vector<std::string>{N});
    EXPECT_EQ(controlText(IDC_FORMULA), oldFormula);

    ASSERT_EQ(fakeClick(window, IDC_SINE_CHECK), 1);
    apply();
    EXPECT_EQ(controlText(IDC_FORMULA), "1.00*((1.00*sin(2*3.1415926535*1000*t)))");
    EXPECT_EQ(composeFormula(window), 1);
}

// The hidden triangle row is a placeholder: it adds no text, no "+" and
// nothing to the total, and on its own writes nothing.
TEST_F(WaveformBuilderTest, TrianglePlaceholderAddsNothing) {
    const struct {
        Panel panel;
        const char *formula;
    } cases[] = {
        {[] {
             Panel p;
             p.triangle = on(50);
             return p;
         }(),
         nullptr},
        {[] {
             Panel p = panel(startSine, off, off, on(0));
             p.triangle = on(50);
             return p;
         }(),
         "1.00*((1.00*sin(2*3.1415926535*1000*t)))"},
        {[] {
             Panel p = panel(on(60), off, off, on(40));
             p.triangle = on(50);
             return p;
         }(),
         "1.00*((0.60*sin(2*3.1415926535*1000*t))+(0.40))"},
    };
    for (const auto &c : cases) {
        setControlText(window, IDC_FORMULA, oldFormula);
        setPanel(c.panel);
        apply();
        EXPECT_EQ(controlText(IDC_FORMULA), c.formula ? c.formula : oldFormula);
    }
}

// The sawtooth term is complete whatever its phase list shows.
TEST_F(WaveformBuilderTest, SawtoothIgnoresEveryPhaseList) {
    for (int phase : {0, 1, 50, 99}) {
        Panel p = panel(off, off, on(30, "250"), off);
        p.sawtoothPhase = phase;
        p.sine.phase = p.square.phase = p.triangle.phase = phase;
        setPanel(p);
        apply();
        EXPECT_EQ(controlText(IDC_FORMULA), "1.00*((0.30*(250*(t%(1/250)))))") << phase;
    }
}

// Each component reads only its own row.
TEST_F(WaveformBuilderTest, ComponentsReadTheirOwnRows) {
    setPanel(panel(on(10, "11", 1), on(20, "22", 2), on(30, "33"), on(40)));
    ComponentTerm term;
    ASSERT_EQ(sineTerm(window, &term), 1);
    EXPECT_STREQ(term.text, "(0.10*sin(2*3.1415926535*11*t-0.01/11))");
    EXPECT_EQ(term.amplitude, 10);
    ASSERT_EQ(squareTerm(window, &term), 1);
    EXPECT_STREQ(term.text, "(0.20*(2*(floor((((22*t)%1)-0.5)-(0.02/22))+0.999))-1)");
    EXPECT_EQ(term.amplitude, 20);
    ASSERT_EQ(sawtoothTerm(window, &term), 1);
    EXPECT_STREQ(term.text, "(0.30*(33*(t%(1/33))))");
    EXPECT_EQ(term.amplitude, 30);
    ASSERT_EQ(offsetTerm(window, &term), 1);
    EXPECT_STREQ(term.text, "(0.40");
    EXPECT_EQ(term.amplitude, 40);
    ASSERT_EQ(triangleTerm(window, &term), 1);
    EXPECT_STREQ(term.text, "");
    EXPECT_EQ(term.amplitude, 0);
    EXPECT_TRUE(fakeMessageBoxes().empty());
}

struct IntegerCase {
    const char *text;
    int value;
};

// The window's leading-digits rule, without overflow.
TEST(LeadingInteger, ReadsLeadingDigits) {
    const IntegerCase cases[] = {
        // clang-format off
        {"", 0},           {"0", 0},           {"1000", 1000},        {"0440", 440},
        {"12ab", 12},      {"ab12", 0},        {" 7", 7},             {"-5", -5},
        {"+5", 5},         {"20001", 20001},   {"2147483647", 2147483647},
        {"2147483648", 2147483647},            {"99999999999999999999999", 2147483647},
        {"-99999999999999999999999", -2147483647 - 1},
        // clang-format on
    };
    for (const IntegerCase &c : cases)
        EXPECT_EQ(leadingInteger(c.text), c.value) << '"' << c.text << '"';
}

} // namespace
