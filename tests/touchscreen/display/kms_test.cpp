// The KMS presenter on a fake card: which connector, mode and format it takes, that every
// flipped buffer holds the whole current picture although each is one flip behind, that a
// slow or refused flip never stops the frames, and that every failure names the card and
// leaves nothing behind.
#include "display/kms.hpp"

#include "log_capture.hpp"

#include <drm_fourcc.h>
#include <gtest/gtest.h>

#include <linux/kd.h>
#include <linux/vt.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <deque>
#include <map>
#include <ostream>

namespace ts::display {

void PrintTo(const RowBand& b, std::ostream* os) { *os << "[" << b.y0 << ", " << b.y1 << ")"; }

namespace {

drmModeModeInfo mode(int w, int h, bool preferred = false) {
    drmModeModeInfo m{};
    m.hdisplay = static_cast<std::uint16_t>(w);
    m.vdisplay = static_cast<std::uint16_t>(h);
    m.type = preferred ? DRM_MODE_TYPE_PREFERRED : 0;
    return m;
}

// One CRTC (id 50) behind encoder 40, one primary plane; connector 30 connected, DPMS property 60.
KmsCard one_panel(std::vector<drmModeModeInfo> modes, std::vector<std::uint32_t> formats = {DRM_FORMAT_XRGB8888}) {
    KmsCard c;
    c.crtcs = {50};
    c.encoders = {{40, 0, 0b1}};
    c.connectors = {{30, "SPI-1", true, std::move(modes), 0, {40}, 60}};
    c.planes = {{0b1, true, std::move(formats)}};
    return c;
}

int pop(std::deque<int>& q, int otherwise) {
    if (q.empty()) return otherwise;
    const int r = q.front();
    q.pop_front();
    return r;
}

// Dumb buffers in memory with 16 bytes of padding a row; records flips, waits, CRTC settings,
// damage clips and DPMS (also in order, in `calls`), and fails where a test says so.
struct FakeCard : KmsSystem {
    std::vector<std::string> paths{"/dev/dri/card0"};
    std::map<std::string, KmsCard> by_path;
    std::string no_dumb, opened;
    int master = 0, set_crtc_result = 0, create_result = 0, map_result = 0, add_fb_result = 0, dirty_result = -ENOSYS;
    int dpms_result = 0;
    std::vector<std::string> calls;  // "flip FB", "dirty", "crtc FB", "dpms VALUE", "drop master"
    std::deque<int> flip_results, wait_results;  // then 0 and 1
    int open_fds = 0, maps = 0, masters_taken = 0, masters_dropped = 0;
    std::map<std::uint32_t, std::vector<std::uint8_t>> dumbs;  // by handle
    std::map<std::uint32_t, std::uint32_t> fbs;                // fb -> handle
    std::vector<std::uint32_t> flips, waited, crtc_fbs;
    std::vector<std::vector<drmModeClip>> dirties;

