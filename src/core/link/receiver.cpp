#include "link/receiver.h"

#include <iostream>
#include <string>

#include "link/inbound.h"
#include "link/nng_error.h"

Receiver::Receiver(BoundedQueue<ArchSimMsg>& msgs, Logger& log) : log(log), msgs(msgs) {
    nng_check(nng_aio_alloc(&aio, &Receiver::on_receive, this), "nng_aio_alloc");
}

Receiver::~Receiver() {
    // Waits for a running completion and cancels the outstanding receive.
    nng_aio_free(aio);
}

void Receiver::arm(nng_socket bus) {
    if (pending.exchange(true))
        return;
    nng_recv_aio(bus, aio);
}

void Receiver::on_receive(void* arg) {
    auto* self = static_cast<Receiver*>(arg);
    int rv;
    if ((rv = nng_aio_result(self->aio)) != 0) {
        // A receive cancelled by shut-down is not worth a log line.
        if (rv != NNG_ECANCELED && rv != NNG_ECLOSED)
            self->log.add(std::string("nng error occurred: ") + nng_strerror(rv));
    } else {
        nng_msg* msg = nng_aio_get_msg(self->aio);
        nng_aio_set_msg(self->aio, nullptr);
        handle_body(static_cast<const uint8_t*>(nng_msg_body(msg)), nng_msg_len(msg), self->msgs,
                    self->log, std::cout);
        nng_msg_free(msg);
    }
    self->pending.exchange(false);
}
