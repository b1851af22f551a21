// What a refusing device takes: see refusal.h.
#include "tools/render/devices/refusal.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/deviceList.h"
#include "tools/render/cli/printable.h"

namespace {

// The rates suggested instead, the first the device takes.
static const unsigned suggestedRates[] = {48000, 44100, 96000, 32000, 22050, 16000, 8000};

// Returns "MIN to MAX unit" or "only MIN unit".
std::string rangeText(unsigned least, unsigned most, const char *unit) {
    if (least == most) return "only " + std::to_string(least) + " " + unit;
    return std::to_string(least) + " to " + std::to_string(most) + " " + unit;
}

// Returns ": use CONVERTER to convert", or "" when none is known.
std::string convertText(const DeviceRanges &ranges) {
    return ranges.converter.empty() ? "" : ": use " + printableText(ranges.converter) + " to convert";
}

// A question to the device, shared by the asker and the thread that asks.
struct RangesQuestion {
    std::mutex lock;
    std::condition_variable answered;
    int done = 0, asked = 0;
    DeviceRanges ranges;
};

// Fills *ranges as deviceRanges does, asking on a thread of its own: a
// device behind a sound server that has stopped (paused, say) keeps its
// open waiting for ever.  After 2 s the thread is left to the process's
// exit.  Returns what deviceRanges returned, or 0 for no answer in time.
int rangesInTime(DeviceDirection direction, DeviceRanges *ranges) {
    auto question = std::make_shared<RangesQuestion>();
    std::thread([question, direction] {
        DeviceRanges found;
        const int asked = deviceRanges(direction, &found);
        std::lock_guard<std::mutex> hold(question->lock);
        question->ranges = found;
        question->asked = asked;
        question->done = 1;
        question->answered.notify_all();
    }).detach();
    std::unique_lock<std::mutex> hold(question->lock);
    if (!question->answered.wait_for(hold, std::chrono::seconds(2), [&] { return question->done != 0; })) return 0;
    *ranges = question->ranges;
    return question->asked;
}

} // namespace

std::string refusalText(DeviceDirection direction, unsigned rate, unsigned channels, int rateOption) {
    DeviceRanges ranges;
    if (!rangesInTime(direction, &ranges)) return std::string();
    const std::string name = printableText(ranges.name);
    if (rate < ranges.rateMin || rate > ranges.rateMax) {
        std::string text = name + " does not take " + std::to_string(rate) + " Hz; it takes " +
                           rangeText(ranges.rateMin, ranges.rateMax, "Hz");
        unsigned suggested = ranges.rateMax;
        for (unsigned candidate : suggestedRates)
            if (candidate >= ranges.rateMin && candidate <= ranges.rateMax) {
                suggested = candidate;
                break;
            }
        if (!rateOption) return text + convertText(ranges);
        text += ": use --rate " + std::to_string(suggested);
        return ranges.converter.empty() ? text : text + ", or " + printableText(ranges.converter) + " to convert";
    }
    if (channels < ranges.channelsMin || channels > ranges.channelsMax)
        return name + " does not take " + std::to_string(channels) + (channels == 1 ? " channel" : " channels") +
               "; it takes " + rangeText(ranges.channelsMin, ranges.channelsMax, "channels") + convertText(ranges);
    if (!ranges.takes16Bit) return name + " does not take 16-bit samples" + convertText(ranges);
    return std::string();
}
