// What one received body turns into: the messages pushed for the frame loop,
// the log entry, and the line printed for events.
#include <cctype>
#include <cstdint>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "link/arch_sim_msg.h"
#include "link/bounded_queue.h"
#include "link/envelope.h"
#include "link/inbound.h"
#include "log/logger.h"
#include "support/nng_peer.h"

using nlohmann::json;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes ub(const json& envelope) {
    return json::to_ubjson(envelope);
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes truncated(Bytes b) {
    b.pop_back();
    return b;
}

std::string line(const json& envelope) {
    return envelope.dump() + "\n";
}

std::string describe(const ArchSimMsg& m) {
    std::ostringstream out;
    out << "type " << m.type << ": ";
    if (const auto* s = std::get_if<std::string>(&m.data))
        out << '"' << *s << '"';
    else if (const auto* names = std::get_if<std::vector<std::string>>(&m.data))
        out << json(*names).dump();
    else if (const auto* u = std::get_if<CounterUpdatePair>(&m.data))
        out << "(" << u->first << ", " << u->second << ")";
    else if (const auto* w = std::get_if<RegisterWritePair>(&m.data))
        out << "(" << w->first << ", " << w->second << ")";
    return out.str();
}

json cmd(const char* destination, const char* sub) {
    return {{"message_type", "command"}, {"destination", destination}, {"message_sub_type", sub}};
}

json with(json envelope, const char* key, json value) {
    envelope[key] = std::move(value);
    return envelope;
}

json update(const char* sub, json data, std::optional<std::string> origin = "toy.counter") {
    json e = {{"message_type", "event"}, {"message_sub_type", sub}, {"data", std::move(data)}};
    if (origin)
        e["origin"] = *origin;
    return e;
}

json write_event(json data) {
    return {{"message_type", "event"},
            {"message_sub_type", "write"},
            {"destination", "toy.regs"},
            {"data", std::move(data)}};
}

struct InboundCase {
    std::string name;
    Bytes body;
    std::vector<ArchSimMsg> pushed;
    // The envelope entry expected in the log; without one, a single
    // "invalid message: " text holding error_part is expected instead.
    std::optional<json> logged;
    std::string error_part;
    std::string printed;
};

void PrintTo(const InboundCase& c, std::ostream* out) {
    *out << c.name;
}

InboundCase accepted(std::string name, const json& envelope, std::vector<ArchSimMsg> pushed,
                     std::string printed = "") {
    return {std::move(name), ub(envelope), std::move(pushed), envelope, "", std::move(printed)};
}

InboundCase refused(std::string name, Bytes body, std::string error_part,
                    std::string printed = "") {
    return {std::move(name), std::move(body),       {},
            std::nullopt,    std::move(error_part), std::move(printed)};
}

const json reset_cmd = envelope::reset_notice();
const json count_event = envelope::counter_update("toy.counter", 300);

std::vector<InboundCase> inbound_cases() {
    const json list = envelope::architecture_list({"toy", "mips"});
    const json list_without_data = cmd("computer_architecture", "list");
    const json increment = envelope::counter_increment("toy.counter", 1);
    const json write_3_255 = envelope::register_value("toy.regs", 3, 255);
    return {
        // The catalogue of envelopes the front end acts on.
        accepted("list", list, {ArchSimMsg(std::vector<std::string>{"toy", "mips"})}),
        accepted("load", envelope::architecture_load("/tmp/toy.toml"),
                 {ArchSimMsg(ArchSimMsg::ArchitectureLoad, "/tmp/toy.toml")}),
        accepted("reset", reset_cmd, {ArchSimMsg(ArchSimMsg::Reset)}),
        accepted("update", count_event, {ArchSimMsg(CounterUpdatePair("toy.counter", 300))},
                 line(count_event)),
        accepted("increment", increment, {ArchSimMsg(CounterUpdatePair("toy.counter", 1))},
                 line(increment)),
        accepted("write", write_3_255, {ArchSimMsg(RegisterWritePair(3, 255))}, line(write_3_255)),
        accepted("write, register number 3.7",
                 write_event({{"register_number", 3.7}, {"value", 1}}),
                 {ArchSimMsg(RegisterWritePair(3, 1))},
                 line(write_event({{"register_number", 3.7}, {"value", 1}}))),
        accepted("write, negative value wraps",
                 write_event({{"register_number", 0}, {"value", -1}}),
                 {ArchSimMsg(RegisterWritePair(0, UINT64_MAX))},
                 line(write_event({{"register_number", 0}, {"value", -1}}))),
        accepted("unknown keys are kept", with(reset_cmd, "extra", {1, 2}),
                 {ArchSimMsg(ArchSimMsg::Reset)}),

        // Well formed, but nothing the front end acts on: only logged.
        accepted("step", with(cmd("control", "change_state"), "data", "step"), {}),
        accepted("other destination",
                 with(cmd("component.memory.instructions", "list"), "data", "x"), {}),
        accepted("other command sub type",
                 with(cmd("computer_architecture", "increment"), "data", "x"), {}),
        accepted("other event sub type", update("poke", json::object()), {},
                 line(update("poke", json::object()))),
        accepted("other message type",
                 {{"message_type", "notice"}, {"message_sub_type", "list"}, {"data", 1}}, {}),
        accepted("event with a non-ASCII text", update("poke", "é"), {},
                 "{\"data\":\"é\",\"message_sub_type\":\"poke\",\"message_type\":\"event\","
                 "\"origin\":\"toy.counter\"}\n"),

        // Lookups add absent members, and the log shows them.
        {"null body", Bytes{'Z'}, {}, json{{"message_type", nullptr}}, "", ""},
        {"list without data",
         ub(list_without_data),
         {ArchSimMsg(std::vector<std::string>{})},
         with(list_without_data, "data", nullptr),
         "",
         ""},
        accepted("list of one string", with(cmd("computer_architecture", "list"), "data", "toy"),
                 {ArchSimMsg(std::vector<std::string>{"toy"})}),
        accepted("list from an object's values",
                 with(cmd("computer_architecture", "list"), "data", {{"b", "mips"}, {"a", "toy"}}),
                 {ArchSimMsg(std::vector<std::string>{"toy", "mips"})}),
        {"command without destination",
         ub({{"message_type", "command"}}),
         {},
         json{{"message_type", "command"}, {"destination", nullptr}},
         "",
         ""},

        // Refused: reported, nothing pushed, not logged.
        refused("number among names",
                ub(with(cmd("computer_architecture", "list"), "data", {"toy", 7})), "string"),
        refused("load path not a string", ub(with(cmd("computer_architecture", "load"), "data", 7)),
                "string"),
        refused("array body", ub({1, 2}), "array"),
        refused("string body", ub("command"), "string"),
        refused("trailing byte", ub(reset_cmd) + Bytes{'Z'}, "parse error"),
        refused("empty body", {}, "parse error"),
        refused("truncated body", truncated(ub(reset_cmd)), "parse error"),
        refused("huge declared count", Bytes{'[', '$', 'Z', '#', 'l', 0x00, 0x98, 0x96, 0x80},
                "10000000"),
        refused("update without origin", ub(update("update", {{"new_count", 1}}, std::nullopt)),
                "string", line(update("update", {{"new_count", 1}}, std::nullopt))),
        refused("update with data a string", ub(update("update", "x")), "string",
                line(update("update", "x"))),
        refused("register number a string",
                ub(write_event({{"register_number", "3"}, {"value", 1}})), "number",
                line(write_event({{"register_number", "3"}, {"value", 1}}))),
        refused("event text not UTF-8",
                Bytes{'{', 'i', 12,  'm', 'e', 's', 's', 'a', 'g',  'e', '_', 't',
                      'y', 'p', 'e', 'S', 'i', 5,   'e', 'v', 'e',  'n', 't', 'i',
                      4,   'd', 'a', 't', 'a', 'S', 'i', 1,   0xFF, '}'},
                "UTF-8"),

        // A count or value that is not an integer is refused with a clear text.
        refused("new_count absent", ub(update("update", json::object())), "new_count",
                line(update("update", json::object()))),
        refused("new_count a string", ub(update("update", {{"new_count", "3"}})), "new_count",
                line(update("update", {{"new_count", "3"}}))),
        refused("new_count a float", ub(update("increment", {{"new_count", 2.5}})), "new_count",
                line(update("increment", {{"new_count", 2.5}}))),
        refused("new_count null", ub(update("update", {{"new_count", nullptr}})), "new_count",
                line(update("update", {{"new_count", nullptr}}))),
        refused("value absent", ub(write_event({{"register_number", 1}})), "value",
                line(write_event({{"register_number", 1}}))),
        refused("value a string", ub(write_event({{"register_number", 1}, {"value", "9"}})),
                "value", line(write_event({{"register_number", 1}, {"value", "9"}}))),
        refused("value a float", ub(write_event({{"register_number", 1}, {"value", 9.5}})), "value",
                line(write_event({{"register_number", 1}, {"value", 9.5}}))),
        refused("value null", ub(write_event({{"register_number", 1}, {"value", nullptr}})),
                "value", line(write_event({{"register_number", 1}, {"value", nullptr}}))),

        // "data" is read as a lookup on a copy of it would read it: absent
        // or null data has no members, other data raises the lookup's error.
        refused("update without data", ub(update("update", nullptr)), "new_count",
                line(update("update", nullptr))),
        refused("write with data an array", ub(write_event({1, 2})),
                "cannot use operator[] with a string argument with array",
                line(write_event({1, 2}))),
        refused("write without register number", ub(write_event({{"value", 1}})),
                "type must be number, but is null", line(write_event({{"value", 1}}))),
        // The line shows the event as it came; the log shows what the
        // lookups added.
        {"event without sub type",
         ub({{"message_type", "event"}, {"data", 1}}),
         {},
         json{{"message_type", "event"}, {"data", 1}, {"message_sub_type", nullptr}},
         "",
         line({{"message_type", "event"}, {"data", 1}})},
    };
}

} // namespace

