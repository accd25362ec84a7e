#include "link/nng_error.h"

#include <nng/nng.h>

NngError::NngError(int code, const char* call)
    : std::runtime_error(nng_strerror(code)), code_(code), call_(call) {}
