// SimServer driven with real envelopes, without sockets. Its answers are also
// fed through the front end's own receive path and drain, so a test sees the
// register file exactly as Quarrin would show it.
#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/drain.h"
#include "arch/instruction_set.h"
#include "link/envelope.h"
#include "link/inbound.h"
#include "sim/sim_server.h"

using nlohmann::json;

namespace {

const char* const arch_dir = QUARRIN_SOURCE_DIR "/architectures";

// The front end's side: receive path, message queue and register file.
struct FrontEndView {
    BoundedQueue<ArchSimMsg> msgs{256};
    Logger log{100};
    std::vector<std::string> archs;
    std::unique_ptr<RegisterFile> regfile;
    std::string archname;
    std::ostringstream out, err;

    void receive(const std::vector<json>& envelopes) {
        for (const json& envelope : envelopes) {
            const std::vector<uint8_t> bytes = encode_envelope(envelope);
            handle_body(bytes.data(), bytes.size(), msgs, log, out);
            drain_messages(msgs, archs, regfile, archname, log, err);
        }
    }

    std::vector<uint64_t> values() const {
        std::vector<uint64_t> v;
        for (const Register& r : regfile->registers)
            v.push_back(r.value);
        return v;
    }
};

json write_event(const std::string& destination, json number, json value) {
    return {{"message_type", "event"},
            {"message_sub_type", "write"},
            {"destination", destination},
            {"data", {{"register_number", std::move(number)}, {"value", std::move(value)}}}};
}

json expected_write(const std::string& arch, uint64_t number, uint64_t value) {
    return envelope::register_value(arch + ".regs", number, value);
}

json expected_update(const std::string& origin, uint64_t count) {
    return envelope::counter_update(origin, count);
}

long line_count(const std::ostringstream& stream) {
    const std::string text = stream.str();
    return std::count(text.begin(), text.end(), '\n');
}

class SimServerTest : public ::testing::Test {
  protected:
    std::ostringstream out, err;
    SimServer server{arch_dir, out, err};
    FrontEndView front;

    std::vector<json> send(const json& envelope) {
        const std::vector<uint8_t> bytes = encode_envelope(envelope);
        return server.handle_body(bytes.data(), bytes.size());
    }

    // Selects name and lets the front end load the answer.
    void select(const std::string& name) {
        const auto replies = send(envelope::architecture_select(name));
        ASSERT_EQ(replies.size(), 1u);
        front.receive(replies);
        ASSERT_TRUE(front.regfile) << front.err.str();
    }

    void load(const std::vector<uint32_t>& words, int start = 0) {
        ASSERT_TRUE(send(envelope::program_load(start, words)).empty());
    }

    std::vector<json> step() {
        auto events = send(envelope::step_command());
        front.receive(events);
        return events;
    }
};

TEST_F(SimServerTest, ListAnswersTheNamesAndEchoesTheRequestOnOneLine) {
    const auto replies = send(envelope::list_request());
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], envelope::architecture_list({"isa4", "toy"}));
    EXPECT_EQ(out.str(), envelope::list_request().dump() + "\n");
    EXPECT_EQ(err.str(), "");
    front.receive(replies);
    EXPECT_EQ(front.archs, (std::vector<std::string>{"isa4", "toy"}));
}

// Every architecture on offer: the answer is an absolute path to a description
// the front end loads, and its initial values are the fresh machine's.
TEST_F(SimServerTest, SelectAnswersAnAbsolutePathTheFrontEndLoads) {
    for (const std::string& name : machine_names()) {
        SCOPED_TRACE(name);
        const auto replies = send(envelope::architecture_select(name));
        ASSERT_EQ(replies.size(), 1u);
        EXPECT_EQ(replies[0]["message_type"], "command");
        EXPECT_EQ(replies[0]["destination"], "computer_architecture");
        EXPECT_EQ(replies[0]["message_sub_type"], "load");
        const std::string path = replies[0]["data"];
        EXPECT_TRUE(std::filesystem::path(path).is_absolute());
        EXPECT_TRUE(std::filesystem::is_regular_file(path));

        front.receive(replies);
        ASSERT_TRUE(front.regfile) << front.err.str();
        EXPECT_EQ(front.archname, name);
        EXPECT_EQ(front.regfile->write_destination(), name + ".regs");
        EXPECT_EQ(front.regfile->components.count("pc"), 1u);
        EXPECT_EQ(front.values(), server.machine()->registers());
        EXPECT_EQ(server.architecture(), name);
    }
    EXPECT_EQ(err.str(), "");
}

