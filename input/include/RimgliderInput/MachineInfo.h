// What a trace's header says about the machine it was recorded on.
#pragma once

#include <filesystem>
#include <string>

namespace rimglider::machine {

// "product_name product_version" of the DMI folder below `sysRoot`; empty when neither is there.
std::string hardwareModel(const std::filesystem::path& sysRoot = "/sys");

// os-release's PRETTY_NAME and the kernel release below `systemRoot`, as imports of
// `libinput record` files say it: "Debian GNU/Linux 12 (bookworm) (Linux 6.1.0-28-amd64)".
std::string osVersionText(const std::filesystem::path& systemRoot = "/");

} // namespace rimglider::machine
