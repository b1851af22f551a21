// The report of several channels: see channels.h.
#include "tools/render/measure/channels.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "tools/render/common/report.h"
#include "tools/render/measure/limits.h"
#include "tools/render/measure/measure.h"

namespace {

const int crosstalkColumn = 10; // the width of an input's column in the text's table

// Returns the lines of channel c's block: the channel, the input that
// carries it, then the figures of one channel.
std::vector<ReportLine> channelLines(const std::vector<PathReport> &reports, unsigned c) {
    const PathReport &r = reports[c];
    const std::string title = channelTitle(c, (unsigned)reports.size());
    std::vector<ReportLine> lines = {
        {"channel", "channel", std::to_string(c + 1), "", " " + title.substr(title.find(' ') + 1)},
        {"input_channel", "input channel", r.found ? std::to_string(r.inputChannel + 1) : "null", "", ""},
    };
    const std::vector<ReportLine> figures = pathReportLines(r);
    lines.insert(lines.end(), figures.begin(), figures.end());
    return lines;
}

// Returns one crosstalk figure as the text's table shows it.
std::string crosstalkText(double db) {
    if (std::isnan(db)) return "none";
    if (std::isinf(db)) return "silent";
    return reportNumber("%.3f", db);
}

// Writes the crosstalk's table: a row a channel, a column an input.
void printCrosstalkTable(FILE *out, const std::vector<PathReport> &reports) {
    const unsigned count = (unsigned)reports.size(), inputs = (unsigned)reports[0].crosstalkDb.size();
    int width = (int)std::string("crosstalk (dB)").size();
    for (unsigned c = 0; c < count; c++)
        width = std::max(width, (int)channelTitle(c, count).size());
    std::fprintf(out, "%-*s", width, "crosstalk (dB)");
    for (unsigned input = 0; input < inputs; input++)
        std::fprintf(out, "%*s", crosstalkColumn, ("input " + std::to_string(input + 1)).c_str());
    std::fputc('\n', out);
    for (unsigned c = 0; c < count; c++) {
        std::fprintf(out, "%-*s", width, channelTitle(c, count).c_str());
        for (double db : reports[c].crosstalkDb)
            std::fprintf(out, "%*s", crosstalkColumn, crosstalkText(db).c_str());
        std::fputc('\n', out);
    }
}

} // namespace

void printChannelsReport(FILE *out, const std::vector<PathReport> &reports, int json) {
    if (!json) {
        for (unsigned c = 0; c < reports.size(); c++) {
            const std::vector<ReportLine> lines = channelLines(reports, c);
            printReportLines(out, lines.data(), lines.size(), 0, pathLabelWidth);
            std::fputc('\n', out);
        }
        printCrosstalkTable(out, reports);
        return;
    }
    std::string channels, crosstalk;
    for (unsigned c = 0; c < reports.size(); c++) {
        const std::vector<ReportLine> lines = channelLines(reports, c);
        channels += c ? ", " : "";
        channels += reportObject(lines.data(), lines.size());
        crosstalk += c ? ", [" : "[";
        for (size_t input = 0; input < reports[c].crosstalkDb.size(); input++) {
            crosstalk += input ? ", " : "";
            crosstalk += reportNumber("%.3f", reports[c].crosstalkDb[input]);
        }
        crosstalk += "]";
    }
    std::fprintf(out, "{\"channels\": [%s], \"crosstalk_db\": [%s]}\n", channels.c_str(), crosstalk.c_str());
}
