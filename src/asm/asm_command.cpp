#include "asm/asm_command.h"

#include <filesystem>
#include <stdexcept>

#include "arch/memory_image.h"
#include "assembly/assembler.h"
#include "assembly/disassembler.h"
#include "util/file_io.h"

namespace fs = std::filesystem;

namespace {

// A source longer than this is no program for 256 words.
constexpr size_t max_source_bytes = 1 << 20;

bool same_file(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

// The output paths, checked before anything is written: none may be the
// source or another output.
void check_outputs(const AsmOptions& o) {
    if (same_file(o.rom_path, o.source))
        throw std::invalid_argument("the ROM image \"" + o.rom_path +
                                    "\" would replace the source; name it with -o");
    if (!o.ram_path.empty() &&
        (same_file(o.ram_path, o.source) || same_file(o.ram_path, o.rom_path)))
        throw std::invalid_argument("the RAM image \"" + o.ram_path +
                                    "\" would replace the source or the ROM image");
}

int assemble_file(const AsmOptions& o, std::ostream& err) {
    std::string source;
    const FileResult read = read_text_file(o.source, source, max_source_bytes);
    if (!read.ok()) {
        err << "quarrin-asm: cannot read " << o.source << ": " << read.reason() << "\n";
        return asm_exit_failure;
    }
    const Assembly result = assemble(source);
    for (const AsmError& e : result.errors)
        err << o.source << ":" << e.line << ": " << e.message << "\n";
    if (!result.ok())
        return asm_exit_source_errors;

    const FileResult rom = save_rom_image(o.rom_path.c_str(), result.program.rom);
    if (!rom.ok()) {
        err << "quarrin-asm: cannot write " << o.rom_path << ": " << rom.reason() << "\n";
        return asm_exit_failure;
    }
    if (o.ram_path.empty())
        return asm_exit_ok;
    const FileResult ram = save_ram_image(o.ram_path.c_str(), result.program.ram);
    if (!ram.ok()) {
        err << "quarrin-asm: cannot write " << o.ram_path << ": " << ram.reason() << "\n";
        return asm_exit_failure;
    }
    return asm_exit_ok;
}

int list_file(const std::string& path, std::ostream& out, std::ostream& err) {
    std::array<uint32_t, 256> rom{};
    const FileResult read = load_rom_image(path.c_str(), rom);
    if (!read.ok()) {
        err << "quarrin-asm: cannot read " << path << ": " << read.reason() << "\n";
        return asm_exit_failure;
    }
    if (read.count < rom.size())
        err << "quarrin-asm: " << path << " holds " << read.count
            << " complete words of 256; the others are listed as 0\n";
    out << disassemble_program(rom);
    return asm_exit_ok;
}

} // namespace

AsmOptions parse_asm_options(const std::vector<std::string>& args) {
    AsmOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "-o" || arg == "-r" || arg == "-d") {
            if (i + 1 == args.size() || args[i + 1].empty())
                throw std::invalid_argument(arg + " needs a file name");
            (arg == "-o" ? o.rom_path : arg == "-r" ? o.ram_path : o.listed) = args[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw std::invalid_argument("unknown option \"" + arg + "\"");
        } else if (!o.source.empty()) {
            throw std::invalid_argument("one source at a time, not \"" + o.source + "\" and \"" +
                                        arg + "\"");
        } else {
            o.source = arg;
        }
    }
    if (o.help)
        return o;
    if (!o.listed.empty()) {
        if (!o.source.empty() || !o.rom_path.empty() || !o.ram_path.empty())
            throw std::invalid_argument("-d lists a ROM image and takes no source, -o or -r");
        return o;
    }
    if (o.source.empty())
        throw std::invalid_argument("no source file given");
    if (o.rom_path.empty())
        o.rom_path = fs::path(o.source).replace_extension(".rom").string();
    check_outputs(o);
    return o;
}

std::string asm_usage_text() {
    return "Usage: quarrin-asm SOURCE [-o ROM] [-r RAM]\n"
           "       quarrin-asm -d ROM\n"
           "\n"
           "Assembles an Isa4 source file into the image files that Quarrin's\n"
           "\"Load ROM\" and \"Load RAM\" read, or lists a ROM image as source.\n"
           "\n"
           "  -o ROM      the 768-byte ROM image to write (default: SOURCE with its\n"
           "              extension replaced by .rom)\n"
           "  -r RAM      also write the 256-byte RAM image of the source's .data\n"
           "              (bytes no .data writes are 0)\n"
           "  -d ROM      print a listing of the ROM image that assembles back to it\n"
           "  --help, -h  print this text and exit\n"
           "\n"
           "Errors are printed as SOURCE:LINE: message, one per line.\n"
           "Exit status: 0 done, 1 the source has errors (no file is written),\n"
           "2 a bad option or a file that cannot be read or written.\n"
           "The language is described in docs/assembly.md.\n";
}

int run_asm_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    AsmOptions options;
    try {
        options = parse_asm_options(args);
    } catch (const std::invalid_argument& e) {
        err << "quarrin-asm: " << e.what() << "\n\n" << asm_usage_text();
        return asm_exit_failure;
    }
    if (options.help) {
        out << asm_usage_text();
        return asm_exit_ok;
    }
    if (!options.listed.empty())
        return list_file(options.listed, out, err);
    return assemble_file(options, err);
}
