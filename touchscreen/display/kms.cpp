#include "kms.hpp"

#include "../core/log.hpp"

#include <drm_fourcc.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <xf86drm.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <utility>

namespace ts::display {
namespace {

// libdrm answers either -1 with errno or a negative errno, by function and version.
int result(int r) {
    if (r >= 0) return r;
    return errno != 0 ? -errno : r;
}

template <typename T, void (*Free)(T*)>
struct DrmFree {
    void operator()(T* p) const { Free(p); }
};
template <typename T, void (*Free)(T*)>
using DrmPtr = std::unique_ptr<T, DrmFree<T, Free>>;

std::string connector_name(std::uint32_t type, std::uint32_t type_id) {
    static constexpr const char* kNames[] = {"Unknown", "VGA",  "DVI-I", "DVI-D",   "DVI-A",     "Composite",
                                             "SVIDEO",  "LVDS", "Component", "DIN", "DP",        "HDMI-A",
                                             "HDMI-B",  "TV",   "eDP",   "Virtual", "DSI",       "DPI",
                                             "Writeback", "SPI", "USB"};
    const char* n = type < std::size(kNames) ? kNames[type] : "Unknown";
    return std::string(n) + "-" + std::to_string(type_id);
}

// drmHandleEvent gives the handler no context of ours: the wait sets these first. Main thread.
thread_local std::uint32_t t_wanted = 0;
thread_local bool t_seen = false;

void on_flip(int, unsigned, unsigned, unsigned, void* user) {
    if (static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(user)) == t_wanted) t_seen = true;
}

std::string mode_text(const drmModeModeInfo& m) {
    return std::to_string(m.hdisplay) + "x" + std::to_string(m.vdisplay);
}

std::string error_text(int negative_errno) { return std::strerror(-negative_errno); }

}  // namespace

// ---- the real card ----

std::vector<std::string> KmsSystem::cards() {
    std::vector<std::pair<unsigned long, std::string>> found;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= 4 || name.size() > 12 || name.compare(0, 4, "card") != 0) continue;
        if (name.find_first_not_of("0123456789", 4) != std::string::npos) continue;
        found.emplace_back(std::stoul(name.substr(4)), entry.path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> out;
    for (auto& f : found) out.push_back(std::move(f.second));
    return out;
}

int KmsSystem::open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    return fd >= 0 ? fd : -errno;
}

void KmsSystem::close(int fd) { ::close(fd); }

int KmsSystem::has_dumb_buffers(int fd) {
    std::uint64_t v = 0;
    errno = 0;
    const int r = result(drmGetCap(fd, DRM_CAP_DUMB_BUFFER, &v));
    return r < 0 ? r : (v != 0 ? 1 : 0);
}

