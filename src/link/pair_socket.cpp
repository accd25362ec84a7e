#include "link/pair_socket.h"

#include <nng/protocol/pair0/pair.h>

#include "link/nng_error.h"

PairSocket::PairSocket() {
    nng_check(nng_pair0_open(&id), "nng_pair0_open");
    open = true;
}

void PairSocket::close() {
    if (open) {
        open = false;
        nng_close(id);
    }
}