TEST_F(SimServerTest, RelativeArchDirStillAnswersAnAbsolutePath) {
    SimServer relative(".", out, err);
    const std::string path = relative.description_path("toy");
    EXPECT_TRUE(std::filesystem::path(path).is_absolute());
    EXPECT_EQ(path, (std::filesystem::current_path() / "toy.toml").string());
}

struct StepCase {
    uint64_t pc;
    std::vector<std::pair<uint64_t, uint64_t>> writes; // register number, value
};

// A small Isa4 program; each step reports the registers it changed, then pc
// and the cycle counter. z is register 17.
TEST_F(SimServerTest, Isa4StepsReportChangedRegistersThenPcAndCycles) {
    select("isa4");
    load({
        encode(Opcode::Addi, {1, 0, 0x01}), // 0: r1 = 1
        encode(Opcode::Addi, {1, 1, 0xFF}), // 1: r1 = 0, z = 1
        encode(Opcode::Jz, {0x04}),         // 2: continue at 5
        encode(Opcode::Addi, {3, 0, 1}),    // 3: skipped
        encode(Opcode::Addi, {3, 0, 2}),    // 4: skipped
        encode(Opcode::Addi, {2, 0, 0x2A}), // 5: r2 = 42, z = 0
        encode(Opcode::MoveMR, {0x80, 2}),  // 6: ram[80] = r2
        encode(Opcode::MoveRM, {4, 0x80}),  // 7: r4 = ram[80]
        0x30000,                            // 8: illegal
        encode(Opcode::Add, {0, 0, 0}),     // 9: z = 1
        encode(Opcode::Jz, {0x0A}),         // A: halts
        encode(Opcode::Addi, {5, 0, 7}),    // B: r5 = 7
    });
    const std::vector<StepCase> cases = {
        {0x00, {{1, 1}}}, {0x01, {{1, 0}, {17, 1}}}, {0x04, {}}, {0x05, {{2, 42}, {17, 0}}},
        {0x06, {}},       {0x07, {{4, 42}}},         {0x08, {}}, {0x09, {{17, 1}}},
        {0x0A, {}},       {0x0B, {{5, 7}, {17, 0}}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i + 1));
        std::vector<json> expected;
        for (const auto& [number, value] : cases[i].writes)
            expected.push_back(expected_write("isa4", number, value));
        expected.push_back(expected_update("isa4.pc", cases[i].pc));
        expected.push_back(expected_update("isa4.cycles", i + 1));
        EXPECT_EQ(step(), expected);
        EXPECT_EQ(front.values(), server.machine()->registers());
    }
    EXPECT_NE(err.str().find("illegal instruction at 08"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("halted at 0A (a JZ to its own address); the next step continues "
                             "with the following word, 0B"),
              std::string::npos)
        << err.str();
}

TEST_F(SimServerTest, ToyStepAddsTheWordAtPcToTheAccumulator) {
    select("toy");
    load({5, 0x1FF, 3});
    // ACC (0) and the hidden TMP (3) are written; PC and CYC are counters.
    EXPECT_EQ(step(),
              (std::vector<json>{expected_write("toy", 0, 5), expected_write("toy", 3, 5),
                                 expected_update("toy.pc", 1), expected_update("toy.clock", 1)}));
    step();
    step();
    EXPECT_EQ(front.values(), (std::vector<uint64_t>{(5 + 0xFF + 3) & 0xFF, 3, 3, 3}));
}

