#include "app/drain.h"

#include <cassert>
#include <exception>
#include <optional>

bool load_architecture(const std::string& path, std::unique_ptr<RegisterFile>& regfile,
                       std::string& archname, Logger& log, std::ostream& err) {
    try {
        LoadedDescription loaded = load_description(path);
        archname = loaded.archname;
        regfile = std::move(loaded.regfile); // the previous one goes after the new one is in
        return true;
    } catch (const std::exception& e) {
        err << "Failed to parse " << path << ": " << e.what() << "\n" << std::flush;
        log.add("Failed to load " + path + ": " + e.what());
        return false;
    }
}

bool apply_message(ArchSimMsg& msg, std::vector<std::string>& archs,
                   std::unique_ptr<RegisterFile>& regfile, std::string& archname, Logger& log,
                   std::ostream& err) {
    switch (msg.type) {
    case ArchSimMsg::ArchitectureList:
        archs = std::get<std::vector<std::string>>(msg.data);
        break;
    case ArchSimMsg::ArchitectureLoad:
        return load_architecture(std::get<std::string>(msg.data), regfile, archname, log, err);
    case ArchSimMsg::CounterUpdate:
        if (regfile) {
            const auto& [origin, count] = std::get<CounterUpdatePair>(msg.data);
            regfile->apply_update(origin, count);
        }
        break;
    case ArchSimMsg::RegisterWrite:
        if (regfile) {
            const auto [number, value] = std::get<RegisterWritePair>(msg.data);
            if (!regfile->apply_write(number, value))
                log.add("Ignored write to register " + std::to_string(number) + ": " +
                        regfile->name + " has " + std::to_string(regfile->registers.size()) +
                        " registers");
        }
        break;
    case ArchSimMsg::Reset:
        log.add("Reset CPU");
        if (regfile)
            regfile->begin_event(); // the values that follow are the reset's
        break;
    default:
        assert(!"bad archsimmsgtype");
        break;
    }
    return false;
}

bool drain_messages(BoundedQueue<ArchSimMsg>& msgs, std::vector<std::string>& archs,
                    std::unique_ptr<RegisterFile>& regfile, std::string& archname, Logger& log,
                    std::ostream& err) {
    bool loaded = false;
    for (size_t taken = 0; taken < msgs.capacity(); ++taken) {
        std::optional<ArchSimMsg> ev = msgs.try_pop();
        if (!ev || ev->type == ArchSimMsg::None)
            break;
        loaded = apply_message(*ev, archs, regfile, archname, log, err) || loaded;
    }
    return loaded;
}
