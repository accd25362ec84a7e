#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "regfile/description_guard.h"

namespace fs = std::filesystem;

TEST(TomlNestingDepth, CountsArraysAndInlineTablesOutsideStringsAndComments) {
    struct Case {
        const char* text;
        size_t depth;
    };
    const Case cases[] = {
        {"a = 1\n", 0},
        {"[main]\nname = 'toy'\n", 1},
        {"[[registers]]\nrange = [0, 255]\n", 2},
        {"a = [[1], [2, [3]]]\n", 3},
        {"a = { b = { c = [1] } }\n", 3},
        {"name = '[[[[['\n", 0},
        {"name = \"\\\"[[[\" # [[[[\n", 0},
        {"text = '''\n[[[\n'''\nb = [1]\n", 1},
        {"text = \"\"\"\n{{{\\\"\"\"\"\nb = {a = [1]}\n", 2},
        {"# [[[[[[\nb = [1]\n", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(toml_nesting_depth(c.text), c.depth) << c.text;
}

class DescriptionGuard : public ::testing::Test {
  protected:
    void SetUp() override {
        dir =
            fs::temp_directory_path() /
            ("quarrin-guard-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string write(const char* name, const std::string& text) {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }

    std::string refusal(const std::string& path, const DescriptionLimits& limits = {}) {
        try {
            read_description_file(path, limits);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "";
    }

    fs::path dir;
};

TEST_F(DescriptionGuard, ReadsOrdinaryFilesAndLeavesMissingOnesToTheParser) {
    const std::string toml = "[main]\nname = 'toy'\n[[registers]]\nrange = [0, 255]\n";
    EXPECT_EQ(read_description_file(write("toy.toml", toml)), toml);
    // The parser reports a missing file in its own words.
    EXPECT_EQ(read_description_file((dir / "missing.toml").string()), std::nullopt);
}

TEST_F(DescriptionGuard, RefusesWhatWouldFreezeOrCrashTheParser) {
    const std::string deep = write("deep.toml", "a = " + std::string(100000, '['));
    EXPECT_EQ(refusal(deep), deep + " nests arrays or inline tables 100000 deep, more than 64");

    EXPECT_EQ(refusal(dir.string()), dir.string() + " is not a regular file");
    EXPECT_EQ(refusal("/dev/zero"), "/dev/zero is not a regular file");

    const std::string big = write("big.toml", std::string(2000, '#'));
    DescriptionLimits small;
    small.max_bytes = 1000;
    EXPECT_EQ(refusal(big, small), big + " is larger than 1000 bytes");
}
