// The report of several channels: see channelsReport.h.
#include "tools/render/analyze/channelsReport.h"

#include <string>
#include <vector>

#include "tools/render/common/channelNames.h"

void printChannelsReport(FILE *out, const Levels *levels, const Spectrum *spectra, unsigned channels,
                         const ReportLine *together, size_t count, int json) {
    std::vector<std::vector<ReportLine>> each(channels);
    for (unsigned c = 0; c < channels; c++)
        each[c] = levelLines(levels[c], spectra[c]);
    const ReportLine *span = each[0].data();
    if (json) {
        std::vector<ReportLine> top(span, span + levelSpanLines);
        std::string list = "[";
        for (unsigned c = 0; c < channels; c++) {
            std::vector<ReportLine> object = {{"channel", "", std::to_string(c + 1), "", ""},
                                              {"name", "", "\"" + channelName(c, channels) + "\"", "", ""}};
            object.insert(object.end(), each[c].begin(), each[c].end());
            list += (c ? ", " : "") + reportObject(object.data(), object.size());
        }
        top.push_back({"channels", "", list + "]", "", ""});
        top.insert(top.end(), together, together + count);
        printReportLines(out, top.data(), top.size(), 1, levelLabelWidth);
        return;
    }
    printReportLines(out, span, levelSpanLines, 0, levelLabelWidth);
    for (unsigned c = 0; c < channels; c++) {
        std::fprintf(out, "\nchannel %u (%s)\n", c + 1, channelName(c, channels).c_str());
        printReportLines(out, each[c].data() + levelSpanLines, each[c].size() - levelSpanLines, 0, levelLabelWidth);
    }
    if (count == 0) return;
    std::fputc('\n', out);
    printReportLines(out, together, count, 0, levelLabelWidth);
}
