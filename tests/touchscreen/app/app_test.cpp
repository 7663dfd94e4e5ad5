// Start-up order, the frame loop's timers, pacing and screen-off frames, event dispatch and
// the program's exit statuses, driven through fake components and a hand-driven clock.
#include "app/app.hpp"
#include "core/events.hpp"
#include "fakes.hpp"
#include "log_capture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <utility>

namespace ts::app {
namespace {

using namespace core;

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("config_rgb_mode");
        unsetenv("config_rgb_color");
        sigaction(SIGTERM, nullptr, &old_term_);
        sigaction(SIGINT, nullptr, &old_int_);
    }
    void TearDown() override {
        SDL_Quit();
        sigaction(SIGTERM, &old_term_, nullptr);
        sigaction(SIGINT, &old_int_, nullptr);
    }

    AppHooks hooks() {
        AppHooks h;
        h.spawn_daemon = [this](std::function<void()>) { ++spawned; };
        return h;
    }

    // Makes every drawn frame take `seconds` of the clock.
    void frames_take(double seconds) {
        f.pulldeck.on_draw = [this, seconds](SDL_Surface*) { clock.advance(seconds); };
    }

    std::size_t count(const std::string& call) const {
        const auto calls = f.log.calls();
        return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), call));
    }

    test::FakeComponents f;
    test::ManualClock clock;
    int spawned = 0;
    test::LogCapture capture;
    App app{f.components, clock, hooks()};

private:
    struct sigaction old_term_ {}, old_int_ {};
};

TEST_F(AppTest, StartUpRunsInOrderAndMarksEveryPage) {
    app.startup();
    EXPECT_EQ(f.log.calls(), (std::vector<std::string>{
                                 "init_permission_dirs", "init_fonts", "load loadgauge", "load storegauge",
                                 "load linkgauge", "load skyclock", "_start_temp_update_thread", "start_core",
                                 "create_dynamic_background", "load_config", "set_rgb_mode rainbow green"}));
    EXPECT_EQ(capture.messages(), (std::vector<std::string>{
                                      "INFO 启动触屏显示", "INFO display output: sdl", "INFO 屏幕初始化完成", "INFO 数据管理器启动",
                                      "INFO RGB灯初始化: 模式=rainbow, 颜色=green", "INFO 刷新线程启动",
                                      "INFO 触摸监听线程启动", "INFO 进入主循环"}));
    EXPECT_EQ(spawned, 2);
    for (const DirtyFlag& flag : app.state()._page_dirty) EXPECT_TRUE(flag.is_set());
    EXPECT_TRUE(app.state()._running.load());
}

TEST_F(AppTest, BackgroundAndCacheTimersRunOnTheFirstFrameThenAtTheirIntervals) {
    f.config.bg_change_interval = 300;
    app.startup();
    f.log.clear();
    app.run_frame();
    EXPECT_EQ(count("create_dynamic_background"), 1u);
    EXPECT_EQ(count("clear_surface_cache"), 1u);

    f.log.clear();
    clock.advance(59.0);
    app.run_frame();
    EXPECT_EQ(count("create_dynamic_background") + count("clear_surface_cache"), 0u);

    clock.advance(1.0);  // 60 s since the first frame: the cache, not the background
    app.run_frame();
    EXPECT_EQ(count("clear_surface_cache"), 1u);
    EXPECT_EQ(count("create_dynamic_background"), 0u);

    clock.advance(240.0);
    f.log.clear();
    app.run_frame();
    EXPECT_EQ(count("create_dynamic_background"), 1u);
}

TEST_F(AppTest, PageIsMarkedDirtyOnTheFirstFrameAndWhenItChanges) {
    app.startup();
    for (DirtyFlag& flag : app.state()._page_dirty) flag.clear();
    f.log.clear();
    app.run_frame();  // the first frame marks the current page although nothing else did
    EXPECT_EQ(count("draw_weather_page (0, 30, 376, 930)"), 1u);
    app.run_frame();
    EXPECT_EQ(count("draw_weather_page (0, 30, 376, 930)"), 1u);
    app.state()._current_page = 2;  // as a swipe leaves it, without a slide
    app.run_frame();
    EXPECT_EQ(count("draw_disk (12, 12, 352, 936)"), 1u);
}

