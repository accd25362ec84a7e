#include "link/frame_sender.h"

#include <string>

#include "link/envelope.h"
#include "link/nng_error.h"

bool FrameSender::send(const nlohmann::json& envelope) {
    try {
        send_envelope(bus, envelope, timeout_ms);
        return true;
    } catch (const NngError& e) {
        log.add(std::string("nng error: ") + e.what());
    } catch (const nlohmann::json::exception& e) {
        log.add(std::string("invalid message: ") + e.what());
    } catch (const std::exception& e) {
        log.add(std::string("error: ") + e.what());
    }
    return false;
}
