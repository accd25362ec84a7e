// Loading architecture descriptions from real TOML files, and the two
// update operations of the register model.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include "regfile/register_file.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr uint64_t all_ones = ~uint64_t{0};

class DescriptionTest : public testing::Test {
  protected:
    fs::path dir;

    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              ("quarrin_regfile_" + std::to_string(getpid()) + "_" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string write(const std::string& toml, const char* name = "arch.toml") {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::trunc) << toml;
        return path;
    }
    LoadedDescription load(const std::string& toml) { return load_description(write(toml)); }
    // A description with one register table holding the given keys.
    Register load_one(const std::string& keys) {
        LoadedDescription d = load("[[registers]]\n" + keys + "\n");
        EXPECT_EQ(d.regfile->registers.size(), 1u);
        return d.regfile->registers.at(0);
    }
};

} // namespace

TEST_F(DescriptionTest, ExampleDescription) {
    const LoadedDescription d = load(toy_description);
    EXPECT_EQ(d.archname, "toy");
    const RegisterFile& rf = *d.regfile;
    EXPECT_EQ(rf.name, "toy");
    EXPECT_EQ(rf.fullname, "Toy accumulator machine");
    EXPECT_EQ(rf.regfile_name, "regs");
    EXPECT_EQ(rf.write_destination(), "toy.regs");

    ASSERT_EQ(rf.registers.size(), 4u);
    struct Want {
        const char* name;
        const char* abbr;
        uint64_t min, value, max;
        bool hidden, readonly;
    };
    const Want want[] = {
        {"Accumulator", "ACC", 0, 0, 255, false, false},
        {"Program counter", "PC", 0, 0, 255, false, false},
        {"Cycle counter", "CYC", 0, 0, 0xFFFF, false, true},
        {"Scratch", "TMP", 0, 0, 0xFFFF, true, false},
    };
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(want[i].abbr);
        const Register& r = rf.registers[i];
        EXPECT_EQ(r.name, want[i].name);
        EXPECT_EQ(r.abbr, want[i].abbr);
        EXPECT_EQ(r.min, want[i].min);
        EXPECT_EQ(r.value, want[i].value);
        EXPECT_EQ(r.max, want[i].max);
        EXPECT_EQ(r.hidden, want[i].hidden);
        EXPECT_EQ(r.readonly, want[i].readonly);
    }
    EXPECT_EQ(rf.components, (std::map<std::string, uint64_t>{{"clock", 2}, {"pc", 1}}));
}

TEST_F(DescriptionTest, EmptyRegisterTableTakesEveryDefault) {
    const LoadedDescription d = load("[[registers]]\n[[registers]]\nunknown_key = 3\n");
    ASSERT_EQ(d.regfile->registers.size(), 2u);
    for (const Register& r : d.regfile->registers) {
        EXPECT_EQ(r.name, "");
        EXPECT_EQ(r.abbr, "");
        EXPECT_EQ(r.value, 0u);
        EXPECT_EQ(r.min, 0u);
        EXPECT_EQ(r.max, 0xFFFFu);
        EXPECT_FALSE(r.hidden);
        EXPECT_FALSE(r.readonly);
    }
    EXPECT_TRUE(d.regfile->components.empty());
}

