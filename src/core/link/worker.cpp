#include "link/worker.h"

#include <chrono>
#include <thread>

#include "link/envelope.h"
#include "link/nng_error.h"

Worker::Worker(Logger& log, PairSocket& bus) : log(log), bus(bus) {
    bus.on_pipe_event([this](nng_pipe pipe, nng_pipe_ev event) { on_pipe_event(pipe, event); });
}

Worker::~Worker() {
    bus.on_pipe_event(nullptr);
    // The receiver has stopped; a streaming back end's messages must stop
    // arriving before the connection is torn down.
    bus.settle();
    close_dialer();
}

void Worker::connect(const std::string& address) {
    {
        std::lock_guard<std::mutex> lock(tasks_mutex);
        pending_connect = address;
    }
    task_ready.notify_one();
}

void Worker::stop() {
    {
        std::lock_guard<std::mutex> lock(tasks_mutex);
        stopping = true;
    }
    task_ready.notify_one();
}

std::optional<WorkTask> Worker::try_take() {
    std::lock_guard<std::mutex> lock(tasks_mutex);
    if (stopping)
        return WorkTask(WorkTask::None);
    if (pending_connect) {
        WorkTask task(WorkTask::Connect, std::move(*pending_connect));
        pending_connect.reset();
        pending_list = false; // a Connect asks for the list anyway
        return task;
    }
    if (pending_list) {
        pending_list = false;
        return WorkTask(WorkTask::ListAgain);
    }
    return std::nullopt;
}

WorkTask Worker::take() {
    for (;;) {
        if (std::optional<WorkTask> task = try_take())
            return std::move(*task);
        std::unique_lock<std::mutex> lock(tasks_mutex);
        task_ready.wait(lock, [this] { return stopping || pending_connect || pending_list; });
    }
}

LinkStatus Worker::status() const {
    std::lock_guard<std::mutex> lock(status_mutex);
    return link;
}

void Worker::close_dialer() {
    {
        std::lock_guard<std::mutex> lock(status_mutex);
        dialer_id = 0; // its pipes' notifications are no longer this connection's
        pipes = 0;
    }
    if (nng_dialer_id(dialer) > 0)
        nng_dialer_close(dialer);
    dialer = NNG_DIALER_INITIALIZER;
}

void Worker::dial(const std::string& address) {
    {
        std::lock_guard<std::mutex> lock(status_mutex);
        link.state = LinkStatus::Connecting;
        link.address = address;
        dialled = false;
    }
    // Receiving stops while a live connection settles and goes.
    const bool hold = hold_receiving && bus.live_pipes() > 0;
    if (hold) {
        hold_receiving(true);
        bus.settle();
    }
    close_dialer();
    // The closed dialer's pipes go on NNG's threads; until they have gone,
    // pair0 would turn the new connection away.
    const auto give_up =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(old_pipes_wait_ms);
    while (bus.live_pipes() > 0 && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (hold)
        hold_receiving(false);

    int rv;
    nng_dialer next;
    if ((rv = nng_dialer_create(&next, bus, address.c_str())) == 0) {
        {
            std::lock_guard<std::mutex> lock(status_mutex);
            dialer_id = nng_dialer_id(next);
        }
        // Flags 0: the first attempt is made, and its failure told, before
        // this returns; after a success the dialer reconnects by itself.
        if ((rv = nng_dialer_start(next, 0)) == 0)
            dialer = next;
        else
            nng_dialer_close(next);
    }
    {
        std::lock_guard<std::mutex> lock(status_mutex);
        if (rv != 0) {
            dialer_id = 0;
            link.state = LinkStatus::NotConnected;
            link.address.clear();
        } else {
            dialled = true;
            ++link.connections;
            // NNG may tell of the new pipe a moment later.
            link.state = pipes > 0 ? LinkStatus::Connected : LinkStatus::Connecting;
        }
    }
    if (rv != 0) {
        log.add(std::string("nng error: ") + nng_strerror(rv));
        return;
    }
    log.add("Connected to " + address);
    try {
        send_envelope(bus, envelope::list_request(), list_request_timeout_ms);
        log.add("waiting for data...");
    } catch (const NngError& e) {
        log.add(std::string("nng error: ") + e.what());
    }
}

void Worker::ask_list() {
    try {
        send_envelope(bus, envelope::list_request(), list_request_timeout_ms);
    } catch (const NngError& e) {
        log.add(std::string("nng error: ") + e.what());
    }
}

void Worker::on_pipe_event(nng_pipe pipe, nng_pipe_ev event) {
    const int id = nng_dialer_id(nng_pipe_dialer(pipe));
    std::string line;
    bool came_back = false;
    {
        std::lock_guard<std::mutex> lock(status_mutex);
        if (id <= 0 || id != dialer_id)
            return; // a closed dialer's pipe
        if (event == NNG_PIPE_EV_ADD_POST) {
            ++pipes;
            if (link.state == LinkStatus::Connecting && dialled) {
                link.state = LinkStatus::Connected;
            } else if (link.state == LinkStatus::Lost) {
                link.state = LinkStatus::Connected;
                ++link.connections;
                came_back = true;
                line = "Reconnected to " + link.address;
            }
        } else if (event == NNG_PIPE_EV_REM_POST && pipes > 0) {
            --pipes;
            if (pipes == 0 && link.state == LinkStatus::Connected) {
                link.state = LinkStatus::Lost;
                line = "Connection to " + link.address + " lost, retrying";
            }
        }
    }
    // Logged before the list is asked for again, whose lines follow it.
    if (!line.empty())
        log.add(line);
    if (came_back) {
        {
            std::lock_guard<std::mutex> lock(tasks_mutex);
            pending_list = true;
        }
        task_ready.notify_one();
    }
}

void run_worker(Worker* worker) {
    for (;;) {
        const WorkTask task = worker->take();
        if (task.type == WorkTask::None)
            return;
        if (task.type == WorkTask::Connect)
            worker->dial(std::get<std::string>(task.data));
        else if (task.type == WorkTask::ListAgain)
            worker->ask_list();
    }
}
