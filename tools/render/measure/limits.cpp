// The limits of --measure: see limits.h.
#include "tools/render/measure/limits.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "tools/render/common/channelNames.h"

namespace {

// One numeric key of the report, as --limit names it.
struct ReportKey {
    const char *key;
    double (*value)(const PathReport &); // null: one value per input (crosstalkDb)
};

const ReportKey reportKeys[] = {
    {"samples", [](const PathReport &r) { return (double)r.samples; }},
    {"seconds", [](const PathReport &r) { return (double)r.samples / r.rate; }},
    {"rate", [](const PathReport &r) { return (double)r.rate; }},
    {"latency_ms", [](const PathReport &r) { return r.latencyMs; }},
    {"drift_ppm", [](const PathReport &r) { return r.driftPpm; }},
    {"gain_db", [](const PathReport &r) { return r.gainDb; }},
    {"frequency_hz", [](const PathReport &r) { return r.frequencyHz; }},
    {"thd_db", [](const PathReport &r) { return r.thdDb; }},
    {"thdn_db", [](const PathReport &r) { return r.thdnDb; }},
    {"noise_dbfs", [](const PathReport &r) { return r.noiseDbfs; }},
    {"snr_db", [](const PathReport &r) { return r.snrDb; }},
    {"gaps", [](const PathReport &r) { return r.found ? (double)r.gaps.size() : NAN; }}, // how many
    {"clipped_input", [](const PathReport &r) { return (double)r.clippedInput; }},
    {"crosstalk_db", nullptr},
};

// A limit taken apart: its key's row, its comparison and its number.
struct Limit {
    const ReportKey *key;
    int atMost; // 1: <=, 0: >=
    double bound;
};

// Returns why condition is no limit, or "" after filling *limit.
std::string parseLimit(const std::string &condition, Limit *limit) {
    size_t at = condition.find("<=");
    int atMost = 1;
    if (at == std::string::npos) {
        at = condition.find(">=");
        atMost = 0;
    }
    if (at == std::string::npos) return "needs KEY<=NUMBER or KEY>=NUMBER";
    const std::string key = condition.substr(0, at), number = condition.substr(at + 2);
    const ReportKey *row = nullptr;
    for (const ReportKey &k : reportKeys)
        if (key == k.key) row = &k;
    if (!row) return "names no number of the report (" + key + ")";
    char *end = nullptr;
    errno = 0;
    const double bound = number.empty() ? NAN : std::strtod(number.c_str(), &end);
    if (number.empty() || *end != '\0' || errno != 0 || !std::isfinite(bound))
        return "has no number after its comparison";
    *limit = Limit{row, atMost, bound};
    return "";
}

// Returns 1 when value keeps limit: digital silence (-INFINITY) keeps every
// upper bound, a value with no meaning none.
int keeps(const Limit &limit, double value) {
    return !std::isnan(value) && (limit.atMost ? value <= limit.bound : value >= limit.bound);
}

// Returns value as a failed limit shows it.
std::string shownValue(double value) {
    char shown[32] = "null";
    if (std::isinf(value)) std::snprintf(shown, sizeof shown, "%s", value < 0 ? "-inf" : "inf");
    if (std::isfinite(value)) std::snprintf(shown, sizeof shown, "%.6g", value);
    return shown;
}

} // namespace

std::string checkLimit(const std::string &condition) {
    Limit limit;
    return parseLimit(condition, &limit);
}

std::string channelTitle(unsigned channel, unsigned count) {
    const std::string name = channelName(channel, count);
    return "channel " + std::to_string(channel + 1) + (name.empty() ? "" : " (" + name + ")");
}

int printFailedChannelLimits(FILE *out, const std::vector<PathReport> &reports,
                             const std::vector<std::string> &limits) {
    int failed = 0;
    const unsigned count = (unsigned)reports.size();
    for (const std::string &condition : limits) {
        Limit limit;
        if (!parseLimit(condition, &limit).empty()) continue; // checked with the arguments
        for (unsigned c = 0; c < count; c++) {
            const PathReport &report = reports[c];
            const std::string channel = channelTitle(c, count);
            for (unsigned input = 0; !limit.key->value && input < report.crosstalkDb.size(); input++) {
                const double value = report.crosstalkDb[input];
                if ((report.found && input == report.inputChannel) || keeps(limit, value)) continue;
                failed++;
                std::fprintf(out, "limit failed: %s of %s in input %u is %s, not %s %g\n", limit.key->key,
                             channel.c_str(), input + 1, shownValue(value).c_str(),
                             limit.atMost ? "<=" : ">=", limit.bound);
            }
            if (!limit.key->value) continue;
            const double value = limit.key->value(report);
            if (keeps(limit, value)) continue;
            failed++;
            std::fprintf(out, "limit failed: %s of %s is %s, not %s %g\n", limit.key->key, channel.c_str(),
                         shownValue(value).c_str(), limit.atMost ? "<=" : ">=", limit.bound);
        }
    }
    return failed;
}

int printFailedLimits(FILE *out, const PathReport &report, const std::vector<std::string> &limits) {
    int failed = 0;
    for (const std::string &condition : limits) {
        Limit limit;
        if (!parseLimit(condition, &limit).empty()) continue; // checked with the arguments
        if (!limit.key->value) continue;                      // crosstalk: of one input there is none
        const double value = limit.key->value(report);
        const bool holds = std::isfinite(value) && (limit.atMost ? value <= limit.bound : value >= limit.bound);
        if (holds) continue;
        failed++;
        char shown[32] = "null";
        if (std::isfinite(value)) std::snprintf(shown, sizeof shown, "%.6g", value);
        std::fprintf(out, "limit failed: %s (%s is %s)\n", condition.c_str(), limit.key->key, shown);
    }
    return failed;
}
