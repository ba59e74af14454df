#include <cstdio>
#include <string>
#include <vector>

#include "ModemOptions.h"
#include "ModemSimulator.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kModemUsage, stdout);
        return 0;
    }
    std::string error;
    auto options = ParseModemOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "zvonmat-modemsim: %s\n%s", error.c_str(), kModemUsage);
        return 2;
    }
    ModemSimulator simulator(std::move(*options));
    if (!simulator.Setup(error)) {
        std::fprintf(stderr, "zvonmat-modemsim: %s\n", error.c_str());
        return 1;
    }
    return simulator.Run();
}
