#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <variant>

#include <nng/nng.h>

#include "link/pair_socket.h"
#include "log/logger.h"

// One unit of work for the connection worker.
struct WorkTask {
    enum Type : int32_t {
        None = 0,     // stop
        Connect = 1,  // replace the connection with one to the address in data
        ListAgain = 2 // the connection came back by itself: ask for the list again
    };

    int32_t type = None;
    std::variant<std::string> data;

    explicit WorkTask(int32_t type) : type(type), data(std::string()) {}
    WorkTask(int32_t type, std::string text) : type(type), data(std::move(text)) {}
};

// The connection as the user should see it.
struct LinkStatus {
    enum State {
        NotConnected, // never connected, or the last Connect failed
        Connecting,   // dialling address
        Connected,    // to address
        Lost,         // the connection to address broke; NNG's dialer retries
    };

    State state = NotConnected;
    std::string address; // empty while NotConnected
    // Connections made since start-up, by "Connect" or by the dialer coming
    // back by itself: a back end reached anew has no architecture selected.
    uint64_t connections = 0;
};

// The connection worker: dials the back end off the frame loop. It keeps the
// one dialer of the current connection; a Connect closes it before dialling
// the new address, so the state follows the new address only. NNG's pipe
// notifications tell when the connection is lost ("Connection to ADDRESS
// lost, retrying") and when the dialer brings it back ("Reconnected to
// ADDRESS"), after which the architecture list is asked for again.
class Worker {
  public:
    // Waits this long for the list request to go out after a connection.
    static constexpr nng_duration list_request_timeout_ms = 2000;
    // Waits at most this long for the previous connection's pipes to go
    // before dialling: pair0 turns a second peer away while the first is on.
    static constexpr int old_pipes_wait_ms = 2000;

    // Handles the bus's pipe notifications from here on.
    Worker(Logger& log, PairSocket& bus);
    // Stops handling them and closes the dialer.
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Never waits: a Connect not yet taken by the worker is replaced, since
    // a Connect replaces the connection anyway.
    void connect(const std::string& address);
    // Makes run_worker return after the task it is working on; tasks not
    // yet taken are dropped.
    void stop();

    // The next task, waiting while there is none: a pending Connect first,
    // then a pending ListAgain; None once stopped.
    WorkTask take();
    // The same without waiting: nothing when no task is pending.
    std::optional<WorkTask> try_take();

    // Dials address, logs "Connected to " + address, sends the architecture
    // list request and logs "waiting for data..."; an NNG failure logs
    // "nng error: " + NNG's text. The previous connection is closed first.
    void dial(const std::string& address);
    // Sends the architecture list request again; a failure logs "nng error: ".
    void ask_list();

    LinkStatus status() const;

    Logger& log;
    PairSocket& bus;
    // Set by whoever receives on bus, before the worker runs: called with
    // true before a live connection is closed for another (receiving stops
    // so that the socket can settle), with false once it has gone.
    std::function<void(bool)> hold_receiving;

  private:
    void on_pipe_event(nng_pipe pipe, nng_pipe_ev event);
    void close_dialer();

    // Tasks not yet taken.
    std::mutex tasks_mutex;
    std::condition_variable task_ready;
    std::optional<std::string> pending_connect;
    bool pending_list = false;
    bool stopping = false;

    // The connection, shared with the pipe handler.
    mutable std::mutex status_mutex;
    LinkStatus link;
    int dialer_id = 0;    // of the current dialer; 0 while there is none
    bool dialled = false; // nng_dialer_start has returned for it
    int pipes = 0;        // its connections up now

    nng_dialer dialer = NNG_DIALER_INITIALIZER; // the worker thread's own
};

// Thread function: takes tasks until the worker is stopped.
void run_worker(Worker* worker);
