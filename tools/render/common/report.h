// The reports of --analyze and --measure: lines of a key, a label, a value
// and a unit, printed as aligned text or as one JSON object.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// One line of a report.  value is JSON ("null" for a figure with no
// meaning); text, when not empty, stands for value and unit in the text
// form (it starts with its own blank).
struct ReportLine {
    const char *key;   // the JSON key
    const char *label; // the text's label
    std::string value;
    const char *unit; // the text's unit, after the value
    std::string text;
};

// Returns value printed with format, or "null" when it is not finite; a
// negative zero ("-0.000") loses its sign.
std::string reportNumber(const char *format, double value);
// Returns count lines as one JSON object, "{" to "}" on one line, without
// a newline.  Changes nothing.
std::string reportObject(const ReportLine *lines, size_t count);
// Writes count lines to out: one JSON object on a line when json, else a
// line each, the label padded to labelWidth and "none" for a null value.
// Returns nothing.
void printReportLines(FILE *out, const ReportLine *lines, size_t count, int json, int labelWidth);
