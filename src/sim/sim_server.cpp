#include "sim/sim_server.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include "link/bounded_decode.h"
#include "link/envelope.h"
#include "link/member_reader.h"
#include "link/protocol.h"
#include "util/bounds.h"

using nlohmann::json;
using namespace protocol;

namespace {

// An envelope the back end refuses; what() says why, for standard error.
class Refused : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Members the back end cannot do without: object must be a JSON object
// holding key.
const json& required(const json& object, const char* key, const char* what) {
    if (!object.is_object())
        throw Refused(std::string(what) + " must be an object");
    const json* member = MemberReader(object).find(key);
    if (member == nullptr)
        throw Refused(std::string(what) + " has no \"" + key + "\"");
    return *member;
}

// A JSON integer that is not negative; floats, strings and the rest are not.
std::optional<uint64_t> as_unsigned(const json& value) {
    if (value.is_number_unsigned())
        return value.get<uint64_t>();
    if (value.is_number_integer() && value.get<int64_t>() >= 0)
        return static_cast<uint64_t>(value.get<int64_t>());
    return std::nullopt;
}

std::string hex_byte(uint64_t n) {
    char text[24];
    std::snprintf(text, sizeof text, "%02llX", static_cast<unsigned long long>(n));
    return text;
}

} // namespace

SimServer::SimServer(std::string arch_dir, std::ostream& out, std::ostream& err)
    : arch_dir(std::move(arch_dir)), out(out), err(err) {}

std::string SimServer::description_path(const std::string& name) const {
    const std::filesystem::path path = std::filesystem::path(arch_dir) / (name + ".toml");
    return std::filesystem::absolute(path).lexically_normal().string();
}

std::string SimServer::architecture() const {
    return sim ? description.archname : std::string();
}

std::vector<json> SimServer::handle_body(const uint8_t* data, size_t size) {
    json envelope;
    try {
        envelope = decode_ubjson(data, size);
    } catch (const std::exception& e) {
        err << "quarrin-sim: undecodable message of " << size << " bytes: " << e.what()
            << std::endl;
        return {};
    }
    // Replacing invalid UTF-8 keeps the line printable whatever the strings hold.
    out << envelope.dump(-1, ' ', false, json::error_handler_t::replace) << std::endl;
    return handle(envelope);
}

std::vector<json> SimServer::handle(const json& envelope) {
    try {
        if (!envelope.is_object())
            throw Refused(std::string("a message must be a JSON object, not ") +
                          envelope.type_name());
        MemberReader read(envelope);
        if (read.is(key::message_type, type::command)) {
            if (read.is(key::destination, destination::computer_architecture)) {
                if (read.is(key::message_sub_type, sub_type::list))
                    return {envelope::architecture_list(machine_names())};
                if (read.is(key::message_sub_type, sub_type::load))
                    return select(read[key::data]);
            } else if (read.is(key::destination, destination::instructions) &&
                       read.is(key::message_sub_type, sub_type::load)) {
                return load_program(read[key::data]);
            } else if (read.is(key::destination, destination::control) &&
                       read.is(key::message_sub_type, sub_type::change_state)) {
                if (read.is(key::data, state::step))
                    return step(false);
                if (read.is(key::data, state::reset))
                    return reset();
            }
        } else if (read.is(key::message_type, type::event) &&
                   read.is(key::message_sub_type, sub_type::write)) {
            return write(envelope);
        }
        throw Refused("not understood");
    } catch (const std::exception& e) {
        // Refused, or a JSON library error on a member of an unexpected shape.
        err << "quarrin-sim: no answer: " << e.what() << std::endl;
        return {};
    }
}

std::vector<json> SimServer::select(const json& data) {
    if (!data.is_string())
        throw Refused("the architecture to load must be named by a string");
    const std::string name = data.get<std::string>();
    auto machine = make_machine(name);
    if (!machine)
        throw Refused("no architecture named \"" + name + "\"");
    const std::string path = description_path(name);
    LoadedDescription loaded;
    try {
        loaded = load_description(path);
    } catch (const std::exception& e) {
        throw Refused("cannot read the description of " + name + ": " + e.what());
    }
    const size_t count = machine->registers().size();
    if (loaded.archname != name || loaded.regfile->registers.size() != count)
        throw Refused(path + " does not describe the " + std::to_string(count) + " registers of " +
                      name);

    counters.clear();
    for (const auto& [component, index] : loaded.regfile->components)
        counters.emplace_back(index, loaded.archname + "." + component);
    std::sort(counters.begin(), counters.end());
    sim = std::move(machine);
    description = std::move(loaded);
    running = true;
    return {envelope::architecture_load(path)};
}

