#include "link/pair_socket.h"

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
        open = false;
        nng_close(id); // waits for the pipes to go, and their notifications
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
