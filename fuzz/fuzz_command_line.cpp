// The command line: any bytes up to the first zero, any length.
#include "settings/settings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("CELLRUNE_DEBUG", "/dev/null", 1); // keep the trace text out of the fuzzer's log
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    parseCommandLine(line.c_str());
    if (fullScreen != 0 && fullScreen != 1) std::abort();
    if (vemoFlag != 0 && vemoFlag != 1) std::abort();
    for (int i = 0; i < kGammaEntries; ++i)
        if (gammaSetting == 1.0 && gammaTable[i] != i) std::abort();
    return 0;
}
