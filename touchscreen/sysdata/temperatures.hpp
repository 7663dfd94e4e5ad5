// Temperature sensors from /sys/class/hwmon and /sys/class/thermal: one processor sensor
// (package over single cores, Tdie over Tctl), the board/chipset, each drive, and whatever
// else the kernel names, each once.
#pragma once

#include "source.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ts::sysdata {

enum class SensorKind { Processor, Board, Drive, Other };

struct Sensor {
    std::string label;  // readable: "Processor", "Chipset", "Drive nvme0"
    SensorKind kind = SensorKind::Other;
    std::string input;  // path under the root of the millidegree file
    bool slow = false;  // drives: waking them to measure costs, read at most once a minute
    int rank = 9;       // among processor sensors the lowest wins
};

// The sensors to read, processor first, then board, drives, others. Each physical sensor once.
std::vector<Sensor> scan_sensors(const Source& src);

// Parses a millidegree file's text into degrees Celsius; nothing when malformed or implausible.
std::optional<double> parse_millidegrees(std::string_view text);

}  // namespace ts::sysdata
