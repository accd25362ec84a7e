#pragma once

#include <cstddef>

#include <nng/nng.h>

// Owns one pair0 socket; converts to nng_socket wherever one is expected.
class PairSocket {
  public:
    static constexpr size_t max_message_bytes = size_t(16) << 20;

    PairSocket(); // raises NngError("nng_pair0_open")
    ~PairSocket() { close(); }
    PairSocket(const PairSocket&) = delete;
    PairSocket& operator=(const PairSocket&) = delete;

    operator nng_socket() const { return id; }
    // Ends every dial, send and receive in progress on it.
    void close();

  private:
    nng_socket id = NNG_SOCKET_INITIALIZER;
    bool open = false;
};
