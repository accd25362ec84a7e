#pragma once

#include <atomic>
#include <ostream>
#include <string>

#include <nng/nng.h>

#include "link/pair_socket.h"

class SimServer;

// The back end's socket: a pair0 socket listening on one address. pair0
// serves one front end at a time; while the listener stays up, a front end
// that disconnects can dial again and is served again.
class SimListener {
  public:
    // Raises NngError ("nng_pair0_open", "nng_socket_set_size", "nng_listen",
    // "nng_aio_alloc").
    explicit SimListener(const std::string& url);
    ~SimListener();
    SimListener(const SimListener&) = delete;
    SimListener& operator=(const SimListener&) = delete;

    // The address listened on, with the port the system chose for port 0.
    std::string bound_url() const;

    // Receives and answers envelopes until stop is set (checked at least every
    // 100 ms). With tick_ms > 0 the machine also steps by itself every tick_ms
    // ms and its events are streamed. Socket failures get a line on err.
    void run(SimServer& server, const std::atomic<bool>& stop, int tick_ms, std::ostream& err);

  private:
    PairSocket socket; // refuses messages above PairSocket::max_message_bytes too
    nng_listener listener = NNG_LISTENER_INITIALIZER;
    nng_aio* aio = nullptr;
};
