// quarrin-asm: its options, the files it writes, its messages and exit
// statuses; in process, and the installed program itself.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "arch/memory_image.h"
#include "asm/asm_command.h"
#include "assembly/assembler.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes read_bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const char* const good_source = R"(; a program with data
        ADDI r1, r0, 5
        .data 0x80, 0x12, -1
)";

class AsmCommand : public testing::Test {
  protected:
    int run(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        return run_asm_command(args, out, err);
    }
    std::string path(const char* name) const { return (dir.path / name).string(); }

    TempDir dir;
    std::ostringstream out, err;
};

TEST_F(AsmCommand, WritesTheRomImageNamedAfterTheSource) {
    const std::string source = dir.write("prog.s", good_source);
    EXPECT_EQ(run({source}), asm_exit_ok) << err.str();
    EXPECT_EQ(err.str(), "");
    const Bytes rom = read_bytes(path("prog.rom"));
    ASSERT_EQ(rom.size(), 768u);
    EXPECT_EQ(Bytes(rom.begin(), rom.begin() + 6), (Bytes{0x01, 0x10, 0x05, 0, 0, 0}));
    EXPECT_FALSE(fs::exists(path("prog.ram")));

    // A source without an extension gets one.
    const std::string bare = dir.write("bare", good_source);
    EXPECT_EQ(run({bare}), asm_exit_ok) << err.str();
    EXPECT_TRUE(fs::exists(path("bare.rom")));
}

TEST_F(AsmCommand, WritesTheNamedRomAndRamImages) {
    const std::string source = dir.write("prog.s", good_source);
    EXPECT_EQ(run({"-o", path("out.rom"), source, "-r", path("out.ram")}), asm_exit_ok)
        << err.str();
    EXPECT_EQ(read_bytes(path("out.rom")).size(), 768u);
    Bytes ram(256, 0);
    ram[0x80] = 0x12;
    ram[0x81] = 0xFF;
    EXPECT_EQ(read_bytes(path("out.ram")), ram);
    EXPECT_FALSE(fs::exists(path("prog.rom")));
}

TEST_F(AsmCommand, SourceErrorsArePrintedWithTheirLinesAndNothingIsWritten) {
    const std::string source = dir.write("bad.s", "ADDI r1, r0, 5\nFOO r1\nJZ nowhere\n");
    const std::string rom = dir.write("bad.rom", "kept");
    EXPECT_EQ(run({source, "-r", path("bad.ram")}), asm_exit_source_errors);
    EXPECT_EQ(err.str(), source + ":2: unknown mnemonic \"FOO\"\n" + source +
                             ":3: unknown name \"nowhere\"\n");
    EXPECT_EQ(read_bytes(rom), (Bytes{'k', 'e', 'p', 't'}));
    EXPECT_FALSE(fs::exists(path("bad.ram")));
}

// Arguments that are refused, and the start of the message.
struct Refusal {
    const char* what;
    std::vector<std::string> args;
    std::string message;
};

