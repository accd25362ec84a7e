#include "link/receiver.h"

#include <chrono>
#include <iostream>
#include <string>
#include <thread>

#include "link/inbound.h"
#include "link/nng_error.h"

Receiver::Receiver(BoundedQueue<ArchSimMsg>& msgs, Logger& log) : log(log), msgs(msgs) {
    nng_check(nng_aio_alloc(&aio, &Receiver::on_receive, this), "nng_aio_alloc");
}

Receiver::~Receiver() {
    // Waits for a running completion; a receive it starts then is refused.
    nng_aio_free(aio);
}

Receiver::State Receiver::state() const {
    std::lock_guard<std::mutex> lock(mutex);
    return current;
}

void Receiver::arm(PairSocket& socket) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (current == State::Receiving || current == State::Stopped || held || msgs.full())
            return;
        current = State::Receiving;
        bus = &socket;
    }
    // Outside the lock: NNG may run the completion before this returns.
    nng_recv_aio(socket, aio);
}

void Receiver::stop() {
    set_state(State::Stopped); // a completion running now starts nothing more
    nng_aio_stop(aio);
    set_state(State::Stopped); // it may have paused meanwhile
}

void Receiver::hold() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        held = true;
    }
    // A completion that ran before it saw the hold may have started one more
    // receive: cancelled on the next turn.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(hold_limit_ms);
    while (state() == State::Receiving && std::chrono::steady_clock::now() < limit) {
        nng_aio_cancel(aio);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void Receiver::release() {
    std::lock_guard<std::mutex> lock(mutex);
    held = false;
}

void Receiver::receive_next_or_pause() {
    PairSocket* socket;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (current == State::Stopped)
            return;
        if (held || msgs.full()) {
            current = State::Paused;
            return;
        }
        current = State::Receiving;
        socket = bus;
    }
    nng_recv_aio(*socket, aio);
}

void Receiver::set_state(State state) {
    std::lock_guard<std::mutex> lock(mutex);
    current = state;
}

void Receiver::on_receive(void* arg) {
    auto* self = static_cast<Receiver*>(arg);
    const int rv = nng_aio_result(self->aio);
    if (rv == NNG_ECANCELED || rv == NNG_ECLOSED) {
        // Held, or shut down: not worth a log line.
        std::lock_guard<std::mutex> lock(self->mutex);
        self->current = self->held && rv == NNG_ECANCELED ? State::Paused : State::Stopped;
        return;
    }
    if (rv != 0) {
        // Tried again at the next arm(): a receive that keeps failing costs
        // one line per frame, not a spin on NNG's thread.
        self->set_state(State::Paused);
        self->log.add(std::string("nng error occurred: ") + nng_strerror(rv));
        return;
    }
    nng_msg* msg = nng_aio_get_msg(self->aio);
    nng_aio_set_msg(self->aio, nullptr);
    self->bus->count_taken(msg); // set by the arm() that started this receive
    handle_body(static_cast<const uint8_t*>(nng_msg_body(msg)), nng_msg_len(msg), self->msgs,
                self->log, std::cout);
    nng_msg_free(msg);
    self->receive_next_or_pause();
}
