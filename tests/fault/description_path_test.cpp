// Description paths named by a back end over TCP that do not lead to a
// description: each is refused with one "Failed to load " line in the log and
// one "Failed to parse " line on the error stream, without a crash or a frame
// that does not return, and the register file in use stays with its values.
#include <sys/stat.h>

#include "fault_frames.h"
#include "link/envelope.h"

namespace {

using namespace fault;

struct PathCase {
    const char* name;
    std::function<std::string(const ShortTempDir&)> make;
    const char* reason; // part of the error text
};

std::vector<PathCase> path_cases() {
    return {
        {"a missing file", [](const ShortTempDir& d) { return d.path + "/none.toml"; },
         "could not be opened for parsing"},
        {"a directory", [](const ShortTempDir& d) { return d.path; }, "not a regular file"},
        {"a binary file",
         [](const ShortTempDir& d) {
             std::string bytes;
             for (int i = 0; i < 4096; ++i)
                 bytes += static_cast<char>((i * 131 + 7) & 0xFF);
             return d.write("binary.toml", bytes);
         },
         ""},
        {"an empty file", [](const ShortTempDir& d) { return d.write("empty.toml", ""); },
         "no \"registers\" array of tables"},
        {"/dev/zero", [](const ShortTempDir&) { return std::string("/dev/zero"); },
         "not a regular file"},
        {"a named pipe",
         [](const ShortTempDir& d) {
             const std::string path = d.path + "/pipe.toml";
             ::mkfifo(path.c_str(), 0600);
             return path;
         },
         "not a regular file"},
        {"100,000 nested '['",
         [](const ShortTempDir& d) {
             return d.write("deep.toml", "a = " + std::string(100000, '['));
         },
         "nests arrays or inline tables"},
        {"100,000 nested '{'",
         [](const ShortTempDir& d) {
             std::string text = "a = ";
             for (int i = 0; i < 100000; ++i)
                 text += "{b=";
             return d.write("tables.toml", text);
         },
         "nests arrays or inline tables"},
        {"a 5 MiB file",
         [](const ShortTempDir& d) {
             return d.write("large.toml", std::string(size_t(5) << 20, '#'));
         },
         "is larger than"},
        {"registers that are not tables",
         [](const ShortTempDir& d) { return d.write("flat.toml", "registers = 5\n"); },
         "no \"registers\" array of tables"},
    };
}

TEST(DescriptionPath, HostileFilesAreRefusedOnceEachAndTheRegisterFileStays) {
    ShortTempDir dir;
    NngPeer peer(fresh_tcp_url());
    FaultFrames a;
    ASSERT_NO_FATAL_FAILURE(open_toy_session(a, peer));
    peer.send(register_write(0, 42));
    ASSERT_TRUE(a.frames_until([&] { return a.reg(0) == 42; }));
    const RegisterFile* const installed = a.app.regfile.get();

    for (const PathCase& c : path_cases()) {
        SCOPED_TRACE(c.name);
        const std::string path = c.make(dir);
        a.err_text.str("");
        const size_t log_before = a.app.log.size();
        peer.send(envelope::architecture_load(path));
        // The load envelope is logged when it arrives, the failure when it is applied.
        ASSERT_TRUE(a.frames_until([&] { return a.app.log.size() >= log_before + 2; }));
        a.frames(2);
        EXPECT_EQ(a.app.log.size(), log_before + 2);
        const std::string failed = a.newest_text();
        EXPECT_EQ(failed.rfind("Failed to load " + path + ": ", 0), 0u) << failed;
        EXPECT_NE(failed.find(c.reason), std::string::npos) << failed;
        const std::string err = a.err_text.str();
        EXPECT_EQ(err.rfind("Failed to parse " + path + ": ", 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_EQ(a.app.regfile.get(), installed);
        EXPECT_EQ(a.app.archname, "toy");
        EXPECT_EQ(a.reg(0), 42u);
    }

    // The register file still works, and a good description still loads.
    peer.send(register_write(0, 43));
    ASSERT_TRUE(a.frames_until([&] { return a.reg(0) == 43; }));
    peer.send(envelope::architecture_load(QUARRIN_SOURCE_DIR "/architectures/isa4.toml"));
    ASSERT_TRUE(a.frames_until([&] { return a.app.archname == "isa4"; }));
    EXPECT_EQ(a.app.regfile->registers.size(), 19u);
}

} // namespace
