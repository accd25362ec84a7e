#include <sstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "link/bounded_decode.h"
#include "link/envelope.h"
#include "link/inbound.h"

using nlohmann::json;

namespace {

std::vector<uint8_t> update_body() {
    return encode_envelope({{"message_type", "event"},
                            {"message_sub_type", "update"},
                            {"origin", "isa4.cycles"},
                            {"data", {{"new_count", 123456}}}});
}

void BM_EncodeProgramLoad(benchmark::State& state) {
    std::array<uint32_t, 256> rom{};
    for (size_t i = 0; i < rom.size(); ++i)
        rom[i] = static_cast<uint32_t>(i * 0x1111) & 0xFFFFF;
    for (auto _ : state) {
        auto bytes = encode_envelope(envelope::program_load(rom));
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_EncodeProgramLoad);

void BM_DecodeBounded(benchmark::State& state) {
    const auto body = encode_envelope(envelope::program_load({}));
    for (auto _ : state) {
        json j = decode_ubjson(body.data(), body.size());
        benchmark::DoNotOptimize(j);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_DecodeBounded);

void BM_DecodeLibrary(benchmark::State& state) {
    const auto body = encode_envelope(envelope::program_load({}));
    for (auto _ : state) {
        json j = json::from_ubjson(body, true, true);
        benchmark::DoNotOptimize(j);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_DecodeLibrary);

// A hostile body: a 13-byte array that declares ten million nulls.
void BM_RefuseDeclaredCount(benchmark::State& state) {
    const std::vector<uint8_t> body = {'[', '$', 'Z', '#', 'l', 0x00, 0x98, 0x96, 0x80};
    for (auto _ : state) {
        try {
            decode_ubjson(body.data(), body.size());
        } catch (const DecodeLimitError&) {
        }
    }
}
BENCHMARK(BM_RefuseDeclaredCount);

// What the receive callback does for one counter update.
void BM_HandleUpdateBody(benchmark::State& state) {
    const auto body = update_body();
    BoundedQueue<ArchSimMsg> msgs(256);
    Logger log(100);
    std::ostringstream out;
    for (auto _ : state) {
        handle_body(body.data(), body.size(), msgs, log, out);
        msgs.try_pop();
        out.str("");
    }
}
BENCHMARK(BM_HandleUpdateBody);

} // namespace