    std::vector<std::string> cards() override { return paths; }
    int open(const std::string& path) override {
        if (!by_path.count(path)) return -ENOENT;
        opened = path;
        return ++open_fds, 3;
    }
    void close(int) override { --open_fds; }
    int has_dumb_buffers(int) override { return opened == no_dumb ? 0 : 1; }
    int describe(int, KmsCard& out) override { return out = by_path[opened], 0; }
    int set_master(int) override { return ++masters_taken, master; }
    int drop_master(int) override { return calls.push_back("drop master"), ++masters_dropped, 0; }
    int get_crtc(int, std::uint32_t, SavedCrtc& out) override { return out = {7, 0, 0, true, mode(640, 480)}, 0; }
    int set_crtc(int, std::uint32_t, std::uint32_t fb, std::uint32_t, std::uint32_t, std::uint32_t,
                 const drmModeModeInfo*) override {
        crtc_fbs.push_back(fb);
        calls.push_back("crtc " + std::to_string(fb));
        return crtc_fbs.size() == 1 ? set_crtc_result : 0;
    }
    int create_dumb(int, int w, int h, int bpp, KmsDumb& out) override {
        const std::uint32_t handle = static_cast<std::uint32_t>(dumbs.size()) + 1, pitch = static_cast<std::uint32_t>(w * bpp / 8 + 16);
        if (create_result == 0) dumbs[handle].assign(std::size_t{pitch} * static_cast<unsigned>(h), 0x77);
        return out = {handle, pitch, std::uint64_t{pitch} * static_cast<unsigned>(h)}, create_result;
    }
    int map_dumb(int, const KmsDumb& d, void** out) override {
        if (map_result == 0) *out = dumbs.at(d.handle).data(), ++maps;
        return map_result;
    }
    void unmap(void*, std::size_t) override { --maps; }
    void destroy_dumb(int, std::uint32_t handle) override { dumbs.erase(handle); }
    int add_fb(int, int, int, std::uint32_t, const KmsDumb& d, std::uint32_t& fb) override {
        if (add_fb_result == 0) fb = 100 + d.handle, fbs[fb] = d.handle;
        return add_fb_result;
    }
    void remove_fb(int, std::uint32_t fb) override { fbs.erase(fb); }
    int page_flip(int, std::uint32_t, std::uint32_t fb, std::uint32_t) override {
        const int r = pop(flip_results, 0);
        if (r == 0) flips.push_back(fb), calls.push_back("flip " + std::to_string(fb));
        return r;
    }
    int wait_flip(int, std::uint32_t cookie, int timeout_ms) override {
        EXPECT_LE(timeout_ms, 100);
        waited.push_back(cookie);
        return pop(wait_results, 1);
    }
    int dirty_fb(int, std::uint32_t, std::span<const drmModeClip> clips) override {
        dirties.emplace_back(clips.begin(), clips.end());
        calls.push_back("dirty");
        return dirty_result;
    }
    int set_connector_property(int, std::uint32_t connector, std::uint32_t property, std::uint64_t value) override {
        EXPECT_EQ(connector, 30u);
        EXPECT_EQ(property, 60u);
        calls.push_back("dpms " + std::to_string(value));
        return dpms_result;
    }

