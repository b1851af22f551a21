// The waveform builder: panel rows to formula text.
#include "ui/waveformBuilder.h"

#include <cstdio>
#include <cstring>

#include "res/resource.h"
#include "res/strings.h"
#include "window/windowHelpers.h"

namespace {

const int textSize = 256; // bytes read from a control: 255 characters and the NUL

typedef int (*TermFunction)(Window dialog, ComponentTerm *term);

// One row of the panel, in the order the builder examines them.
struct BuilderRow {
    int checkId;         // the row's check box
    TermFunction term;   // builds the row's term, or refuses it with a message
    int refusalStops;    // 1: a refused row ends the build with the box unchanged
    const char *closing; // appended after the term ("" for none)
};

const BuilderRow builderRows[] = {
    // clang-format off
    //  check               term          refusalStops  closing
    {IDC_SINE_CHECK,     sineTerm,     1,            ""},
    {IDC_SQUARE_CHECK,   squareTerm,   0,            ""},
    {IDC_SAWTOOTH_CHECK, sawtoothTerm, 0,            ""},
    {IDC_TRIANGLE_CHECK, triangleTerm, 0,            ""},
    {IDC_OFFSET_CHECK,   offsetTerm,   0,            ")"},  // the offset term is left open
    // clang-format on
};
const int builderRowCount = sizeof builderRows / sizeof builderRows[0];

// Returns the integer value of control id's text (0 for an empty text).
int controlInteger(Window dialog, int id) {
    char text[textSize];
    getControlText(dialog, id, text, sizeof text);
    return leadingInteger(text);
}

// Runs the checks of a component with a frequency, in order: amplitude 0,
// frequency 0 (or empty), frequency above maxComponentFrequency.  Returns 1
// when all pass, else 0 after the message of the first that failed.
int checkComponent(Window dialog, int amplitude, const char *frequencyText) {
    if (amplitude == 0) {
        reportBadComponent(dialog);
        return 0;
    }
    int frequency = leadingInteger(frequencyText);
    if (frequency == 0) {
        reportBadComponent(dialog);
        return 0;
    }
    if (frequency > maxComponentFrequency) {
        reportFrequencyTooHigh(dialog);
        return 0;
    }
    return 1;
}

// Shared reading of a row with amplitude list, frequency box and phase list:
// fills term through format, or returns 0 after the row's message.
typedef int (*FrequencyFormat)(char *text, int amplitude, const char *frequency, int phase);

int frequencyRowTerm(Window dialog, int amplitudeId, int frequencyId, int phaseId, FrequencyFormat format,
                     ComponentTerm *term) {
    int amplitude = controlInteger(dialog, amplitudeId);
    char frequency[textSize];
    getControlText(dialog, frequencyId, frequency, sizeof frequency);
    if (!checkComponent(dialog, amplitude, frequency)) return 0;
    int phase = phaseId ? controlInteger(dialog, phaseId) : 0;
    format(term->text, amplitude, frequency, phase);
    term->amplitude = amplitude;
    return 1;
}

int sawtoothFormat(char *text, int amplitude, const char *frequency, int) {
    return formatSawtoothTerm(text, amplitude, frequency);
}

} // namespace

int formatSineTerm(char *text, int amplitude, const char *frequency, int phase) {
    if (phase != 0)
        return snprintf(text, termCapacity, "(%0.2f*sin(2*3.1415926535*%s*t-%0.2f/%s))", amplitude * 0.01, frequency,
                        phase * 0.01, frequency);
    return snprintf(text, termCapacity, "(%0.2f*sin(2*3.1415926535*%s*t))", amplitude * 0.01, frequency);
}

int formatSquareTerm(char *text, int amplitude, const char *frequency, int phase) {
    if (phase != 0)
        return snprintf(text, termCapacity, "(%0.2f*(2*(floor((((%s*t)%%1)-0.5)-(%0.2f/%s))+0.999))-1)",
                        amplitude * 0.01, frequency, phase * 0.01, frequency);
    return snprintf(text, termCapacity, "(%0.2f*(2*(floor((((%s*t)%%1)-0.5))+0.999))-1)", amplitude * 0.01, frequency);
}