int KmsSystem::describe(int fd, KmsCard& out) {
    out = {};
    drmSetClientCap(fd, DRM_CLIENT_CAP_UNIVERSAL_PLANES, 1);  // older kernels: legacy formats
    errno = 0;
    DrmPtr<drmModeRes, drmModeFreeResources> res(drmModeGetResources(fd));
    if (!res) return errno ? -errno : -ENODEV;
    out.crtcs.assign(res->crtcs, res->crtcs + res->count_crtcs);
    for (int i = 0; i < res->count_encoders; ++i) {
        DrmPtr<drmModeEncoder, drmModeFreeEncoder> e(drmModeGetEncoder(fd, res->encoders[i]));
        if (e) out.encoders.push_back({e->encoder_id, e->crtc_id, e->possible_crtcs});
    }
    for (int i = 0; i < res->count_connectors; ++i) {
        DrmPtr<drmModeConnector, drmModeFreeConnector> c(drmModeGetConnector(fd, res->connectors[i]));
        if (!c) continue;
        KmsConnector k;
        k.id = c->connector_id;
        k.name = connector_name(c->connector_type, c->connector_type_id);
        k.connected = c->connection == DRM_MODE_CONNECTED;
        k.modes.assign(c->modes, c->modes + c->count_modes);
        k.encoder_id = c->encoder_id;
        k.encoders.assign(c->encoders, c->encoders + c->count_encoders);
        DrmPtr<drmModeObjectProperties, drmModeFreeObjectProperties> props(
            drmModeObjectGetProperties(fd, c->connector_id, DRM_MODE_OBJECT_CONNECTOR));
        for (std::uint32_t j = 0; props && j < props->count_props; ++j) {
            DrmPtr<drmModePropertyRes, drmModeFreeProperty> prop(drmModeGetProperty(fd, props->props[j]));
            if (prop && std::strcmp(prop->name, "DPMS") == 0) k.dpms_property = prop->prop_id;
        }
        out.connectors.push_back(std::move(k));
    }
    DrmPtr<drmModePlaneRes, drmModeFreePlaneResources> planes(drmModeGetPlaneResources(fd));
    for (std::uint32_t i = 0; planes && i < planes->count_planes; ++i) {
        DrmPtr<drmModePlane, drmModeFreePlane> p(drmModeGetPlane(fd, planes->planes[i]));
        if (!p) continue;
        KmsPlane k;
        k.possible_crtcs = p->possible_crtcs;
        k.formats.assign(p->formats, p->formats + p->count_formats);
        DrmPtr<drmModeObjectProperties, drmModeFreeObjectProperties> props(
            drmModeObjectGetProperties(fd, p->plane_id, DRM_MODE_OBJECT_PLANE));
        for (std::uint32_t j = 0; props && j < props->count_props; ++j) {
            DrmPtr<drmModePropertyRes, drmModeFreeProperty> prop(drmModeGetProperty(fd, props->props[j]));
            if (prop && std::strcmp(prop->name, "type") == 0) k.primary = props->prop_values[j] == DRM_PLANE_TYPE_PRIMARY;
        }
        out.planes.push_back(std::move(k));
    }
    return 0;
}

int KmsSystem::set_master(int fd) {
    errno = 0;
    return result(drmSetMaster(fd));
}

int KmsSystem::drop_master(int fd) {
    errno = 0;
    return result(drmDropMaster(fd));
}

int KmsSystem::get_crtc(int fd, std::uint32_t crtc, SavedCrtc& out) {
    errno = 0;
    DrmPtr<drmModeCrtc, drmModeFreeCrtc> c(drmModeGetCrtc(fd, crtc));
    if (!c) return errno ? -errno : -ENOENT;
    out = {c->buffer_id, c->x, c->y, c->mode_valid != 0, c->mode};
    return 0;
}

int KmsSystem::set_crtc(int fd, std::uint32_t crtc, std::uint32_t fb, std::uint32_t x, std::uint32_t y,
                        std::uint32_t connector, const drmModeModeInfo* mode) {
    errno = 0;
    if (connector == 0 || mode == nullptr) return result(drmModeSetCrtc(fd, crtc, 0, 0, 0, nullptr, 0, nullptr));
    drmModeModeInfo m = *mode;
    return result(drmModeSetCrtc(fd, crtc, fb, x, y, &connector, 1, &m));
}

int KmsSystem::create_dumb(int fd, int w, int h, int bpp, KmsDumb& out) {
    drm_mode_create_dumb c{};
    c.width = static_cast<std::uint32_t>(w);
    c.height = static_cast<std::uint32_t>(h);
    c.bpp = static_cast<std::uint32_t>(bpp);
    errno = 0;
    if (const int r = result(drmIoctl(fd, DRM_IOCTL_MODE_CREATE_DUMB, &c)); r < 0) return r;
    out = {c.handle, c.pitch, c.size};
    return 0;
}

int KmsSystem::map_dumb(int fd, const KmsDumb& dumb, void** out) {
    drm_mode_map_dumb m{};
    m.handle = dumb.handle;
    errno = 0;
    if (const int r = result(drmIoctl(fd, DRM_IOCTL_MODE_MAP_DUMB, &m)); r < 0) return r;
    void* p = ::mmap(nullptr, dumb.size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, static_cast<off_t>(m.offset));
    if (p == MAP_FAILED) return -errno;
    *out = p;
    return 0;
}

void KmsSystem::unmap(void* addr, std::size_t size) { ::munmap(addr, size); }

void KmsSystem::destroy_dumb(int fd, std::uint32_t handle) {
    drm_mode_destroy_dumb d{};
    d.handle = handle;
    drmIoctl(fd, DRM_IOCTL_MODE_DESTROY_DUMB, &d);
}