TEST_F(AppTest, PacingSleepsOutTheFrameAndNeverCatchesUp) {
    app.startup();
    const struct {
        double frame_takes;
        std::vector<double> sleeps;
    } cases[] = {{0.01, {0.03}}, {0.05, {}}, {0.5, {}}, {0.0, {0.04}}};
    for (const auto& c : cases) {
        test::ManualClock fresh;
        App paced(f.components, fresh, hooks());
        paced.startup();
        f.pulldeck.on_draw = [&fresh, t = c.frame_takes](SDL_Surface*) { fresh.advance(t); };
        const std::size_t before = fresh.sleeps().size();
        paced.run_frame();
        const std::vector<double> all = fresh.sleeps();
        const std::vector<double> sleeps(all.begin() + static_cast<long>(before), all.end());
        ASSERT_EQ(sleeps.size(), c.sleeps.size()) << "frame of " << c.frame_takes << " s";
        for (std::size_t i = 0; i < sleeps.size(); ++i) EXPECT_NEAR(sleeps[i], c.sleeps[i], 1e-9);
    }
}

TEST_F(AppTest, ScreenOffFrameIsBlackPausesThreeSecondsAndStillCountsCooldown) {
    app.startup();
    app.run_frame();  // a normal frame first, so the screen holds something
    f.data_mgr.screen_on = false;
    app.state()._swipe_cooldown = 2;
    f.log.clear();
    const std::size_t before = clock.sleeps().size();
    app.run_frame();
    EXPECT_EQ(app.state()._swipe_cooldown, 1);
    const std::vector<double> all = clock.sleeps();
    EXPECT_EQ(std::vector<double>(all.begin() + static_cast<long>(before), all.end()), std::vector<double>{3.0});
    EXPECT_EQ(f.log.calls(), (std::vector<std::string>{"update_settings_animation", "check_auto_off"}));
    const SDL_Color px = test::pixel_at(app.presenter().frame(), 188, 480);
    EXPECT_EQ((std::array<int, 3>{px.r, px.g, px.b}), (std::array<int, 3>{0, 0, 0}));
}

TEST_F(AppTest, FrameCallsComponentsInDrawingOrder) {
    app.startup();
    f.log.clear();
    app.run_frame();
    const auto calls = f.log.calls();
    auto at = [&](const std::string& c) { return std::find(calls.begin(), calls.end(), c) - calls.begin(); };
    EXPECT_LT(at("update_settings_animation"), at("check_auto_off"));
    EXPECT_LT(at("check_auto_off"), at("create_dynamic_background"));
    EXPECT_LT(at("clear_surface_cache"), at("draw_settings_panel"));
    EXPECT_EQ(calls.back(), "draw_settings_panel");
}

TEST_F(AppTest, WindowCloseFinishesTheBatchAndOneMoreFrame) {
    int draws = 0;
    f.pulldeck.on_draw = [&](SDL_Surface*) {
        if (++draws != 1) return;
        SDL_Event user{};
        user.type = SDL_USEREVENT;  // not ours: ignored
        SDL_PushEvent(&user);
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
        SDL_Event end = make_touch_end_event();
        SDL_PushEvent(&end);
    };
    EXPECT_EQ(run_program(app), 0);
    EXPECT_EQ(draws, 2);
    EXPECT_EQ(count("reset_rgb_animation"), 1u);  // the release after the close was still handled
    const auto calls = f.log.calls();
    EXPECT_EQ(calls.back(), "stop_core");
    const auto messages = capture.messages();
    EXPECT_EQ(messages.back(), "INFO 屏幕监控主循环已退出");
    EXPECT_EQ(std::count_if(messages.begin(), messages.end(), [](auto& m) { return m.rfind("ERROR", 0) == 0; }), 0);
}

TEST_F(AppTest, ErrorFromAComponentEndsTheProgramWithStatusOne) {
    f.pulldeck.on_draw = [](SDL_Surface*) { throw std::runtime_error("panel broke"); };
    EXPECT_EQ(run_program(app), 1);
    EXPECT_EQ(capture.messages().back(), "ERROR 错误: panel broke");
    EXPECT_FALSE(f.log.contains("stop_core"));
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
}