int formatSawtoothTerm(char *text, int amplitude, const char *frequency) {
    return snprintf(text, termCapacity, "(%0.2f*(%s*(t%%(1/%s))))", amplitude * 0.01, frequency, frequency);
}

int formatOffsetTerm(char *text, int amplitude) { return snprintf(text, termCapacity, "(%0.2f", amplitude * 0.01); }

int reportBadComponent(Window window) {
    showError(window, builderBadComponentText, appCaption);
    return 1;
}

int reportFrequencyTooHigh(Window window) {
    showError(window, builderFrequencyTooHighText, appCaption);
    return 1;
}

int sineTerm(Window dialog, ComponentTerm *term) {
    return frequencyRowTerm(dialog, IDC_SINE_AMPLITUDE, IDC_SINE_FREQUENCY, IDC_SINE_PHASE, formatSineTerm, term);
}

int squareTerm(Window dialog, ComponentTerm *term) {
    return frequencyRowTerm(dialog, IDC_SQUARE_AMPLITUDE, IDC_SQUARE_FREQUENCY, IDC_SQUARE_PHASE, formatSquareTerm,
                            term);
}

// The sawtooth has no phase part: its phase list is never read.
int sawtoothTerm(Window dialog, ComponentTerm *term) {
    return frequencyRowTerm(dialog, IDC_SAWTOOTH_AMPLITUDE, IDC_SAWTOOTH_FREQUENCY, 0, sawtoothFormat, term);
}

// The triangle row is hidden and has no term of its own: it is a placeholder
// that always succeeds with an empty term and amplitude 0.
int triangleTerm(Window, ComponentTerm *term) {
    term->text[0] = '\0';
    term->amplitude = 0;
    return 1;
}

// The offset has only the amplitude check; its term is left open for
// composeFormula to close.
int offsetTerm(Window dialog, ComponentTerm *term) {
    int amplitude = controlInteger(dialog, IDC_OFFSET_AMPLITUDE);
    if (amplitude == 0) {
        reportBadComponent(dialog);
        return 0;
    }
    formatOffsetTerm(term->text, amplitude);
    term->amplitude = amplitude;
    return 1;
}

// The formula is assembled in a buffer large enough for every row at its
// longest, so nothing is cut while building; the length is checked at the
// end, because Play reads only maxFormulaLength characters of the box and
// would otherwise play (or reject) a different formula than the one shown.
int composeFormula(Window dialog) {
    int checked[builderRowCount];
    int any = 0;
    for (int i = 0; i < builderRowCount; i++) {
        checked[i] = isChecked(dialog, builderRows[i].checkId);
        any |= checked[i];
    }
    if (!any) {
        showError(dialog, builderNothingSelectedText, appCaption);
        return 0;
    }
    int master = controlInteger(dialog, IDC_VOLUME_LIST);
    if (master <= 0) return 0;

    static char formula[builderRowCount * (termCapacity + 2) + 32];
    int length = snprintf(formula, sizeof formula, "%0.2f*(", master * 0.01);
    int terms = 0; // terms appended so far
    int total = 0; // amplitude percentages of the accepted rows
    for (int i = 0; i < builderRowCount; i++) {
        if (!checked[i]) continue;
        ComponentTerm term;
        if (!builderRows[i].term(dialog, &term)) {
            if (builderRows[i].refusalStops) return 0;
            continue;
        }
        total += term.amplitude;
        if (term.text[0] == '\0') continue; // the triangle placeholder adds no text and no "+"
        length += snprintf(formula + length, sizeof formula - length, "%s%s%s", terms ? "+" : "", term.text,
                           builderRows[i].closing);
        terms++;
    }
    if (total > 100) {
        showError(dialog, builderTotalTooLargeText, appCaption);
        return 0;
    }
    // Every checked row was refused (each has shown its message): there is
    // nothing to put inside the master level, so the box is left alone.
    if (terms == 0) return 0;
    length += snprintf(formula + length, sizeof formula - length, ")");
    if (length > maxFormulaLength) {
        showError(dialog, builderFormulaTooLongText, appCaption);
        return 0;
    }
    setControlText(dialog, IDC_FORMULA, "");
    setControlText(dialog, IDC_FORMULA, formula);
    return 1;
}