TEST_F(SimServerTest, ResetNoticesThenReportsEveryRegisterAndKeepsTheProgram) {
    select("isa4");
    load({encode(Opcode::Addi, {1, 0, 9})});
    const auto first = step();
    step();
    const auto replies = send(envelope::reset_command());
    ASSERT_EQ(replies.size(), 1u + 17u + 2u); // notice, r0..rf and z, pc and cycles
    EXPECT_EQ(replies[0], envelope::reset_notice());
    EXPECT_EQ(replies[2], expected_write("isa4", 1, 0));
    EXPECT_EQ(replies[17], expected_write("isa4", 17, 0));
    EXPECT_EQ(replies[18], expected_update("isa4.pc", 0xFF));
    EXPECT_EQ(replies[19], expected_update("isa4.cycles", 0));

    front.receive(replies);
    EXPECT_EQ(front.values(), server.machine()->registers());
    const auto texts = front.log.texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Reset CPU"), texts.end());
    EXPECT_EQ(step(), first); // the program survived the reset
}

struct WriteCase {
    const char* arch;
    json number;
    json value;
    uint64_t confirmed;
};

TEST_F(SimServerTest, WritesAreBoundedAppliedAndConfirmed) {
    const std::vector<WriteCase> cases = {
        {"isa4", 5, 0x7F, 0x7F},  {"isa4", 5, 300, 0xFF}, // above the range: the maximum
        {"isa4", 5, -4, 0},                               // below it: the minimum
        {"isa4", 0, 9, 0},                                // r0 stays 0
        {"isa4", 17, 7, 1},                               // z is a flag
        {"isa4", 18, 50, 0},                              // read-only cycle counter
        {"isa4", 16, 0x10, 0x10},                         // pc
        {"toy", 0, 300, 0xFF},    {"toy", 1, 3, 3},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(std::string(c.arch) + " register " + c.number.dump());
        select(c.arch);
        const uint64_t number = c.number;
        const auto replies = send(write_event(std::string(c.arch) + ".regs", c.number, c.value));
        EXPECT_EQ(replies, (std::vector<json>{expected_write(c.arch, number, c.confirmed)}));
        EXPECT_EQ(server.machine()->registers()[number], c.confirmed);
        front.receive(replies);
        EXPECT_EQ(front.regfile->registers[number].value, c.confirmed);
    }
    EXPECT_EQ(err.str(), "");

    // A written pc is where the next step goes on from.
    select("isa4");
    send(write_event("isa4.regs", 16, 0x10));
    EXPECT_EQ(step().back(), expected_update("isa4.cycles", 1));
    EXPECT_EQ(server.machine()->registers()[16], 0x11u);
}