TEST(TouchEvents, NumbersSitJustAboveTheUserEventAndCarryThePoint) {
    EXPECT_EQ(TOUCH_EVENT, SDL_USEREVENT + 1);
    EXPECT_EQ(TOUCH_END_EVENT, SDL_USEREVENT + 2);
    const SDL_Event e = make_touch_event(-5, 961);
    EXPECT_EQ(e.type, TOUCH_EVENT);
    EXPECT_EQ(touch_point_of(e).x, -5);
    EXPECT_EQ(touch_point_of(e).y, 961);
}

// A presenter that records the bands it is asked to show.
class RecordingPresenter : public display::Presenter {
public:
    explicit RecordingPresenter(std::vector<std::vector<display::RowBand>>& shown, bool* closed = nullptr)
        : shown_(shown), closed_(closed) {}
    ~RecordingPresenter() override {
        if (closed_) *closed_ = true;
    }
    SDL_Surface* frame() override { return frame_.get(); }
    void present(std::span<const display::RowBand> bands) override {
        shown_.emplace_back(bands.begin(), bands.end());
        if (calls) calls->push_back("present");
    }
    bool take_lost_picture() override { return std::exchange(lost, false); }
    void set_output_power(bool on) override {
        if (calls) calls->push_back(on ? "on" : "off");
        off_ = switches && !on;
    }
    bool output_off() const override { return off_; }
    const char* name() const override { return "recording"; }
    bool lost = false;      // as after a return from another VT
    bool switches = false;  // the output itself can be switched off
    std::vector<std::string>* calls = nullptr;  // presents and switches, in order

private:
    std::vector<std::vector<display::RowBand>>& shown_;
    bool* closed_;
    bool off_ = false;
    core::Surface frame_ = core::make_opaque_surface(376, 960);
};

// Present only what changed: the same picture is not presented again, and whatever may have
// lost the picture on the glass brings it back whole.
class PresentTest : public AppTest {
protected:
    AppHooks present_hooks() {
        AppHooks h = hooks();
        h.settings = [] {
            config::Settings s;
            s.display.backend = "fbdev";
            return std::make_shared<const config::Settings>(s);
        };
        h.presenters.fbdev = [this](const config::DisplaySettings&, int, int) {
            return std::make_unique<RecordingPresenter>(shown);
        };
        return h;
    }
    std::vector<std::vector<display::RowBand>> shown;
    App present_app{f.components, clock, present_hooks()};
    const std::vector<display::RowBand> all{{0, 960}};
};

TEST_F(PresentTest, TheSamePictureIsNotPresentedAgain) {
    f.pulldeck.unchanged = true;
    present_app.startup();
    present_app.run_frame();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], all) << "the first frame is whole";
    f.log.clear();
    for (int i = 0; i < 5; ++i) present_app.run_frame();
    EXPECT_EQ(shown.size(), 1u) << "at rest";
    EXPECT_EQ(count("draw_settings_panel"), 0u) << "nothing composed at rest";

    present_app.state()._page_dirty[0].set();  // re-rendered to the same pixels
    present_app.run_frame();
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(count("draw_settings_panel"), 0u);

    f.pulldeck.unchanged = false;  // the panel draws a red bar over rows 100-109
    f.pulldeck.on_draw = [](SDL_Surface* s) {
        SDL_Rect r{0, 100, 50, 10};
        SDL_FillRect(s, &r, SDL_MapRGB(s->format, 255, 0, 0));
    };
    present_app.run_frame();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], (std::vector<display::RowBand>{{100, 110}}));
    present_app.run_frame();  // composed again to the same picture: nothing new
    EXPECT_EQ(shown.size(), 2u);
}

