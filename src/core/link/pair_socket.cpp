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

PairSocket::Reading PairSocket::reading() const {
    // The socket's own counters stay at 0 in NNG 1.5; its pipes count.
    Reading now;
    nng_stat* all = nullptr;
    if (nng_stats_get(&all) != 0)
        return now;
    std::lock_guard<std::mutex> lock(live_mutex);
    for (nng_stat* node = nng_stat_child(all); node != nullptr; node = nng_stat_next(node)) {
        if (std::strcmp(nng_stat_name(node), "pipe") != 0)
            continue;
        nng_stat* owner = nng_stat_find(node, "socket");
        nng_stat* pipe = nng_stat_find(node, "id");
        nng_stat* read = nng_stat_find(node, "rx_msgs");
        if (owner == nullptr || pipe == nullptr || read == nullptr ||
            nng_stat_value(owner) != static_cast<uint64_t>(nng_socket_id(id)))
            continue;
        const int pipe_id = static_cast<int>(nng_stat_value(pipe));
        if (live.count(pipe_id) == 0)
            continue;
        const auto counted = taken.find(pipe_id);
        const uint64_t done = counted == taken.end() ? 0 : counted->second;
        now.read += nng_stat_value(read);
        if (nng_stat_value(read) > done)
            now.waiting += nng_stat_value(read) - done;
    }
    nng_stats_free(all);
    return now;
}

void PairSocket::settle() const {
    using Clock = std::chrono::steady_clock;
    using std::chrono::milliseconds;
    if (!open || live_pipes() == 0)
        return;
    // A connection that holds a message for a full buffer reads no more.
    const uint64_t full = receive_buffer + 1;
    const auto limit = Clock::now() + milliseconds(settle_limit_ms);
    uint64_t read = reading().read;
    auto unchanged_since = Clock::now();
    while (Clock::now() < limit) {
        std::this_thread::sleep_for(milliseconds(1));
        const Reading now = reading();
        if (now.read != read) {
            read = now.read;
            unchanged_since = Clock::now();
        }
        const auto unchanged = Clock::now() - unchanged_since;
        if ((now.waiting >= full && unchanged >= milliseconds(2)) ||
            unchanged >= milliseconds(quiet_period_ms))
            return;
    }
}

void PairSocket::count_taken(nng_msg* msg) {
    const int pipe = nng_pipe_id(nng_msg_get_pipe(msg));
    std::lock_guard<std::mutex> lock(live_mutex);
    // Counted even before the connection's arrival is told; a message left by
    // a connection that has gone adds an entry for nothing, once.
    ++taken[pipe];
}

void PairSocket::on_pipe_event(PipeHandler next) {
    std::lock_guard<std::mutex> lock(handler_mutex);
    handler = std::move(next);
}

size_t PairSocket::live_pipes() const {
    std::lock_guard<std::mutex> lock(live_mutex);
    return live.size();
}

void PairSocket::dispatch(nng_pipe pipe, nng_pipe_ev event, void* arg) {
    auto* self = static_cast<PairSocket*>(arg);
    std::lock_guard<std::mutex> lock(self->handler_mutex);
    {
        std::lock_guard<std::mutex> counts(self->live_mutex);
        if (event == NNG_PIPE_EV_ADD_POST) {
            ++self->added;
            self->live.insert(nng_pipe_id(pipe));
        } else if (event == NNG_PIPE_EV_REM_POST) {
            ++self->removed;
            self->live.erase(nng_pipe_id(pipe));
            self->taken.erase(nng_pipe_id(pipe));
        }
    }
    if (self->handler)
        self->handler(pipe, event);
}
