// The system pages drawn from figures read out of the fixture trees: the rows a person looks
// for are there, every text stays inside its card and clear of the others, long names are cut
// with an ellipsis, and unknown figures show as "—".
#include "fixture.hpp"
#include "page_test.hpp"
#include "pages/loader.hpp"
#include "sysdata/collector.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <functional>

namespace ts::pages {
namespace {

using sysdata::Snapshot;
namespace fx = sysdata::test;


// Figures as the sampler would have them after two samples of the fixture trees.
std::shared_ptr<Snapshot> fixture_snapshot() {
    fx::TempRoot root("procs");
    root.write_fixture("proc/stat", "stat/sample1");
    root.write_fixture("proc/meminfo", "meminfo/swap");
    root.write_fixture("proc/diskstats", "diskstats/sample1");
    root.write_fixture("proc/net/route", "net/route_default");
    root.write_fixture("proc/net/dev", "net/dev");
    root.write("proc/loadavg", "0.52 1.25 2.00 2/345 6789\n");
    root.write("proc/sys/kernel/hostname", "a-rather-long-host-name-for-a-small-panel\n");
    root.write("sys/class/net/eth0/speed", "1000\n");
    root.write_cores(4);
    root.write_fixture("proc/self/mountinfo", "mounts/mountinfo");
    sysdata::CollectorOptions o;
    o.address = [](const std::string&) { return std::string("192.0.2.10"); };
    o.measure = [](const std::string& point) -> std::optional<sysdata::FsSize> {
        const std::uint64_t GiB = 1ull << 30;
        if (point == "/") return sysdata::FsSize{100 * GiB, 92 * GiB, 3 * GiB};  // red
        if (point == "/home") return sysdata::FsSize{500 * GiB, 420 * GiB, 75 * GiB};  // amber
        return sysdata::FsSize{10 * GiB, 1 * GiB, 9 * GiB};
    };
    sysdata::Collector first(sysdata::Source(root.path()), o);
    first.sample_all(100.0);
    root.write_fixture("proc/stat", "stat/sample2");
    root.write("sys/devices/system/cpu/cpu3/online", "0\n");
    root.write_fixture("proc/diskstats", "diskstats/sample2");
    first.sample_all(102.0);
    auto snap = std::make_shared<Snapshot>(first.current());
    sysdata::Collector sensors(sysdata::Source(fx::data("sensors/desktop")));
    sensors.sample_temperatures(1.0);
    snap->temperatures = sensors.current().temperatures;
    // A process with a name too long for its column.
    snap->processes->push_back({"an-extremely-long-process-name-indeed", 0.5, 123u << 20});
    return snap;
}

class SystemPages : public test::FontPageTest {
protected:
    void SetUp() override {
        FontPageTest::SetUp();
        snap = fixture_snapshot();
    }

    // Draws one section into a cleared page and returns the texts drawn.
    TextTrace draw(const std::function<void(SDL_Surface*, TextTrace*)>& body, SDL_Rect rect) {
        page = core::make_alpha_surface(376, 960);
        SDL_FillRect(page.get(), nullptr, 0);
        TextTrace trace;
        body(page.get(), &trace);
        check_layout(trace, rect);
        return trace;
    }

    // Every text and every pixel inside rect; no two texts on top of each other.
    void check_layout(const TextTrace& trace, SDL_Rect rect) {
        for (const DrawnText& t : trace) {
            SDL_Rect both;
            EXPECT_TRUE(SDL_IntersectRect(&t.box, &rect, &both) && SDL_RectEquals(&both, &t.box))
                << t.text << " at " << test::rect_text(t.box) << " leaves " << test::rect_text(rect);
        }
        for (std::size_t i = 0; i < trace.size(); ++i) {
            for (std::size_t j = i + 1; j < trace.size(); ++j) {
                EXPECT_FALSE(SDL_HasIntersection(&trace[i].box, &trace[j].box))
                    << "\"" << trace[i].text << "\" " << test::rect_text(trace[i].box) << " overlaps \"" << trace[j].text
                    << "\" " << test::rect_text(trace[j].box);
            }
        }
        EXPECT_EQ(test::drawn_inside_outside(page.get(), rect).second, 0) << test::rect_text(rect);
    }

    static bool has(const TextTrace& t, const std::string& text) {
        return std::any_of(t.begin(), t.end(), [&](const DrawnText& d) { return d.text == text; });
    }
    static const DrawnText* starting(const TextTrace& t, const std::string& prefix) {
        for (const DrawnText& d : t) {
            if (d.text.rfind(prefix, 0) == 0) return &d;
        }
        return nullptr;
    }

