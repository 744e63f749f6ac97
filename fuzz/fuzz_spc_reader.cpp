// .spc files in each layout: the first byte of the input picks the layout.
#include "tttr_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using plask::formats::SpcType;
    if (size < 1)
        return 0;
    constexpr SpcType types[] = { SpcType::sniff, SpcType::spc130, SpcType::spc600x4096, SpcType::spc600x256 };
    const std::span<const std::uint8_t> file(data + 1, size - 1);
    decodeParsed(plask::formats::parseSpcHeader(file, types[data[0] % 4]), file);
    return 0;
}
