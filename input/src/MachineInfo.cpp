#include "RimgliderInput/MachineInfo.h"

#include <fstream>

namespace rimglider::machine {

namespace {

std::string firstLine(const std::filesystem::path& path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    const auto begin = line.find_first_not_of(" \t\r");
    const auto end = line.find_last_not_of(" \t\r");
    return begin == std::string::npos ? std::string() : line.substr(begin, end - begin + 1);
}

// A value of os-release: unquoted, or in double or single quotes with backslash escapes.
std::string osReleaseValue(std::string value)
{
    if (value.size() < 2 || (value.front() != '"' && value.front() != '\'') || value.back() != value.front())
        return value;
    std::string plain;
    for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '\\' && i + 2 < value.size()) ++i;
        plain += value[i];
    }
    return plain;
}

std::string prettyName(const std::filesystem::path& root)
{
    for (const char* name : {"etc/os-release", "usr/lib/os-release"}) {
        std::ifstream file(root / name);
        if (!file) continue;
        for (std::string line; std::getline(file, line);)
            if (line.starts_with("PRETTY_NAME=")) return osReleaseValue(line.substr(12));
        return "";
    }
    return "";
}

} // namespace

std::string hardwareModel(const std::filesystem::path& sysRoot)
{
    const std::filesystem::path dmi = sysRoot / "class/dmi/id";
    const std::string name = firstLine(dmi / "product_name");
    const std::string version = firstLine(dmi / "product_version");
    return name.empty() ? version : version.empty() ? name : name + " " + version;
}

std::string osVersionText(const std::filesystem::path& systemRoot)
{
    const std::string os = prettyName(systemRoot);
    const std::string kernel = firstLine(systemRoot / "proc/sys/kernel/osrelease");
    return os.empty() ? kernel : kernel.empty() ? os : os + " (Linux " + kernel + ")";
}

} // namespace rimglider::machine
