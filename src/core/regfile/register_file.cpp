#include "regfile/register_file.h"

#include <exception>
#include <optional>
#include <sstream>
#include <stdexcept>

#include <cpptoml.h>

#include "regfile/description_guard.h"
#include "util/bounds.h"

Register::Register(std::string name, std::string abbr, uint64_t min, uint64_t max, uint64_t value,
                   bool hidden, bool readonly)
    : name(std::move(name)), abbr(std::move(abbr)), value(clamp_between(min, value, max)), min(min),
      max(max), hidden(hidden), readonly(readonly) {}

namespace {

struct Range {
    uint64_t min = 0;
    uint64_t value = 0;
    uint64_t max = 0xFFFF;
};

// [min, max] or [min, value, max]; any other shape leaves the defaults.
Range read_range(const cpptoml::table& table) {
    Range r;
    try {
        auto range = table.get_array_of<int64_t>("range");
        if (range && range->size() == 2) {
            r.min = static_cast<uint64_t>((*range)[0]);
            r.max = static_cast<uint64_t>((*range)[1]);
        } else if (range && range->size() == 3) {
            r.min = static_cast<uint64_t>((*range)[0]);
            r.value = static_cast<uint64_t>((*range)[1]);
            r.max = static_cast<uint64_t>((*range)[2]);
        }
    } catch (const std::exception&) {
        // An unreadable range counts as none.
    }
    r.value = clamp_between(r.min, r.value, r.max);
    return r;
}

} // namespace

RegisterFile::RegisterFile(std::string fullname, std::string name, std::string regfile_name,
                           const cpptoml::table_array& tables)
    : regfile_name(std::move(regfile_name)), fullname(std::move(fullname)), name(std::move(name)) {
    for (const auto& table : tables) {
        const Range r = read_range(*table);
        const bool hidden = table->get_as<bool>("hidden").value_or(false);
        const std::string type = table->get_as<std::string>("type").value_or("regular");
        const bool readonly = type == "readonly";
        if (type == "program_counter" && program_counter_index == SIZE_MAX)
            program_counter_index = registers.size();
        const std::string component = table->get_as<std::string>("component").value_or("");
        if (!component.empty())
            components.emplace(component, registers.size()); // the first register keeps it
        registers.emplace_back(table->get_as<std::string>("name").value_or(""),
                               table->get_as<std::string>("abbr").value_or(""), r.min, r.max,
                               r.value, hidden, readonly);
    }
}

void RegisterFile::set_value(size_t i, uint64_t value) {
    Register& reg = registers[i];
    if (reg.value == value)
        return;
    reg.value = value;
    if (reg.changed_in == event)
        ++event;
    reg.changed_in = event;
}

void RegisterFile::apply_update(const std::string& origin, uint64_t count) {
    const std::string prefix = name + ".";
    if (origin.compare(0, prefix.size(), prefix) != 0)
        return;
    auto it = components.find(origin.substr(prefix.size()));
    if (it != components.end())
        set_value(it->second, count);
}

bool RegisterFile::apply_write(uint64_t register_number, uint64_t value) {
    if (register_number >= registers.size())
        return false;
    set_value(register_number, value);
    return true;
}

LoadedDescription load_description(const std::string& path) {
    // Read once, checked, then parsed from memory; with nothing to read, the
    // parser's own file reader reports it.
    const std::optional<std::string> text = read_description_file(path);
    std::shared_ptr<cpptoml::table> root;
    if (text) {
        std::istringstream in(*text);
        cpptoml::parser parser(in);
        root = parser.parse();
    } else {
        root = cpptoml::parse_file(path);
    }
    auto tables = root->get_table_array("registers");
    if (!tables)
        throw std::runtime_error("no \"registers\" array of tables in " + path);

    LoadedDescription loaded;
    loaded.archname = root->get_qualified_as<std::string>("main.name").value_or("");
    loaded.regfile = std::make_unique<RegisterFile>(
        root->get_qualified_as<std::string>("main.fullname").value_or(""), loaded.archname,
        root->get_qualified_as<std::string>("regfile.name").value_or(""), *tables);
    return loaded;
}
