#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include <nng/nng.h>

#include "link/bounded_queue.h"
#include "log/logger.h"

// One unit of work for the connection worker.
struct WorkTask {
    enum Type : int32_t { None = 0, Connect = 1 };

    int32_t type = None;
    std::variant<std::string> data;

    explicit WorkTask(int32_t type) : type(type), data(std::string()) {}
    WorkTask(int32_t type, const char* text) : type(type), data(std::string(text)) {}
};

// The connection worker's context: it dials the back end off the frame loop.
class Worker {
  public:
    Worker(Logger& log, nng_socket bus) : log(log), bus(bus), tasks(20) {}

    // Makes run_worker return once it has taken the tasks queued so far.
    void stop();

    Logger& log;
    nng_socket bus;
    BoundedQueue<WorkTask> tasks;
};

// Thread function: takes tasks until the queue is closed by Worker::stop and
// holds nothing more.
void run_worker(Worker* worker);

// Dials addr, logs "Connected to " + addr, sends the architecture list
// request and logs "waiting for data..."; an NNG failure logs "nng error: ".
void connect_and_request(Worker& worker, const std::string& addr);
