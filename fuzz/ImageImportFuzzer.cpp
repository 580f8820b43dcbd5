// The import of a picture that came as bytes (a drop, a paste; files take the
// same decoders): whatever the bytes, no fault, and the memory budget holds.
// The budget is lowered to 32 MB here, and libFuzzer is told to report any
// single allocation over 64 MB (twice the budget, for decoders' working copies),
// so a picture that slips past the size checks shows up as a finding.

#include "FuzzCheck.h"

#include "gallery/ImageImporter.h"

#include <QImageReader>

#include <vector>

namespace {
constexpr int budgetMegabytes = 32;
char mallocLimit[] = "-malloc_limit_mb=64";
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    QImageReader::setAllocationLimit(budgetMegabytes);
    // Put right after the program name, so a limit given on the command line still wins.
    static std::vector<char*> arguments(*argv, *argv + *argc);
    arguments.insert(arguments.begin() + 1, mallocLimit);
    arguments.push_back(nullptr);
    *argc += 1;
    *argv = arguments.data();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto png = ImageImporter::pngDataFromBytes(fuzzBytes(data, size));
    if (png)
        FUZZ_CHECK(png->startsWith("\x89PNG\r\n\x1a\n"));
    return 0;
}
