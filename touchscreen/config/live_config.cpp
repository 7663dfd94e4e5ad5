#include "live_config.hpp"

#include "../core/small_file.hpp"

#include "../core/log.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace ts::config {
namespace {

constexpr std::size_t kMaxFileBytes = 1 << 20;  // a configuration file is a few kilobytes

LoadResult unreadable(const std::string& path, const std::string& why) {
    LoadResult r;
    r.diagnostics.push_back({Diagnostic::Severity::error, path, 0, 0, "", "cannot read the file: " + why});
    return r;
}

std::string notice_of(const LoadResult& r, bool reload) {
    for (const Diagnostic& d : r.diagnostics) {
        if (d.severity != Diagnostic::Severity::error) continue;
        std::string where = std::filesystem::path(d.path).filename().string();
        if (d.line > 0) where += ":" + std::to_string(d.line);
        return (reload ? "Config not applied: " : "Config error, default used: ") + where + " " +
               (d.key.empty() ? d.message : d.key);
    }
    return "";
}

}  // namespace

LoadResult read_config_file(const std::string& path) {
    const auto text = core::read_small_file(path, kMaxFileBytes);
    if (!text) return unreadable(path, text.error().cause);
    return parse_config(text.value(), path);
}

Applied apply_config(Knobs& knobs, const LoadResult& result, bool reload) {
    for (const Diagnostic& d : result.diagnostics) {
        if (d.severity == Diagnostic::Severity::error) {
            core::log::error("configuration: " + d.text());
        } else {
            core::log::warning("configuration: " + d.text());
        }
    }
    Applied out;
    out.notice = notice_of(result, reload);
    if (reload && result.has_errors()) {
        core::log::warning("configuration: the file has errors; keeping the previous configuration");
        return out;
    }
    const auto before = knobs.settings();
    const Settings& next = result.settings;
    if (reload) {
        // Devices are opened once: these take effect when the dashboard starts again.
        const std::pair<const char*, bool> start_only[] = {
            {"display", !(before->display == next.display)},
            {"input", !(before->input == next.input)},
            {"panel", !(before->panel == next.panel)},
            {"light", !(before->light == next.light)},
        };
        for (const auto& [section, differs] : start_only) {
            if (differs) core::log::warning(std::string("configuration: [") + section + "] changed; restart the dashboard to apply it");
        }
    }
    out.changed = !(*before == next);
    knobs.apply(next);
    if (reload) core::log::info(out.changed ? "configuration: reloaded" : "configuration: reloaded, nothing changed");
    return out;
}

std::string LiveConfig::load() {
    Applied applied;
    if (where_.found) {
        core::log::info("configuration: using " + where_.path);
        applied = apply_config(knobs_, read_config_file(where_.path), /*reload=*/false);
    } else {
        core::log::info("configuration: no file, using the defaults; watching for " + where_.path);
    }
    return applied.notice;
}

void LiveConfig::watch(int settle_ms) {
    try {
        watcher_ = std::make_unique<FileWatcher>(where_.path, [this] {
            LoadResult r = read_config_file(where_.path);
            std::lock_guard lock(lock_);
            pending_ = std::move(r);
            has_pending_.store(true, std::memory_order_release);
        }, settle_ms);
    } catch (const std::exception& e) {
        core::log::warning(std::string("configuration: changes to the file will need a restart: ") + e.what());
    }
}

std::optional<Applied> LiveConfig::apply_pending() {
    if (!has_pending_.load(std::memory_order_acquire)) return std::nullopt;
    std::optional<LoadResult> r;
    {
        std::lock_guard lock(lock_);
        r.swap(pending_);
        has_pending_.store(false, std::memory_order_relaxed);
    }
    if (!r) return std::nullopt;
    return apply_config(knobs_, *r, /*reload=*/true);
}

}  // namespace ts::config