class InboundBody : public ::testing::Test {
  protected:
    void handle(const Bytes& body) { handle_body(body.data(), body.size(), msgs, log, out); }

    std::vector<ArchSimMsg> taken() {
        std::vector<ArchSimMsg> all;
        while (std::optional<ArchSimMsg> m = msgs.try_pop())
            all.push_back(std::move(*m));
        return all;
    }

    BoundedQueue<ArchSimMsg> msgs{256};
    Logger log{100};
    std::ostringstream out;
};

class Inbound : public InboundBody, public ::testing::WithParamInterface<InboundCase> {};

TEST_P(Inbound, BodyBecomesTheRightMessageLogEntryAndLine) {
    const InboundCase& c = GetParam();
    handle(c.body);

    const std::vector<ArchSimMsg> got = taken();
    ASSERT_EQ(got.size(), c.pushed.size());
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ(describe(got[i]), describe(c.pushed[i]));

    const std::vector<LogItem> entries = log.snapshot();
    ASSERT_EQ(entries.size(), 1u);
    if (c.logged) {
        ASSERT_FALSE(entries[0].is_text()) << entries[0].text();
        EXPECT_EQ(entries[0].envelope(), *c.logged);
    } else {
        ASSERT_TRUE(entries[0].is_text());
        const std::string& text = entries[0].text();
        EXPECT_EQ(text.rfind("invalid message: ", 0), 0u) << text;
        EXPECT_NE(text.find(c.error_part), std::string::npos) << text;
    }
    EXPECT_EQ(out.str(), c.printed);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, Inbound, ::testing::ValuesIn(inbound_cases()),
                         [](const auto& info) {
                             std::string name;
                             for (char ch : info.param.name)
                                 name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             return name;
                         });

