#pragma once
// Shared body of the time-tag fuzz targets: a parsed header's records decoded
// through a counting sink (no stream, so no allocation that grows with the input).

#include "formats/photon_sink.h"
#include "formats/tttr_decode.h"
#include "formats/tttr_header.h"

#include <span>

inline void decodeParsed(const plask::formats::TttrHeader& header, std::span<const std::uint8_t> file)
{
    using namespace plask::formats;
    if (!header.error.empty() || header.dataOffset > file.size() || header.recordBytes == 0)
        return;
    UnitSelection everything;
    everything.wanted.fill(1);
    PhotonSink sink(everything);
    const std::span<const std::uint8_t> records = file.subspan(header.dataOffset);
    (void)decodeRecords(records.first(records.size() / header.recordBytes * header.recordBytes), header, sink,
        plask::noProgress());
}