int KmsSystem::add_fb(int fd, int w, int h, std::uint32_t fourcc, const KmsDumb& dumb, std::uint32_t& fb) {
    const std::uint32_t handles[4] = {dumb.handle}, pitches[4] = {dumb.pitch}, offsets[4] = {};
    errno = 0;
    return result(drmModeAddFB2(fd, static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h), fourcc, handles,
                                pitches, offsets, &fb, 0));
}

void KmsSystem::remove_fb(int fd, std::uint32_t fb) { drmModeRmFB(fd, fb); }

int KmsSystem::page_flip(int fd, std::uint32_t crtc, std::uint32_t fb, std::uint32_t cookie) {
    errno = 0;
    return result(drmModePageFlip(fd, crtc, fb, DRM_MODE_PAGE_FLIP_EVENT,
                                  reinterpret_cast<void*>(static_cast<std::uintptr_t>(cookie))));
}

int KmsSystem::wait_flip(int fd, std::uint32_t cookie, int timeout_ms) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(timeout_ms);
    t_wanted = cookie;
    t_seen = false;
    drmEventContext ctx{};
    ctx.version = 2;
    ctx.page_flip_handler = on_flip;
    for (;;) {
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0) return 0;
        pollfd p{fd, POLLIN, 0};
        const int n = ::poll(&p, 1, static_cast<int>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -errno;
        if (n == 0) return 0;
        errno = 0;
        if (const int r = result(drmHandleEvent(fd, &ctx)); r < 0) return r;
        if (t_seen) return 1;
    }
}

int KmsSystem::dirty_fb(int fd, std::uint32_t fb, std::span<const drmModeClip> clips) {
    std::vector<drmModeClip> c(clips.begin(), clips.end());
    errno = 0;
    return result(drmModeDirtyFB(fd, fb, c.data(), static_cast<std::uint32_t>(c.size())));
}

int KmsSystem::set_connector_property(int fd, std::uint32_t connector, std::uint32_t property, std::uint64_t value) {
    errno = 0;
    return result(drmModeConnectorSetProperty(fd, connector, property, value));
}

// ---- the choices ----

const drmModeModeInfo& choose_mode(const KmsConnector& connector) {
    for (const drmModeModeInfo& m : connector.modes) {
        if (m.type & DRM_MODE_TYPE_PREFERRED) return m;
    }
    return connector.modes.front();
}

namespace {

std::uint32_t choose_crtc(const KmsCard& card, const KmsConnector& connector) {
    const auto encoder = [&](std::uint32_t id) -> const KmsEncoder* {
        for (const KmsEncoder& e : card.encoders) {
            if (e.id == id) return &e;
        }
        return nullptr;
    };
    if (const KmsEncoder* e = encoder(connector.encoder_id); e && e->crtc_id != 0) return e->crtc_id;
    for (const std::uint32_t id : connector.encoders) {
        const KmsEncoder* e = encoder(id);
        for (std::size_t i = 0; e && i < card.crtcs.size() && i < 32; ++i) {
            if (e->possible_crtcs & (1u << i)) return card.crtcs[i];
        }
    }
    return 0;
}

}  // namespace

std::uint32_t choose_format(const KmsCard& card, std::uint32_t crtc) {
    const auto at = std::find(card.crtcs.begin(), card.crtcs.end(), crtc);
    const std::size_t index = static_cast<std::size_t>(at - card.crtcs.begin());
    bool any = false, xrgb = false, rgb565 = false;
    for (const KmsPlane& p : card.planes) {
        if (!p.primary || index >= 32 || !(p.possible_crtcs & (1u << index))) continue;
        any = true;
        for (const std::uint32_t f : p.formats) {
            xrgb = xrgb || f == DRM_FORMAT_XRGB8888;
            rgb565 = rgb565 || f == DRM_FORMAT_RGB565;
        }
    }
    // Without a primary plane to ask, the CRTC itself takes XRGB8888, as every KMS driver must.
    if (!any || xrgb) return DRM_FORMAT_XRGB8888;
    return rgb565 ? DRM_FORMAT_RGB565 : 0;
}

