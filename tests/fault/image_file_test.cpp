// Image files that are not what "Load ROM" and "Load RAM" expect, typed into
// the real "Filename" fields: nothing crashes, each load logs why it failed or
// what it took of a file of the wrong length, only whole 3-byte groups reach
// the program memory, and never more than 256 words or 256 bytes are taken,
// however long the file.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <tuple>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include "fault_frames.h"

namespace {

using namespace fault;

// Takes CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH out of this thread's
// effective set while it lives, so that root, too, is refused a file of mode
// 000. Capabilities are per thread and the frames run on this one.
class WithoutFileOverride {
  public:
    WithoutFileOverride() {
        if (syscall(SYS_capget, &header, saved) != 0)
            return;
        __user_cap_data_struct reduced[2];
        std::memcpy(reduced, saved, sizeof reduced);
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        active = syscall(SYS_capset, &header, reduced) == 0;
    }
    ~WithoutFileOverride() {
        if (active)
            syscall(SYS_capset, &header, saved);
    }
    WithoutFileOverride(const WithoutFileOverride&) = delete;
    WithoutFileOverride& operator=(const WithoutFileOverride&) = delete;

    bool active = false;

  private:
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2] = {};
};

std::string pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t k = 0; k < size; ++k)
        bytes[k] = static_cast<char>((k * 7 + 3) & 0xFF);
    return bytes;
}

struct ImageCase {
    const char* name;
    // Makes the file and returns its path.
    std::function<std::string(const ShortTempDir&)> make;
    std::string seen;   // the bytes a reader gets from its start
    int rom_words;      // words "Load ROM" changes, from word 0
    int ram_bytes;      // cells "Load RAM" changes, from cell 0
    const char* report; // in what each load logs
    bool unreadable = false;
};

std::vector<ImageCase> image_cases() {
    const size_t ten_mib = size_t(10) << 20;
    return {
        {"a directory", [](const ShortTempDir& d) { return d.path; }, "", 0, 0, "Is a directory"},
        {"a missing file", [](const ShortTempDir& d) { return d.path + "/none"; }, "", 0, 0,
         "No such file or directory"},
        {"an unreadable file",
         [](const ShortTempDir& d) {
             const std::string path = d.write("locked", pattern(768));
             ::chmod(path.c_str(), 0);
             return path;
         },
         "", 0, 0, "Permission denied", true},
        {"an empty file", [](const ShortTempDir& d) { return d.write("empty", ""); }, "", 0, 0,
         "\" is 0 bytes, not "},
        {"1 byte", [](const ShortTempDir& d) { return d.write("one", pattern(1)); }, pattern(1), 0,
         1, "\" is 1 bytes, not "},
        {"4 bytes", [](const ShortTempDir& d) { return d.write("four", pattern(4)); }, pattern(4),
         1, 4, "\" is 4 bytes, not "},
        {"767 bytes", [](const ShortTempDir& d) { return d.write("short", pattern(767)); },
         pattern(767), 255, 256, "\" is 767 bytes, not "},
        {"10 MiB", [=](const ShortTempDir& d) { return d.write("big", pattern(ten_mib)); },
         pattern(768), 256, 256, "\" is 10485760 bytes, not "},
        // A device is no image file: it could be read without end.
        {"/dev/zero, a device", [](const ShortTempDir&) { return std::string("/dev/zero"); }, "", 0,
         0, "not a regular file"},
        {"a file that opens but cannot be read",
         [](const ShortTempDir&) { return std::string("/proc/self/mem"); }, "", 0, 0,
         "Cannot load "},
    };
}

class ImageFiles : public testing::Test {
  protected:
    void SetUp() override {
        a.frame();
        ImGui::SetWindowSize("Program ROM view", ImVec2(500, 500));
        ImGui::SetWindowSize("RAM view", ImVec2(500, 500));
        a.frame();
    }
    // Fills both memories with values no file here holds at those places.
    void fill() {
        a.app.arch.rom.fill(0xEEEEEE);
        a.app.arch.ram.fill(0xEE);
    }
    void load(const char* window, const char* button, const std::string& path) {
        a.type(window, {"Filename"}, path);
        a.press(window, {button});
    }

    ShortTempDir dir;
    FaultFrames a;
};

TEST_F(ImageFiles, OddFilesLoadOnlyWholeGroupsAndAtMost256AndSaySoWithoutCrashing) {
    for (const ImageCase& c : image_cases()) {
        SCOPED_TRACE(c.name);
        const std::string path = c.make(dir);
        ASSERT_LT(path.size(), 40u) << "the Filename field holds 39 characters";
        std::optional<WithoutFileOverride> locked;
        if (c.unreadable) {
            locked.emplace();
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                ::close(fd);
                std::printf("skipped \"%s\": this user still reads a file of mode 000 "
                            "(its capabilities could not be lowered)\n",
                            c.name);
                continue;
            }
        }
        fill();
        a.app.log.clear();
        load("Program ROM view", "Load ROM", path);
        load("RAM view", "Load RAM", path);
        locked.reset();

        for (int n = 0; n < 256; ++n) {
            uint32_t expected = 0xEEEEEE;
            if (n < c.rom_words)
                expected = (uint32_t(uint8_t(c.seen[3 * n])) << 16) |
                           (uint32_t(uint8_t(c.seen[3 * n + 1])) << 8) | uint8_t(c.seen[3 * n + 2]);
            ASSERT_EQ(a.app.arch.rom[n], expected) << "word " << n;
        }
        for (int n = 0; n < 256; ++n) {
            const uint8_t expected = n < c.ram_bytes ? uint8_t(c.seen[n]) : 0xEE;
            ASSERT_EQ(a.app.arch.ram[n], expected) << "cell " << n;
        }
        const std::vector<std::string> logged = a.app.log.texts();
        ASSERT_EQ(logged.size(), 2u) << "one report per load";
        for (const std::string& text : logged) {
            EXPECT_NE(text.find(c.report), std::string::npos) << text;
            EXPECT_NE(text.find("\"" + path + "\""), std::string::npos) << text;
        }
        EXPECT_NE(logged[1].find("ROM image"), std::string::npos) << logged[1];
        EXPECT_NE(logged[0].find("RAM image"), std::string::npos) << logged[0];
    }
}

// A named pipe would hold the frame in its open until a writer came: it is
// refused at once, for loading and for saving. Should it ever block again, a
// writer arrives after three seconds, so the test fails instead of hanging.
TEST_F(ImageFiles, NamedPipeIsRefusedWithoutWaiting) {
    const std::string path = dir.path + "/pipe";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    std::atomic<bool> done{false}, rescued{false};
    std::thread rescue([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!done && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        while (!done) {
            rescued = true;
            const int rd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            const int wr = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (wr >= 0)
                ::close(wr);
            if (rd >= 0)
                ::close(rd);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    for (const auto& [window, load, save] : {std::tuple{"Program ROM view", "Load ROM", "Save ROM"},
                                             std::tuple{"RAM view", "Load RAM", "Save RAM"}}) {
        SCOPED_TRACE(load);
        fill();
        a.type(window, {"Filename"}, path);
        a.press(window, {load});
        a.press(window, {save});
        EXPECT_EQ(a.app.arch.rom[0], 0xEEEEEEu);
        EXPECT_EQ(a.app.arch.ram[0], 0xEE);
    }
    done = true;
    rescue.join();
    EXPECT_FALSE(rescued) << "a load or save waited on the pipe until the rescue came";
}

} // namespace
