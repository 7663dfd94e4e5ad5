#include "temperatures.hpp"

#include "parse.hpp"

#include <algorithm>

namespace ts::sysdata {

namespace {

std::string normalised(std::string s) {
    std::replace(s.begin(), s.end(), '-', '_');
    return s;
}

bool processor_like(const std::string& n) {
    return n == "cpu_thermal" || n == "soc_thermal" || n == "x86_pkg_temp" || n == "cpu" ||
           n.rfind("cpu_", 0) == 0 || n.rfind("soc_", 0) == 0 || n == "coretemp" || n == "k10temp" || n == "zenpower";
}

std::string readable(std::string n) {
    std::replace(n.begin(), n.end(), '_', ' ');
    return n;
}

struct Input {
    std::string file;   // "temp1_input"
    std::string label;  // tempN_label, may be empty
};

std::vector<Input> inputs_of(const Source& src, const std::string& dir) {
    std::vector<Input> inputs;
    for (const std::string& f : src.list(dir)) {
        if (f.rfind("temp", 0) != 0 || f.size() < 11 || f.compare(f.size() - 6, 6, "_input") != 0) continue;
        const std::string stem = f.substr(0, f.size() - 6);
        inputs.push_back({f, src.read_line(dir + "/" + stem + "_label").value_or("")});
    }
    // temp10 after temp9
    std::sort(inputs.begin(), inputs.end(), [](const Input& a, const Input& b) {
        return a.file.size() != b.file.size() ? a.file.size() < b.file.size() : a.file < b.file;
    });
    return inputs;
}

const Input* with_label(const std::vector<Input>& in, std::string_view prefix) {
    for (const Input& i : in) {
        if (i.label.rfind(prefix, 0) == 0) return &i;
    }
    return nullptr;
}

}  // namespace

std::optional<double> parse_millidegrees(std::string_view text) {
    text = parse::whole_lines(text);
    const auto v = parse::integer(text);
    parse::skip_spaces(text);
    if (!v || !text.empty()) return std::nullopt;
    const double c = static_cast<double>(*v) / 1000.0;
    if (c < -60 || c > 200) return std::nullopt;
    return c;
}

std::vector<Sensor> scan_sensors(const Source& src) {
    std::vector<Sensor> found;
    std::vector<std::string> hwmon_names;
    for (const std::string& h : src.list("sys/class/hwmon")) {
        const std::string dir = "sys/class/hwmon/" + h;
        const auto name_line = src.read_line(dir + "/name");
        if (!name_line) continue;
        const std::string name = normalised(*name_line);
        const auto in = inputs_of(src, dir);
        if (in.empty()) continue;
        hwmon_names.push_back(name);
        Sensor s;
        const Input* pick = &in.front();
        if (name == "coretemp") {
            const Input* pkg = with_label(in, "Package id");
            s = {"Processor", SensorKind::Processor, "", false, pkg ? 0 : 1};
            if (pkg) pick = pkg;
        } else if (name == "k10temp" || name == "zenpower") {
            const Input* tdie = with_label(in, "Tdie");
            const Input* tctl = with_label(in, "Tctl");
            s = {"Processor", SensorKind::Processor, "", false, tdie ? 0 : 1};
            pick = tdie ? tdie : tctl ? tctl : pick;
        } else if (processor_like(name)) {
            s = {"Processor", SensorKind::Processor, "", false, 2};
        } else if (name == "acpitz") {
            s = {"Board", SensorKind::Board, "", false, 9};
        } else if (name.rfind("pch_", 0) == 0) {
            s = {"Chipset", SensorKind::Board, "", false, 9};
        } else if (name == "nvme" || name == "drivetemp") {
            std::string dev;
            if (name == "nvme") {
                if (const Input* c = with_label(in, "Composite")) pick = c;
                dev = src.link_name(dir + "/device").value_or("");
            } else {
                const auto blocks = src.list(dir + "/device/block");
                dev = blocks.empty() ? "" : blocks.front();
            }
            s = {dev.empty() ? "Drive" : "Drive " + dev, SensorKind::Drive, "", true, 9};
        } else {
            s = {readable(name), SensorKind::Other, "", false, 9};
        }
        s.input = dir + "/" + pick->file;
        found.push_back(std::move(s));
    }
    const bool has_coretemp = std::count(hwmon_names.begin(), hwmon_names.end(), "coretemp") > 0;
    for (const std::string& z : src.list("sys/class/thermal")) {
        if (z.rfind("thermal_zone", 0) != 0) continue;
        const std::string dir = "sys/class/thermal/" + z;
        const auto type_line = src.read_line(dir + "/type");
        if (!type_line) continue;
        const std::string type = normalised(*type_line);
        // The same sensor shows up as a hwmon device and as a zone; the package zone repeats coretemp.
        if (std::find(hwmon_names.begin(), hwmon_names.end(), type) != hwmon_names.end()) continue;
        if (type == "x86_pkg_temp" && has_coretemp) continue;
        hwmon_names.push_back(type);
        if (processor_like(type)) {
            found.push_back({"Processor", SensorKind::Processor, dir + "/temp", false, 3});
        } else if (type == "acpitz") {
            found.push_back({"Board", SensorKind::Board, dir + "/temp", false, 9});
        } else {
            found.push_back({readable(type), SensorKind::Other, dir + "/temp", false, 9});
        }
    }
    // One processor line: the best ranked; board, drives and others follow in their order.
    std::stable_sort(found.begin(), found.end(), [](const Sensor& a, const Sensor& b) {
        return a.kind != b.kind ? a.kind < b.kind : a.rank < b.rank;
    });
    bool have_processor = false;
    std::erase_if(found, [&](const Sensor& s) {
        if (s.kind != SensorKind::Processor) return false;
        if (have_processor) return true;
        have_processor = true;
        return false;
    });
    return found;
}

}  // namespace ts::sysdata
