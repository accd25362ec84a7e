#include "link/worker.h"

#include "link/envelope.h"
#include "link/nng_error.h"

void Worker::stop() {
    tasks.close();
    tasks.push(WorkTask::None);
}

void connect_and_request(Worker& worker, const std::string& addr) {
    try {
        nng_check(nng_dial(worker.bus, addr.c_str(), nullptr, 0), "nng_dial");
        worker.log.add("Connected to " + addr);
        send_envelope(worker.bus, envelope::list_request());
        worker.log.add("waiting for data...");
    } catch (const NngError& e) {
        worker.log.add(std::string("nng error: ") + e.what());
    }
}

void run_worker(Worker* worker) {
    // After stop() the tasks queued before it are still taken: leaving them
    // would drop them and could leave stop() waiting for room on a full queue.
    while (worker->tasks.is_open() || worker->tasks.size() != 0) {
        WorkTask task = worker->tasks.pop();
        if (task.type == WorkTask::Connect)
            connect_and_request(*worker, std::get<std::string>(task.data));
    }
}