TEST_F(InboundBody, TheSameEnvelopeTwiceIsHandledTwiceInOrder) {
    handle(ub(reset_cmd));
    handle(ub(count_event));
    handle(ub(count_event));
    const std::vector<ArchSimMsg> got = taken();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].type, ArchSimMsg::Reset);
    EXPECT_EQ(describe(got[1]), describe(ArchSimMsg(CounterUpdatePair("toy.counter", 300))));
    EXPECT_EQ(describe(got[2]), describe(got[1]));
    EXPECT_EQ(log.size(), 3u);
    EXPECT_EQ(out.str(), line(count_event) + line(count_event));
}

TEST(InboundOrder, TheEnvelopeIsLoggedBeforeItsMessageCanBeTaken) {
    // The frame may apply a message the moment it is pushed, and logs what
    // applying it did: the envelope has to be in the log by then. A full
    // queue holds the push, so only an envelope logged first is seen here.
    BoundedQueue<ArchSimMsg> msgs{1};
    Logger log{100};
    std::ostringstream out;
    msgs.push(ArchSimMsg::Reset);
    const Bytes body = ub(reset_cmd);
    std::thread receiver([&] { handle_body(body.data(), body.size(), msgs, log, out); });
    EXPECT_TRUE(wait_until([&] { return log.size() == 1; }));
    ASSERT_TRUE(msgs.try_pop().has_value());
    receiver.join();
    EXPECT_EQ(msgs.size(), 1u);
    EXPECT_EQ(log.size(), 1u);
}