    std::uint32_t at(std::uint32_t fb, int x, int y, int bytes, int w) {  // a pixel of a w-wide buffer
        std::uint32_t v = 0;
        std::memcpy(&v, dumbs.at(fbs.at(fb)).data() + static_cast<std::size_t>(y * (w * bytes + 16) + x * bytes), bytes);
        return v;
    }
    bool all_freed() const { return open_fds == 0 && dumbs.empty() && fbs.empty() && maps == 0; }
};

std::shared_ptr<FakeCard> card_with(KmsCard c) {
    auto f = std::make_shared<FakeCard>();
    f->by_path["/dev/dri/card0"] = std::move(c);
    return f;
}

void fill_rows(SDL_Surface* s, int y0, int y1, std::uint32_t seed) {
    for (int y = y0; y < y1; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < s->w; ++x) row[x] = (seed * 2654435761u + static_cast<std::uint32_t>(x * 131 + y * 7)) & 0xFFFFFF;
    }
}

// What opening the card says; "opened" when it opens.
std::string open_error(const std::string& card, const std::shared_ptr<FakeCard>& fake) {
    try {
        KmsPresenter p(card, 0, 40, 60, fake);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "opened";
}

TEST(KmsChoice, ConnectorModeAndFormat) {
    const drmModeModeInfo a = mode(800, 480), b = mode(1024, 768, true), c2 = mode(1024, 768);
    KmsCard unplugged = one_panel({a});
    unplugged.connectors[0].connected = false;
    KmsCard second = one_panel({a});
    second.connectors[0].modes.clear();  // connected but no modes: passed over
    second.connectors.push_back({31, "HDMI-A-1", true, {b}, 0, {40}, 0});
    KmsCard legacy = one_panel({a});
    legacy.planes.clear();
    KmsCard no_crtc = one_panel({a});
    no_crtc.encoders[0].possible_crtcs = 0;
    const struct {
        const char* name;
        KmsCard card;
        std::uint32_t connector, fourcc;
        int w;
        const char* why;
    } cases[] = {
        {"no connected connector", unplugged, 0, 0, 0, "SPI-1: disconnected"},
        {"no preferred mode: the first", one_panel({a, c2}), 30, DRM_FORMAT_XRGB8888, 800, ""},
        {"preferred mode wins", one_panel({a, b}), 30, DRM_FORMAT_XRGB8888, 1024, ""},
        {"first connector without modes", second, 31, DRM_FORMAT_XRGB8888, 1024, ""},
        {"only RGB565", one_panel({a}, {DRM_FORMAT_RGB565}), 30, DRM_FORMAT_RGB565, 800, ""},
        {"both: XRGB8888", one_panel({a}, {DRM_FORMAT_RGB565, DRM_FORMAT_XRGB8888}), 30, DRM_FORMAT_XRGB8888, 800, ""},
        {"neither format", one_panel({a}, {DRM_FORMAT_ARGB1555}), 0, 0, 0, "neither XRGB8888 nor RGB565"},
        {"no planes listed: legacy XRGB8888", legacy, 30, DRM_FORMAT_XRGB8888, 800, ""},
        {"no CRTC for the encoder", no_crtc, 0, 0, 0, "no CRTC"},
    };
    for (const auto& c : cases) {
        std::string why;
        const std::optional<KmsOutput> out = choose_output(c.card, why);
        if (c.connector == 0) {
            EXPECT_FALSE(out) << c.name;
            EXPECT_NE(why.find(c.why), std::string::npos) << c.name << ": " << why;
            continue;
        }
        ASSERT_TRUE(out) << c.name << ": " << why;
        EXPECT_EQ(out->connector->id, c.connector) << c.name;
        EXPECT_EQ(out->fourcc, c.fourcc) << c.name;
        EXPECT_EQ(out->mode.hdisplay, c.w) << c.name;
        EXPECT_EQ(out->crtc, 50u) << c.name;
    }
}

TEST(KmsChoice, BandClipsFollowRotationAndCentring) {
    // Rows 10-20 of a 40 x 60 picture placed at (5, 7) of the buffer.
    const struct {
        int rotation;
        drmModeClip clip;
    } cases[] = {{0, {5, 17, 45, 27}}, {180, {5, 47, 45, 57}}, {90, {45, 7, 55, 47}}, {270, {15, 7, 25, 47}}};
    for (const auto& c : cases) {
        const drmModeClip got = band_clip({10, 20}, 40, 60, c.rotation, 5, 7);
        EXPECT_EQ(std::vector<int>({got.x1, got.y1, got.x2, got.y2}),
                  std::vector<int>({c.clip.x1, c.clip.y1, c.clip.x2, c.clip.y2}))
            << c.rotation;
    }
}

TEST(KmsDamage, EachBufferGetsWhatChangedSinceItWasLastWritten) {
    BufferDamage d(2, 100);
    EXPECT_EQ(d.pending(0), (std::vector<RowBand>{{0, 100}}));  // new buffers lack everything
    d.written(0);
    d.written(1);
    const RowBand f1[] = {{10, 20}}, f2[] = {{50, 60}, {15, 25}}, f3[] = {{90, 120}};
    d.add(f1);  // frame 1 goes to buffer 1
    EXPECT_EQ(d.pending(1), (std::vector<RowBand>{{10, 20}}));
    d.written(1);
    d.add(f2);  // frame 2 to buffer 0: frame 1's rows too
    EXPECT_EQ(d.pending(0), (std::vector<RowBand>{{10, 25}, {50, 60}}));
    d.written(0);
    d.add(f3);  // frame 3 to buffer 1: frame 2's rows and its own, cut to the picture
    EXPECT_EQ(d.pending(1), (std::vector<RowBand>{{15, 25}, {50, 60}, {90, 100}}));
    std::vector<RowBand> many;
    for (int y = 0; y < 40; y += 4) many.push_back({y, y + 1});
    d.add(many);
    EXPECT_EQ(d.pending(0), (std::vector<RowBand>{{0, 100}}));  // past kMaxBands: one band
}

// Consecutive frames with different bands: whatever buffer is flipped to holds the whole
// current picture, converted, turned and centred; outside it, black.
TEST(KmsPresenter, EveryFlippedBufferHoldsTheWholeCurrentFrame) {
    const int w = 40, h = 60;
    for (const std::uint32_t fourcc : {DRM_FORMAT_XRGB8888, DRM_FORMAT_RGB565}) {
        for (const int rotation : {0, 90, 270}) {
            auto fake = card_with(one_panel({mode(100, 90, true)}, {fourcc}));
            KmsPresenter p("auto", rotation, w, h, fake);
            ASSERT_TRUE(p.flipping());
            const PixelLayout layout = fourcc == DRM_FORMAT_RGB565 ? kRgb565 : kXrgb8888;
            const bool turned = rotation == 90 || rotation == 270;
            const int ox = (100 - (turned ? h : w)) / 2, oy = (90 - (turned ? w : h)) / 2;
            const std::vector<std::vector<RowBand>> frames = {{{0, h}}, {{5, 9}}, {{30, 33}, {50, 52}}, {{7, 8}}, {}};
            for (std::size_t n = 0; n < frames.size(); ++n) {
                for (const RowBand& b : frames[n]) fill_rows(p.frame(), b.y0, b.y1, static_cast<std::uint32_t>(n + 1));
                p.present(frames[n]);
                ASSERT_FALSE(fake->flips.empty());
                const std::uint32_t shown = fake->flips.back();
                int wrong = 0;
                for (int y = 0; y < h; ++y) {
                    for (int x = 0; x < w; ++x) {
                        const Point q = rotate_point(x, y, w, h, rotation);
                        const auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(p.frame()->pixels) +
                                                                           y * p.frame()->pitch);
                        if (fake->at(shown, ox + q.x, oy + q.y, layout.bytes, 100) != pack(row[x], layout)) ++wrong;
                    }
                }
                EXPECT_EQ(wrong, 0) << "frame " << n << " rotation " << rotation << " bytes " << layout.bytes;
                EXPECT_EQ(fake->at(shown, 0, 0, layout.bytes, 100), 0u);
            }
            EXPECT_EQ(fake->flips.size(), 4u);  // the empty frame flips nothing
            EXPECT_EQ(fake->waited, (std::vector<std::uint32_t>{1, 2, 3}));
        }
    }
}

TEST(KmsPresenter, SlowOrRefusedFlipsNeverStopTheFrames) {
    auto fake = card_with(one_panel({mode(40, 60, true)}));
    test::LogCapture log;
    {
        KmsPresenter p("/dev/dri/card0", 0, 40, 60, fake);
        const RowBand all{0, 60}, band{3, 4};
        p.present({&all, 1});
        fake->wait_results = {0, 0};  // the event is late twice
        fake->flip_results = {-EBUSY};
        p.present({&band, 1});  // waits 100 ms at most, goes on; the kernel still has the flip: EBUSY
        EXPECT_EQ(fake->flips.size(), 1u);
        p.present({});  // nothing new, but the refused buffer goes now
        EXPECT_EQ(fake->flips.size(), 2u);
        fake->flip_results = {-EACCES};  // a VT switch: another master
        p.present({&band, 1});
        p.present({&band, 1});
        fake->flip_results = {-EINVAL};
        EXPECT_THROW(p.present({&band, 1}), std::runtime_error);
    }
    int timeouts = 0, held = 0;
    for (const std::string& m : log.messages()) {
        timeouts += m.find("longer than 100 ms") != std::string::npos;
        held += m.find("held by another program") != std::string::npos;
    }
    EXPECT_EQ(timeouts, 1);
    EXPECT_EQ(held, 1);
    EXPECT_TRUE(fake->all_freed());
    EXPECT_EQ(fake->crtc_fbs.back(), 7u);  // the CRTC shows what it showed before
}

// A VT that answers every console call and records the switches it is told.
struct QuietVt : DeviceSystem {
    std::vector<long> released;  // VT_RELDISP arguments
    int open(const char*, int) override { return 9; }
    int ioctl(int, unsigned long request, void* arg) override {
        if (request == KDGETMODE) *static_cast<int*>(arg) = KD_TEXT;
        if (request == VT_RELDISP) released.push_back(reinterpret_cast<std::intptr_t>(arg));
        return 0;
    }
    int close(int) override { return 0; }
};

// Another VT shown: the card is let go before the kernel hears we are done, nothing is
// flipped while away, and on the return master and the CRTC are taken back before the whole
// picture goes out again. A card still held on the return is tried again, said once.
TEST(KmsPresenter, AVtSwitchLetsTheCardGoAndTakesItBack) {
    for (int sig : {SIGUSR1, SIGUSR2}) signal(sig, SIG_IGN);  // a stray signal must not end the tests
    auto fake = card_with(one_panel({mode(40, 60, true)}));
    auto vt = std::make_shared<QuietVt>();
    test::LogCapture log;
    {
        KmsPresenter p("auto", 0, 40, 60, fake, vt);
        const RowBand all{0, 60};
        p.present({&all, 1});
        const std::size_t flips = fake->flips.size(), modes_set = fake->crtc_fbs.size();

        raise(SIGUSR1);
        EXPECT_FALSE(p.take_lost_picture());
        EXPECT_EQ(fake->masters_dropped, 1);
        EXPECT_EQ(vt->released, std::vector<long>{1});
        p.present({&all, 1});
        EXPECT_EQ(fake->flips.size(), flips) << "nothing shown on another VT's card";

        fake->master = -EBUSY;  // the other program has not let go yet
        raise(SIGUSR2);
        const int taken = fake->masters_taken;
        EXPECT_FALSE(p.take_lost_picture());
        EXPECT_FALSE(p.take_lost_picture());
        EXPECT_EQ(fake->masters_taken, taken + 2) << "tried on every frame";
        p.present({&all, 1});
        EXPECT_EQ(fake->flips.size(), flips);

        fake->master = 0;
        EXPECT_TRUE(p.take_lost_picture()) << "the next frame must be whole";
        EXPECT_EQ(fake->crtc_fbs.size(), modes_set + 1) << "the mode set again once master is back";
        EXPECT_FALSE(p.take_lost_picture()) << "said once";
        p.present({&all, 1});
        EXPECT_EQ(fake->flips.size(), flips + 1);
    }
    for (int sig : {SIGUSR1, SIGUSR2}) signal(sig, SIG_DFL);
    EXPECT_TRUE(fake->all_freed());
    EXPECT_EQ(vt->released, (std::vector<long>{1, VT_ACKACQ}));
    int held = 0;
    for (const std::string& m : log.messages()) held += m.find("held by another program") != std::string::npos;
    EXPECT_EQ(held, 1);
}

// The pixels of a 40 x 60 XRGB8888 buffer, unturned, that differ from the frame.
int wrong_pixels(FakeCard& fake, std::uint32_t fb, SDL_Surface* frame) {
    int wrong = 0;
    for (int y = 0; y < frame->h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(frame->pixels) + y * frame->pitch);
        for (int x = 0; x < frame->w; ++x) wrong += fake.at(fb, x, y, 4, 40) != pack(row[x], kXrgb8888);
    }
    return wrong;
}