    std::shared_ptr<Snapshot> snap;
    core::Surface page;
};

TEST_F(SystemPages, ProcessorAndMemory) {
    LoadGauge g(knobs, [&] { return snap; });
    const SDL_Rect cpu_rect{12, 12, 352, 650}, mem_rect{12, 674, 352, 274};
    const TextTrace cpu = draw([&](SDL_Surface* s, TextTrace* t) { g.trace = t; g.draw_cpu(s, cpu_rect); }, cpu_rect);
    const struct {
        const char* text;
    } want[] = {{"Processor"}, {"45 \u00b0C"}, {"50 %"}, {"cpu0"}, {"75 %"}, {"25 %"}, {"cpu3"}, {"off"},
                {"load 0.52  1.25  2.00"}};
    for (const auto& w : want) EXPECT_TRUE(has(cpu, w.text)) << w.text;
    const TextTrace mem = draw([&](SDL_Surface* s, TextTrace* t) { g.trace = t; g.draw_memory(s, mem_rect); }, mem_rect);
    EXPECT_TRUE(has(mem, "2.7 GiB of 7.7 GiB"));  // MemTotal 8048576 kB less MemAvailable 5242880 kB
    EXPECT_TRUE(has(mem, "512 MiB of 2.0 GiB"));
    snap->memory->swap_total = 0;
    const TextTrace no_swap =
        draw([&](SDL_Surface* s, TextTrace* t) { g.trace = t; g.draw_memory(s, mem_rect); }, mem_rect);
    EXPECT_TRUE(has(no_swap, "no swap"));
}

TEST_F(SystemPages, ManyCoresBecomeAGrid) {
    snap->cpu.cores.assign(64, 37.0);
    snap->cpu.cores[5].reset();
    LoadGauge g(knobs, [&] { return snap; });
    const SDL_Rect r{12, 12, 352, 650};
    const TextTrace t = draw([&](SDL_Surface* s, TextTrace* tr) { g.trace = tr; g.draw_cpu(s, r); }, r);
    EXPECT_TRUE(has(t, "64 cores"));
    EXPECT_FALSE(has(t, "cpu0"));
}

TEST_F(SystemPages, DisksAndTemperatures) {
    StoreGauge g(knobs, [&] { return snap; });
    const SDL_Rect r{12, 12, 352, 936};
    const TextTrace t = draw([&](SDL_Surface* s, TextTrace* tr) { g.trace = tr; g.draw_disk(s, r); }, r);
    const DrawnText* first = starting(t, "/");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->text, "/");  // root first
    // df's share: used of used + available, the blocks kept for root left out.
    EXPECT_TRUE(has(t, "97 %"));  // 92 of 92 + 3
    EXPECT_TRUE(has(t, "85 %"));  // 420 of 420 + 75
    // The long mount point is cut and stays clear of its figures on the same row.
    const DrawnText* long_name = starting(t, "/srv/media");
    ASSERT_TRUE(long_name);
    EXPECT_NE(long_name->text.find("\u2026"), std::string::npos) << long_name->text;
    for (const char* label : {"Processor", "Board", "Chipset", "Drive nvme0", "w1 slave temp", "52 \u00b0C"}) {
        EXPECT_TRUE(has(t, label)) << label;
    }
}

TEST_F(SystemPages, MoreFilesystemsThanFit) {
    for (int i = 0; i < 30; ++i) snap->filesystems->push_back({"/mnt/disk" + std::to_string(i), {1 << 30, 1 << 29, 1 << 29}, ""});
    StoreGauge g(knobs, [&] { return snap; });
    const SDL_Rect r{12, 12, 352, 936};
    const TextTrace t = draw([&](SDL_Surface* s, TextTrace* tr) { g.trace = tr; g.draw_disk(s, r); }, r);
    const DrawnText* more = starting(t, "+");
    ASSERT_TRUE(more);
    const int shown = static_cast<int>(std::count_if(t.begin(), t.end(), [](const DrawnText& d) {
        return d.text.rfind("/", 0) == 0;
    }));
    EXPECT_EQ(more->text, "+" + std::to_string(static_cast<int>(snap->filesystems->size()) - shown) + " more");
    snap->temperatures->clear();
    const TextTrace none = draw([&](SDL_Surface* s, TextTrace* tr) { g.trace = tr; g.draw_disk(s, r); }, r);
    EXPECT_TRUE(has(none, "no sensors"));
}

TEST(FilesystemTitle, LabelWhereTheMountPointSaysLittle) {
    const struct {
        const char* point;
        const char* label;
        const char* shown;
    } cases[] = {
        {"/", "rootfs", "/"},
        {"/home", "home", "/home"},
        {"/boot/efi", "EFI", "/boot/efi"},
        {"/media/pi/3A5F-1C22", "Holiday Photos", "Holiday Photos"},
        {"/run/media/anna/disk", "Backup", "Backup"},
        {"/mnt/vault", "vault", "vault"},
        {"/mnt", "scratch", "scratch"},
        {"/media/pi/3A5F-1C22", "", "/media/pi/3A5F-1C22"},
        {"/mntdata", "data", "/mntdata"},
        {"/srv/media/x", "x", "/srv/media/x"},
    };
    for (const auto& c : cases) EXPECT_EQ(filesystem_title(c.point, c.label), c.shown) << c.point << " " << c.label;
}

TEST_F(SystemPages, RemovableDiskShowsItsLabelCutToFit) {
    snap->filesystems->push_back({"/media/pi/3A5F-1C22", {64ull << 30, 1ull << 30, 63ull << 30},
                                  "A label far too long to fit beside its figures"});
    StoreGauge g(knobs, [&] { return snap; });
    const SDL_Rect r{12, 12, 352, 936};
    const TextTrace t = draw([&](SDL_Surface* s, TextTrace* tr) { g.trace = tr; g.draw_disk(s, r); }, r);
    const DrawnText* label = starting(t, "A label far");
    ASSERT_TRUE(label);
    EXPECT_NE(label->text.find("\u2026"), std::string::npos) << label->text;
    EXPECT_FALSE(starting(t, "/media"));
}

TEST_F(SystemPages, NetworkAndProcesses) {
    int shown = 0;  // the sampler scans processes only while they are shown
    LinkGauge g(knobs, [&] { return snap; }, [&] { ++shown; });
    const SDL_Rect net_rect{12, 12, 352, 300}, proc_rect{12, 324, 352, 600};
    const TextTrace net =
        draw([&](SDL_Surface* s, TextTrace* t) { g.trace = t; g.draw_network(s, net_rect); }, net_rect);
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(has(net, "eth0  1 Gbit/s"));
    EXPECT_TRUE(has(net, "192.0.2.10"));
    EXPECT_TRUE(has(net, "since boot  \u2193 942 MiB   \u2191 118 MiB"));
    const TextTrace procs =
        draw([&](SDL_Surface* s, TextTrace* t) { g.trace = t; g.draw_processes(s, nullptr, proc_rect); }, proc_rect);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(has(procs, "my (odd) name"));
    const DrawnText* cut = starting(procs, "an-extremely");
    ASSERT_TRUE(cut);
    EXPECT_NE(cut->text.find("\u2026"), std::string::npos);
}

TEST_F(SystemPages, ProcessNamesWithControlsOrBrokenTextDrawWithoutAnError) {
    LinkGauge g(knobs, [&] { return snap; }, [] {});
    const SDL_Rect proc_rect{12, 324, 352, 600};
    snap->processes->clear();
    for (const char* name : {"\u200B", "\x01\x02\x1b", "tab\tname\n", "bad \xFF\xFE utf8", "cut \xE4\xB8",
                             "\u202Eevil\u202C", "\xF0\x9F\x98\x80 emoji"})
        snap->processes->push_back({name, 1.0, 1u << 20});
    TextTrace procs;
    EXPECT_NO_THROW(procs = draw([&](SDL_Surface* s, TextTrace* t) { g.trace = t; g.draw_processes(s, nullptr, proc_rect); },
                                 proc_rect));
    EXPECT_TRUE(starting(procs, "bad "));
}

TEST_F(SystemPages, ClockPageActivityCard) {
    SkyClock g(knobs, [&] { return snap; });
    const SDL_Rect card{12, 640, 352, 300};
    page = core::make_alpha_surface(376, 960);
    TextTrace trace;
    g.trace = &trace;
    g.draw_weather_page(page.get(), {0, 30, 376, 930});
    for (const DrawnText& t : trace) {
        SDL_Rect both;
        EXPECT_TRUE(SDL_IntersectRect(&t.box, &card, &both) && SDL_RectEquals(&both, &t.box)) << t.text;
    }
    EXPECT_TRUE(has(trace, "1.5 MiB/s"));  // sda 1 MiB + mmcblk0 2 MiB read in 2 s
    EXPECT_TRUE(has(trace, "2.0 MiB/s"));  // nvme0n1 4 MiB written in 2 s
    EXPECT_TRUE(has(trace, "192.0.2.10  (eth0)"));
    const DrawnText* host = starting(trace, "a-rather");
    ASSERT_TRUE(host);
    EXPECT_NE(host->text.find("\u2026"), std::string::npos);
}

// The clock page is due several times a second; saying "the same" wrongly would freeze it.
TEST_F(SystemPages, ClockPageKnowsWhenItWouldDrawTheSame) {
    std::tm now{};
    now.tm_year = 126, now.tm_mon = 11, now.tm_mday = 9, now.tm_hour = 14, now.tm_min = 20, now.tm_sec = 7;
    SkyClock g(knobs, [&] { return snap; });
    g.local_time = [&] { return now; };
    g.unix_time = [] { return 1796822100.0; };
    const SDL_Rect rect{0, 30, 376, 930};
    core::Surface a = core::make_alpha_surface(376, 960), b = core::make_alpha_surface(376, 960);
    EXPECT_FALSE(g.would_draw_the_same(a.get(), rect)) << "nothing drawn yet";
    SDL_FillRect(a.get(), nullptr, 0);
    g.draw_weather_page(a.get(), rect);
    ASSERT_TRUE(g.would_draw_the_same(a.get(), rect));

    const struct {
        const char* change;
        std::function<void()> make, undo;
    } cases[] = {
        {"the second", [&] { ++now.tm_sec; }, [&] { --now.tm_sec; }},
        {"the day", [&] { ++now.tm_mday; }, [&] { --now.tm_mday; }},
        {"a new snapshot, even an equal one", [&] { snap = std::make_shared<Snapshot>(*snap); }, [] {}},
        {"the settings", [&] { knobs.set_settings(config::Settings{}); }, [] {}},
    };
    for (const auto& c : cases) {
        c.make();
        EXPECT_FALSE(g.would_draw_the_same(a.get(), rect)) << c.change;
        c.undo();
        SDL_FillRect(a.get(), nullptr, 0);
        g.draw_weather_page(a.get(), rect);
        EXPECT_TRUE(g.would_draw_the_same(a.get(), rect)) << c.change << ", drawn again";
    }
    EXPECT_FALSE(g.would_draw_the_same(b.get(), rect)) << "another surface";
    EXPECT_FALSE(g.would_draw_the_same(a.get(), SDL_Rect{0, 30, 376, 900})) << "another rectangle";

    // What it called the same is: a fresh drawing from the same inputs, pixel for pixel.
    SDL_FillRect(b.get(), nullptr, 0);
    g.draw_weather_page(b.get(), rect);
    ASSERT_EQ(a->pitch, b->pitch);
    EXPECT_EQ(std::memcmp(a->pixels, b->pixels, static_cast<std::size_t>(a->pitch) * 960), 0);
    EXPECT_FALSE(g.would_draw_the_same(a.get(), rect)) << "b was drawn last";

    TextTrace trace;
    g.trace = &trace;
    g.draw_weather_page(b.get(), rect);
    EXPECT_FALSE(g.would_draw_the_same(b.get(), rect)) << "a traced drawing is never taken as kept";
}

TEST_F(SystemPages, NothingKnownYetShowsDashes) {
    snap.reset();
    LoadGauge load(knobs, [&] { return snap; });
    StoreGauge store(knobs, [&] { return snap; });
    LinkGauge link(knobs, [&] { return snap; });
    const SDL_Rect r{12, 12, 352, 600};
    const TextTrace cpu = draw([&](SDL_Surface* s, TextTrace* t) { load.trace = t; load.draw_cpu(s, r); }, r);
    EXPECT_TRUE(has(cpu, "\u2014"));
    EXPECT_FALSE(has(cpu, "0 %"));
    const TextTrace disk = draw([&](SDL_Surface* s, TextTrace* t) { store.trace = t; store.draw_disk(s, r); }, r);
    EXPECT_TRUE(has(disk, "\u2014"));
    const TextTrace net = draw([&](SDL_Surface* s, TextTrace* t) { link.trace = t; link.draw_network(s, r); }, r);
    EXPECT_FALSE(has(net, "0 B/s"));
}

}  // namespace
}  // namespace ts::pages
