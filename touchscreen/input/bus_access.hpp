// Why the touch reader cannot open its bus, as the dashboard sees it without opening the bus
// itself: the reader only says that it failed, and a person needs to know what to change.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace ts::input {

struct Identity {
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;  // supplementary
};

// The identity the process runs with.
Identity own_identity();

// One sentence naming the cause, or "" when nothing is found wrong. root stands for "/" (tests
// pass a fixture tree); device is the bus's node, e.g. "/dev/i2c-2"; address the controller's.
std::string touch_bus_problem(const std::string& root, const std::string& device, int address, const Identity& who);

}  // namespace ts::input