std::optional<KmsOutput> choose_output(const KmsCard& card, std::string& why) {
    const KmsConnector* chosen = nullptr;
    for (const KmsConnector& c : card.connectors) {
        if (c.connected && !c.modes.empty()) {
            chosen = &c;
            break;
        }
    }
    if (chosen == nullptr) {
        why = "no connected connector with a mode";
        if (!card.connectors.empty()) {
            why += " (";
            for (const KmsConnector& c : card.connectors) {
                if (&c != &card.connectors.front()) why += ", ";
                why += c.name + (c.connected ? ": no modes" : ": disconnected");
            }
            why += ")";
        }
        return std::nullopt;
    }
    KmsOutput out;
    out.connector = chosen;
    out.mode = choose_mode(*chosen);
    out.crtc = choose_crtc(card, *chosen);
    if (out.crtc == 0) {
        why = "no CRTC can drive connector " + chosen->name;
        return std::nullopt;
    }
    out.fourcc = choose_format(card, out.crtc);
    if (out.fourcc == 0) {
        why = "the primary plane for connector " + chosen->name + " takes neither XRGB8888 nor RGB565";
        return std::nullopt;
    }
    return out;
}

drmModeClip band_clip(RowBand band, int w, int h, int rotation, int ox, int oy) {
    const Point a = rotate_point(0, band.y0, w, h, rotation);
    const Point b = rotate_point(w - 1, band.y1 - 1, w, h, rotation);
    const auto u16 = [](int v) { return static_cast<std::uint16_t>(v); };
    return {u16(std::min(a.x, b.x) + ox), u16(std::min(a.y, b.y) + oy), u16(std::max(a.x, b.x) + 1 + ox),
            u16(std::max(a.y, b.y) + 1 + oy)};
}

BufferDamage::BufferDamage(int buffers, int rows)
    : rows_(rows), pending_(static_cast<std::size_t>(buffers), std::vector<RowBand>{{0, rows}}) {}

void BufferDamage::add(std::span<const RowBand> bands) {
    for (std::vector<RowBand>& p : pending_) {
        for (RowBand b : bands) {
            b.y0 = std::max(b.y0, 0);
            b.y1 = std::min(b.y1, rows_);
            if (b.y0 < b.y1) p.push_back(b);
        }
        std::sort(p.begin(), p.end(), [](const RowBand& a, const RowBand& b) { return a.y0 < b.y0; });
        std::vector<RowBand> joined;
        for (const RowBand& b : p) {
            if (!joined.empty() && b.y0 <= joined.back().y1) {
                joined.back().y1 = std::max(joined.back().y1, b.y1);
            } else {
                joined.push_back(b);
            }
        }
        if (static_cast<int>(joined.size()) > kMaxBands) joined = {{joined.front().y0, joined.back().y1}};
        p = std::move(joined);
    }
}

// ---- the presenter ----

std::runtime_error KmsPresenter::failure(const std::string& what) const {
    return std::runtime_error("DRM card " + path_ + ": " + what);
}

KmsPresenter::KmsPresenter(const std::string& card, int rotation, int w, int h, std::shared_ptr<KmsSystem> sys,
                           std::shared_ptr<DeviceSystem> console)
    : sys_(std::move(sys)), path_(card), rotation_(rotation), w_(w), h_(h) {
    fd_.sys = sys_.get();
    if (rotation != 0 && rotation != 90 && rotation != 180 && rotation != 270) {
        throw failure("rotation " + std::to_string(rotation) + " is not 0, 90, 180 or 270");
    }
    open_card(card);
    try {
        if (const int r = sys_->set_master(fd_.fd); r < 0) {
            if (r == -EBUSY || r == -EACCES || r == -EPERM) {
                throw failure("is held by another program (a display server?): cannot become its master (" +
                              error_text(r) + ")");
            }
            throw failure("cannot become its master: " + error_text(r));
        }
        const bool turned = rotation == 90 || rotation == 270;
        const int pw = turned ? h : w, ph = turned ? w : h;
        const int mw = out_.mode.hdisplay, mh = out_.mode.vdisplay;
        if (mw < pw || mh < ph) {
            throw failure("mode " + mode_text(out_.mode) + " of " + connector_name_ + " is smaller than the picture (" +
                          std::to_string(pw) + "x" + std::to_string(ph) + " at rotation " + std::to_string(rotation) +
                          ")");
        }
        ox_ = (mw - pw) / 2;
        oy_ = (mh - ph) / 2;
        layout_ = out_.fourcc == DRM_FORMAT_RGB565 ? kRgb565 : kXrgb8888;
        frame_ = core::make_opaque_surface(w, h);
        if (SavedCrtc saved; sys_->get_crtc(fd_.fd, out_.crtc, saved) == 0) saved_ = saved;
        buffers_.push_back(make_buffer(0));
        restore_output();
        // A driver that takes damage clips copies to the panel on request (SPI, MIPI-DBI, USB):
        // there one buffer and clips of the changed rows; a flip would send the whole frame.
        const drmModeClip all{0, 0, out_.mode.hdisplay, out_.mode.vdisplay};
        if (sys_->dirty_fb(fd_.fd, buffers_[0].fb, {&all, 1}) != 0) buffers_.push_back(make_buffer(1));
        damage_ = BufferDamage(static_cast<int>(buffers_.size()), h);
        // The console must not draw its text or cursor over the picture.
        if (console) console_ = std::make_unique<Console>(std::move(console));
    } catch (...) {
        release();
        throw;
    }
    core::log::info("kms: " + path_ + ", " + connector_name_ + " " + mode_text(out_.mode) + ", " +
                    (layout_.bytes == 2 ? "RGB565" : "XRGB8888") + ", " +
                    (flipping() ? "two buffers with page flips" : "one buffer with damage clips"));
}

