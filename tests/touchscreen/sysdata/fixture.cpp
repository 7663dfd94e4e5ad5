#include "fixture.hpp"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace ts::sysdata::test {

namespace fs = std::filesystem;

std::string data(const std::string& rel) { return std::string(TS_SYSDATA_DATA) + "/" + rel; }

std::string slurp(const std::string& rel) {
    std::ifstream in(data(rel), std::ios::binary);
    if (!in) throw std::runtime_error("missing fixture " + data(rel));
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TempRoot::TempRoot(const std::string& fixture_tree) {
    std::string tmpl = (fs::temp_directory_path() / "sysdata-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
    if (!fixture_tree.empty()) {
        fs::copy(data(fixture_tree), path_, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }
}

TempRoot::~TempRoot() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void TempRoot::write(const std::string& rel, const std::string& text) const {
    const fs::path p = fs::path(path_) / rel;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary | std::ios::trunc) << text;
}

void TempRoot::write_cores(int count) const {
    write("sys/devices/system/cpu/present", "0-" + std::to_string(count - 1) + "\n");
    // cpu0 has no online file on most machines: it cannot be taken offline.
    for (int n = 1; n < count; ++n) write("sys/devices/system/cpu/cpu" + std::to_string(n) + "/online", "1\n");
}

void TempRoot::remove(const std::string& rel) const { fs::remove_all(fs::path(path_) / rel); }

}  // namespace ts::sysdata::test
