// Frames on a DRM/KMS card without a GPU: dumb buffers in system memory, shown on the first
// connected connector. Panels that scan out of memory get two buffers and page flips; panels
// whose driver copies on request (SPI, MIPI-DBI) get one buffer and damage clips, since a flip
// there sends the whole frame. Main thread only. The choices are pure functions and every
// call into libdrm goes through KmsSystem, so all of it runs in tests without a card.
#pragma once

#include "console.hpp"
#include "convert.hpp"
#include "presenter.hpp"

#include "../core/sdl_types.hpp"

#include <xf86drmMode.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ts::display {

// What the presenter needs to know of a card, read once through KmsSystem::describe.
struct KmsConnector {
    std::uint32_t id = 0;
    std::string name;  // "HDMI-A-1", for messages
    bool connected = false;
    std::vector<drmModeModeInfo> modes;
    std::uint32_t encoder_id = 0;          // the current one, 0 when none
    std::vector<std::uint32_t> encoders;   // the possible ones
    std::uint32_t dpms_property = 0;       // the id of its "DPMS" property, 0 when it has none
};
struct KmsEncoder {
    std::uint32_t id = 0;
    std::uint32_t crtc_id = 0;         // the current one, 0 when none
    std::uint32_t possible_crtcs = 0;  // bit i: KmsCard::crtcs[i]
};
struct KmsPlane {
    std::uint32_t possible_crtcs = 0;
    bool primary = false;
    std::vector<std::uint32_t> formats;  // DRM fourcc codes
};
struct KmsCard {
    std::vector<std::uint32_t> crtcs;
    std::vector<KmsConnector> connectors;
    std::vector<KmsEncoder> encoders;
    std::vector<KmsPlane> planes;  // empty when the kernel lists no planes: legacy CRTC formats
};

struct KmsDumb {
    std::uint32_t handle = 0, pitch = 0;  // pitch in bytes
    std::uint64_t size = 0;               // bytes
};

struct SavedCrtc {
    std::uint32_t fb = 0;
    std::uint32_t x = 0, y = 0;
    bool mode_valid = false;
    drmModeModeInfo mode{};
};

// The libdrm calls the presenter makes; tests stand in for a card with their own. Each returns
// 0 (or the descriptor) on success and a negative errno on failure.
class KmsSystem {
public:
    virtual ~KmsSystem() = default;
    virtual std::vector<std::string> cards();  // /dev/dri/card*, in number order
    virtual int open(const std::string& path);
    virtual void close(int fd);
    virtual int has_dumb_buffers(int fd);  // 1 or 0
    virtual int describe(int fd, KmsCard& out);
    virtual int set_master(int fd);
    virtual int drop_master(int fd);
    virtual int get_crtc(int fd, std::uint32_t crtc, SavedCrtc& out);
    // connector 0 or mode nullptr: the CRTC is switched off.
    virtual int set_crtc(int fd, std::uint32_t crtc, std::uint32_t fb, std::uint32_t x, std::uint32_t y,
                         std::uint32_t connector, const drmModeModeInfo* mode);
    virtual int create_dumb(int fd, int w, int h, int bpp, KmsDumb& out);
    virtual int map_dumb(int fd, const KmsDumb& dumb, void** out);
    virtual void unmap(void* addr, std::size_t size);
    virtual void destroy_dumb(int fd, std::uint32_t handle);
    virtual int add_fb(int fd, int w, int h, std::uint32_t fourcc, const KmsDumb& dumb, std::uint32_t& fb);
    virtual void remove_fb(int fd, std::uint32_t fb);
    // Asks for a flip at the next vertical blank with an event that carries `cookie`.
    virtual int page_flip(int fd, std::uint32_t crtc, std::uint32_t fb, std::uint32_t cookie);
    // Waits up to timeout_ms for the event of the flip with `cookie`: 1 seen, 0 timed out.
    virtual int wait_flip(int fd, std::uint32_t cookie, int timeout_ms);
    virtual int dirty_fb(int fd, std::uint32_t fb, std::span<const drmModeClip> clips);
    virtual int set_connector_property(int fd, std::uint32_t connector, std::uint32_t property, std::uint64_t value);
};

// ---- the choices, pure ----

struct KmsOutput {
    const KmsConnector* connector = nullptr;
    drmModeModeInfo mode{};
    std::uint32_t crtc = 0;
    std::uint32_t fourcc = 0;  // DRM_FORMAT_XRGB8888 or DRM_FORMAT_RGB565
};

// The first connected connector with a mode, its preferred mode (else its first), a CRTC it can
// drive (its current one first) and the primary plane's format, XRGB8888 before RGB565.
// Empty with `why` set when the card offers none of that.
std::optional<KmsOutput> choose_output(const KmsCard& card, std::string& why);
const drmModeModeInfo& choose_mode(const KmsConnector& connector);  // connector has modes
// 0 when the plane that would show the picture takes neither format.
std::uint32_t choose_format(const KmsCard& card, std::uint32_t crtc);