void KmsPresenter::open_card(const std::string& card) {
    const bool scan = card.empty() || card == "auto";
    const std::vector<std::string> candidates = scan ? sys_->cards() : std::vector<std::string>{card};
    if (candidates.empty()) throw std::runtime_error("DRM: no /dev/dri/card* device");
    std::string reasons;
    for (const std::string& path : candidates) {
        path_ = path;
        std::string why;
        const int fd = sys_->open(path);
        if (fd < 0) {
            why = "cannot open: " + error_text(fd);
        } else {
            Fd held{sys_.get(), fd};
            KmsCard desc;
            if (const int dumb = sys_->has_dumb_buffers(fd); dumb <= 0) {
                why = dumb < 0 ? "cannot ask for dumb buffers: " + error_text(dumb) : "has no dumb buffers";
            } else if (const int r = sys_->describe(fd, desc); r < 0) {
                why = "cannot read its connectors: " + error_text(r);
            } else if (std::optional<KmsOutput> out = choose_output(desc, why)) {
                out_ = *out;
                connector_name_ = out->connector->name;
                connector_id_ = out->connector->id;
                dpms_property_ = out->connector->dpms_property;
                out_.connector = nullptr;  // desc ends here
                fd_.fd = std::exchange(held.fd, -1);
                return;
            }
        }
        if (!scan) throw failure(why);
        reasons += (reasons.empty() ? "" : "; ") + path + ": " + why;
    }
    throw std::runtime_error("DRM: no usable card (" + reasons + ")");
}

KmsPresenter::Buffer KmsPresenter::make_buffer(int index) {
    const int mw = out_.mode.hdisplay, mh = out_.mode.vdisplay;
    const std::string which = "dumb buffer " + std::to_string(index + 1) + " (" + mode_text(out_.mode) + ")";
    Buffer b;
    if (const int r = sys_->create_dumb(fd_.fd, mw, mh, layout_.bytes * 8, b.dumb); r < 0) {
        throw failure("cannot create " + which + ": " + error_text(r));
    }
    void* map = nullptr;
    if (const int r = sys_->map_dumb(fd_.fd, b.dumb, &map); r < 0 || map == nullptr) {
        sys_->destroy_dumb(fd_.fd, b.dumb.handle);
        throw failure("cannot map " + which + ": " + error_text(r < 0 ? r : -EFAULT));
    }
    b.map = static_cast<std::uint8_t*>(map);
    std::memset(b.map, 0, b.dumb.size);  // black around a picture smaller than the mode
    if (const int r = sys_->add_fb(fd_.fd, mw, mh, out_.fourcc, b.dumb, b.fb); r < 0) {
        sys_->unmap(b.map, b.dumb.size);
        sys_->destroy_dumb(fd_.fd, b.dumb.handle);
        throw failure("cannot make a framebuffer of " + which + ": " + error_text(r));
    }
    return b;
}

