#include "config_file.hpp"

#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <set>

namespace ts::config {
namespace {

// What a key's reader found wrong. An error leaves the key as it was and the file unused; a
// warning (a number outside its range, taken at the nearest bound) costs only that value.
struct Finding {
    Finding(std::string text, bool only_warning = false) : message(std::move(text)), warning(only_warning) {}
    std::string message;
    bool warning = false;
};

// A key's reader checks the node and stores it; it returns what is wrong, or nothing.
using Problem = std::optional<Finding>;
using Reader = std::function<Problem(const toml::node&, Settings&)>;

struct KeySpec {
    std::string section, key;
    Reader read;
};

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

std::string number_text(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

// What the user wrote, for "got ..." in a message.
std::string shown(const toml::node& n) {
    if (const auto* s = n.as_string()) return quoted(s->get());
    if (const auto* i = n.as_integer()) return std::to_string(i->get());
    if (const auto* f = n.as_floating_point()) return number_text(f->get());
    if (const auto* b = n.as_boolean()) return b->get() ? "true" : "false";
    if (n.is_array()) return "an array";
    if (n.is_table()) return "a table";
    return "a date or time";
}

std::optional<double> number_of(const toml::node& n) {
    if (const auto* i = n.as_integer()) return static_cast<double>(i->get());
    if (const auto* f = n.as_floating_point()) return f->get();
    return std::nullopt;
}

// A number kept within [low, high]: outside, the nearest bound is used and a warning names the range.
Reader ranged(double low, double high, std::string unit, std::function<void(Settings&, double)> store) {
    return [=](const toml::node& n, Settings& s) -> Problem {
        const auto v = number_of(n);
        const std::string range = number_text(low) + " to " + number_text(high) + unit;
        if (!v || !std::isfinite(*v)) return "must be a number from " + range + ", got " + shown(n);
        const double used = std::clamp(*v, low, high);
        store(s, used);
        if (used == *v) return std::nullopt;
        return Finding(shown(n) + " is outside " + range + "; " + number_text(used) + " is used", true);
    };
}

Reader degrees(double limit, std::optional<double> WeatherSettings::*field) {
    return ranged(-limit, limit, " degrees", [=](Settings& s, double v) { s.weather.*field = v; });
}

Reader seconds(double low, double high, std::function<double&(Settings&)> field) {
    return ranged(low, high, " seconds", [=](Settings& s, double v) { field(s) = v; });
}

Reader text(std::function<std::string&(Settings&)> field, std::vector<std::string> allowed = {}) {
    return [=](const toml::node& n, Settings& s) -> Problem {
        const auto* v = n.as_string();
        std::string choices;
        for (const std::string& a : allowed) choices += (choices.empty() ? "" : " or ") + quoted(a);
        if (!v) return "must be " + (allowed.empty() ? std::string("a string") : choices) + ", got " + shown(n);
        if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), v->get()) == allowed.end()) {
            return "must be " + choices + ", got " + shown(n);
        }
        field(s) = v->get();
        return std::nullopt;
    };
}

Reader flag(std::function<bool&(Settings&)> field) {
    return [=](const toml::node& n, Settings& s) -> Problem {
        const auto* v = n.as_boolean();
        if (!v) return "must be true or false, got " + shown(n);
        field(s) = v->get();
        return std::nullopt;
    };
}

Reader rotation(std::function<int&(Settings&)> field) {
    return [=](const toml::node& n, Settings& s) -> Problem {
        const auto* v = n.as_integer();
        if (!v || (v->get() != 0 && v->get() != 90 && v->get() != 180 && v->get() != 270)) {
            return "must be 0, 90, 180 or 270, got " + shown(n);
        }
        field(s) = static_cast<int>(v->get());
        return std::nullopt;
    };
}

std::optional<std::vector<std::string>> strings_of(const toml::node& n) {
    const auto* a = n.as_array();
    if (!a) return std::nullopt;
    std::vector<std::string> out;
    for (const toml::node& e : *a) {
        const auto* s = e.as_string();
        if (!s) return std::nullopt;
        out.push_back(s->get());
    }
    return out;
}

Reader paths(std::function<std::vector<std::string>&(Settings&)> field) {
    return [=](const toml::node& n, Settings& s) -> Problem {
        auto v = strings_of(n);
        if (!v) return "must be an array of strings, got " + shown(n);
        for (const std::string& p : *v) {
            if (p.empty() || p[0] != '/') return "must list mount points starting with \"/\", got " + quoted(p);
        }
        field(s) = std::move(*v);
        return std::nullopt;
    };
}

Problem read_led(const toml::node& n, Settings& s) {
    if (const auto* v = n.as_string()) {
        s.light.led = v->get();
        s.light.led_paths.clear();
        return std::nullopt;
    }
    auto list = strings_of(n);
    if (!list || list->size() != 3) {
        return "must be \"auto\", \"none\", an LED folder or an array of three LED folders, got " + shown(n);
    }
    s.light.led.clear();
    s.light.led_paths = std::move(*list);
    return std::nullopt;
}