TEST_F(PresentTest, WholeAgainWhenTheGlassMayHaveLostThePicture) {
    f.pulldeck.unchanged = true;
    present_app.startup();
    present_app.run_frame();
    for (const Uint8 what : {SDL_WINDOWEVENT_EXPOSED, SDL_WINDOWEVENT_RESTORED, SDL_WINDOWEVENT_SHOWN}) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = what;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
        const std::size_t before = shown.size();
        present_app.run_frame();
        ASSERT_EQ(shown.size(), before + 1) << int(what);
        EXPECT_EQ(shown.back(), all);
    }
    f.data_mgr.screen_on = false;
    present_app.run_frame();  // the black frame
    EXPECT_EQ(shown.back(), all);
    f.data_mgr.screen_on = true;
    const std::size_t before = shown.size();
    present_app.run_frame();
    ASSERT_EQ(shown.size(), before + 1);
    EXPECT_EQ(shown.back(), all) << "the first frame with the screen back on";
}

TEST_F(PresentTest, WholeAgainOnceAfterThePresenterLostThePicture) {
    f.pulldeck.unchanged = true;
    present_app.startup();
    present_app.run_frame();
    auto& presenter = dynamic_cast<RecordingPresenter&>(present_app.presenter());
    presenter.lost = true;
    present_app.run_frame();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown.back(), all);
    present_app.run_frame();
    EXPECT_EQ(shown.size(), 2u) << "once";
}

// A clock page that fills the left half of its rectangle and lays half-transparent white
// over the given rows.
class MarkedPage : public services::ClockWeatherPage {
public:
    void draw_weather_page(SDL_Surface* s, SDL_Rect rect) override {
        ++draws;
        const SDL_Rect half{rect.x, rect.y, rect.w / 2, rect.h};
        SDL_FillRect(s, &half, SDL_MapRGBA(s->format, 200, 0, 0, 255));
        for (const display::RowBand& m : marks) {
            const SDL_Rect r{100, m.y0, 200, m.y1 - m.y0};
            SDL_FillRect(s, &r, SDL_MapRGBA(s->format, 255, 255, 255, 160));
        }
    }
    bool would_draw_the_same(const SDL_Surface*, SDL_Rect rect) const override {
        return same && rect.x == 0 && rect.y == 30 && rect.w == 376 && rect.h == 930;
    }
    std::vector<display::RowBand> marks;
    bool same = false;  // what the page says of drawing again
    int draws = 0;
};

std::vector<std::uint8_t> pixels_of(SDL_Surface* s) {
    const auto* p = static_cast<const std::uint8_t*>(s->pixels);
    return {p, p + static_cast<std::ptrdiff_t>(s->pitch) * s->h};
}

