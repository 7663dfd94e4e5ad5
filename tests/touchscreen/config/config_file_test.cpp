// The configuration file: what valid files give, what each kind of mistake reports (with its
// place and key), and that the sample file in the repository is exactly the defaults.
#include "config/config_file.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace ts::config {
namespace {

using Severity = Diagnostic::Severity;

Settings with(std::function<void(Settings&)> change) {
    Settings s;
    change(s);
    return s;
}

struct ValidCase {
    const char* name;
    const char* text;
    Settings expected;
};

TEST(ConfigValid, FilesGiveTheirValuesAndDefaultsForTheRest) {
    const ValidCase cases[] = {
        {"empty", "", Settings{}},
        {"comments only", "# nothing\n\n", Settings{}},
        {"coordinates as integers and floats", "[weather]\nlatitude = 52\nlongitude = -13.5\nplace = \"Home\"\n",
         with([](Settings& s) {
             s.weather.latitude = 52;
             s.weather.longitude = -13.5;
             s.weather.place = "Home";
         })},
        {"coordinate limits are allowed", "[weather]\nlatitude = -90\nlongitude = 180\n", with([](Settings& s) {
             s.weather.latitude = -90;
             s.weather.longitude = 180;
         })},
        {"imperial and interval", "[weather]\nunits = \"imperial\"\ninterval = 900\n", with([](Settings& s) {
             s.weather.units = "imperial";
             s.weather.interval = 900;
         })},
        {"12 h without seconds", "[clock]\nformat = \"12h\"\nseconds = false\n", with([](Settings& s) {
             s.clock.format = "12h";
             s.clock.seconds = false;
         })},
        {"fractional refresh", "[refresh]\ncpu = 0.5\nbackground = 60\n", with([](Settings& s) {
             s.refresh.cpu = 0.5;
             s.refresh.background = 60;
         })},
        {"colour in either case", "[theme]\naccent = \"#FF8000\"\ntext = \"#0a0b0c\"\n", with([](Settings& s) {
             s.theme.colors["accent"] = {255, 128, 0};
             s.theme.colors["text"] = {10, 11, 12};
         })},
        {"disks and network", "[disks]\nshow = [\"/\", \"/data\"]\nhide = [\"/boot\"]\n[network]\ninterface = \"wlan0\"\n",
         with([](Settings& s) {
             s.disks.show = {"/", "/data"};
             s.disks.hide = {"/boot"};
             s.network.interface = "wlan0";
         })},
        {"display and input", "[display]\nbackend = \"kms\"\ndevice = \"/dev/fb1\"\nrotation = 270\ncard = \"/dev/dri/card1\"\n[input]\nmouse = true\nrotation = 90\n",
         with([](Settings& s) {
             s.display = {"kms", "/dev/fb1", 270, "/dev/dri/card1"};
             s.input = {true, 90};
         })},
        {"panel limits", "[panel]\nbacklight = \"none\"\nmin_brightness = 0\n", with([](Settings& s) {
             s.panel = {"none", 0};
         })},
        {"led as one path", "[light]\nled = \"/sys/class/leds/rgb\"\n", with([](Settings& s) { s.light.led = "/sys/class/leds/rgb"; })},
        {"led as three paths", "[light]\nled = [\"/r\", \"/g\", \"/b\"]\n", with([](Settings& s) {
             s.light.led = "";
             s.light.led_paths = {"/r", "/g", "/b"};
         })},
        {"dotted keys", "weather.place = \"Dock\"\n", with([](Settings& s) { s.weather.place = "Dock"; })},
    };
    for (const ValidCase& c : cases) {
        const LoadResult r = parse_config(c.text, "/etc/t.toml");
        EXPECT_TRUE(r.diagnostics.empty()) << c.name << ": " << (r.diagnostics.empty() ? "" : r.diagnostics[0].text());
        EXPECT_TRUE(r.settings == c.expected) << c.name;
    }
}

struct InvalidCase {
    const char* text;
    int line, column;
    const char* key;       // "" when the finding names no single key
    const char* message;   // a part of the message that must be there
};

TEST(ConfigInvalid, EachMistakeIsAnErrorWithItsPlaceAndKeyAndTheKeyStaysDefault) {
    const InvalidCase cases[] = {
        {"[weather]\nlatitude = \"52\"\n", 2, 12, "[weather] latitude", "got \"52\""},
        {"[weather]\nlatitude = nan\n", 2, 12, "[weather] latitude", "-90 to 90 degrees, got nan"},
        {"[weather]\ninterval = inf\n", 2, 12, "[weather] interval", "60 to 86400 seconds, got inf"},
        {"[panel]\nmin_brightness = \"5\"\n", 2, 18, "[panel] min_brightness", "0 to 100 percent"},
        {"[weather]\nunits = \"kelvin\"\n", 2, 9, "[weather] units", "\"metric\" or \"imperial\", got \"kelvin\""},
        {"[refresh]\ndisk = \"5\"\n", 2, 8, "[refresh] disk", "seconds"},
        {"[clock]\nformat = \"24\"\n", 2, 10, "[clock] format", "\"24h\" or \"12h\""},
        {"[clock]\nseconds = 1\n", 2, 11, "[clock] seconds", "true or false, got 1"},
        {"[theme]\naccent = \"#12345\"\n", 2, 10, "[theme] accent", "\"#rrggbb\""},
        {"[theme]\naccent = \"#12345g\"\n", 2, 10, "[theme] accent", "\"#rrggbb\""},
        {"[theme]\naccent = \"blue\"\n", 2, 10, "[theme] accent", "got \"blue\""},
        {"[theme]\n\n acent = \"#ffffff\"\n", 3, 2, "", "unknown colour 'acent' in [theme]; did you mean 'accent'?"},
        {"[display]\nrotation = 45\n", 2, 12, "[display] rotation", "0, 90, 180 or 270, got 45"},
        {"[display]\nbackend = \"x11\"\n", 2, 11, "[display] backend", "\"auto\" or \"sdl\" or \"kms\" or \"fbdev\""},
        {"[disks]\nshow = \"/\"\n", 2, 8, "[disks] show", "array of strings"},
        {"[disks]\nhide = [\"/\", 3]\n", 2, 8, "[disks] hide", "array of strings"},
        {"[disks]\nshow = [\"/\", \"data\"]\n", 2, 8, "[disks] show", "starting with \"/\", got \"data\""},
        {"[weather]\nurl = \"file:///etc/passwd\"\n", 2, 7, "[weather] url", "http:// or https://"},
        {"[weather]\nurl = \"https://\"\n", 2, 7, "[weather] url", "http:// or https://"},
        {"[light]\nled = [\"/r\", \"/g\"]\n", 2, 7, "[light] led", "three"},
        {"clock = \"24h\"\n", 1, 9, "[clock]", "must be a section"},
        // Syntax errors: nothing is read, the place is where the parser stopped.
        {"[weather]\nplace = \"Home\n", 2, 14, "", ""},
        {"[clock]\nformat = \"12h\"\nformat = \"24h\"\n", 3, 10, "", "format"},
        {"[weather\n", 1, 9, "", ""},
    };
    for (const InvalidCase& c : cases) {
        const LoadResult r = parse_config(c.text, "/home/u/t.toml");
        ASSERT_EQ(r.diagnostics.size(), 1u) << c.text;
        const Diagnostic& d = r.diagnostics[0];
        EXPECT_EQ(d.severity, Severity::error) << c.text;
        EXPECT_EQ(d.path, "/home/u/t.toml");
        EXPECT_EQ(d.line, c.line) << c.text;
        EXPECT_EQ(d.column, c.column) << c.text;
        EXPECT_EQ(d.key, c.key) << c.text;
        EXPECT_NE(d.message.find(c.message), std::string::npos) << c.text << " -> " << d.message;
        EXPECT_TRUE(r.settings == Settings{}) << c.text;
        EXPECT_TRUE(r.has_errors());
    }
}

TEST(ConfigInvalid, ABadKeyLeavesTheGoodOnesOfTheSameFile) {
    const LoadResult r = parse_config("[weather]\nlatitude = \"52\"\nlongitude = 10\nplace = \"Quay\"\n[clock]\nformat = \"12h\"\n", "f");
    EXPECT_TRUE(r.has_errors());
    EXPECT_FALSE(r.settings.weather.latitude.has_value());
    EXPECT_EQ(r.settings.weather.place, "Quay");
    EXPECT_EQ(r.settings.clock.format, "12h");
}

TEST(ConfigInvalid, TextNamesFileLineColumnAndKey) {
    const LoadResult r = parse_config("[weather]\ninterval = -5\n", "/etc/touchscreen/config.toml");
    ASSERT_EQ(r.diagnostics.size(), 1u);
    EXPECT_EQ(r.diagnostics[0].text(),
              "/etc/touchscreen/config.toml:2:12: [weather] interval: -5 is outside 60 to 86400 seconds; 60 is used");
}

struct WarningCase {
    const char* text;
    int line;
    const char* message;  // the whole message
};

TEST(ConfigWarnings, UnknownNamesAreWarnedWithTheClosestKnownOne) {
    const WarningCase cases[] = {
        {"[weather]\nlatitdue = 5\n", 2, "unknown key 'latitdue' in [weather]; did you mean 'latitude'?"},
        {"[clock]\nsecond = true\n", 2, "unknown key 'second' in [clock]; did you mean 'seconds'?"},
        {"[refresh]\nbackgound = 5\n", 2, "unknown key 'backgound' in [refresh]; did you mean 'background'?"},
        {"[wether]\nplace = \"x\"\n", 1, "unknown section [wether]; did you mean [weather]?"},
        {"palce = \"x\"\n", 1, "unknown key 'palce' outside any section; did you mean 'place' in [weather]?"},
        {"[weather]\nlatitude = 10\n", 2, "latitude and longitude go together; without both there is no weather"},
    };
    for (const WarningCase& c : cases) {
        const LoadResult r = parse_config(c.text, "f");
        ASSERT_EQ(r.diagnostics.size(), 1u) << c.text;
        EXPECT_EQ(r.diagnostics[0].severity, Severity::warning) << c.text;
        EXPECT_EQ(r.diagnostics[0].message, c.message);
        EXPECT_EQ(r.diagnostics[0].line, c.line) << c.text;
        EXPECT_FALSE(r.has_errors());
    }
}

TEST(ConfigRanges, ANumberOutsideItsRangeIsWarnedAndTakenAtTheNearestBound) {
    const struct {
        const char* text;
        Settings expected;
        const char* message;  // the whole message; "" when the value is inside its range
    } cases[] = {
        {"[weather]\ninterval = 5\n", with([](Settings& s) { s.weather.interval = 60; }),
         "5 is outside 60 to 86400 seconds; 60 is used"},
        {"[weather]\ninterval = 1e300\n", with([](Settings& s) { s.weather.interval = 86400; }),
         "1e+300 is outside 60 to 86400 seconds; 86400 is used"},
        {"[weather]\ninterval = 60\n", with([](Settings& s) { s.weather.interval = 60; }), ""},
        {"[refresh]\ncpu = 0\n", with([](Settings& s) { s.refresh.cpu = 0.2; }),
         "0 is outside 0.2 to 3600 seconds; 0.2 is used"},
        {"[refresh]\nprocess = 7200\n", with([](Settings& s) { s.refresh.process = 3600; }),
         "7200 is outside 0.2 to 3600 seconds; 3600 is used"},
        {"[refresh]\nbackground = 1\n", with([](Settings& s) { s.refresh.background = 10; }),
         "1 is outside 10 to 86400 seconds; 10 is used"},
        {"[panel]\nmin_brightness = 101\n", with([](Settings& s) { s.panel.min_brightness = 100; }),
         "101 is outside 0 to 100 percent; 100 is used"},
        {"[weather]\nlatitude = 200\nlongitude = -180.5\n", with([](Settings& s) {
             s.weather.latitude = 90;
             s.weather.longitude = -180;
         }),
         "200 is outside -90 to 90 degrees; 90 is used"},
    };
    for (const auto& c : cases) {
        const LoadResult r = parse_config(c.text, "f");
        EXPECT_FALSE(r.has_errors()) << c.text;
        EXPECT_TRUE(r.settings == c.expected) << c.text;
        if (*c.message == '\0') {
            EXPECT_TRUE(r.diagnostics.empty()) << c.text;
            continue;
        }
        ASSERT_FALSE(r.diagnostics.empty()) << c.text;
        EXPECT_EQ(r.diagnostics[0].severity, Severity::warning) << c.text;
        EXPECT_EQ(r.diagnostics[0].line, 2) << c.text;
        EXPECT_EQ(r.diagnostics[0].message, c.message) << c.text;
    }
}

TEST(ConfigWarnings, ClosestPicksTheSmallestEditDistance) {
    EXPECT_EQ(closest("intervall", {"interval", "units", "url"}), "interval");
    EXPECT_EQ(closest("rul", {"interval", "units", "url"}), "url");
    EXPECT_EQ(closest("x", {}), "");
}

// The sample's keys: the set ones and the commented-out "# key = value" lines, each under
// the [section] above it.
std::set<std::string> sample_keys(const std::string& text) {
    std::set<std::string> keys;
    std::istringstream in(text);
    std::string line, section;
    const std::regex header(R"(^\[(\w+)\]\s*$)"), entry(R"(^#?\s*(\w+)\s*=)");
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_search(line, m, header)) {
            section = m[1];
        } else if (!section.empty() && std::regex_search(line, m, entry)) {
            keys.insert(section + "." + m[1].str());
        }
    }
    return keys;
}

std::string read_sample() {
    std::ifstream in(TS_SAMPLE_CONFIG);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ConfigSample, ListsEveryKnownKeyAndNothingElse) {
    const std::vector<std::string> known = known_keys();
    const std::set<std::string> sample = sample_keys(read_sample());
    EXPECT_EQ(sample, std::set<std::string>(known.begin(), known.end()));
    EXPECT_EQ(sample.size(), known.size());  // no key known twice
}

TEST(ConfigSample, ParsesToExactlyTheDefaults) {
    const std::string text = read_sample();
    ASSERT_FALSE(text.empty());
    const LoadResult r = parse_config(text, TS_SAMPLE_CONFIG);
    for (const Diagnostic& d : r.diagnostics) ADD_FAILURE() << d.text();
    EXPECT_TRUE(r.settings == Settings{});
}

}  // namespace
}  // namespace ts::config
