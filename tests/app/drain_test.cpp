// The frame loop's drain with a real queue: what each kind of message does to
// the architecture list, the register file and the log.
#include <sstream>
#include <stdexcept>

#include <cpptoml.h>
#include <gtest/gtest.h>

#include "app/drain.h"
#include "support/temp_dir.h"

namespace {

using Names = std::vector<std::string>;

class DrainTest : public ::testing::Test {
  protected:
    void drain() { drain_messages(msgs, archs, regfile, archname, log, err); }

    // Installs the toy description through the drain and clears the reports.
    RegisterFile* load_toy() {
        msgs.push(ArchSimMsg::ArchitectureLoad, dir.write("toy.toml", toy_description));
        drain();
        EXPECT_NE(regfile, nullptr);
        log.clear();
        err.str("");
        return regfile.get();
    }

    std::vector<uint64_t> values() const {
        std::vector<uint64_t> out;
        for (const Register& reg : regfile->registers)
            out.push_back(reg.value);
        return out;
    }

    TempDir dir;
    BoundedQueue<ArchSimMsg> msgs{256};
    Names archs;
    std::unique_ptr<RegisterFile> regfile;
    std::string archname;
    Logger log{100};
    std::ostringstream err;
};

TEST_F(DrainTest, EmptyQueueChangesNothing) {
    archs = {"keep"};
    drain();
    EXPECT_EQ(archs, Names{"keep"});
    EXPECT_EQ(regfile, nullptr);
    EXPECT_EQ(log.size(), 0u);
    EXPECT_EQ(err.str(), "");
}

TEST_F(DrainTest, EachListReplacesTheArchitectures) {
    struct Case {
        const char* name;
        Names before;
        std::vector<Names> queued;
        Names after;
    };
    const std::vector<Case> cases = {
        {"one list", {}, {{"toy", "big"}}, {"toy", "big"}},
        {"the second of two lists wins", {"old"}, {{"a", "b", "c"}, {"d"}}, {"d"}},
        {"an empty list empties", {"toy", "big"}, {{}}, {}},
        {"duplicates are kept", {}, {{"x", "x"}}, {"x", "x"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        archs = c.before;
        for (const Names& names : c.queued)
            msgs.push(names);
        drain();
        EXPECT_EQ(archs, c.after);
        EXPECT_EQ(msgs.size(), 0u);
    }
    EXPECT_EQ(log.size(), 0u);
}

TEST_F(DrainTest, ValidDescriptionInstallsRegisterFileSilently) {
    msgs.push(ArchSimMsg::ArchitectureLoad, dir.write("toy.toml", toy_description));
    drain();
    ASSERT_NE(regfile, nullptr);
    EXPECT_EQ(archname, "toy");
    EXPECT_EQ(regfile->name, "toy");
    EXPECT_EQ(regfile->fullname, "Toy accumulator machine");
    EXPECT_EQ(regfile->registers.size(), 4u);
    EXPECT_EQ(log.size(), 0u);
    EXPECT_EQ(err.str(), "");

    // A later load replaces it whole.
    msgs.push(ArchSimMsg::ArchitectureLoad, dir.write("tiny.toml", tiny_description));
    drain();
    ASSERT_NE(regfile, nullptr);
    EXPECT_EQ(archname, "tiny");
    ASSERT_EQ(regfile->registers.size(), 1u);
    EXPECT_EQ(regfile->registers[0].abbr, "A");
    EXPECT_TRUE(regfile->components.empty());
    EXPECT_EQ(log.size(), 0u);
}

std::string cpptoml_error(const std::string& path) {
    try {
        cpptoml::parse_file(path);
    } catch (const cpptoml::parse_exception& e) {
        return e.what();
    }
    ADD_FAILURE() << path << " parsed";
    return "";
}

// Every failed load is reported once on the error stream and once in the log
// with the same reason, and leaves the installed register file in place.
TEST_F(DrainTest, FailedLoadReportsTwiceAndKeepsPreviousRegisterFile) {
    struct Case {
        const char* name;
        const char* text; // nullptr: the file does not exist
        bool reason_from_cpptoml;
    };
    const std::vector<Case> cases = {
        {"missing file", nullptr, false},
        {"TOML syntax error", "[main\nname = 'broken'\n", true},
        {"unterminated string", "[main]\nname = 'broken\n", true},
        {"no registers", "[main]\nname = 'noregs'\n", false},
        {"registers an empty inline array", "[main]\nname = 'e'\nregisters = []\n", false},
        {"registers a table", "[registers]\nname = 'x'\n", false},
        {"registers a string", "registers = 'r'\n", false},
    };
    RegisterFile* const previous = load_toy();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        err.str("");
        const std::string path = c.text != nullptr ? dir.write("bad.toml", c.text)
                                                   : (dir.path / "missing.toml").string();
        msgs.push(ArchSimMsg::ArchitectureLoad, path);
        drain();

        const std::string prefix = "Failed to parse " + path + ": ";
        const std::string written = err.str();
        ASSERT_EQ(written.rfind(prefix, 0), 0u) << written;
        ASSERT_EQ(written.back(), '\n');
        const std::string reason =
            written.substr(prefix.size(), written.size() - prefix.size() - 1);
        EXPECT_FALSE(reason.empty());
        EXPECT_EQ(reason.find('\n'), std::string::npos) << "one line only";
        if (c.text == nullptr) {
            EXPECT_EQ(reason, path + " could not be opened for parsing");
        }
        if (c.reason_from_cpptoml) {
            EXPECT_EQ(reason, cpptoml_error(path));
        }
        EXPECT_EQ(log.texts(), Names{"Failed to load " + path + ": " + reason});

        EXPECT_EQ(regfile.get(), previous);
        EXPECT_EQ(archname, "toy");
        EXPECT_EQ(regfile->registers.size(), 4u);
    }
}

TEST_F(DrainTest, FailedLoadWithoutRegisterFileLeavesNone) {
    const std::string path = (dir.path / "missing.toml").string();
    msgs.push(ArchSimMsg::ArchitectureLoad, path);
    drain();
    EXPECT_EQ(regfile, nullptr);
    EXPECT_EQ(archname, "");
    EXPECT_EQ(err.str(),
              "Failed to parse " + path + ": " + path + " could not be opened for parsing\n");
}

// Updates and writes queued together are applied in queue order: the last
// one to touch a register decides its value.
TEST_F(DrainTest, UpdatesAndWritesApplyInOrder) {
    struct Case {
        const char* name;
        std::vector<ArchSimMsg> queued;
        std::vector<uint64_t> values; // ACC, PC, CYC, TMP
    };
    const std::vector<Case> cases = {
        {"update then write",
         {ArchSimMsg(CounterUpdatePair{"toy.pc", 7}), ArchSimMsg(RegisterWritePair{1, 9})},
         {0, 9, 0, 0}},
        {"write then update",
         {ArchSimMsg(RegisterWritePair{1, 9}), ArchSimMsg(CounterUpdatePair{"toy.pc", 7})},
         {0, 7, 0, 0}},
        {"several registers",
         {ArchSimMsg(CounterUpdatePair{"toy.clock", 1000}), ArchSimMsg(RegisterWritePair{0, 3}),
          ArchSimMsg(RegisterWritePair{3, 4}), ArchSimMsg(RegisterWritePair{0, 5})},
         {5, 0, 1000, 4}},
        {"updates of other architectures are ignored",
         {ArchSimMsg(CounterUpdatePair{"big.pc", 7}), ArchSimMsg(CounterUpdatePair{"pc", 8})},
         {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        load_toy();
        for (const ArchSimMsg& m : c.queued)
            msgs.push(m);
        drain();
        EXPECT_EQ(values(), c.values);
        EXPECT_EQ(log.size(), 0u);
    }
}

TEST_F(DrainTest, WriteBeyondRegisterFileIsIgnoredWithOneLogLine) {
    load_toy();
    msgs.push(RegisterWritePair{4, 1});
    msgs.push(RegisterWritePair{UINT64_MAX, 2});
    msgs.push(RegisterWritePair{0, 3}); // the drain goes on after them
    drain();
    EXPECT_EQ(values(), (std::vector<uint64_t>{3, 0, 0, 0}));
    EXPECT_EQ(log.texts(),
              (Names{"Ignored write to register 18446744073709551615: toy has 4 registers",
                     "Ignored write to register 4: toy has 4 registers"}));
}

TEST_F(DrainTest, UpdatesAndWritesWithoutRegisterFileAreIgnored) {
    msgs.push(CounterUpdatePair{"toy.pc", 7});
    msgs.push(RegisterWritePair{0, 1});
    msgs.push(Names{"after"});
    drain();
    EXPECT_EQ(regfile, nullptr);
    EXPECT_EQ(archs, Names{"after"});
    EXPECT_EQ(log.size(), 0u);
    EXPECT_EQ(err.str(), "");
}

// Besides "Reset CPU", a reset notice begins a new event: the registers the
// step before it changed are no longer highlighted.
TEST_F(DrainTest, ResetLogsAndBeginsAnEvent) {
    load_toy();
    msgs.push(RegisterWritePair{1, 0x42});
    drain();
    archs = {"toy"};
    const std::vector<uint64_t> before = values();
    RegisterFile* const installed = regfile.get();

    msgs.push(ArchSimMsg::Reset);
    drain();
    EXPECT_EQ(log.texts(), Names{"Reset CPU"});
    EXPECT_EQ(regfile.get(), installed);
    EXPECT_EQ(values(), before);
    EXPECT_EQ(archs, Names{"toy"});
    EXPECT_FALSE(regfile->changed_in_latest_event(1));
}

TEST_F(DrainTest, NoneEndsTheDrain) {
    msgs.push(Names{"first"});
    msgs.push(); // None
    msgs.push(Names{"second"});
    drain();
    EXPECT_EQ(archs, Names{"first"});
    EXPECT_EQ(msgs.size(), 1u);
    drain();
    EXPECT_EQ(archs, Names{"second"});
    EXPECT_EQ(msgs.size(), 0u);
}

} // namespace