// Every refused or unknown envelope: no answer, one line on standard error,
// and the server keeps serving.
TEST_F(SimServerTest, RefusedEnvelopesGetNoAnswerAndOneErrorLine) {
    const json command = {{"message_type", "command"}};
    auto with = [](json base, const json& extra) {
        base.update(extra);
        return base;
    };
    const json list = envelope::list_request();
    const json program = envelope::program_load(0, {1});
    const std::vector<std::pair<const char*, json>> before_selection = {
        {"step before selection", envelope::step_command()},
        {"reset before selection", envelope::reset_command()},
        {"load before selection", program},
        {"write before selection", write_event("isa4.regs", 1, 1)},
    };
    const std::vector<std::pair<const char*, json>> cases = {
        {"null", json()},
        {"array", json::array({1, 2})},
        {"number type", with(list, {{"message_type", 5}})},
        {"array destination", with(list, {{"destination", json::array()}})},
        {"unknown command", with(list, {{"message_sub_type", "frobnicate"}})},
        {"unknown event", {{"message_type", "event"}, {"message_sub_type", "bump"}}},
        {"bad state", with(envelope::step_command(), {{"data", {{"x", 1}}}})},
        {"select number", with(envelope::architecture_select(""), {{"data", 5}})},
        {"select unknown", envelope::architecture_select("vax")},
        {"values not array", with(program, {{"data", {{"values", "abc"}}}})},
        {"values negative", with(program, {{"data", {{"values", {1, -1}}}}})},
        {"values too wide", with(program, {{"data", {{"values", {0x100000000}}}}})},
        {"start float", with(program, {{"data", {{"start", 0.5}, {"values", {1}}}}})},
        {"data not object", with(program, {{"data", {1, 2}}})},
        {"other destination", write_event("toy.regs", 1, 1)},
        {"register beyond", write_event("isa4.regs", 19, 1)},
        {"register string", write_event("isa4.regs", "3", 1)},
        {"value float", write_event("isa4.regs", 3, 1.5)},
        {"value absent",
         with(write_event("isa4.regs", 3, 1), {{"data", {{"register_number", 3}}}})},
        {"invalid utf-8", with(list, {{"message_sub_type", "\xff\xfe"}})},
    };
    auto check = [&](const char* label, const json& envelope) {
        SCOPED_TRACE(label);
        err.str("");
        out.str("");
        EXPECT_TRUE(send(envelope).empty());
        EXPECT_EQ(line_count(err), 1) << err.str();
        EXPECT_EQ(line_count(out), 1) << out.str();
    };
    for (const auto& [label, envelope] : before_selection)
        check(label, envelope);
    select("isa4");
    const std::vector<uint64_t> registers = server.machine()->registers();
    for (const auto& [label, envelope] : cases)
        check(label, envelope);
    EXPECT_EQ(server.machine()->registers(), registers);
    EXPECT_EQ(send(list).size(), 1u);
}

TEST_F(SimServerTest, UndecodableBodiesGetNoAnswerAndOneErrorLine) {
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
        {"empty", {}},
        {"unknown marker", {'X'}},
        {"truncated", {'{', 'i', 4, 'd', 'a'}},
        {"trailing bytes", {'Z', 'Z'}},
        {"huge count", {'[', '#', 'L', 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"deep nesting", std::vector<uint8_t>(10000, '[')},
    };
    for (const auto& [label, body] : cases) {
        SCOPED_TRACE(label);
        err.str("");
        EXPECT_TRUE(server.handle_body(body.data(), body.size()).empty());
        EXPECT_EQ(line_count(err), 1) << err.str();
    }
    EXPECT_EQ(out.str(), ""); // nothing decoded, nothing printed
    EXPECT_EQ(send(envelope::list_request()).size(), 1u);
}

TEST_F(SimServerTest, ProgramLoadStartsWhereToldAndDropsWhatDoesNotFit) {
    select("toy");
    load({0, 0, 7}, 1); // words 1..3
    load({9, 4}, 255);  // 4 does not fit
    EXPECT_NE(err.str().find("1 words beyond the end of program memory dropped"), std::string::npos)
        << err.str();
    for (int i = 0; i < 4; ++i)
        step();
    EXPECT_EQ(front.values()[0], 7u);
    send(write_event("toy.regs", 1, 255));
    step();
    EXPECT_EQ(front.values()[0], 16u);
}

TEST_F(SimServerTest, FreeRunPausesAtAHaltOrTrapAndResumesAfterAReset) {
    EXPECT_TRUE(server.tick().empty()); // nothing selected
    select("isa4");
    load({encode(Opcode::Addi, {1, 1, 1}), 0x30000});
    EXPECT_TRUE(server.free_running());
    const auto first = server.tick();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.front(), expected_write("isa4", 1, 1));
    EXPECT_EQ(server.tick().back(), expected_update("isa4.cycles", 2)); // the illegal word
    EXPECT_FALSE(server.free_running());
    EXPECT_TRUE(server.tick().empty());
    EXPECT_EQ(send(envelope::step_command()).back(), expected_update("isa4.cycles", 3));
    send(envelope::reset_command());
    EXPECT_TRUE(server.free_running());
    EXPECT_EQ(server.tick(), first);
}

} // namespace
