// The waveform builder: composes formula text from the settings panel (the
// sine, square, sawtooth, hidden triangle and offset rows under the master
// level) and writes it into the formula box.
//
// The builder compiles nothing.  What it writes is an ordinary formula,
// compiled only when Play is pressed, exactly as if it had been typed.  It
// keeps no state: every press of the apply button starts from scratch.
#pragma once

#include "platform/window.h"

const int maxComponentFrequency = 20000; // Hz; equal is accepted, only greater is refused
const int maxFormulaLength = 255;        // characters Play reads from the formula box
const int termCapacity = 1024;           // bytes of a term: two frequency texts of 255 and the fixed fragments

// What a component hands back on success: its term text and the amplitude
// percentage read from its amplitude list (0 for the triangle placeholder).
// A term built from long frequency texts may exceed maxFormulaLength;
// composeFormula refuses the whole formula then.
struct ComponentTerm {
    char text[termCapacity]; // the term, NUL-terminated; empty for the triangle
    int amplitude;           // integer percentage from the amplitude list
};

// Reads the panel of dialog, checks it and, when a formula comes out, writes
// it into the formula box (first the empty text, then the formula).  Returns
// 1 when the box was rewritten, 0 otherwise (after any message; the box is
// unchanged).
int composeFormula(Window dialog);

// Each reads only its own row's controls.  Returns 1 and fills term, or 0
// after having shown its own message (term is then undefined).
int sineTerm(Window dialog, ComponentTerm *term);
int squareTerm(Window dialog, ComponentTerm *term);
int sawtoothTerm(Window dialog, ComponentTerm *term);
int triangleTerm(Window dialog, ComponentTerm *term);
int offsetTerm(Window dialog, ComponentTerm *term);

// Show "選択した波形の大きさ・周波数を正しく指定してください。" and
// "周波数が最大値を超えています。" as error boxes owned by window; return 1.
int reportBadComponent(Window window);
int reportFrequencyTooHigh(Window window);

// Term texts of checked components, built from already-checked values:
// amplitude and phase as integer percentages, frequency as the box's text.
// Each writes a NUL-terminated term into text (termCapacity bytes) and
// returns its length.
int formatSineTerm(char *text, int amplitude, const char *frequency, int phase);
int formatSquareTerm(char *text, int amplitude, const char *frequency, int phase);
int formatSawtoothTerm(char *text, int amplitude, const char *frequency);
int formatOffsetTerm(char *text, int amplitude);