// Screen off switches the connector off once and shows nothing until the wake, which switches
// it on and sets the mode again before the whole current picture goes out. Closed while off,
// the connector is switched on before the CRTC gets its previous state back.
TEST(KmsPresenter, ScreenOffSwitchesTheConnectorOffUntilTheWake) {
    const struct {
        const char* name;
        int dirty_result;
        std::vector<std::string> wake;  // from the wake to the first frame after it
    } cases[] = {
        {"page flips", -ENOSYS, {"dpms 0", "crtc 102", "flip 101"}},
        {"damage clips", 0, {"dpms 0", "crtc 101", "dirty"}},
    };
    for (const auto& c : cases) {
        auto fake = card_with(one_panel({mode(40, 60, true)}));
        fake->dirty_result = c.dirty_result;
        test::LogCapture log;
        {
            KmsPresenter p("auto", 0, 40, 60, fake);
            const RowBand all{0, 60};
            fill_rows(p.frame(), 0, 60, 1);
            p.present({&all, 1});
            fake->calls.clear();
            p.set_output_power(false);
            EXPECT_TRUE(p.output_off()) << c.name;
            fill_rows(p.frame(), 0, 60, 2);
            p.present({&all, 1});
            p.present({});
            EXPECT_EQ(fake->calls, std::vector<std::string>{"dpms 3"}) << c.name << ": off once, nothing shown";
            fake->calls.clear();
            p.set_output_power(true);
            EXPECT_FALSE(p.output_off());
            p.present({&all, 1});
            EXPECT_EQ(fake->calls, c.wake) << c.name;
            const std::uint32_t shown = fake->flips.empty() ? 101 : fake->flips.back();
            EXPECT_EQ(wrong_pixels(*fake, shown, p.frame()), 0) << c.name << ": the whole picture after the wake";
            p.set_output_power(false);
            fake->calls.clear();
        }
        EXPECT_EQ(fake->calls, (std::vector<std::string>{"dpms 0", "crtc 7"})) << c.name;
        int named = 0;
        for (const std::string& m : log.messages()) named += m.find("screen off switches SPI-1 off (DPMS)") != std::string::npos;
        EXPECT_EQ(named, 1) << c.name;
    }
}