Problem read_url(const toml::node& n, Settings& s) {
    const auto* v = n.as_string();
    const std::string_view u = v ? std::string_view(v->get()) : std::string_view();
    const bool web = (u.starts_with("http://") && u.size() > 7) || (u.starts_with("https://") && u.size() > 8);
    if (!web) return "must be an http:// or https:// address, got " + shown(n);
    s.weather.url = v->get();
    return std::nullopt;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

Reader colour(const std::string& name) {
    return [=](const toml::node& n, Settings& s) -> Problem {
        const auto* v = n.as_string();
        const std::string_view t = v ? std::string_view(v->get()) : std::string_view();
        bool ok = t.size() == 7 && t[0] == '#';
        for (std::size_t i = 1; ok && i < 7; ++i) ok = hex_digit(t[i]) >= 0;
        if (!ok) return "must be a colour \"#rrggbb\", got " + shown(n);
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(hex_digit(t[i]) * 16 + hex_digit(t[i + 1])); };
        s.theme.colors[name] = Rgb{byte(1), byte(3), byte(5)};
        return std::nullopt;
    };
}

// Redraws: faster than five a second only costs processor time, slower than hourly looks broken.
constexpr double kFastest = 0.2, kSlowest = 3600;

const std::vector<KeySpec>& key_table() {
    static const std::vector<KeySpec> table = [] {
        std::vector<KeySpec> t{
            {"weather", "latitude", degrees(90, &WeatherSettings::latitude)},
            {"weather", "longitude", degrees(180, &WeatherSettings::longitude)},
            {"weather", "place", text([](Settings& s) -> std::string& { return s.weather.place; })},
            {"weather", "units", text([](Settings& s) -> std::string& { return s.weather.units; }, {"metric", "imperial"})},
            {"weather", "url", read_url},
            // A free service asked every few seconds would soon refuse; a day is the longest sensible wait.
            {"weather", "interval", seconds(60, 86400, [](Settings& s) -> double& { return s.weather.interval; })},
            {"clock", "format", text([](Settings& s) -> std::string& { return s.clock.format; }, {"24h", "12h"})},
            {"clock", "seconds", flag([](Settings& s) -> bool& { return s.clock.seconds; })},
            {"refresh", "cpu", seconds(kFastest, kSlowest, [](Settings& s) -> double& { return s.refresh.cpu; })},
            {"refresh", "memory", seconds(kFastest, kSlowest, [](Settings& s) -> double& { return s.refresh.memory; })},
            {"refresh", "disk", seconds(kFastest, kSlowest, [](Settings& s) -> double& { return s.refresh.disk; })},
            {"refresh", "network", seconds(kFastest, kSlowest, [](Settings& s) -> double& { return s.refresh.network; })},
            {"refresh", "process", seconds(kFastest, kSlowest, [](Settings& s) -> double& { return s.refresh.process; })},
            {"refresh", "time", seconds(kFastest, kSlowest, [](Settings& s) -> double& { return s.refresh.time; })},
            {"refresh", "background", seconds(10, 86400, [](Settings& s) -> double& { return s.refresh.background; })},
        };
        for (const auto& [name, rgb] : default_colors()) t.push_back({"theme", name, colour(name)});
        const std::vector<KeySpec> rest{
            {"disks", "show", paths([](Settings& s) -> std::vector<std::string>& { return s.disks.show; })},
            {"disks", "hide", paths([](Settings& s) -> std::vector<std::string>& { return s.disks.hide; })},
            {"network", "interface", text([](Settings& s) -> std::string& { return s.network.interface; })},
            {"display", "backend",
             text([](Settings& s) -> std::string& { return s.display.backend; }, {"auto", "sdl", "kms", "fbdev"})},
            {"display", "device", text([](Settings& s) -> std::string& { return s.display.device; })},
            {"display", "rotation", rotation([](Settings& s) -> int& { return s.display.rotation; })},
            {"display", "card", text([](Settings& s) -> std::string& { return s.display.card; })},
            {"input", "mouse", flag([](Settings& s) -> bool& { return s.input.mouse; })},
            {"input", "rotation", rotation([](Settings& s) -> int& { return s.input.rotation; })},
            {"panel", "backlight", text([](Settings& s) -> std::string& { return s.panel.backlight; })},
            {"panel", "min_brightness",
             ranged(0, 100, " percent", [](Settings& s, double v) { s.panel.min_brightness = static_cast<int>(std::lround(v)); })},
            {"light", "led", read_led},
        };
        t.insert(t.end(), rest.begin(), rest.end());
        return t;
    }();
    return table;
}

std::vector<std::string> sections() {
    std::vector<std::string> out;
    for (const KeySpec& k : key_table()) {
        if (std::find(out.begin(), out.end(), k.section) == out.end()) out.push_back(k.section);
    }
    return out;
}

