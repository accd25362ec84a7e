#pragma once

#include <nng/nng.h>

#include "link/receiver.h"
#include "log/logger.h"

// "Logger": re-arms the receive (at most one envelope per frame), then the log.
void draw_logger_window(Receiver& l, nng_socket bus, Logger& log);