// A connector without a DPMS property, or one that refuses it, stays lit and keeps taking
// frames (the black one); the log says so once.
TEST(KmsPresenter, AConnectorThatCannotBeSwitchedOffKeepsShowingFrames) {
    const struct {
        const char* name;
        std::uint32_t property;
        int result;
        const char* says;
    } cases[] = {
        {"no DPMS property", 0, 0, "SPI-1 has no DPMS property; screen off shows a black picture"},
        {"DPMS refused", 60, -EINVAL, "cannot switch SPI-1 off through DPMS (Invalid argument)"},
    };
    for (const auto& c : cases) {
        KmsCard card = one_panel({mode(40, 60, true)});
        card.connectors[0].dpms_property = c.property;
        auto fake = card_with(card);
        fake->dpms_result = c.result;
        test::LogCapture log;
        KmsPresenter p("auto", 0, 40, 60, fake);
        const RowBand all{0, 60};
        for (int i = 0; i < 2; ++i) {
            p.set_output_power(false);
            EXPECT_FALSE(p.output_off()) << c.name;
            p.present({&all, 1});
            p.set_output_power(true);
        }
        EXPECT_EQ(fake->flips.size(), 2u) << c.name;
        int said = 0;
        for (const std::string& m : log.messages()) said += m.find(c.says) != std::string::npos;
        EXPECT_EQ(said, 1) << c.name;
    }
}

