#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

namespace kov::test {

// A fresh folder of one test's own under the system's temporary folder, removed with everything
// in it when the object goes: nothing a test writes lands in the checkout.
class TempFolder {
  public:
    TempFolder()
        : root_(std::filesystem::temp_directory_path() /
                ("kov-test-" + std::to_string(std::random_device{}()) + "-" +
                 std::to_string(std::random_device{}()))) {
        std::filesystem::create_directories(root_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::string path(const std::string& name = "") const { return (root_ / name).string(); }
    std::string write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    }
    std::string read(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    int entries() const {
        const std::filesystem::directory_iterator all(root_);
        return static_cast<int>(std::distance(begin(all), end(all)));
    }

  private:
    std::filesystem::path root_;
};

}  // namespace kov::test