TEST_F(DescriptionTest, RangeRules) {
    struct Case {
        const char* range;
        uint64_t min, value, max;
    };
    const std::vector<Case> cases = {
        {"range = [5, 10]", 5, 5, 10},
        {"range = [3, 7, 10]", 3, 7, 10},
        {"range = [0, 300, 255]", 0, 255, 255},
        {"range = [10, 2, 20]", 10, 10, 20},
        {"range = [1, 2, 3, 4]", 0, 0, 0xFFFF},
        {"range = [7]", 0, 0, 0xFFFF},
        {"range = []", 0, 0, 0xFFFF},
        {"range = [1.5, 2.5]", 0, 0, 0xFFFF},
        {"range = ['1', '2']", 0, 0, 0xFFFF},
        {"range = [true, false]", 0, 0, 0xFFFF},
        {"range = [[1, 2], [3, 4]]", 0, 0, 0xFFFF},
        {"range = 5", 0, 0, 0xFFFF},
        {"range = '0..255'", 0, 0, 0xFFFF},
        {"range = [-1, 5]", all_ones, 5, 5},
        {"range = [10, 2, 5]", 10, 5, 5},   // below min: max
        {"range = [10, 12, 5]", 10, 10, 5}, // otherwise: min
        {"range = [0, 4294967296, 8589934592]", 0, 0x100000000, 0x200000000},
        {"range = [0, 4294967295, 4294967295]", 0, 0xFFFFFFFF, 0xFFFFFFFF},
        {"range = [-9223372036854775808, 9223372036854775807]", 0x8000000000000000,
         0x7FFFFFFFFFFFFFFF, 0x7FFFFFFFFFFFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.range);
        LoadedDescription d = load(std::string("[[registers]]\n") + c.range + "\n");
        ASSERT_EQ(d.regfile->registers.size(), 1u);
        const Register& r = d.regfile->registers[0];
        EXPECT_EQ(r.min, c.min);
        EXPECT_EQ(r.value, c.value);
        EXPECT_EQ(r.max, c.max);
    }
}

TEST_F(DescriptionTest, HiddenAndReadonlyFlags) {
    struct Case {
        const char* keys;
        bool hidden, readonly;
    };
    const std::vector<Case> cases = {
        {"hidden = true", true, false},       {"hidden = false", false, false},
        {"hidden = 'true'", false, false},    {"hidden = 1", false, false},
        {"type = 'readonly'", false, true},   {"type = 'readonly'\nhidden = true", true, true},
        {"type = 'Readonly'", false, false},  {"type = 'READONLY'", false, false},
        {"type = 'readonly '", false, false}, {"type = 'regular'", false, false},
        {"type = 'status'", false, false},    {"type = 'program_counter'", false, false},
        {"type = 1", false, false},           {"type = ['readonly']", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        const Register r = load_one(c.keys);
        EXPECT_EQ(r.hidden, c.hidden);
        EXPECT_EQ(r.readonly, c.readonly);
    }
}

TEST_F(DescriptionTest, ComponentIndexKeepsTheFirstRegister) {
    const LoadedDescription d = load(R"(
[[registers]]
abbr = 'A'
component = 'alu'
[[registers]]
abbr = 'B'
component = 'bus'
[[registers]]
abbr = 'A2'
component = 'alu'
[[registers]]
abbr = 'E'
component = ''
[[registers]]
abbr = 'N'
component = 5
[[registers]]
abbr = 'D'
component = 'alu.flags'
)");
    EXPECT_EQ(d.regfile->registers.size(), 6u);
    EXPECT_EQ(d.regfile->components,
              (std::map<std::string, uint64_t>{{"alu", 0}, {"alu.flags", 5}, {"bus", 1}}));
}

TEST_F(DescriptionTest, MissingOrMistypedNameTablesGiveEmptyNames) {
    const std::vector<std::string> heads = {
        "",
        "main = 'toy'\nregfile = 'regs'\n",
        "[main]\nname = 5\nfullname = ['x']\n[regfile]\nname = true\n",
        "[main]\nother = 'x'\n",
    };
    for (const std::string& head : heads) {
        SCOPED_TRACE(head);
        const LoadedDescription d = load(head + "[[registers]]\nabbr = 'R'\n");
        EXPECT_EQ(d.archname, "");
        EXPECT_EQ(d.regfile->name, "");
        EXPECT_EQ(d.regfile->fullname, "");
        EXPECT_EQ(d.regfile->regfile_name, "");
        ASSERT_EQ(d.regfile->registers.size(), 1u);
        EXPECT_EQ(d.regfile->registers[0].abbr, "R");
    }
}

TEST_F(DescriptionTest, InlineArrayOfTablesLoads) {
    const LoadedDescription d =
        load("registers = [{abbr = 'A'}, {abbr = 'B', range = [1, 9], component = 'b'}]\n");
    ASSERT_EQ(d.regfile->registers.size(), 2u);
    EXPECT_EQ(d.regfile->registers[1].abbr, "B");
    EXPECT_EQ(d.regfile->registers[1].value, 1u);
    EXPECT_EQ(d.regfile->components.at("b"), 1u);
}

TEST_F(DescriptionTest, MissingFileNamesThePath) {
    const std::string path = (dir / "absent.toml").string();
    try {
        load_description(path);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), path + " could not be opened for parsing");
    }
}