// Another VT shown while the screen is off gets its text lit; on the return the connector is
// switched off again and the mode waits for the wake.
TEST(KmsPresenter, AVtSwitchWhileOffLightsTheOtherVtAndTheReturnSwitchesOffAgain) {
    for (int sig : {SIGUSR1, SIGUSR2}) signal(sig, SIG_IGN);
    auto fake = card_with(one_panel({mode(40, 60, true)}));
    {
        KmsPresenter p("auto", 0, 40, 60, fake, std::make_shared<QuietVt>());
        const RowBand all{0, 60};
        p.present({&all, 1});
        p.set_output_power(false);
        fake->calls.clear();
        raise(SIGUSR1);
        EXPECT_FALSE(p.take_lost_picture());
        raise(SIGUSR2);
        EXPECT_TRUE(p.take_lost_picture());
        EXPECT_TRUE(p.output_off());
        p.present({&all, 1});
        EXPECT_EQ(fake->calls, (std::vector<std::string>{"dpms 0", "drop master", "dpms 3"}));
        fake->calls.clear();
        p.set_output_power(true);
        p.present({&all, 1});
        EXPECT_EQ(fake->calls, (std::vector<std::string>{"dpms 0", "crtc 102", "flip 101"}));
    }
    for (int sig : {SIGUSR1, SIGUSR2}) signal(sig, SIG_DFL);
}

