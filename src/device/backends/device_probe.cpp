#include "device/backends/device_probe.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string_view>

namespace rv720 {

namespace {

namespace fs = std::filesystem;

class SystemProbe final : public DeviceProbe {
  public:
    NodeState node(const std::string& path) const override {
        NodeState state;
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) return state;
        state.exists = true;
        state.accessible = ::access(path.c_str(), R_OK | W_OK) == 0;
        if (const group* g = ::getgrgid(info.st_gid)) state.group = g->gr_name;
        return state;
    }

    std::optional<std::string> holder(const std::string& path) const override {
        std::error_code ec;
        const fs::path wanted = fs::canonical(path, ec);
        if (ec) return std::nullopt;
        const std::string self = std::to_string(::getpid());
        for (const auto& process : fs::directory_iterator("/proc", ec)) {
            const std::string pid = process.path().filename();
            if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos ||
                pid == self)
                continue;
            std::error_code fdError;
            for (const auto& fd : fs::directory_iterator(process.path() / "fd", fdError)) {
                std::error_code linkError;
                if (fs::read_symlink(fd.path(), linkError) != wanted) continue;
                std::string name;
                std::ifstream comm(process.path() / "comm");
                std::getline(comm, name);
                return (name.empty() ? std::string("a program") : name) + ", pid " + pid;
            }
        }
        return std::nullopt;
    }
};

}  // namespace

const DeviceProbe& systemProbe() {
    static const SystemProbe probe;
    return probe;
}

}  // namespace rv720
