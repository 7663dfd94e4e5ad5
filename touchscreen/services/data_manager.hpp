// The background data manager: its own worker, and the panel's on/off state.
#pragma once

namespace ts::services {

class DataManager {
public:
    virtual ~DataManager() = default;
    virtual void start_core() = 0;  // main thread
    virtual void stop_core() = 0;   // main thread
    // Any thread: the main loop, gesture handling and the refresh monitor all ask.
    virtual bool get_screen_status() = 0;
    virtual void wake_screen() = 0;     // main thread
    virtual void check_auto_off() = 0;  // main thread, once per frame
};

}  // namespace ts::services
