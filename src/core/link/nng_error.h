#pragma once

#include <stdexcept>
#include <string>

// A failed NNG call: what() is NNG's text for the code, without the call's name.
class NngError : public std::runtime_error {
  public:
    NngError(int code, const char* call);

    int code() const { return code_; }
    const char* call() const { return call_; }

  private:
    int code_;
    const char* call_;
};

// Raises NngError when an NNG call returned non-zero.
inline void nng_check(int rv, const char* call) {
    if (rv != 0)
        throw NngError(rv, call);
}
