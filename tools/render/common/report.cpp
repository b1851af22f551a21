// The report lines: see report.h.
#include "tools/render/common/report.h"

#include <cmath>
#include <cstring>

std::string reportNumber(const char *format, double value) {
    if (!std::isfinite(value)) return "null";
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    if (text[0] == '-' && std::strspn(text + 1, "0.") == std::strlen(text + 1)) return text + 1; // no "-0.000"
    return text;
}

std::string reportObject(const ReportLine *lines, size_t count) {
    std::string object = "{";
    for (size_t i = 0; i < count; i++)
        object += (i ? ", \"" : "\"") + std::string(lines[i].key) + "\": " + lines[i].value;
    return object + "}";
}

void printReportLines(FILE *out, const ReportLine *lines, size_t count, int json, int labelWidth) {
    if (json) {
        std::fprintf(out, "%s\n", reportObject(lines, count).c_str());
        return;
    }
    for (size_t i = 0; i < count; i++) {
        const ReportLine &line = lines[i];
        if (line.value == "null")
            std::fprintf(out, "%-*s none\n", labelWidth, line.label);
        else if (!line.text.empty())
            std::fprintf(out, "%-*s%s\n", labelWidth, line.label, line.text.c_str());
        else
            std::fprintf(out, "%-*s %s%s\n", labelWidth, line.label, line.value.c_str(), line.unit);
    }
}
