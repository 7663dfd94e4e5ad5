// touchreader: prints one line per new touch position and one per lift, for
// the display application that reads our standard output through a pipe.
#include <signal.h>

#include <csignal>

#include "reader.hpp"

namespace {

volatile std::sig_atomic_t g_running = 1;

void on_sigint(int) { g_running = 0; }

}  // namespace

int main() {
  // Standard output needs no set-up: every line is written with write(2),
  // so there is no stdio buffer to hold it back.
  // No SA_RESTART: a read blocked in the driver returns, so the flag is seen soon.
  struct sigaction action {};
  action.sa_handler = on_sigint;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  // An ignored SIGPIPE survives exec; restore the default so that losing our
  // reader ends us at the next line instead of leaving an orphan polling.
  ::signal(SIGPIPE, SIG_DFL);
  return touchreader::run_reader(g_running);
}
