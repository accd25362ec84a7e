#include "sim/sim_listener.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "link/envelope.h"
#include "link/nng_error.h"
#include "sim/sim_server.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr nng_duration poll_ms = 100;
// A front end that is gone or stuck does not stall the loop for long.
constexpr nng_duration reply_timeout_ms = 1000;

// Sends the batch in order; after the first failure the rest is dropped, so a
// departed front end costs one time-out per batch, not one per envelope.
// Returns false after a failure, which is reported on err when report is set.
bool send_all(nng_socket socket, const std::vector<nlohmann::json>& envelopes, nng_duration timeout,
              bool report, std::ostream& err) {
    for (size_t i = 0; i < envelopes.size(); ++i) {
        try {
            send_envelope(socket, envelopes[i], timeout);
        } catch (const std::exception& e) {
            if (report)
                err << "quarrin-sim: send failed, " << envelopes.size() - i
                    << " envelope(s) dropped: " << e.what() << std::endl;
            return false;
        }
    }
    return true;
}

} // namespace

SimListener::SimListener(const std::string& url) {
    nng_check(nng_listen(socket, url.c_str(), &listener, 0), "nng_listen");
    nng_check(nng_aio_alloc(&aio, nullptr, nullptr), "nng_aio_alloc");
}

SimListener::~SimListener() {
    nng_aio_stop(aio);
    nng_aio_free(aio);
}

std::string SimListener::bound_url() const {
    char* url = nullptr;
    if (nng_listener_get_string(listener, NNG_OPT_URL, &url) != 0)
        return {};
    std::string text(url);
    nng_strfree(url);
    return text;
}

void SimListener::run(SimServer& server, const std::atomic<bool>& stop, int tick_ms,
                      std::ostream& err) {
    auto next_tick = Clock::now() + std::chrono::milliseconds(tick_ms);
    bool stream_failing = false; // reported once, not at every tick without a front end
    while (!stop.load()) {
        nng_duration wait = poll_ms;
        if (tick_ms > 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(next_tick - Clock::now());
            wait = static_cast<nng_duration>(std::clamp<long long>(left.count(), 0, poll_ms));
        }
        nng_aio_set_timeout(aio, wait);
        nng_recv_aio(socket, aio);
        nng_aio_wait(aio);

        int rv = nng_aio_result(aio);
        if (rv == 0) {
            nng_msg* msg = nng_aio_get_msg(aio);
            nng_aio_set_msg(aio, nullptr);
            const auto replies = server.handle_body(static_cast<const uint8_t*>(nng_msg_body(msg)),
                                                    nng_msg_len(msg));
            nng_msg_free(msg);
            send_all(socket, replies, reply_timeout_ms, true, err);
        } else if (rv == NNG_ECLOSED) {
            return;
        } else if (rv != NNG_ETIMEDOUT) {
            err << "quarrin-sim: receive failed: " << nng_strerror(rv) << std::endl;
        }

        if (tick_ms > 0 && Clock::now() >= next_tick) {
            next_tick += std::chrono::milliseconds(tick_ms);
            // After a long stall, start counting again instead of catching up.
            if (next_tick < Clock::now())
                next_tick = Clock::now() + std::chrono::milliseconds(tick_ms);
            // Streamed events wait no longer than a tick for a front end.
            const nng_duration timeout = std::clamp(tick_ms, 10, reply_timeout_ms);
            const bool sent = send_all(socket, server.tick(), timeout, !stream_failing, err);
            stream_failing = !sent;
        }
    }
}