// A page re-rendered at rest is composed, dimmed and presented only where its pixels changed,
// and the picture is the very one a whole frame gives.
TEST_F(PresentTest, APageChangedInAFewRowsIsComposedThereOnly) {
    using Bands = std::vector<display::RowBand>;
    struct Case {
        const char* name;
        Bands before, after;  // the page's marks
        Bands presented;      // by the frame after the re-render
        bool dim;
        int bg_w = 376;  // a background narrower than the screen is laid by SDL's blits
    } cases[] = {
        {"same pixels", {{500, 501}}, {{500, 501}}, {}, false},
        {"one row", {}, {{500, 501}}, {{500, 501}}, false},
        {"one row, dimmed", {}, {{500, 501}}, {{500, 501}}, true},
        {"a mark moved", {{500, 501}}, {{600, 601}}, {{500, 501}, {600, 601}}, true},
        {"under the indicator and a corner", {}, {{12, 18}}, {{12, 18}}, true},
        {"a band", {{300, 340}}, {{310, 350}}, {{300, 310}, {340, 350}}, true},
        {"many bands make one", {}, {{100, 101}, {200, 201}, {300, 301}, {400, 401}, {500, 501},
                                     {600, 601}, {700, 701}, {800, 801}, {900, 901}},
         {{100, 901}}, true},
        {"narrow background", {}, {{10, 20}, {930, 950}}, {{10, 20}, {930, 950}}, true, 300},
    };
    f.pulldeck.unchanged = true;
    for (const Case& c : cases) {
        f.permission.make_background = [w = c.bg_w] {
            core::Surface bg = core::make_opaque_surface(w, 960);
            for (int y = 0; y < 960; ++y) {
                const SDL_Rect row{0, y, w, 1};
                SDL_FillRect(bg.get(), &row, SDL_MapRGB(bg->format, 10, static_cast<Uint8>(y / 4), 90));
            }
            return bg;
        };
        f.permission.dim = c.dim;
        shown.clear();
        App app{f.components, clock, present_hooks()};
        app.startup();
        auto page = std::make_unique<MarkedPage>();
        MarkedPage& marked = *page;
        f.components.skyclock = std::move(page);
        marked.marks = c.before;
        app.run_frame();
        ASSERT_EQ(shown.size(), 1u) << c.name;

        // A pixel of an unchanged row made wrong on purpose: a frame composed whole mends it.
        SDL_Surface* screen = app.presenter().frame();
        const SDL_Color kept = test::pixel_at(screen, 200, 955);
        const SDL_Rect wrong{200, 955, 1, 1};
        SDL_FillRect(screen, &wrong, SDL_MapRGB(screen->format, 1, 2, 3));

        marked.marks = c.after;
        app.state()._page_dirty[0].set();
        f.log.clear();
        app.run_frame();
        EXPECT_EQ(test::pixel_at(screen, 200, 955).b, 3) << c.name << ": row 955 not composed again";
        SDL_FillRect(screen, &wrong, SDL_MapRGB(screen->format, kept.r, kept.g, kept.b));
        EXPECT_EQ(shown.size() > 1 ? shown.back() : Bands{}, c.presented) << c.name;
        EXPECT_EQ(shown.size(), c.presented.empty() ? 1u : 2u) << c.name;
        EXPECT_EQ(count("draw_settings_panel") > 0, !c.presented.empty()) << c.name << ": composed only when changed";

        // The same page composed whole.
        const std::vector<std::uint8_t> rows_only = pixels_of(app.presenter().frame());
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = SDL_WINDOWEVENT_EXPOSED;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
        app.run_frame();
        EXPECT_EQ(shown.back(), all) << c.name;
        EXPECT_TRUE(pixels_of(app.presenter().frame()) == rows_only) << c.name << ": the same picture";
    }
}

// A due page whose provider says it would draw the same pixels is kept as it is: not drawn,
// not composed, not presented, its flag cleared. Anything else about the frame still counts.
TEST_F(PresentTest, ADuePageThatWouldDrawTheSameIsKept) {
    f.pulldeck.unchanged = true;
    App app{f.components, clock, present_hooks()};
    app.startup();
    auto page = std::make_unique<MarkedPage>();
    MarkedPage& marked = *page;
    f.components.skyclock = std::move(page);
    marked.same = true;
    app.run_frame();
    ASSERT_EQ(marked.draws, 1) << "the first frame draws the page whatever it says";

    marked.marks = {{500, 501}};  // would show, were the page drawn
    app.state()._page_dirty[0].set();
    f.log.clear();
    app.run_frame();
    EXPECT_EQ(marked.draws, 1);
    EXPECT_FALSE(app.state()._page_dirty[0].is_set());
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(count("draw_settings_panel"), 0u);

    marked.same = false;
    app.state()._page_dirty[0].set();
    app.run_frame();
    EXPECT_EQ(marked.draws, 2);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown.back(), (std::vector<display::RowBand>{{500, 501}}));
}

// The open control centre darkens the whole screen, clip or no clip: a page changed in a few
// rows under it is composed whole, never darkened twice where it did not change.
TEST_F(PresentTest, APageChangedUnderTheOpenControlCentreIsComposedWhole) {
    f.pulldeck.unchanged = true;
    f.pulldeck.dim = 96;
    f.pulldeck.on_draw = [](SDL_Surface* screen) {
        auto* p = static_cast<std::uint8_t*>(screen->pixels);
        for (int i = 0; i < screen->pitch * screen->h; ++i) p[i] = static_cast<std::uint8_t>(p[i] / 2);
    };
    App app{f.components, clock, present_hooks()};
    app.startup();
    auto page = std::make_unique<MarkedPage>();
    MarkedPage& marked = *page;
    f.components.skyclock = std::move(page);
    app.run_frame();
    ASSERT_EQ(shown.size(), 1u);

    SDL_Surface* screen = app.presenter().frame();
    const SDL_Color kept = test::pixel_at(screen, 200, 955);
    const SDL_Rect wrong{200, 955, 1, 1};
    SDL_FillRect(screen, &wrong, SDL_MapRGB(screen->format, 1, 2, 3));
    marked.marks = {{500, 501}};
    app.state()._page_dirty[0].set();
    app.run_frame();
    const SDL_Color now = test::pixel_at(screen, 200, 955);
    EXPECT_TRUE(now.r == kept.r && now.g == kept.g && now.b == kept.b) << "row 955 composed again";
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown.back(), (std::vector<display::RowBand>{{500, 501}}));

    const std::vector<std::uint8_t> after_change = pixels_of(screen);
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_EXPOSED;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    app.run_frame();
    EXPECT_TRUE(pixels_of(app.presenter().frame()) == after_change) << "the picture of a whole frame";
}