void SimServer::require_machine() const {
    if (!sim)
        throw Refused("no architecture selected yet");
}

std::vector<json> SimServer::load_program(const json& data) {
    require_machine();
    uint64_t start = 0;
    // Data that is not an object is refused below, for want of "values".
    const json* given = data.is_object() ? MemberReader(data).find(key::start) : nullptr;
    if (given != nullptr) {
        const auto value = as_unsigned(*given);
        if (!value)
            throw Refused("program load: \"start\" must be an integer of at least 0");
        start = *value;
    }
    const json& values = required(data, key::values, "program load data");
    if (!values.is_array())
        throw Refused("program load: \"values\" must be an array");
    std::vector<uint32_t> words;
    words.reserve(values.size());
    for (const json& value : values) {
        const auto word = as_unsigned(value);
        if (!word || *word > 0xFFFFFFFFu)
            throw Refused("program load: every value must be an integer from 0 to 0xFFFFFFFF");
        words.push_back(static_cast<uint32_t>(*word));
    }
    const size_t stored = sim->load_program(start, words);
    if (stored < words.size())
        err << "quarrin-sim: program load: " << words.size() - stored
            << " words beyond the end of program memory dropped" << std::endl;
    running = true;
    return {};
}

std::vector<json> SimServer::step(bool from_tick) {
    require_machine();
    const std::vector<uint64_t> before = sim->registers();
    const StepOutcome outcome = sim->step();
    if (outcome != StepOutcome::Executed) {
        const uint64_t at = sim->program_counter();
        err << "quarrin-sim: " << description.archname << ": ";
        if (outcome == StepOutcome::Halted)
            // The machine is not stuck: a student who steps on runs the next word.
            err << "halted at " << hex_byte(at) << " (a JZ to its own address); the next step "
                << "continues with the following word, " << hex_byte((at + 1) & 0xFF);
        else
            err << "illegal instruction at " << hex_byte(at);
        err << (from_tick ? ", free run paused" : "") << std::endl;
        if (from_tick)
            running = false;
    }
    return report(before);
}

std::vector<json> SimServer::tick() {
    if (!sim || !running)
        return {};
    return step(true);
}

std::vector<json> SimServer::reset() {
    require_machine();
    sim->reset();
    running = true;
    std::vector<json> replies{envelope::reset_notice()};
    for (json& event : report({}))
        replies.push_back(std::move(event));
    return replies;
}

std::vector<json> SimServer::write(const json& envelope) {
    require_machine();
    const std::string destination = description.regfile->write_destination();
    if (!MemberReader(envelope).is(key::destination, destination.c_str()))
        throw Refused("register write: the destination must be \"" + destination + "\"");
    const json& data = required(envelope, key::data, "register write");
    const auto number = as_unsigned(required(data, key::register_number, "register write data"));
    const std::vector<Register>& registers = description.regfile->registers;
    if (!number || *number >= registers.size())
        throw Refused("register write: \"register_number\" must be an integer from 0 to " +
                      std::to_string(registers.size() - 1));
    const json& value = required(data, key::value, "register write data");
    if (!value.is_number_integer())
        throw Refused("register write: \"value\" must be an integer");
    const Register& reg = registers[*number];
    // Negative values land on the minimum, large ones on the maximum.
    const uint64_t wanted = as_unsigned(value).value_or(0);
    if (!reg.readonly)
        sim->write_register(*number, clamp_between(reg.min, wanted, reg.max));
    // The confirmation carries what the register holds now, which for a
    // read-only register or r0 is not what was asked for.
    return {envelope::register_value(destination, *number, sim->registers()[*number])};
}

std::vector<json> SimServer::report(const std::vector<uint64_t>& before) const {
    const std::vector<uint64_t> now = sim->registers();
    std::vector<json> events;
    const std::string origin = description.regfile->write_destination();
    for (size_t i = 0; i < now.size(); ++i) {
        const bool counter = std::any_of(counters.begin(), counters.end(),
                                         [i](const auto& c) { return c.first == i; });
        if (!counter && (before.empty() || before[i] != now[i]))
            events.push_back(envelope::register_value(origin, i, now[i]));
    }
    for (const auto& [index, component_origin] : counters)
        events.push_back(envelope::counter_update(component_origin, now[index]));
    return events;
}
