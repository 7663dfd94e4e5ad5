// Temperature sensors found in hwmon and thermal-zone trees of typical machines.
#include "fixture.hpp"

#include "sysdata/collector.hpp"
#include "sysdata/temperatures.hpp"

#include <gtest/gtest.h>

namespace ts::sysdata {
namespace {

struct Row {
    std::string label;
    double celsius;
    bool operator==(const Row&) const = default;
};

std::vector<Row> read_tree(const std::string& tree) {
    Collector c(Source(test::data("sensors/" + tree)));
    c.sample_temperatures(100.0);
    std::vector<Row> rows;
    for (const auto& t : *c.current().temperatures) rows.push_back({t.label, t.celsius});
    return rows;
}

TEST(Temperatures, TypicalMachines) {
    const struct {
        const char* tree;
        std::vector<Row> rows;
    } cases[] = {
        // Package over cores; the ACPI and package zones repeat hwmon sensors; the drivetemp
        // input fails to read and is left out; the one-wire sensor is not the processor.
        {"desktop",
         {{"Processor", 45.0}, {"Board", 27.8}, {"Chipset", 52.0}, {"Drive nvme0", 38.85}, {"w1 slave temp", 21.5}}},
        {"amd", {{"Processor", 65.25}, {"Drive sdb", 33.0}}},  // Tdie, not Tctl
        {"board", {{"Processor", 51.54}}},
        {"board_hwmon", {{"Processor", 51.54}}},  // cpu_thermal and cpu-thermal are one sensor
        {"nvme_only", {{"Drive", 41.85}}},
        {"none", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(read_tree(c.tree), c.rows) << c.tree;
}

TEST(Temperatures, DrivesAreReadAtMostOnceAMinute) {
    test::TempRoot root("sensors/amd");
    Collector c{Source(root.path())};
    c.sample_temperatures(100.0);
    root.write("sys/class/hwmon/hwmon1/temp1_input", "40000\n");
    root.write("sys/class/hwmon/hwmon0/temp2_input", "70000\n");
    c.sample_temperatures(130.0);
    EXPECT_DOUBLE_EQ(c.current().temperatures->at(0).celsius, 70.0);  // processor: every time
    EXPECT_DOUBLE_EQ(c.current().temperatures->at(1).celsius, 33.0);  // drive: still the old reading
    c.sample_temperatures(161.0);
    EXPECT_DOUBLE_EQ(c.current().temperatures->at(1).celsius, 40.0);
}

TEST(Temperatures, Millidegrees) {
    EXPECT_DOUBLE_EQ(*parse_millidegrees("45000\n"), 45.0);
    EXPECT_DOUBLE_EQ(*parse_millidegrees("-5500\n"), -5.5);
    EXPECT_FALSE(parse_millidegrees(""));
    EXPECT_FALSE(parse_millidegrees("45x\n"));
    EXPECT_FALSE(parse_millidegrees("45"));  // cut short
    EXPECT_FALSE(parse_millidegrees("4500000\n"));  // 4500 °C: a broken sensor, not a figure
}

}  // namespace
}  // namespace ts::sysdata