// An output the presenter can switch off is told so once at screen off and is presented
// nothing, not even the black frame, until it is told to come on again: before the first
// frame after the wake, which is whole. The frame keeps the last picture meanwhile.
TEST_F(PresentTest, ScreenOffSwitchesTheOutputOffUntilTheWake) {
    f.pulldeck.unchanged = true;
    present_app.startup();
    present_app.run_frame();
    auto& presenter = dynamic_cast<RecordingPresenter&>(present_app.presenter());
    std::vector<std::string> calls;
    presenter.calls = &calls;
    presenter.switches = true;
    const std::vector<std::uint8_t> picture = pixels_of(presenter.frame());
    ASSERT_NE(std::count(picture.begin(), picture.end(), 0), static_cast<long>(picture.size()));
    f.data_mgr.screen_on = false;
    for (int i = 0; i < 3; ++i) present_app.run_frame();
    EXPECT_EQ(calls, std::vector<std::string>{"off"});
    EXPECT_TRUE(pixels_of(presenter.frame()) == picture) << "the frame was blacked";
    f.data_mgr.screen_on = true;
    present_app.run_frame();
    present_app.run_frame();
    EXPECT_EQ(calls, (std::vector<std::string>{"off", "on", "present"}));
    EXPECT_EQ(shown.back(), all);
}

// The program ends through _exit, without destructors: on the error path the display (and
// the console's text mode with it) is given back before that.
TEST_F(PresentTest, AnErrorClosesThePresenter) {
    bool closed = false;
    AppHooks h = present_hooks();
    h.presenters.fbdev = [this, &closed](const config::DisplaySettings&, int, int) {
        return std::make_unique<RecordingPresenter>(shown, &closed);
    };
    f.pulldeck.on_draw = [](SDL_Surface*) { throw std::runtime_error("panel broke"); };
    App failing{f.components, clock, h};
    EXPECT_EQ(run_program(failing), 1);
    EXPECT_TRUE(closed);
}

// [input] mouse: the left button's press, drag and release act as a finger; off, they do nothing.
TEST_F(AppTest, MouseDragsActAsTouchesOnlyWhenAskedFor) {
    for (const bool mouse : {false, true}) {
        AppHooks h = hooks();
        h.settings = [mouse] {
            config::Settings s;
            s.input.mouse = mouse;
            return std::make_shared<const config::Settings>(s);
        };
        test::FakeComponents local;
        App a(local.components, clock, h);
        a.startup();
        const auto push = [](Uint32 type, int y) {
            SDL_Event e{};
            e.type = type;
            if (type == SDL_MOUSEMOTION) {
                e.motion.x = 188;
                e.motion.y = y;
            } else {
                e.button.button = SDL_BUTTON_LEFT;
                e.button.x = 188;
                e.button.y = y;
            }
            ASSERT_EQ(SDL_PushEvent(&e), 1);
        };
        push(SDL_MOUSEBUTTONDOWN, 20);
        push(SDL_MOUSEMOTION, 200);
        push(SDL_MOUSEMOTION, 400);
        push(SDL_MOUSEBUTTONUP, 400);
        a.run_frame();
        const auto calls = local.log.calls();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "open_settings"), mouse ? 1 : 0) << mouse;
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "reset_rgb_animation"), mouse ? 1 : 0) << mouse;
        a.shutdown();
    }
}

}  // namespace
}  // namespace ts::app