TEST_F(InboundBody, EventIsPrintedBeforeItsDispatchFails) {
    // The line is out, the message is not pushed and the envelope not logged.
    json e = update("update", {{"new_count", 5}}, std::nullopt);
    EXPECT_THROW(dispatch_envelope(e, out), json::type_error);
    EXPECT_EQ(out.str(), line(update("update", {{"new_count", 5}}, std::nullopt)));
}

TEST_F(InboundBody, ALineThatFailsLeavesNothingForTheNext) {
    // An event whose text is not UTF-8 fails half way through its line.
    const Bytes bad = {'{', 'i', 4,   'd', 'a', 't', 'a', 'S', 'i', 1,   0xFF, 'i',
                       12,  'm', 'e', 's', 's', 'a', 'g', 'e', '_', 't', 'y',  'p',
                       'e', 'S', 'i', 5,   'e', 'v', 'e', 'n', 't', '}'};
    json huge = update("update", {{"new_count", 1}});
    huge["padding"] = std::string(100000, 'p');
    handle(bad);
    handle(ub(count_event));
    handle(ub(huge));
    handle(ub(count_event));
    EXPECT_EQ(out.str(), line(count_event) + line(huge) + line(count_event));
    EXPECT_EQ(msgs.size(), 3u);
}

TEST_F(InboundBody, DispatchLeavesTheLookedUpMembersInTheEnvelope) {
    json e = update("write", {{"register_number", 1}, {"value", 2}}, std::nullopt);
    const Dispatched dispatched = dispatch_envelope(e, out);
    // "data" is read through a copy, so nothing is added inside it.
    EXPECT_EQ(e, update("write", {{"register_number", 1}, {"value", 2}}, std::nullopt));
    EXPECT_TRUE(dispatched.message.has_value());
}

TEST_F(InboundBody, DispatchChangesNothingAndNamesTheMembersItMissed) {
    struct Case {
        const char* name;
        json envelope;
        std::vector<std::string> missed;
    };
    const std::vector<Case> cases = {
        {"null", json(), {"message_type"}},
        {"no message type", {{"data", 1}}, {"message_type"}},
        {"command without destination", {{"message_type", "command"}}, {"destination"}},
        {"list without data", cmd("computer_architecture", "list"), {"data"}},
        {"control without sub type",
         {{"message_type", "command"}, {"destination", "control"}},
         {"message_sub_type"}},
        {"change of state without data", cmd("control", "change_state"), {"data"}},
        {"event without sub type", {{"message_type", "event"}}, {"message_sub_type"}},
        // "data" holds its own members: what is absent there is not named.
        {"write without origin", write_event({{"register_number", 1}, {"value", 2}}), {}},
        {"complete", reset_cmd, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const json before = c.envelope;
        const std::vector<const char*> missed = dispatch_envelope(c.envelope, out).absent;
        EXPECT_EQ(std::vector<std::string>(missed.begin(), missed.end()), c.missed);
        EXPECT_EQ(c.envelope, before);
    }
}
