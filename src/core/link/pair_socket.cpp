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
}

void PairSocket::close() {
    if (open) {
        open = false;
        nng_close(id);
    }
}
