#pragma once

// The words of the protocol between Quarrin and a simulator back end: the
// members of an envelope and the values they take. Both ends build and read
// envelopes with these names (link/envelope.h, link/member_reader.h).
namespace protocol {

// Members of an envelope, and of its "data".
namespace key {
inline constexpr const char* message_type = "message_type";
inline constexpr const char* message_sub_type = "message_sub_type";
inline constexpr const char* destination = "destination";
inline constexpr const char* data = "data";
inline constexpr const char* origin = "origin";

inline constexpr const char* register_number = "register_number";
inline constexpr const char* value = "value";
inline constexpr const char* new_count = "new_count";
inline constexpr const char* start = "start";
inline constexpr const char* values = "values";
} // namespace key

// What "message_type" holds: a request to a component, or a notice that
// something changed.
namespace type {
inline constexpr const char* command = "command";
inline constexpr const char* event = "event";
} // namespace type

// What "message_sub_type" holds: the operation.
namespace sub_type {
inline constexpr const char* list = "list";
inline constexpr const char* load = "load";
inline constexpr const char* change_state = "change_state";
inline constexpr const char* write = "write";
inline constexpr const char* update = "update";
inline constexpr const char* increment = "increment";
} // namespace sub_type

// The components "destination" names. A register write is addressed to the
// register file itself: its architecture's name, ".", the register file's.
namespace destination {
inline constexpr const char* computer_architecture = "computer_architecture";
inline constexpr const char* control = "control";
inline constexpr const char* instructions = "component.memory.instructions";
} // namespace destination

// The "data" of a "change_state" command to "control".
namespace state {
inline constexpr const char* step = "step";
inline constexpr const char* reset = "reset";
} // namespace state

} // namespace protocol
