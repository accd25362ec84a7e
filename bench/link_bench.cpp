// The receive path against the JSON library's bare decode of the same bytes,
// encoding the largest envelope the front end sends, and the decode limits.
#include <array>
#include <cstdint>
#include <fstream>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "link/bounded_decode.h"
#include "link/envelope.h"
#include "link/inbound.h"

using nlohmann::json;
using Bytes = std::vector<uint8_t>;

namespace {

// An output stream that takes every character and writes nothing: the
// formatting of a printed event is measured, the system call is not.
class DiscardBuf : public std::streambuf {
  protected:
    int_type overflow(int_type ch) override { return traits_type::not_eof(ch); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

class DiscardStream : public std::ostream {
  public:
    DiscardStream() : std::ostream(&buf) {}

  private:
    DiscardBuf buf;
};

// The three bodies of the comparison: an event (printed and pushed), a list
// of architectures and a load command with a long path (both pushed).
Bytes update_body() {
    return encode_envelope({{"message_type", "event"},
                            {"message_sub_type", "update"},
                            {"origin", "isa4.cycles"},
                            {"data", {{"new_count", 123456}}}});
}

Bytes list16_body() {
    json names = json::array();
    for (int i = 0; i < 16; ++i)
        names.push_back("architecture-" + std::to_string(i));
    return encode_envelope({{"message_type", "command"},
                            {"message_sub_type", "list"},
                            {"destination", "computer_architecture"},
                            {"data", std::move(names)}});
}

Bytes load4k_body() {
    std::string path = "/";
    while (path.size() < 4096 - 5)
        path += "descriptions/";
    path.resize(4096 - 5);
    path += ".toml";
    return encode_envelope({{"message_type", "command"},
                            {"message_sub_type", "load"},
                            {"destination", "computer_architecture"},
                            {"data", std::move(path)}});
}

// What the receive callback does for one body (decode, dispatch, push, log),
// in steady state: the log is full at 99 entries, so every add also drops
// the oldest, and the frame loop takes the pushed message.
void receive_steadily(benchmark::State& state, const Bytes& body, std::ostream& out) {
    BoundedQueue<ArchSimMsg> msgs(256);
    Logger log(100);
    for (int i = 0; i < 99; ++i)
        handle_body(body.data(), body.size(), msgs, log, out);
    while (msgs.try_pop())
        ;
    if (log.size() != 99 || log.snapshot().front().is_text()) {
        state.SkipWithError("the body was not accepted");
        return;
    }
    for (auto _ : state) {
        handle_body(body.data(), body.size(), msgs, log, out);
        benchmark::DoNotOptimize(msgs.try_pop());
    }
    if (log.size() != 99 || log.snapshot().front().is_text())
        state.SkipWithError("the body was not accepted");
    state.SetBytesProcessed(state.iterations() * body.size());
}

// The floor: the library's own strict decode of the same bytes.
void bare_decode(benchmark::State& state, const Bytes& body) {
    for (auto _ : state) {
        json envelope = json::from_ubjson(body, true, true);
        benchmark::DoNotOptimize(envelope);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}

// The bounded decoder alone on the same bytes: its share of the receive path.
void bounded_decode(benchmark::State& state, const Bytes& body) {
    for (auto _ : state) {
        json envelope = decode_ubjson(body.data(), body.size());
        benchmark::DoNotOptimize(envelope);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}

// Each body is measured three ways: the whole receive path, the JSON
// library's bare decode (the floor) and the bounded decoder alone.
const bool receive_benchmarks_registered = [] {
    const struct {
        const char* name;
        Bytes (*make)();
    } bodies[] = {{"update", update_body}, {"list16", list16_body}, {"load4k", load4k_body}};
    for (const auto& body : bodies) {
        const std::string name = body.name;
        const auto make = body.make;
        benchmark::RegisterBenchmark(("receive/" + name).c_str(), [make](benchmark::State& state) {
            DiscardStream out;
            receive_steadily(state, make(), out);
        });
        benchmark::RegisterBenchmark(("floor/" + name).c_str(), [make](benchmark::State& state) {
            bare_decode(state, make());
        });
        benchmark::RegisterBenchmark(
            ("decode/bounded_" + name).c_str(),
            [make](benchmark::State& state) { bounded_decode(state, make()); });
    }
    return true;
}();

// The update again, with the printed line really written and flushed.
void BM_ReceiveUpdateDevNull(benchmark::State& state) {
    std::ofstream out("/dev/null");
    if (!out) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    receive_steadily(state, update_body(), out);
}
BENCHMARK(BM_ReceiveUpdateDevNull)->Name("receive/update_devnull");

// The program load as "Send ROM" in the "Program ROM view" sends
// it: 256 words built into an envelope, then encoded.
void BM_EncodeProgramLoad(benchmark::State& state) {
    std::array<uint32_t, 256> rom{};
    for (size_t i = 0; i < rom.size(); ++i)
        rom[i] = static_cast<uint32_t>(i * 0x1111) & 0xFFFFF;
    for (auto _ : state) {
        Bytes bytes = encode_envelope(envelope::program_load(rom));
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_EncodeProgramLoad)->Name("encode/program_load");

// The bounded decoder against the library's on the largest envelope.
void BM_DecodeBoundedProgramLoad(benchmark::State& state) {
    const Bytes body = encode_envelope(envelope::program_load({}));
    for (auto _ : state) {
        json envelope = decode_ubjson(body.data(), body.size());
        benchmark::DoNotOptimize(envelope);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_DecodeBoundedProgramLoad)->Name("decode/bounded_program_load");

void BM_DecodeLibraryProgramLoad(benchmark::State& state) {
    const Bytes body = encode_envelope(envelope::program_load({}));
    for (auto _ : state) {
        json envelope = json::from_ubjson(body, true, true);
        benchmark::DoNotOptimize(envelope);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_DecodeLibraryProgramLoad)->Name("decode/library_program_load");

// A hostile body: 9 bytes that declare an array of ten million nulls, which
// the bounded decoder refuses before building anything.
void BM_DecodeRefuseDeclaredCount(benchmark::State& state) {
    const Bytes body = {'[', '$', 'Z', '#', 'l', 0x00, 0x98, 0x96, 0x80};
    for (auto _ : state) {
        try {
            decode_ubjson(body.data(), body.size());
            state.SkipWithError("the declared count was accepted");
            break;
        } catch (const DecodeLimitError&) {
        }
    }
}
BENCHMARK(BM_DecodeRefuseDeclaredCount)->Name("decode/refuse_declared_count");

} // namespace