TEST(KmsPresenter, DriversThatTakeClipsGetOneBufferAndTheChangedRows) {
    auto fake = card_with(one_panel({mode(40, 60, true)}));
    fake->dirty_result = 0;
    KmsPresenter p("auto", 180, 40, 60, fake);
    EXPECT_FALSE(p.flipping());
    const RowBand bands[] = {{0, 2}, {10, 12}};
    fake->dirties.clear();
    p.present(bands);  // the first present writes everything: the buffer was black
    p.present(bands);
    EXPECT_TRUE(fake->flips.empty());
    ASSERT_EQ(fake->dirties.size(), 2u);
    ASSERT_EQ(fake->dirties[1].size(), 2u);
    EXPECT_EQ(fake->dirties[1][0].y1, 58);  // rows 0-2 turned by 180 degrees
    EXPECT_EQ(fake->dirties[1][0].y2, 60);
    EXPECT_EQ(fake->dirties[1][1].y1, 48);
}

TEST(KmsPresenter, ScansCardsForOneThatCanShowThePicture) {
    auto fake = std::make_shared<FakeCard>();
    KmsCard unplugged = one_panel({mode(40, 60)});
    unplugged.connectors[0].connected = false;
    fake->paths = {"/dev/dri/card0", "/dev/dri/card1", "/dev/dri/card2"};
    fake->by_path = {{"/dev/dri/card0", unplugged},
                     {"/dev/dri/card1", one_panel({mode(40, 60)})},
                     {"/dev/dri/card2", one_panel({mode(40, 60)})}};
    fake->no_dumb = "/dev/dri/card1";
    EXPECT_EQ(KmsPresenter("auto", 0, 40, 60, fake).card(), "/dev/dri/card2");
    fake->paths.pop_back();
    const std::string none = open_error("auto", fake);
    EXPECT_NE(none.find("/dev/dri/card0: no connected"), std::string::npos) << none;
    EXPECT_NE(none.find("/dev/dri/card1: has no dumb buffers"), std::string::npos) << none;
    EXPECT_NE(open_error("/dev/dri/card1", fake), "opened");  // a named card alone
    EXPECT_TRUE(fake->all_freed());
}

TEST(KmsPresenter, FailuresNameTheCardAndLeaveNothingBehind) {
    const struct {
        const char* name;
        void (*spoil)(FakeCard&);
        const char* says;
    } cases[] = {
        {"another master", [](FakeCard& f) { f.master = -EBUSY; }, "held by another program (a display server?)"},
        {"not permitted", [](FakeCard& f) { f.master = -EACCES; }, "held by another program"},
        {"mode refused: another master", [](FakeCard& f) { f.set_crtc_result = -EPERM; }, "held by another program"},
        {"mode refused", [](FakeCard& f) { f.set_crtc_result = -EINVAL; }, "cannot set mode 40x60 on SPI-1"},
        {"dumb create", [](FakeCard& f) { f.create_result = -ENOMEM; }, "cannot create dumb buffer 1"},
        {"dumb map", [](FakeCard& f) { f.map_result = -ENOMEM; }, "cannot map dumb buffer 1"},
        {"framebuffer", [](FakeCard& f) { f.add_fb_result = -EINVAL; }, "cannot make a framebuffer"},
        {"mode too small", [](FakeCard& f) { f.by_path["/dev/dri/card0"].connectors[0].modes = {mode(30, 60)}; },
         "smaller than the picture"},
        {"no such card", [](FakeCard& f) { f.by_path.clear(); }, "cannot open"},
    };
    for (const auto& c : cases) {
        auto fake = card_with(one_panel({mode(40, 60, true)}));
        c.spoil(*fake);
        const std::string what = open_error("/dev/dri/card0", fake);
        EXPECT_NE(what.find("DRM card /dev/dri/card0: "), std::string::npos) << what;
        EXPECT_NE(what.find(c.says), std::string::npos) << c.name << ": " << what;
        EXPECT_TRUE(fake->all_freed()) << c.name;
    }
}

}  // namespace
}  // namespace ts::display
