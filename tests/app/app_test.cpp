// Whole headless frames of the application: the drain, then every window,
// with a real socket, worker thread and receiver, and an NNG peer playing the
// back end.
#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "app/app.h"
#include "link/envelope.h"
#include "support/imgui_harness.h"
#include "support/nng_peer.h"
#include "support/temp_dir.h"

namespace {

using nlohmann::json;
using Names = std::vector<std::string>;

// One frame is the drain followed by every window. The harness's press and
// type helpers run their own frames, so the drain sits at the top of the draw
// callback; it touches no Dear ImGui state, so that is the same frame.
class AppFrames {
  public:
    AppFrames() : app([] { return 0u; }) {}

    void frame() { ui.frame(draw); }
    void frames(int n) { ui.frames(n, draw); }
    void press(const char* window, std::initializer_list<const char*> path) {
        ui.press(window, path, draw);
    }
    void type(const char* window, std::initializer_list<const char*> path,
              const std::string& text) {
        ui.type(window, path, text, draw);
    }

    // Runs frames, giving NNG's threads a moment between them, until done()
    // holds; gives up after max_frames.
    bool frames_until(const std::function<bool()>& done, int max_frames = 1000) {
        for (int i = 0; i < max_frames; ++i) {
            if (done())
                return true;
            frame();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return done();
    }

    bool logged(const std::string& text) const {
        const Names texts = app.log.texts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    size_t envelopes_logged() const {
        const std::vector<LogItem> items = app.log.snapshot();
        return std::count_if(items.begin(), items.end(),
                             [](const LogItem& item) { return !item.is_text(); });
    }
    // Logged envelopes, oldest first.
    std::vector<json> envelopes() const {
        std::vector<json> out;
        for (const LogItem& item : app.log.snapshot())
            if (!item.is_text())
                out.insert(out.begin(), item.envelope());
        return out;
    }
    std::string newest_text() const {
        const Names texts = app.log.texts();
        return texts.empty() ? "" : texts.front();
    }

    void connect(const std::string& url) {
        type("nng", {"address"}, url);
        press("nng", {"Connect"});
    }

    ImGuiHarness ui; // built first, so the app's windows go before the context
    App app;
    const ImGuiHarness::Draw draw = [this] {
        app.drain();
        app.draw();
    };
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A loopback port nothing listens on: bound once by the kernel's choice, then released.
int free_tcp_port() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ADD_FAILURE() << "no free port";
        return 0;
    }
    ::close(fd);
    return ntohs(addr.sin_port);
}

json event(const char* sub, json data, const char* origin = nullptr) {
    json e = {{"message_type", "event"}, {"message_sub_type", sub}, {"data", std::move(data)}};
    if (origin != nullptr)
        e["origin"] = origin;
    return e;
}

json command(const char* destination, const char* sub, json data) {
    return {{"message_type", "command"},
            {"message_sub_type", sub},
            {"destination", destination},
            {"data", std::move(data)}};
}

TEST(App, ConstructsAndEndsCleanlyAgainAndAgain) {
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        NngPeer peer(unique_inproc_url());
        AppFrames a;
        a.frames(2);
        EXPECT_EQ(a.app.log.texts(), Names{"Loaded Isa4"});
        if (round % 2 == 1) {
            // End it with a connection open and a receive outstanding.
            a.connect(peer.url);
            EXPECT_TRUE(a.frames_until([&] { return a.logged("waiting for data..."); }));
        }
    } // each App closes its socket and joins its worker here
}

TEST(App, ConnectToNothingListeningIsRefused) {
    AppFrames a;
    a.frame();
    const std::string url = "tcp://127.0.0.1:" + std::to_string(free_tcp_port());
    a.connect(url);
    ASSERT_TRUE(a.frames_until([&] { return a.app.log.size() > 1; }));
    EXPECT_EQ(a.app.log.texts(), (Names{"nng error: Connection refused", "Loaded Isa4"}));
}

// A session with a scripted back end: connect, list, select, load, then a
// burst of events and commands.
TEST(App, SessionWithBackEnd) {
    TempDir dir;
    const std::string toy_path = dir.write("toy.toml", toy_description);
    NngPeer peer(unique_inproc_url());
    AppFrames a;
    a.frames(2);
    EXPECT_EQ(a.app.log.texts(), Names{"Loaded Isa4"});

    a.connect(peer.url);
    ASSERT_TRUE(a.frames_until([&] { return a.logged("waiting for data..."); }));
    EXPECT_EQ(a.app.log.texts(),
              (Names{"waiting for data...", "Connected to " + peer.url, "Loaded Isa4"}));
    auto request = peer.recv_bytes();
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->size(), 88u);
    EXPECT_EQ(json::from_ubjson(*request), envelope::list_request());

