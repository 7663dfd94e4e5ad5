// The picture tool: "touchscreen --snapshot DIR" draws the four pages and the open control
// centre with this machine's figures into DIR as PNG files, without a display and without
// starting the touch reader.
#pragma once

#include "builtin.hpp"

#include <string>

namespace ts::app {

// Writes DIR/page1.png ... page4.png and DIR/control-centre.png. Returns the exit status;
// failures are logged with the path concerned.
int run_snapshot(Builtin& builtin, const std::string& dir);

}  // namespace ts::app
