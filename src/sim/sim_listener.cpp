#include "sim/sim_listener.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "link/envelope.h"
#include "link/nng_error.h"
#include "sim/sim_server.h"

namespace {

// How often the loop looks at the stop flag while nothing happens.
constexpr auto poll_period = std::chrono::milliseconds(100);
// How late the free run may fall behind its ticks and still catch up.
constexpr auto max_lag = std::chrono::milliseconds(250);
// After a receive or send fails, the next one waits this long, so a failure
// that repeats costs no spin.
constexpr auto retry_pause = std::chrono::milliseconds(100);

} // namespace

SimListener::SimListener(const std::string& url) {
    nng_check(nng_listen(socket, url.c_str(), &listener, 0), "nng_listen");
    int rv;
    if ((rv = nng_aio_alloc(&recv_aio, &SimListener::on_received, this)) != 0 ||
        (rv = nng_aio_alloc(&send_aio, &SimListener::on_sent, this)) != 0) {
        nng_aio_free(recv_aio);
        throw NngError(rv, "nng_aio_alloc");
    }
    // A front end that comes may let the free run go on.
    socket.on_pipe_event([this](nng_pipe, nng_pipe_ev) { wake(); });
}

SimListener::~SimListener() {
    socket.close(); // no completion or pipe event comes after this
    nng_aio_free(recv_aio);
    nng_aio_free(send_aio);
}

std::string SimListener::bound_url() const {
    char* url = nullptr;
    if (nng_listener_get_string(listener, NNG_OPT_URL, &url) != 0)
        return {};
    std::string text(url);
    nng_strfree(url);
    return text;
}

void SimListener::wake() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        news = true;
    }
    changed.notify_one();
}

void SimListener::on_received(void* arg) {
    auto* self = static_cast<SimListener*>(arg);
    {
        std::lock_guard<std::mutex> lock(self->mutex);
        self->received = self->news = true;
    }
    self->changed.notify_one();
}

void SimListener::on_sent(void* arg) {
    auto* self = static_cast<SimListener*>(arg);
    {
        std::lock_guard<std::mutex> lock(self->mutex);
        self->sent = self->news = true;
    }
    self->changed.notify_one();
}

void SimListener::start_transfers(std::ostream& err) {
    if (!receiving && outbox.size() < max_outbox) {
        receiving = true;
        nng_recv_aio(socket, recv_aio);
    }
    while (!sending && !outbox.empty()) {
        nng_msg* msg = nullptr;
        try {
            msg = envelope_message(outbox.front());
        } catch (const std::exception& e) {
            // It can never go out; everything after it still does.
            err << "quarrin-sim: cannot encode an envelope, left out: " << e.what() << std::endl;
            outbox.pop_front();
            continue;
        }
        sending = true;
        nng_aio_set_msg(send_aio, msg);
        nng_send_aio(socket, send_aio); // waits for a front end as long as it takes
    }
}

bool SimListener::finish_receive(SimServer& server, std::ostream& err) {
    receiving = false;
    const int rv = nng_aio_result(recv_aio);
    if (rv == NNG_ECLOSED)
        return false;
    if (rv != 0) {
        err << "quarrin-sim: receive failed: " << nng_strerror(rv) << std::endl;
        retry_at = Clock::now() + retry_pause;
        return true;
    }
    nng_msg* msg = nng_aio_get_msg(recv_aio);
    nng_aio_set_msg(recv_aio, nullptr);
    socket.count_taken(msg);
    std::vector<nlohmann::json> replies =
        server.handle_body(static_cast<const uint8_t*>(nng_msg_body(msg)), nng_msg_len(msg));
    nng_msg_free(msg);
    for (nlohmann::json& reply : replies)
        outbox.push_back(std::move(reply));
    return true;
}

bool SimListener::finish_send(std::ostream& err) {
    sending = false;
    const int rv = nng_aio_result(send_aio);
    if (rv == 0) {
        outbox.pop_front();
        send_failing = false;
        return true;
    }
    // The message is still ours; the envelope stays first in the outbox.
    nng_msg_free(nng_aio_get_msg(send_aio));
    nng_aio_set_msg(send_aio, nullptr);
    if (rv == NNG_ECLOSED)
        return false;
    if (!send_failing)
        err << "quarrin-sim: send failed, trying again: " << nng_strerror(rv) << std::endl;
    send_failing = true;
    retry_at = Clock::now() + retry_pause;
    return true;
}

void SimListener::cancel_transfers() {
    nng_aio_cancel(recv_aio);
    nng_aio_cancel(send_aio);
    nng_aio_wait(recv_aio);
    nng_aio_wait(send_aio);
    if (receiving && nng_aio_result(recv_aio) == 0) {
        nng_msg_free(nng_aio_get_msg(recv_aio));
        nng_aio_set_msg(recv_aio, nullptr);
    }
    if (sending && nng_aio_result(send_aio) != 0) {
        nng_msg_free(nng_aio_get_msg(send_aio));
        nng_aio_set_msg(send_aio, nullptr);
    }
    receiving = sending = false;
    std::lock_guard<std::mutex> lock(mutex);
    received = sent = news = false;
}

void SimListener::run(SimServer& server, const std::atomic<bool>& stop, int tick_ms,
                      std::ostream& err) {
    const auto tick = std::chrono::milliseconds(tick_ms);
    auto next_tick = Clock::now() + tick;
    bool open = true;
    while (open && !stop.load()) {
        if (Clock::now() >= retry_at)
            start_transfers(err);

        // The free run steps only when everything before has gone out and a
        // front end is there to take its events.
        const auto can_step = [&] {
            return tick_ms > 0 && outbox.empty() && socket.live_pipes() > 0;
        };
        auto until = Clock::now() + poll_period;
        if (can_step())
            until = std::min(until, next_tick);
        if (retry_at > Clock::now())
            until = std::min(until, retry_at);
        bool got_receive, got_send;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait_until(lock, until, [this] { return news; });
            got_receive = received;
            got_send = sent;
            received = sent = news = false;
        }
        if (got_receive)
            open = finish_receive(server, err);
        if (got_send)
            open = finish_send(err) && open;

        const auto now = Clock::now();
        if (open && can_step() && now >= next_tick) {
            for (nlohmann::json& event : server.tick())
                outbox.push_back(std::move(event));
            next_tick += tick;
            // Woken a little late (a busy machine, a front end that held it
            // back for a moment), the run catches up on the steps it owes;
            // after a longer stall it starts counting again.
            if (next_tick + max_lag < now)
                next_tick = now + tick;
        }
    }
    cancel_transfers();
}
