// Legacy PicoHarp (.pt3/.pt2) and HydraHarp (.ht3/.ht2) binary headers and their records.
#include "tttr_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> file(data, size);
    decodeParsed(plask::formats::parseLegacyPicoQuantHeader(file), file);
    return 0;
}