TEST_F(DescriptionTest, SyntaxErrorRaises) {
    const std::vector<std::string> broken = {
        "[main\nname = 'toy'\n[[registers]]\n",
        "[[registers]]\nabbr = 'unterminated\n",
        "[[registers]]\nrange = [1, 'two']\n",
        "[[registers]]\nabbr = 'A'\nabbr = 'B'\n",
    };
    for (const std::string& toml : broken) {
        SCOPED_TRACE(toml);
        EXPECT_THROW(load(toml), std::runtime_error);
    }
}

TEST_F(DescriptionTest, NoRegistersArrayOfTablesRaisesAClearError) {
    const std::vector<std::string> descriptions = {
        "[main]\nname = 'toy'\n",      "registers = []\n",
        "registers = 'ACC'\n",         "registers = [1, 2]\n",
        "[registers]\nabbr = 'ACC'\n", "[main]\n[[main.registers]]\nabbr = 'ACC'\n",
    };
    for (const std::string& toml : descriptions) {
        SCOPED_TRACE(toml);
        const std::string path = write(toml);
        try {
            load_description(path);
            ADD_FAILURE() << "loaded";
        } catch (const std::runtime_error& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find("registers"), std::string::npos) << what;
            EXPECT_NE(what.find(path), std::string::npos) << what;
        }
    }
}

// The update operations on a loaded "toy" register file.
class RegisterUpdateTest : public DescriptionTest {
  protected:
    std::unique_ptr<RegisterFile> rf;

    void SetUp() override {
        DescriptionTest::SetUp();
        rf = load(R"(
[main]
name = 'toy'
[[registers]]
abbr = 'F'
component = 'alu.flags'
range = [0, 15]
[[registers]]
abbr = 'PC'
component = 'pc'
range = [0, 255]
[[registers]]
abbr = 'X'
range = [1, 10]
)")
                 .regfile;
    }
    std::vector<uint64_t> values() const {
        std::vector<uint64_t> v;
        for (const Register& r : rf->registers)
            v.push_back(r.value);
        return v;
    }
};

TEST_F(RegisterUpdateTest, UpdateSetsTheComponentsRegisterUnbounded) {
    struct Case {
        const char* origin;
        uint64_t count;
        std::vector<uint64_t> after;
    };
    const std::vector<Case> cases = {
        {"toy.alu.flags", 7, {7, 0, 1}},
        {"toy.alu.flags", 0x1234, {0x1234, 0, 1}},
        {"toy.pc", all_ones, {0, all_ones, 1}},
        {"toys.alu", 7, {0, 0, 1}},
        {"toys.alu.flags", 7, {0, 0, 1}},
        {"toy.alu", 7, {0, 0, 1}},
        {"toy.pc.next", 7, {0, 0, 1}},
        {"toy.", 7, {0, 0, 1}},
        {"toy", 7, {0, 0, 1}},
        {"", 7, {0, 0, 1}},
        {"xtoy.pc", 7, {0, 0, 1}},
        {"other.toy.pc", 7, {0, 0, 1}},
        {"TOY.pc", 7, {0, 0, 1}},
        {"pc", 7, {0, 0, 1}},
    };
    const auto components = rf->components;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.origin);
        for (Register& r : rf->registers)
            r.value = r.min;
        rf->apply_update(c.origin, c.count);
        EXPECT_EQ(values(), c.after);
        EXPECT_EQ(rf->components, components);
    }
}

