// Writes one scripted example trace per label into a folder, OUTDIR/<label>.trace, and the
// default gesture configuration as OUTDIR/default-config.json.
#include "GestureEngineKit/GestureScript.h"
#include "GestureEngineKit/JsonCoding.h"
#include "GestureEngineKit/Trace.h"

#include <filesystem>
#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    using namespace GestureEngineKit;
    if (argc != 2) {
        std::cerr << "usage: make-example-traces OUTDIR\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    for (TraceLabel label : allTraceLabels) {
        const auto path = folder / (std::string(name(label)) + "." + std::string(TraceFile::fileExtension));
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << TraceFile::encode(scriptedExample(label));
        if (!file.flush()) {
            std::cerr << "make-example-traces: " << path.string() << ": cannot write\n";
            return 2;
        }
    }
    const auto configPath = folder / "default-config.json";
    std::ofstream config(configPath, std::ios::trunc);
    config << toJson(GestureConfig{}).dump(2) << '\n';
    if (!config.flush()) {
        std::cerr << "make-example-traces: " << configPath.string() << ": cannot write\n";
        return 2;
    }
    return 0;
}
