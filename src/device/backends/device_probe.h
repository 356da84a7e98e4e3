#pragma once
// What the system says about a device node, for telling a user why it cannot be
// opened: whether the node exists, whether this user may open it for reading and
// writing (and which group owns it), and which program holds it. Only looked at
// when something failed, or when listing devices: never needed to open one.
#include <optional>
#include <string>

namespace rv720 {

struct NodeState {
    bool exists = false;
    bool accessible = false;  // this user may open it for reading and writing
    std::string group;        // the group owning it ("dialout", "plugdev")
};

class DeviceProbe {
  public:
    virtual ~DeviceProbe() = default;
    virtual NodeState node(const std::string& path) const = 0;
    // "minicom, pid 812" for another process this user may look at that has
    // `path` open; nothing when none is seen.
    virtual std::optional<std::string> holder(const std::string& path) const = 0;
};

// The running system: stat/access for nodes, /proc for holders.
const DeviceProbe& systemProbe();

}  // namespace rv720
