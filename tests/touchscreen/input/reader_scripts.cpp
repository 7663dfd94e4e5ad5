#include "reader_scripts.hpp"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace ts::test {

TempDir::TempDir() {
    char name[] = "/tmp/ts-input-XXXXXX";
    if (!mkdtemp(name)) throw std::runtime_error("mkdtemp failed");
    path_ = name;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::write(const std::string& name, const std::string& text, unsigned mode) const {
    const std::string file = path_ + "/" + name;
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    if (chmod(file.c_str(), mode) != 0) throw std::runtime_error("chmod failed");
    return file;
}

std::string TempDir::script(const std::string& name, const std::string& body, bool executable) const {
    return write(name, "#!/bin/sh\n" + body, executable ? 0755 : 0644);
}

}  // namespace ts::test
