// Start-up and poll loop of the touch reader, wiring the device layer to the
// touch state machine and the line texts.
#pragma once

#include <csignal>

namespace touchreader {

// Runs until running reads 0 at the top of a pass. Returns the exit status:
// 1 when the device cannot be opened or addressed (nothing printed), else 0.
int run_reader(const volatile std::sig_atomic_t& running);

}  // namespace touchreader