// The rectangle of the device buffer that picture rows `band` cover once turned by `rotation`
// and placed at (ox, oy); w x h is the picture.
drmModeClip band_clip(RowBand band, int w, int h, int rotation, int ox, int oy);

// Rows each buffer lacks of the current frame. A buffer shows one flip behind, so the rows to
// write into it are those changed since it was last written, not only this frame's.
class BufferDamage {
public:
    // `buffers` buffers (1 or 2) of a picture `rows` tall, all of it still to write.
    BufferDamage(int buffers, int rows);
    // This frame's changed rows, for every buffer.
    void add(std::span<const RowBand> bands);
    // The rows `buffer` lacks, sorted and joined; it holds them once they are written.
    const std::vector<RowBand>& pending(int buffer) const { return pending_[static_cast<std::size_t>(buffer)]; }
    void written(int buffer) { pending_[static_cast<std::size_t>(buffer)].clear(); }

    static constexpr int kMaxBands = 8;  // beyond this one band from the first row to the last

private:
    int rows_;
    std::vector<std::vector<RowBand>> pending_;
};

// ---- the presenter ----

class KmsPresenter : public Presenter {
public:
    // card "auto" (or empty): the first /dev/dri/card* with a connected connector and dumb
    // buffers; otherwise that card alone. w x h: the composed picture. Throws
    // std::runtime_error naming the card and what failed; leaves nothing open.
    // With `console`, the controlling VT is taken as the framebuffer presenter takes it, and
    // the card is let go and taken back across VT switches.
    KmsPresenter(const std::string& card, int rotation, int w, int h,
                 std::shared_ptr<KmsSystem> sys = std::make_shared<KmsSystem>(),
                 std::shared_ptr<DeviceSystem> console = nullptr);
    ~KmsPresenter() override;
    KmsPresenter(const KmsPresenter&) = delete;
    KmsPresenter& operator=(const KmsPresenter&) = delete;

    SDL_Surface* frame() override { return frame_.get(); }
    // Writes nothing while the console is switched to another VT or the connector is off.
    void present(std::span<const RowBand> bands) override;
    const char* name() const override { return "kms"; }
    // The connector's DPMS: Off at screen off; On, then the mode and our buffer set again, at
    // the wake. Switched on again before the card is let go (another VT, the exit).
    void set_output_power(bool on) override;
    bool output_off() const override { return powered_off_; }
    // Answers the console's switches: DRM master dropped on the way out, taken back and the
    // CRTC set again on the return (then true: the picture must be shown whole).
    bool take_lost_picture() override;

    // Puts our buffer on the CRTC again and writes every row, as after another program (a VT
    // switch) had the card. Throws std::runtime_error when the card is still held.
    void restore_output();

    const std::string& card() const { return path_; }
    bool flipping() const { return buffers_.size() == 2; }

    static constexpr int kFlipTimeoutMs = 100;  // a 10 Hz panel still makes it

private:
    struct Buffer {
        KmsDumb dumb;
        std::uint8_t* map = nullptr;
        std::uint32_t fb = 0;
    };
    struct Fd {  // owns the card's descriptor through the seam
        KmsSystem* sys = nullptr;
        int fd = -1;
        ~Fd() {
            if (fd >= 0) sys->close(fd);
        }
    };

    void open_card(const std::string& card);
    Buffer make_buffer(int index);
    void release();
    void write_rows(int buffer, std::vector<drmModeClip>& clips);
    bool card_ours() const { return !output_lost_ && (!console_ || console_->active()); }
    int switch_connector(bool on);  // DPMS On or Off; 0 or a negative errno
    void let_go();
    std::runtime_error failure(const std::string& what) const;

    std::shared_ptr<KmsSystem> sys_;
    std::string path_;
    Fd fd_;
    int rotation_ = 0, w_ = 0, h_ = 0;
    KmsOutput out_;
    std::string connector_name_;
    std::uint32_t connector_id_ = 0;
    std::uint32_t dpms_property_ = 0;
    std::optional<SavedCrtc> saved_;
    std::vector<Buffer> buffers_;
    int ox_ = 0, oy_ = 0;  // the picture's top-left in the buffer, after turning
    PixelLayout layout_;
    BufferDamage damage_{1, 0};
    int front_ = 0;
    std::uint32_t cookie_ = 0;
    bool flip_pending_ = false;
    bool back_unshown_ = false;  // the back buffer holds rows a refused flip did not show
    bool told_timeout_ = false, told_dirty_ = false, told_lost_ = false;
    bool output_lost_ = false;  // back from another VT (or a wake), but the mode is not set again yet
    bool powered_off_ = false;  // screen off with the connector switched off (or to be, once ours)
    bool told_power_ = false, told_power_failed_ = false;
    core::Surface frame_;
    std::unique_ptr<Console> console_;
};

std::unique_ptr<Presenter> open_kms(const std::string& card, int rotation, int w, int h);

}  // namespace ts::display
