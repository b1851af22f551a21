// tonalix-render's mode table: every option belongs to a mode, the help
// shows every mode, and a command line picks the mode a user means or says
// which option to leave out.
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/render/cli/arguments.h"

namespace {

// Returns what printing wrote to a file, as text.
template <typename Print> std::string printed(Print print) {
    FILE *file = std::tmpfile();
    print(file);
    std::string text(std::ftell(file), '\0');
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    return text;
}

TEST(ModeTable, EveryOptionIsTakenByAMode) {
    OptionSet taken = 0;
    for (size_t i = 0; i < renderModes.count; i++)
        taken |= renderModes.rows[i].takes;
    for (int option = 0; option < OptionCount; option++)
        EXPECT_TRUE(taken & optionBit((OptionName)option)) << "option " << option << " is taken by no mode";
}

TEST(ModeTable, HelpShowsEveryModesUsage) {
    const std::string help = printed([](FILE *out) { printRenderHelp(out, renderModes); });
    for (size_t i = 0; i < renderModes.count; i++) {
        std::string usage = renderModes.rows[i].usage;
        usage = usage.substr(0, usage.find('\n'));
        EXPECT_NE(help.find("tonalix-render " + usage + "\n"), std::string::npos) << usage;
    }
}

struct PickCase {
    std::vector<std::string> arguments;
    OptionName mode;     // the option of the mode picked, when parsing succeeds
    const char *refusal; // part of the usage error, or null
};

// clang-format off
const PickCase pickCases[] = {
    {{"t"},                                         OptionNone,    nullptr},
    {{"-o", "a.wav", "--fade", "5", "t"},           OptionNone,    nullptr},
    {{"--analyze", "--plot", "a.png", "t"},         OptionAnalyze, nullptr},
    {{"--plot", "a.png", "--analyze", "t"},         OptionAnalyze, nullptr},
    {{"--plot", "a.png", "--size", "300x200", "t"}, OptionPlot,    nullptr},
    {{"--measure", "--plot", "a.png", "t"},         OptionMeasure, nullptr},
    {{"--measure", "--rate", "48000", "t"},         OptionMeasure, nullptr},
    {{"--measure", "--input-channels", "2", "--limit", "crosstalk_db<=-60", "t", "t"}, OptionMeasure, nullptr},
    {{"--measure", "--limit", "drift_ppm<=5", "t"}, OptionMeasure, nullptr},
    {{"--measure", "--input-channels", "9", "t"},   OptionMeasure, "'9' is out of range (1 to 8 channels)"},
    {{"--play", "--input-channels", "2", "t"},      OptionPlay,    "--input-channels goes with --measure"},
    {{"--play", "--fade", "20", "t"},               OptionPlay,    nullptr},
    {{"--play", "-o", "a.wav", "t"},                OptionPlay,    "--play plays the stream's own samples on the sound device and writes no output; leave out -o"},
    {{"--analyze", "--rate", "48000", "t"},         OptionAnalyze, "--analyze measures and draws the played values and writes no samples; leave out --rate"},
    {{"--plot", "a.png", "--play", "t"},            OptionPlot,    "leave out --play"},
    {{"--measure", "--fade", "5", "t"},             OptionMeasure, "--measure plays and records and writes no samples; leave out --fade"},
    {{"--json", "t"},                               OptionNone,    "--json goes with --analyze, --measure or --list-devices"},
    {{"--play", "--limit", "gain_db>=0", "t"},      OptionPlay,    "--limit goes with --measure"},
    {{"--analyze", "--size", "300x200", "t"},       OptionAnalyze, "--size goes with --plot"},
    {{"--measure", "--size", "300x200", "t"},       OptionMeasure, "--size goes with --plot"},
    {{"--list-devices"},                            OptionListDevices, nullptr},
    {{"--json", "--list-devices"},                  OptionListDevices, nullptr},
    {{"--list-devices", "t"},                       OptionListDevices, "--list-devices takes no formula; leave out 't'"},
    {{"--list-devices", "--", "-t"},                OptionListDevices, "--list-devices takes no formula; leave out '-t'"},
    {{"--list-devices", "--seconds", "1"},          OptionListDevices, "--list-devices lists the sound devices and plays nothing; leave out --seconds"},
    {{"--list-devices", "--device", "B"},           OptionListDevices, "--device goes with --play or --measure"},
    {{"--list-devices", "--play"},                  OptionPlay,        "no formula given"},
    {{"--play", "--device", "hw:1,0", "t"},         OptionPlay,        nullptr},
    {{"--measure", "--device", "B", "--input-device", "A", "t"}, OptionMeasure, nullptr},
    {{"--play", "--input-device", "A", "t"},        OptionPlay,        "--input-device goes with --measure"},
    {{"--device", "B", "t"},                        OptionNone,        "--device goes with --play or --measure"},
    {{"--play", "--device", "", "t"},               OptionPlay,        "--device needs a device name"},
    {{"--play", "--device"},                        OptionPlay,        "--device needs a device name"},
    {{"--measure", "--input-device", "A", "--input-device", "B", "t"}, OptionMeasure, "give --input-device only once"},
};
// clang-format on

TEST(ModeTable, ACommandLinePicksItsModeOrNamesWhatToLeaveOut) {
    for (const PickCase &c : pickCases) {
        std::vector<std::string> words = {"tonalix-render"};
        words.insert(words.end(), c.arguments.begin(), c.arguments.end());
        std::vector<char *> argv;
        std::string shown;
        for (std::string &w : words) {
            argv.push_back(w.data());
            shown += " " + w;
        }
        RenderOptions options;
        int parsed = -1;
        const std::string errors = printed([&](FILE *err) {
            parsed = parseRenderArguments((int)argv.size(), argv.data(), renderModes, &options, err, err);
        });
        if (c.refusal) {
            EXPECT_EQ(parsed, 2) << shown;
            EXPECT_NE(errors.find(c.refusal), std::string::npos) << shown << ": " << errors;
        } else {
            EXPECT_EQ(parsed, -1) << shown << ": " << errors;
            ASSERT_NE(options.mode, nullptr) << shown;
            EXPECT_EQ(options.mode->option, c.mode) << shown;
        }
    }
}

} // namespace
