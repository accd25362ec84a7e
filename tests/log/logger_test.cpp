// The bounded, thread-safe log: order, trimming, the kinds of entry, and the
// labels and texts shown for envelopes.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "log/logger.h"

using nlohmann::json;

TEST(Logger, NewestEntryComesFirst) {
    Logger log(100);
    log.add("first");
    log.add("second");
    log.add("third");
    EXPECT_EQ(log.texts(), (std::vector<std::string>{"third", "second", "first"}));
}

TEST(Logger, KeepsOneEntryFewerThanItsCapacity) {
    struct Case {
        uint64_t capacity;
        int adds;
        size_t kept;
    };
    const std::vector<Case> cases = {{100, 1, 1},    {100, 98, 98},  {100, 99, 99},
                                     {100, 100, 99}, {100, 250, 99}, {2, 5, 1},
                                     {3, 5, 2},      {1, 1, 0},      {1, 5, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "capacity " << c.capacity << ", " << c.adds << " adds");
        Logger log(c.capacity);
        for (int i = 0; i < c.adds; ++i)
            log.add("entry " + std::to_string(i));
        const std::vector<std::string> texts = log.texts();
        ASSERT_EQ(texts.size(), c.kept);
        EXPECT_EQ(log.size(), c.kept);
        // The newest entries, newest first; the oldest ones are gone.
        for (size_t k = 0; k < c.kept; ++k)
            EXPECT_EQ(texts[k], "entry " + std::to_string(c.adds - 1 - k));
    }
}

TEST(Logger, ClearEmptiesAndTheNextAddCountsOne) {
    Logger log(100);
    log.add("Loaded Isa4");
    log.add(json{{"message_type", "event"}});
    log.clear();
    EXPECT_EQ(log.size(), 0u);
    EXPECT_TRUE(log.snapshot().empty());
    log.add("again");
    EXPECT_EQ(log.texts(), std::vector<std::string>{"again"});
}

TEST(Logger, TextsFromLiteralsBuffersAndStrings) {
    Logger log(100);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "Interrupt %u", 2u);
    const std::string kept = "Connected to tcp://127.0.0.1:8081";
    std::string moved = "nng error: Connection refused";

    log.add("Breakpoint hit");
    log.add(buffer);
    log.add(kept);
    log.add(std::move(moved));
    log.add(std::string("invalid message: ") + "bad");
    log.add("%d %s %n 100%");

    const std::vector<LogItem> items = log.snapshot();
    ASSERT_EQ(items.size(), 6u);
    for (const LogItem& item : items)
        EXPECT_TRUE(item.is_text());
    EXPECT_EQ(items[5].text(), "Breakpoint hit");
    EXPECT_EQ(items[4].text(), "Interrupt 2"); // up to the terminator, not the whole buffer
    EXPECT_EQ(items[3].text(), kept);
    EXPECT_EQ(items[2].text(), "nng error: Connection refused");
    EXPECT_EQ(items[1].text(), "invalid message: bad");
    EXPECT_EQ(items[0].text(), "%d %s %n 100%");
    EXPECT_EQ(kept, "Connected to tcp://127.0.0.1:8081");
}

TEST(Logger, JsonValuesBecomeEnvelopeEntries) {
    Logger log(100);
    const json envelope = {{"message_type", "event"},
                           {"message_sub_type", "update"},
                           {"data", {{"b", "two"}, {"a", 1}}}};
    json copy = envelope;
    log.add("before");
    log.add(copy);
    log.add(json{{"message_type", "command"}, {"values", {1, 2, 3}}});
    // A JSON string is an envelope entry too, not a text.
    log.add(json("just text"));

    EXPECT_EQ(copy, envelope); // an lvalue is copied, not taken
    const std::vector<LogItem> items = log.snapshot();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_TRUE(items[3].is_text());
    ASSERT_FALSE(items[2].is_text());
    EXPECT_EQ(items[2].envelope(), envelope);
    ASSERT_FALSE(items[0].is_text());
    EXPECT_EQ(items[0].envelope(), json("just text"));

    const std::vector<std::string> texts = log.texts();
    EXPECT_EQ(texts[1], R"({"message_type":"command","values":[1,2,3]})");
    EXPECT_EQ(texts[2],
              R"({"data":{"a":1,"b":"two"},"message_sub_type":"update","message_type":"event"})");
}

