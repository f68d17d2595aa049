// A directory of one's own under the system's temporary directory ($TMPDIR, else /tmp), made
// with a name no other process can hold and removed with everything in it when the object
// goes. Tests, benchmarks and the fuzz harness write their files there, so that runs in
// parallel (ctest -j, another checkout's run) never share a path.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace quorvel::testsupport {

class ScratchDir {
  public:
    // `prefix` starts the directory's name, to tell whose it is when one is left behind.
    explicit ScratchDir(const std::string& prefix) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("Unable to make a scratch directory: " + pattern);
        }
        dir_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    // The path of `name` inside the directory; nothing is created.
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

  private:
    std::filesystem::path dir_;
};

}  // namespace quorvel::testsupport
