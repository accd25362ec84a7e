#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "link/arch_sim_msg.h"
#include "link/bounded_queue.h"
#include "log/logger.h"
#include "regfile/register_file.h"

// Applies one inbound message to the state the frame loop owns.
void apply_message(ArchSimMsg& msg, std::vector<std::string>& archs,
                   std::unique_ptr<RegisterFile>& regfile, std::string& archname, Logger& log,
                   std::ostream& err);

// Takes every queued message without waiting and applies it, in order.
// A None message ends the drain for this frame.
void drain_messages(BoundedQueue<ArchSimMsg>& msgs, std::vector<std::string>& archs,
                    std::unique_ptr<RegisterFile>& regfile, std::string& archname, Logger& log,
                    std::ostream& err);

// Loads the description at path into regfile; a failure is reported on err
// ("Failed to parse ") and in the log ("Failed to load ") and keeps regfile.
void load_architecture(const std::string& path, std::unique_ptr<RegisterFile>& regfile,
                       std::string& archname, Logger& log, std::ostream& err);
