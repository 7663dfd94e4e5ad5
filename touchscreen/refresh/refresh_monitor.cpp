#include "refresh_monitor.hpp"

namespace ts::refresh {

bool _should_refresh(core::AppState&, const services::Config&, core::Clock&, const std::string&) { return false; }

void _refresh_monitor(core::AppState&, const services::Config&, services::DataManager&, core::Clock& clock) {
    for (;;) clock.sleep_for(1.0);
}

}  // namespace ts::refresh
