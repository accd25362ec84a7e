#include "link/frame_sender.h"

#include <chrono>
#include <string>

#include "link/envelope.h"
#include "link/nng_error.h"

namespace {

// One send under way: the completion needs its aio and its sender.
struct PendingSend {
    FrameSender* sender;
    nng_aio* aio = nullptr;
};

} // namespace

FrameSender::~FrameSender() {
    std::unique_lock<std::mutex> lock(mutex);
    idle.wait(lock, [this] { return pending == 0; });
}

bool FrameSender::send(const nlohmann::json& envelope) {
    nng_msg* msg = nullptr;
    try {
        msg = envelope_message(envelope);
    } catch (const NngError& e) {
        log.add(std::string("nng error: ") + e.what());
        return false;
    } catch (const nlohmann::json::exception& e) {
        log.add(std::string("invalid message: ") + e.what());
        return false;
    }

    auto* op = new PendingSend{this};
    int rv;
    if ((rv = nng_aio_alloc(&op->aio, &FrameSender::on_sent, op)) != 0) {
        nng_msg_free(msg);
        delete op;
        log.add(std::string("nng error: ") + nng_strerror(rv));
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++pending;
    }
    nng_aio_set_timeout(op->aio, timeout_ms);
    nng_aio_set_msg(op->aio, msg);
    nng_send_aio(bus, op->aio);
    return true;
}

void FrameSender::on_sent(void* arg) {
    auto* op = static_cast<PendingSend*>(arg);
    FrameSender* self = op->sender;
    int rv;
    if ((rv = nng_aio_result(op->aio)) != 0) {
        // On failure the message is still ours.
        nng_msg_free(nng_aio_get_msg(op->aio));
        if (rv != NNG_ECLOSED && rv != NNG_ECANCELED)
            self->log.add(std::string("nng error: ") + nng_strerror(rv));
    }
    nng_aio_reap(op->aio); // an aio cannot be freed from its own callback
    delete op;
    std::lock_guard<std::mutex> lock(self->mutex);
    --self->pending;
    self->idle.notify_all();
}

size_t FrameSender::in_flight() const {
    std::lock_guard<std::mutex> lock(mutex);
    return pending;
}

bool FrameSender::wait_idle(int timeout_ms) const {
    std::unique_lock<std::mutex> lock(mutex);
    return idle.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                         [this] { return pending == 0; });
}