void KmsPresenter::restore_output() {
    if (flip_pending_) sys_->wait_flip(fd_.fd, cookie_, kFlipTimeoutMs);
    flip_pending_ = false;
    if (const int r = sys_->set_crtc(fd_.fd, out_.crtc, buffers_[static_cast<std::size_t>(front_)].fb, 0, 0,
                                     connector_id_, &out_.mode);
        r < 0) {
        if (r == -EACCES || r == -EPERM) {
            throw failure("is held by another program (a display server?): cannot set a mode (" + error_text(r) + ")");
        }
        throw failure("cannot set mode " + mode_text(out_.mode) + " on " + connector_name_ + ": " + error_text(r));
    }
    told_lost_ = false;
}

void KmsPresenter::release() {
    if (flip_pending_) sys_->wait_flip(fd_.fd, cookie_, kFlipTimeoutMs);
    flip_pending_ = false;
    // The console comes back on a lit output: the previous CRTC state alone may leave DPMS off.
    if (powered_off_ && card_ours()) switch_connector(true);
    powered_off_ = false;
    if (saved_ && !buffers_.empty()) {
        const SavedCrtc& s = *saved_;
        const bool on = s.mode_valid && s.fb != 0;
        sys_->set_crtc(fd_.fd, out_.crtc, s.fb, s.x, s.y, on ? connector_id_ : 0, on ? &s.mode : nullptr);
    }
    for (Buffer& b : buffers_) {
        sys_->remove_fb(fd_.fd, b.fb);
        sys_->unmap(b.map, b.dumb.size);
        sys_->destroy_dumb(fd_.fd, b.dumb.handle);
    }
    buffers_.clear();
}

KmsPresenter::~KmsPresenter() {
    release();
    console_.reset();  // text mode only once the previous picture is back on the CRTC
}

int KmsPresenter::switch_connector(bool on) {
    return sys_->set_connector_property(fd_.fd, connector_id_, dpms_property_, on ? DRM_MODE_DPMS_ON : DRM_MODE_DPMS_OFF);
}

void KmsPresenter::let_go() {
    if (powered_off_) switch_connector(true);  // the other VT's text must be seen
    sys_->drop_master(fd_.fd);
}

bool KmsPresenter::take_lost_picture() {
    if (console_ && console_->poll([this] { let_go(); }) == Console::Switch::acquired) output_lost_ = true;
    if (!output_lost_) return false;
    // The card may still be held for a moment by whoever had the other VT: tried again on
    // every frame until it is ours, said once.
    std::string held;
    if (const int r = sys_->set_master(fd_.fd); r < 0) {
        held = failure("is held by another program: cannot become its master again (" + error_text(r) + ")").what();
    } else if (powered_off_ && switch_connector(false) == 0) {
        // The screen is still off: the mode and our buffer wait for the wake.
    } else {
        if (powered_off_) {
            powered_off_ = false;  // it stays lit: the frame loop shows black meanwhile
            core::log::warning("kms: " + path_ + ": cannot switch " + connector_name_ +
                               " off again after another VT; screen off shows a black picture");
        }
        try {
            restore_output();
        } catch (const std::runtime_error& e) {
            held = e.what();
        }
    }
    if (!held.empty()) {
        if (!told_lost_) core::log::warning("kms: " + held + "; frames wait for it");
        told_lost_ = true;
        return false;
    }
    output_lost_ = false;
    return true;
}

void KmsPresenter::write_rows(int buffer, std::vector<drmModeClip>& clips) {
    SDL_Surface* f = frame_.get();
    const Source src{static_cast<const std::uint32_t*>(f->pixels), f->w, f->h, f->pitch / 4};
    const Buffer& b = buffers_[static_cast<std::size_t>(buffer)];
    const Target dst{b.map + static_cast<std::size_t>(oy_) * b.dumb.pitch + static_cast<std::size_t>(ox_) * layout_.bytes,
                     static_cast<int>(b.dumb.pitch), layout_};
    for (const RowBand& band : damage_.pending(buffer)) {
        convert_rows(src, band.y0, band.y1, dst, rotation_);
        clips.push_back(band_clip(band, w_, h_, rotation_, ox_, oy_));
    }
    damage_.written(buffer);
}

