// A fresh folder for a test's socket, removed with the object.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace rimglider::test {

class SocketFolder {
  public:
    SocketFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "rimglider-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        folder_ = pattern;
    }
    ~SocketFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    SocketFolder(const SocketFolder&) = delete;
    SocketFolder& operator=(const SocketFolder&) = delete;
    [[nodiscard]] std::string path(const std::string& name = "inputd.sock") const { return folder_ / name; }

  private:
    std::filesystem::path folder_;
};

} // namespace rimglider::test
