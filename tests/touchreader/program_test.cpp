// Runs the built touchreader with the fake controller preloaded and checks
// the bytes on standard output, the exit status and what the bus was sent.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
  int status = -1;  // exit status, or 128 + signal
  std::string out, err, log;
};

std::string slurp(const std::string& path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// lost_reader: stdout is a pipe nobody reads and SIGPIPE arrives ignored.
Outcome run_reader(const std::string& script, const std::string& fail, const std::string& clock_ms,
               bool lost_reader = false) {
  char dir_template[] = "/tmp/touchreader_test_XXXXXX";
  const std::string dir = mkdtemp(dir_template);
  std::ofstream(dir + "/script") << script;
  const std::vector<std::string> env = {
      "LD_PRELOAD=" FAKE_I2C_LIBRARY, "FAKE_I2C_SCRIPT=" + dir + "/script",
      "FAKE_I2C_LOG=" + dir + "/log", "FAKE_I2C_FAIL=" + fail, "FAKE_I2C_CLOCK_MS=" + clock_ms};
  std::vector<char*> envp;
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  char* argv[] = {const_cast<char*>(TOUCHREADER_BINARY), nullptr};
  const std::string out_path = dir + "/out", err_path = dir + "/err";

  const pid_t pid = fork();
  if (pid == 0) {
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int pipe_fds[2];
    if (lost_reader && pipe(pipe_fds) == 0) {
      close(pipe_fds[0]);
      out = pipe_fds[1];
      signal(SIGPIPE, SIG_IGN);
    }
    dup2(out, STDOUT_FILENO);
    dup2(open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
    execve(argv[0], argv, envp.data());
    _exit(127);
  }
  int wait_status = 0;
  waitpid(pid, &wait_status, 0);
  Outcome run;
  run.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
  run.out = slurp(out_path);
  run.err = slurp(err_path);
  run.log = slurp(dir + "/log");
  std::filesystem::remove_all(dir);
  return run;
}

const std::string kBanner = "=== touchreader Touch ===\nDevice: /dev/i2c-2 @ 0x2c | Screen: 376x960\n";
const std::string kPrompt = "\nTouch screen (Ctrl+C to exit)\n\n";
// 30-byte descriptor: InputLen 64 at 10-11, vendor 0x2575 at 20-21, product 1 at 22-23.
const std::string kDescriptor = "00 00 00 00 00 00 00 00 00 00 40 00 00 00 00 00 00 00 00 00 75 25 01 00 /30\n";
const std::string kAddressed = "open\nioctl 0x0703 0x2c\n";
const std::string kRead = "read 64\n", kPause = "pause 20000\n";

struct Case {
  const char* name;
  std::string fail, script, clock_ms;
  int status;
  std::string out, log;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class TouchreaderProgram : public testing::TestWithParam<Case> {};

TEST_P(TouchreaderProgram, PrintsAndTalksToTheBusAsExpected) {
  const Case& c = GetParam();
  const Outcome run = run_reader(c.script, c.fail, c.clock_ms);
  EXPECT_EQ(run.status, c.status);
  EXPECT_EQ(run.out, c.out);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.log, c.log);
}

const Case kCases[] = {
    {"session", "",
     kDescriptor + "20 00 01 00 78 00 E0 01\n20 00 01 00 78 00 E0 01\n/64\n20 00 01 00 79 00 E0 01\n"
                   "20 00 00 00 00 00 00 00\n01 02 03\nerr\n",
     "1000", 0,
     kBanner + "HID: Vendor=0x2575 Product=0x0001 InputLen=64\n" + kPrompt +
         "1000 120 480\n1001 121 480\n1002 -1 -1\n",
     kAddressed + "write 01 00\npause 1000\nread 30\n" + kRead + kPause + kRead + kPause + kRead +
         kRead + kPause + kRead + kRead + kPause + kRead + kPause + kRead + kPause + "close\n"},
    // A short descriptor read only drops its line; SIGINT with a finger down adds no release.
    {"sigint_while_touching_and_clock_wrap", "", "/10\n20 00 01 00 0A 00 C8 00\n20 00 01 00 0B 00 C8 00\n",
     "4294967295", 0, kBanner + kPrompt + "4294967295 10 200\n0 11 200\n",
     kAddressed + "write 01 00\npause 1000\nread 30\n" + kRead + kPause + kRead + kPause + kRead + kPause +
         "close\n"},
    {"descriptor_write_fails", "write", "20 00 01 00 78 00 E0 01\n", "7", 0, kBanner + kPrompt + "7 120 480\n",
     kAddressed + "write 01 00\n" + kRead + kPause + kRead + kPause + "close\n"},
    {"missing_device", "open", "", "0", 1, "", "open\n"},
    {"address_refused", "ioctl", "", "0", 1, "", kAddressed + "close\n"},
};
INSTANTIATE_TEST_SUITE_P(Runs, TouchreaderProgram, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The supervisor relies on a vanished reader ending us, even if it handed
// SIGPIPE down ignored.
TEST(TouchreaderSignals, LostReaderEndsItThroughSigpipe) {
  EXPECT_EQ(run_reader("", "", "0", true).status, 128 + SIGPIPE);
}

TEST(TouchreaderLinkage, NeedsOnlyLibc) {
  FILE* readelf = popen(READELF_PROGRAM " -d " TOUCHREADER_BINARY, "r");
  ASSERT_NE(readelf, nullptr);
  std::vector<std::string> needed;
  char line[512];
  while (fgets(line, sizeof line, readelf)) {
    const std::string text = line;
    const auto open = text.find('['), close = text.find(']');
    if (text.find("(NEEDED)") != std::string::npos && open != std::string::npos && close != std::string::npos)
      needed.push_back(text.substr(open + 1, close - open - 1));
  }
  EXPECT_EQ(pclose(readelf), 0);
  EXPECT_EQ(needed, std::vector<std::string>{"libc.so.6"});
}

}  // namespace