TEST_F(RegisterUpdateTest, WriteSetsTheRegisterUnboundedAndRefusesUnknownNumbers) {
    EXPECT_TRUE(rf->apply_write(1, 0x1FF));
    EXPECT_TRUE(rf->apply_write(2, 0));
    EXPECT_TRUE(rf->apply_write(0, all_ones));
    EXPECT_EQ(values(), (std::vector<uint64_t>{all_ones, 0x1FF, 0}));

    for (uint64_t number : {uint64_t{3}, uint64_t{4}, uint64_t{1} << 32, all_ones}) {
        SCOPED_TRACE(number);
        EXPECT_FALSE(rf->apply_write(number, 5));
        EXPECT_EQ(values(), (std::vector<uint64_t>{all_ones, 0x1FF, 0}));
        EXPECT_EQ(rf->registers.size(), 3u);
    }
}

namespace {

std::vector<size_t> highlighted(const RegisterFile& rf) {
    std::vector<size_t> out;
    for (size_t i = 0; i < rf.registers.size(); ++i)
        if (rf.changed_in_latest_event(i))
            out.push_back(i);
    return out;
}

} // namespace

// A back end reports a step as a burst of writes and updates, each register
// at most once: the registers changed since the burst began are the latest
// event's, and a register changed a second time begins the next event.
TEST_F(RegisterUpdateTest, ChangesGroupIntoEventsOfDistinctRegisters) {
    using Idx = std::vector<size_t>;
    EXPECT_EQ(highlighted(*rf), Idx{}) << "nothing changed since the load";
    rf->apply_write(2, 1); // X already holds 1: no change
    EXPECT_EQ(highlighted(*rf), Idx{});
    rf->apply_write(2, 5); // a step: X, then pc and the flags
    rf->apply_update("toy.pc", 1);
    rf->apply_update("toy.alu.flags", 2);
    EXPECT_EQ(highlighted(*rf), (Idx{0, 1, 2}));
    rf->apply_update("toy.pc", 2); // the next step
    EXPECT_EQ(highlighted(*rf), (Idx{1}));
    rf->apply_update("toy.alu.flags", 2); // unchanged
    rf->apply_update("toy.alu.flags", 3);
    EXPECT_EQ(highlighted(*rf), (Idx{0, 1}));
    rf->begin_event(); // a reset notice: its values follow
    EXPECT_EQ(highlighted(*rf), Idx{});
    rf->apply_write(1, 0);
    EXPECT_EQ(highlighted(*rf), (Idx{1}));
}

TEST_F(DescriptionTest, ProgramCounterIsTheFirstRegisterOfItsType) {
    const auto rf = load(R"(
[main]
name = 'm'
[[registers]]
abbr = 'A'
type = 'Program_counter'
[[registers]]
abbr = 'PC'
type = 'program_counter'
[[registers]]
abbr = 'PC2'
type = 'program_counter'
)")
                        .regfile;
    ASSERT_NE(rf->program_counter(), nullptr);
    EXPECT_EQ(rf->program_counter()->abbr, "PC");
    EXPECT_FALSE(rf->program_counter()->readonly);

    const auto none = load("[main]\nname = 'n'\n[[registers]]\nabbr = 'A'\n").regfile;
    EXPECT_EQ(none->program_counter(), nullptr);
    for (const char* shipped : {"isa4", "toy"}) {
        SCOPED_TRACE(shipped);
        const auto arch =
            load_description(std::string(QUARRIN_SOURCE_DIR "/architectures/") + shipped + ".toml")
                .regfile;
        ASSERT_NE(arch->program_counter(), nullptr);
        EXPECT_EQ(arch->program_counter()->abbr, shipped == std::string("isa4") ? "pc" : "PC");
    }
}
