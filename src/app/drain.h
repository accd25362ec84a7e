#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "link/arch_sim_msg.h"
#include "link/bounded_queue.h"
#include "log/logger.h"
#include "regfile/register_file.h"

// Applies one inbound message to the state the frame loop owns. Returns
// whether it installed a new register file.
bool apply_message(ArchSimMsg& msg, std::vector<std::string>& archs,
                   std::unique_ptr<RegisterFile>& regfile, std::string& archname, Logger& log,
                   std::ostream& err);

// Takes the queued messages without waiting and applies them, in order. A
// None message ends the drain for this frame, and so does the queue's
// capacity taken in one drain: a sender as fast as the drain cannot hold the
// frame, and what it sends meanwhile waits for the next frame. Returns
// whether a new register file was installed.
bool drain_messages(BoundedQueue<ArchSimMsg>& msgs, std::vector<std::string>& archs,
                    std::unique_ptr<RegisterFile>& regfile, std::string& archname, Logger& log,
                    std::ostream& err);

// Loads the description at path into regfile; a failure is reported on err
// ("Failed to parse ") and in the log ("Failed to load ") and keeps regfile.
// Returns whether the load succeeded.
bool load_architecture(const std::string& path, std::unique_ptr<RegisterFile>& regfile,
                       std::string& archname, Logger& log, std::ostream& err);
