#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim/options.h"

namespace {

struct OptionsCase {
    std::vector<std::string> args;
    std::string listen;
    std::string arch_dir;
    int tick_ms;
    bool help;
};

TEST(SimOptions, ParsesEveryOptionInBothForms) {
    const std::vector<OptionsCase> cases = {
        {{}, "tcp://127.0.0.1:8081", "", 0, false},
        {{"--listen", "tcp://127.0.0.1:9000"}, "tcp://127.0.0.1:9000", "", 0, false},
        {{"--listen=ipc:///tmp/q"}, "ipc:///tmp/q", "", 0, false},
        {{"--arch-dir", "/a", "--tick-ms", "250"}, "tcp://127.0.0.1:8081", "/a", 250, false},
        {{"--tick-ms=0", "-h"}, "tcp://127.0.0.1:8081", "", 0, true},
        {{"--help"}, "tcp://127.0.0.1:8081", "", 0, true},
    };
    for (const OptionsCase& c : cases) {
        const SimOptions o = parse_options(c.args);
        EXPECT_EQ(o.listen, c.listen);
        EXPECT_EQ(o.arch_dir, c.arch_dir);
        EXPECT_EQ(o.tick_ms, c.tick_ms);
        EXPECT_EQ(o.help, c.help);
    }
}

TEST(SimOptions, RefusesBadArguments) {
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},
        {"listen"},
        {"--listen"},
        {"--listen="},
        {"--arch-dir"},
        {"--tick-ms", "-1"},
        {"--tick-ms", "12x"},
        {"--tick-ms", ""},
        {"--tick-ms", "99999999999"},
        {"--tick-ms=abc"},
        {"-x"},
    };
    for (const auto& args : cases)
        EXPECT_THROW(parse_options(args), std::invalid_argument) << args[0];
}

TEST(SimOptions, UsageNamesEveryOption) {
    const std::string text = usage_text();
    for (const char* option : {"--listen ADDR", "--arch-dir DIR", "--tick-ms N", "--help"})
        EXPECT_NE(text.find(option), std::string::npos) << option;
}

} // namespace
