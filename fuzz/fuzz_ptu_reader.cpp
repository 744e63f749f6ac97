// PTU tag headers and every record layout they name.
#include "tttr_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> file(data, size);
    decodeParsed(plask::formats::parsePtuHeader(file), file);
    return 0;
}