TEST_F(AsmCommand, BadOptionsAndUnusableFilesExitWithTwo) {
    const std::string source = dir.write("prog.s", good_source);
    const std::string named_rom = dir.write("prog.rom", good_source);
    const std::vector<Refusal> cases = {
        {"no source", {}, "quarrin-asm: no source file given"},
        {"unknown option", {source, "-x"}, "quarrin-asm: unknown option \"-x\""},
        {"-o without a name", {source, "-o"}, "quarrin-asm: -o needs a file name"},
        {"two sources", {source, source}, "quarrin-asm: one source at a time"},
        {"-d with a source", {"-d", named_rom, source}, "quarrin-asm: -d lists a ROM image"},
        {"output over the source", {named_rom}, "quarrin-asm: the ROM image"},
        {"RAM over the ROM", {source, "-r", path("prog.rom")}, "quarrin-asm: the RAM image"},
        {"missing source",
         {path("none.s")},
         "quarrin-asm: cannot read " + path("none.s") + ": No such file or directory"},
        {"a directory as the source", {dir.path.string() + "/"}, "quarrin-asm: cannot read"},
        {"an unwritable ROM",
         {source, "-o", path("no/such/dir.rom")},
         "quarrin-asm: cannot write " + path("no/such/dir.rom") + ": No such file or directory"},
        {"a missing ROM to list", {"-d", path("none.rom")}, "quarrin-asm: cannot read"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(run(c.args), asm_exit_failure);
        EXPECT_EQ(err.str().rfind(c.message, 0), 0u) << err.str();
    }
    EXPECT_EQ(read_bytes(named_rom).size(), std::string(good_source).size());
}

TEST_F(AsmCommand, ListsARomImageSoThatItAssemblesBack) {
    std::array<uint32_t, 256> rom{};
    rom[0] = 0x11005;
    rom[1] = 0x3ABCD;
    rom[0x40] = 0x20040;
    ASSERT_TRUE(save_rom_image(path("prog.rom").c_str(), rom).ok());
    EXPECT_EQ(run({"-d", path("prog.rom")}), asm_exit_ok) << err.str();
    EXPECT_EQ(err.str(), "");
    EXPECT_NE(out.str().find("ADDI r1, r0, 0x05"), std::string::npos) << out.str();
    const Assembly back = assemble(out.str());
    ASSERT_TRUE(back.ok()) << back.errors.front().message;
    EXPECT_EQ(back.program.rom, rom);

    // A short image is listed with a note.
    const std::string short_rom = dir.write("short.rom", std::string("\x01\x10\x05\x02", 4));
    EXPECT_EQ(run({"-d", short_rom}), asm_exit_ok);
    EXPECT_NE(err.str().find("holds 1 complete words of 256"), std::string::npos) << err.str();
}

TEST_F(AsmCommand, HelpDescribesTheCommand) {
    EXPECT_EQ(run({"--help"}), asm_exit_ok);
    EXPECT_EQ(out.str(), asm_usage_text());
    for (const char* part : {"quarrin-asm SOURCE [-o ROM] [-r RAM]", "quarrin-asm -d ROM",
                             "SOURCE:LINE: message", "Exit status"})
        EXPECT_NE(out.str().find(part), std::string::npos) << part;
}

// The program itself: its exit statuses, the files it writes and its listing.
TEST(AsmProgram, ExitStatusesAndFiles) {
    TempDir dir;
    const std::string good = dir.write("good.s", good_source);
    const std::string bad = dir.write("bad.s", "JZ nowhere\n");
    const std::string listing = (dir.path / "listing.s").string();
    struct Run {
        std::vector<std::string> args;
        int status;
    };
    const std::vector<Run> runs = {
        {{good, "-r", (dir.path / "good.ram").string()}, asm_exit_ok},
        {{bad}, asm_exit_source_errors},
        {{"--bad-option"}, asm_exit_failure},
        {{"-d", (dir.path / "good.rom").string()}, asm_exit_ok},
    };
    for (const Run& r : runs) {
        ChildProcess::Options options;
        options.argv = {QUARRIN_ASM_BINARY};
        options.argv.insert(options.argv.end(), r.args.begin(), r.args.end());
        options.stdout_path = listing;
        ChildProcess asm_process(options);
        ASSERT_TRUE(asm_process.wait_exit(std::chrono::seconds(20)));
        ASSERT_TRUE(asm_process.exit_status.has_value());
        ASSERT_TRUE(WIFEXITED(*asm_process.exit_status));
        EXPECT_EQ(WEXITSTATUS(*asm_process.exit_status), r.status) << r.args.front();
    }
    EXPECT_EQ(read_bytes(dir.path / "good.rom").size(), 768u);
    EXPECT_EQ(read_bytes(dir.path / "good.ram").size(), 256u);
    EXPECT_FALSE(fs::exists(dir.path / "bad.rom"));
    std::ifstream listed(listing);
    const std::string text((std::istreambuf_iterator<char>(listed)),
                           std::istreambuf_iterator<char>());
    EXPECT_EQ(assemble(text).program.rom, assemble(good_source).program.rom) << text;
}

} // namespace