void KmsPresenter::present(std::span<const RowBand> bands) {
    damage_.add(bands);
    // The rows wait in damage_. An atomic driver refuses a flip on a CRTC that DPMS switched off.
    if (powered_off_ || !card_ours()) return;
    std::vector<drmModeClip> clips;
    if (!flipping()) {
        write_rows(0, clips);
        if (clips.empty()) return;
        if (const int r = sys_->dirty_fb(fd_.fd, buffers_[0].fb, clips); r < 0 && !told_dirty_) {
            told_dirty_ = true;  // the rows are in the buffer; the next clip over them sends them
            core::log::warning("kms: " + path_ + ": damage clips refused (" + error_text(r) + "); not said again");
        }
        return;
    }
    if (bands.empty() && !back_unshown_) return;  // the front buffer shows this frame already
    if (flip_pending_) {
        const int r = sys_->wait_flip(fd_.fd, cookie_, kFlipTimeoutMs);
        if (r < 0) throw failure("waiting for a page flip: " + error_text(r));
        // A late or lost event must not stop the frames: go on, and a flip still under way
        // answers EBUSY below.
        if (r == 0 && !told_timeout_) {
            told_timeout_ = true;
            core::log::warning("kms: " + path_ + ": a page flip took longer than " + std::to_string(kFlipTimeoutMs) +
                               " ms; frames go on without it (not said again)");
        }
        flip_pending_ = false;
    }
    const int back = 1 - front_;
    if (damage_.pending(back).empty() && !back_unshown_) return;
    write_rows(back, clips);  // the buffer holds these rows now, whether or not the flip is taken
    const int r = sys_->page_flip(fd_.fd, out_.crtc, buffers_[static_cast<std::size_t>(back)].fb, cookie_ + 1);
    if (r == 0) {
        ++cookie_;
        front_ = back;
        flip_pending_ = true;
        back_unshown_ = false;
        told_lost_ = false;
    } else if (r == -EBUSY) {
        flip_pending_ = true;  // the previous flip is still under way; this buffer goes next time
        back_unshown_ = true;
    } else if (r == -EACCES || r == -EPERM) {
        back_unshown_ = true;
        if (!told_lost_) {  // another master has the card (a VT switch); restore_output() takes it back
            told_lost_ = true;
            core::log::warning("kms: " + path_ + " is held by another program; frames wait for it");
        }
    } else {
        throw failure("page flip failed: " + error_text(r));
    }
}

void KmsPresenter::set_output_power(bool on) {
    if (on) {
        if (!powered_off_) return;
        powered_off_ = false;
        if (!card_ours()) return;  // the mode is set again once the card is ours
        if (const int r = switch_connector(true); r < 0) {
            core::log::warning("kms: " + path_ + ": cannot switch " + connector_name_ + " on through DPMS (" +
                               error_text(r) + "); setting the mode again");
        }
        try {
            restore_output();
        } catch (const std::runtime_error& e) {
            output_lost_ = true;  // take_lost_picture() tries again on every frame
            if (!told_lost_) core::log::warning(std::string("kms: ") + e.what() + "; frames wait for it");
            told_lost_ = true;
        }
        return;
    }
    if (powered_off_) return;
    if (dpms_property_ == 0) {
        if (!told_power_) core::log::info("kms: " + connector_name_ + " has no DPMS property; screen off shows a black picture");
        told_power_ = true;
        return;
    }
    if (card_ours()) {  // otherwise switched off once the card is ours again
        if (flip_pending_) sys_->wait_flip(fd_.fd, cookie_, kFlipTimeoutMs);
        flip_pending_ = false;
        if (const int r = switch_connector(false); r < 0) {
            if (!told_power_failed_) {
                core::log::warning("kms: " + path_ + ": cannot switch " + connector_name_ + " off through DPMS (" +
                                   error_text(r) + "); screen off shows a black picture");
            }
            told_power_failed_ = true;
            return;
        }
    }
    powered_off_ = true;
    if (!told_power_) core::log::info("kms: screen off switches " + connector_name_ + " off (DPMS)");
    told_power_ = true;
}

std::unique_ptr<Presenter> open_kms(const std::string& card, int rotation, int w, int h) {
    return std::make_unique<KmsPresenter>(card, rotation, w, h, std::make_shared<KmsSystem>(),
                                          std::make_shared<DeviceSystem>());
}

}  // namespace ts::display