TEST(Logger, ConcurrentAddsStayBoundedAndWhole) {
    constexpr int writers = 4;
    constexpr int per_writer = 400;
    Logger log(100);
    std::atomic<bool> done{false};
    std::atomic<size_t> largest_seen{0};

    std::thread reader([&] {
        while (!done.load()) {
            for (const LogItem& item : log.snapshot())
                (void)(item.is_text() ? item.text().size() : item.envelope().size());
            size_t n = log.size();
            if (n > largest_seen.load())
                largest_seen.store(n);
        }
    });
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w) {
        threads.emplace_back([&log, w] {
            for (int n = 0; n < per_writer; ++n) {
                if (n % 2 == 0)
                    log.add("w" + std::to_string(w) + " n" + std::to_string(n));
                else
                    log.add(json{{"message_type", "event"}, {"w", w}, {"n", n}});
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    done = true;
    reader.join();

    EXPECT_LE(largest_seen.load(), 99u);
    const std::vector<LogItem> items = log.snapshot();
    ASSERT_EQ(items.size(), 99u);

    // Every entry is intact, and each writer's entries stay newest first.
    std::map<int, int> last_n; // writer -> n of the entry seen just before (newer)
    for (const LogItem& item : items) {
        int w = -1, n = -1;
        if (item.is_text()) {
            ASSERT_EQ(std::sscanf(item.text().c_str(), "w%d n%d", &w, &n), 2) << item.text();
            EXPECT_EQ(n % 2, 0);
            EXPECT_EQ(item.text(), "w" + std::to_string(w) + " n" + std::to_string(n));
        } else {
            const json& e = item.envelope();
            ASSERT_TRUE(e.is_object());
            ASSERT_EQ(e.size(), 3u);
            EXPECT_EQ(e.at("message_type"), "event");
            w = e.at("w").get<int>();
            n = e.at("n").get<int>();
            EXPECT_EQ(n % 2, 1);
        }
        ASSERT_GE(w, 0);
        ASSERT_LT(w, writers);
        ASSERT_LT(n, per_writer);
        auto it = last_n.find(w);
        if (it != last_n.end()) {
            EXPECT_LT(n, it->second) << "writer " << w;
        }
        last_n[w] = n;
    }
    // The newest entry of the whole log is the last add of some writer.
    const LogItem& newest = items.front();
    const int newest_n = newest.is_text() ? -1 : newest.envelope().at("n").get<int>();
    EXPECT_EQ(newest_n, per_writer - 1);
}

TEST(EnvelopeLabel, MessageTypeAndSubTypeAsCompactJson) {
    struct Case {
        const char* what;
        json envelope;
        std::string label;
    };
    const std::vector<Case> cases = {
        {"update event",
         {{"message_type", "event"},
          {"message_sub_type", "update"},
          {"destination", "x"},
          {"data", {{"a", 1}, {"b", "two"}}},
          {"origin", "y"}},
         R"("event" : "update")"},
        {"no sub type", {{"message_type", "event"}, {"data", 1}}, R"("event" : null)"},
        {"neither", json::object(), "null : null"},
        {"non-string members", {{"message_type", 1}, {"message_sub_type", {1, 2}}}, "1 : [1,2]"},
        {"object member",
         {{"message_type", {{"k", true}}}, {"message_sub_type", nullptr}},
         R"({"k":true} : null)"},
        {"not escaped to ASCII",
         {{"message_type", "caf\xC3\xA9"}, {"message_sub_type", "a\"b"}},
         "\"caf\xC3\xA9\" : \"a\\\"b\""},
        {"escapes",
         {{"message_type", "a\\b"}, {"message_sub_type", "tab\there"}},
         R"("a\\b" : "tab\there")"},
        // 118 characters and their quotes fill a member exactly; one more is cut.
        {"plain texts at the cut",
         {{"message_type", std::string(label_member_bytes - 2, 'e')},
          {"message_sub_type", std::string(label_member_bytes - 1, 's')}},
         "\"" + std::string(label_member_bytes - 2, 'e') + "\" : \"" +
             std::string(label_member_bytes - 1, 's') + "..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(envelope_label(c.envelope), c.label);
    }
}

// The log draws every entry's label in every frame: a huge member must not
// make a huge label. Cuts fall on character boundaries.
TEST(EnvelopeLabel, HugeMembersAreCutOnACharacterBoundary) {
    json envelope = {{"message_type", json::array()}};
    for (int i = 0; i < 4000; ++i)
        envelope["message_type"].push_back(nullptr);
    std::string accents;
    for (int i = 0; i < 200; ++i)
        accents += "\xC3\xA9"; // two bytes each
    envelope["message_sub_type"] = accents;

    const std::string type = envelope["message_type"].dump().substr(0, label_member_bytes);
    // The quote and 59 accents fill 119 bytes; the 60th would be cut in two.
    std::string sub = "\"";
    for (int i = 0; i < 59; ++i)
        sub += "\xC3\xA9";
    EXPECT_EQ(envelope_label(envelope), type + "... : " + sub + "...");

    Logger log(100);
    log.add(envelope);
    EXPECT_EQ(log.snapshot()[0].label, type + "... : " + sub + "...");
}

TEST(DisplayJson, InvalidUtf8IsShownNotThrown) {
    const json bad = std::string("ab\xFF\xFE"
                                 "cd");
    std::string shown;
    EXPECT_NO_THROW(shown = display_json(bad));
    EXPECT_EQ(shown, "\"ab\xEF\xBF\xBD\xEF\xBF\xBD"
                     "cd\"");

    const json envelope = {{"message_type", std::string("ev\xC3")},
                           {"message_sub_type", "update"},
                           {"data", {{"x", std::string("\x80")}}}};
    std::string label;
    EXPECT_NO_THROW(label = envelope_label(envelope));
    EXPECT_EQ(label, "\"ev\xEF\xBF\xBD\" : \"update\"");
    EXPECT_NO_THROW(display_json(envelope));

    Logger log(100);
    log.add(envelope);
    std::vector<std::string> texts;
    EXPECT_NO_THROW(texts = log.texts());
    ASSERT_EQ(texts.size(), 1u);
}
