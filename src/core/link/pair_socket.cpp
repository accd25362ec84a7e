#include "link/pair_socket.h"

#include <chrono>
#include <cstring>
#include <thread>

#include <nng/protocol/pair0/pair.h>

#include "link/nng_error.h"

PairSocket::PairSocket() {
    nng_check(nng_pair0_open(&id), "nng_pair0_open");
    open = true;
    int rv;
    // A peer announces a message's length before sending it; without a limit
    // it could make the socket allocate whatever it announces.
    if ((rv = nng_socket_set_size(id, NNG_OPT_RECVMAXSZ, max_message_bytes)) != 0) {
        close();
        throw NngError(rv, "nng_socket_set_size");
    }
    // The connection goes on reading while the receiver handles a message,
    // up to this many; then it stops and the peer's sends wait.
    if ((rv = nng_socket_set_int(id, NNG_OPT_RECVBUF, receive_buffer)) != 0) {
        close();
        throw NngError(rv, "nng_socket_set_int");
    }
    if ((rv = nng_pipe_notify(id, NNG_PIPE_EV_ADD_POST, &PairSocket::dispatch, this)) != 0 ||
        (rv = nng_pipe_notify(id, NNG_PIPE_EV_REM_POST, &PairSocket::dispatch, this)) != 0) {
        close();
        throw NngError(rv, "nng_pipe_notify");
    }
}

void PairSocket::close() {
    if (open) {
        settle();
        open = false;
        nng_close(id); // waits for the pipes to go, and their notifications
    }
}

namespace {

// Messages the socket's connections have read so far, from NNG's statistics
// (the socket's own counter stays at 0 in NNG 1.5; its pipes count).
uint64_t messages_read(nng_socket socket) {
    nng_stat* all = nullptr;
    if (nng_stats_get(&all) != 0)
        return 0;
    uint64_t total = 0;
    for (nng_stat* node = nng_stat_child(all); node != nullptr; node = nng_stat_next(node)) {
        if (std::strcmp(nng_stat_name(node), "pipe") != 0)
            continue;
        nng_stat* owner = nng_stat_find(node, "socket");
        nng_stat* read = nng_stat_find(node, "rx_msgs");
        if (owner != nullptr && read != nullptr &&
            nng_stat_value(owner) == static_cast<uint64_t>(nng_socket_id(socket)))
            total += nng_stat_value(read);
    }
    nng_stats_free(all);
    return total;
}

} // namespace

void PairSocket::settle() const {
    using Clock = std::chrono::steady_clock;
    if (!open || live_pipes() == 0)
        return;
    const auto limit = Clock::now() + std::chrono::milliseconds(settle_limit_ms);
    uint64_t read = messages_read(id);
    auto quiet_since = Clock::now();
    while (Clock::now() < limit &&
           Clock::now() - quiet_since < std::chrono::milliseconds(quiet_period_ms)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const uint64_t now_read = messages_read(id);
        if (now_read != read) {
            read = now_read;
            quiet_since = Clock::now();
        }
    }
}

void PairSocket::on_pipe_event(PipeHandler next) {
    std::lock_guard<std::mutex> lock(handler_mutex);
    handler = std::move(next);
}

size_t PairSocket::live_pipes() const {
    std::lock_guard<std::mutex> lock(handler_mutex);
    return live.size();
}

void PairSocket::dispatch(nng_pipe pipe, nng_pipe_ev event, void* arg) {
    auto* self = static_cast<PairSocket*>(arg);
    std::lock_guard<std::mutex> lock(self->handler_mutex);
    if (event == NNG_PIPE_EV_ADD_POST) {
        ++self->added;
        self->live.insert(nng_pipe_id(pipe));
    } else if (event == NNG_PIPE_EV_REM_POST) {
        ++self->removed;
        self->live.erase(nng_pipe_id(pipe));
    }
    if (self->handler)
        self->handler(pipe, event);
}