class Reading {
public:
    Reading(const std::string& path, LoadResult& result) : path_(path), r_(result) {}

    void note(Diagnostic::Severity sev, const toml::source_region& where, std::string key, std::string message) {
        r_.diagnostics.push_back({sev, path_, static_cast<int>(where.begin.line), static_cast<int>(where.begin.column),
                                  std::move(key), std::move(message)});
    }

    void section(const std::string& name, const toml::table& tbl) {
        std::vector<std::string> names;
        for (const KeySpec& k : key_table()) {
            if (k.section == name) names.push_back(k.key);
        }
        for (const auto& [key, node] : tbl) {
            const std::string k(key.str());
            const auto entry = std::find_if(key_table().begin(), key_table().end(),
                                           [&](const KeySpec& s) { return s.section == name && s.key == k; });
            if (entry == key_table().end()) {
                // A colour the dashboard does not draw with is a mistake, not a harmless extra.
                const bool colour = name == "theme";
                note(colour ? Diagnostic::Severity::error : Diagnostic::Severity::warning, key.source(), "",
                     std::string(colour ? "unknown colour '" : "unknown key '") + k + "' in [" + name + "]; did you mean '" +
                         closest(k, names) + "'?");
                continue;
            }
            // Start from what is there: a bad value leaves the key as it was.
            if (Problem p = entry->read(node, r_.settings)) {
                note(p->warning ? Diagnostic::Severity::warning : Diagnostic::Severity::error, node.source(),
                     "[" + name + "] " + k, p->message);
            }
        }
    }

private:
    const std::string& path_;
    LoadResult& r_;
};

}  // namespace

std::string Diagnostic::text() const {
    std::string out = path;
    if (line > 0) out += ":" + std::to_string(line) + ":" + std::to_string(column);
    out += ": ";
    if (!key.empty()) out += key + ": ";
    return out + message;
}

bool LoadResult::has_errors() const {
    return std::any_of(diagnostics.begin(), diagnostics.end(),
                       [](const Diagnostic& d) { return d.severity == Diagnostic::Severity::error; });
}

std::string closest(std::string_view word, const std::vector<std::string>& candidates) {
    std::string best;
    std::size_t best_distance = std::string::npos;
    for (const std::string& c : candidates) {
        // Levenshtein distance, one row at a time.
        std::vector<std::size_t> row(c.size() + 1);
        for (std::size_t j = 0; j <= c.size(); ++j) row[j] = j;
        for (std::size_t i = 1; i <= word.size(); ++i) {
            std::size_t diagonal = row[0];
            row[0] = i;
            for (std::size_t j = 1; j <= c.size(); ++j) {
                const std::size_t up = row[j];
                row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (word[i - 1] == c[j - 1] ? 0 : 1)});
                diagonal = up;
            }
        }
        if (row[c.size()] < best_distance) {
            best_distance = row[c.size()];
            best = c;
        }
    }
    return best;
}

std::vector<std::string> known_keys() {
    std::vector<std::string> out;
    for (const KeySpec& k : key_table()) out.push_back(k.section + "." + k.key);
    return out;
}

LoadResult parse_config(std::string_view text, const std::string& path) {
    LoadResult result;
    Reading reading(path, result);
    toml::table root;
    try {
        root = toml::parse(text, path);
    } catch (const toml::parse_error& e) {
        reading.note(Diagnostic::Severity::error, e.source(), "", std::string(e.description()));
        return result;
    }
    const std::vector<std::string> known = sections();
    for (const auto& [key, node] : root) {
        const std::string name(key.str());
        const bool is_section = std::find(known.begin(), known.end(), name) != known.end();
        if (is_section && node.is_table()) {
            reading.section(name, *node.as_table());
        } else if (is_section) {
            reading.note(Diagnostic::Severity::error, node.source(), "[" + name + "]",
                         "must be a section (a table), got " + shown(node));
        } else if (node.is_table()) {
            reading.note(Diagnostic::Severity::warning, key.source(), "",
                         "unknown section [" + name + "]; did you mean [" + closest(name, known) + "]?");
        } else {
            std::vector<std::string> keys;
            for (const KeySpec& k : key_table()) keys.push_back(k.key);
            const std::string near = closest(name, keys);
            const auto entry = std::find_if(key_table().begin(), key_table().end(),
                                           [&](const KeySpec& s) { return s.key == near; });
            reading.note(Diagnostic::Severity::warning, key.source(), "",
                         "unknown key '" + name + "' outside any section; did you mean '" + near + "' in [" +
                             entry->section + "]?");
        }
    }
    const WeatherSettings& w = result.settings.weather;
    if (w.latitude.has_value() != w.longitude.has_value()) {
        const toml::node* given = root["weather"][w.latitude ? "latitude" : "longitude"].node();
        reading.note(Diagnostic::Severity::warning, given ? given->source() : toml::source_region{}, "[weather]",
                     "latitude and longitude go together; without both there is no weather");
    }
    return result;
}

}  // namespace ts::config