    // The list: the "nng" window offers the names and "Select" sends the choice.
    EXPECT_FALSE(contains(ImGuiHarness::window_text("nng"), "Select"));
    peer.send(command("computer_architecture", "list", {"toy", "big"}));
    ASSERT_TRUE(a.frames_until([&] { return !a.app.archs.empty(); }));
    // The window keeps the size it fitted before the list came, which clips
    // the new widgets; a user would drag it larger.
    ImGui::SetWindowSize("nng", ImVec2(600, 300));
    a.frame();
    EXPECT_EQ(a.app.archs, (Names{"toy", "big"}));
    const std::string nng_text = ImGuiHarness::window_text("nng");
    EXPECT_TRUE(contains(nng_text, "toy")) << nng_text;
    EXPECT_TRUE(contains(nng_text, "Architecture")) << nng_text;
    EXPECT_TRUE(contains(nng_text, "Select")) << nng_text;
    a.ui.choose("nng", "Architecture", 1, "big", a.draw);
    EXPECT_EQ(a.app.nng_window.selected_arch, 1);
    a.press("nng", {"Select"});
    auto select = peer.recv();
    ASSERT_TRUE(select.has_value());
    EXPECT_EQ(*select, envelope::architecture_select("big"));

    // The load: the register file window appears with the visible registers.
    EXPECT_EQ(ImGuiHarness::window_text("Register file"), "");
    peer.send(command("computer_architecture", "load", toy_path));
    ASSERT_TRUE(a.frames_until([&] { return a.app.regfile != nullptr; }));
    EXPECT_EQ(a.app.archname, "toy");
    a.frame();
    std::string regs_text = ImGuiHarness::window_text("Register file");
    for (const char* shown : {"Arch: Toy accumulator machine", "ACC", "PC", "CYC"})
        EXPECT_TRUE(contains(regs_text, shown)) << shown << " in\n" << regs_text;
    EXPECT_FALSE(contains(regs_text, "TMP")) << "hidden register shown";

    // A burst: each frame takes at most one envelope, and they apply in order.
    const Isa4 arch_before = a.app.arch;
    const std::vector<json> burst = {
        event("update", {{"new_count", 5}}, "toy.pc"),
        event("write", {{"register_number", 0}, {"value", 17}}),
        event("increment", {{"new_count", 1234}}, "toy.clock"),
        event("write", {{"register_number", 1}, {"value", 9}}),
        command("control", "change_state", "reset"),
    };
    const size_t logged_before = a.envelopes_logged();
    testing::internal::CaptureStdout();
    std::thread back_end([&] {
        for (const json& e : burst)
            peer.send(e); // each waits until the front end takes the previous one
    });
    bool at_most_one_per_frame = true;
    int frames_run = 0;
    const bool all_applied = a.frames_until([&] {
        // One receive may already be outstanding when the burst starts.
        if (a.envelopes_logged() - logged_before > static_cast<size_t>(frames_run) + 1)
            at_most_one_per_frame = false;
        ++frames_run;
        return a.logged("Reset CPU");
    });
    back_end.join();
    const std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(all_applied);
    EXPECT_TRUE(at_most_one_per_frame);

    std::string expected_lines;
    for (size_t i = 0; i + 1 < burst.size(); ++i)
        expected_lines += burst[i].dump() + "\n";
    EXPECT_EQ(printed, expected_lines);
    const std::vector<json> logged = a.envelopes();
    ASSERT_EQ(logged.size(), logged_before + burst.size());
    for (size_t i = 0; i < burst.size(); ++i)
        EXPECT_EQ(logged[logged_before + i]["message_sub_type"], burst[i]["message_sub_type"]);

    const std::vector<Register>& regs = a.app.regfile->registers;
    EXPECT_EQ(regs[0].value, 17u);
    EXPECT_EQ(regs[1].value, 9u) << "the write after the update wins";
    EXPECT_EQ(regs[2].value, 1234u);
    a.frame();
    regs_text = ImGuiHarness::window_text("Register file");
    for (const char* shown : {"00000011", "00000009", "000004D2"})
        EXPECT_TRUE(contains(regs_text, shown)) << shown << " in\n" << regs_text;

    // The reset was only logged: the local processor is as it was.
    EXPECT_EQ(a.app.arch.rom, arch_before.rom);
    EXPECT_EQ(a.app.arch.ram, arch_before.ram);
    EXPECT_EQ(a.app.arch.regs, arch_before.regs);
    EXPECT_EQ(a.app.arch.pc, arch_before.pc);
}

// With no back end, every send from the frame loop is handed over without
// waiting, gives up after its time-out and says why in the log; the program
// goes on working.
TEST(App, SendsWithoutBackEndFailInTheLog) {
    struct Case {
        const char* window;
        const char* button;
    };
    const std::vector<Case> cases = {
        {"Computer Architecture state", "Step"},
        {"Computer Architecture state", "Reset CPU"},
        {"Program ROM view", "Send ROM"},
        {"nng", "Select"},
    };
    AppFrames a;
    a.app.msgs.push(Names{"toy"}); // so that "Select" is drawn
    a.frames(2);
    a.app.sender.timeout_ms = 20;
    const std::string timed_out = std::string("nng error: ") + nng_strerror(NNG_ETIMEDOUT);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        const size_t before = a.app.log.size();
        a.press(c.window, {c.button});
        ASSERT_TRUE(a.app.sender.wait_idle(5000));
        EXPECT_EQ(a.app.log.size(), before + 1);
        EXPECT_EQ(a.newest_text(), timed_out);
    }

    // Still working: a back end that turns up now gets the list request.
    NngPeer peer(unique_inproc_url());
    a.connect(peer.url);
    ASSERT_TRUE(a.frames_until([&] { return a.logged("waiting for data..."); }));
    auto request = peer.recv();
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(*request, envelope::list_request());
}

} // namespace
