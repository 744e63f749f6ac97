#include "formats/tttr_decode.h"

#include "formats/little_endian.h"

namespace plask::formats {

namespace {
    constexpr std::size_t blockRecords = std::size_t { 1 } << 20;

    // Calls `decode(recordBytesPointer)` for every whole record, with a
    // progress step and a backwards check at each block boundary.
    template <std::size_t bytes, typename Decode>
    void forEachRecord(std::span<const std::uint8_t> data, DecodeStats& stats, PhotonSink& sink, Progress& progress,
        Decode&& decode)
    {
        const std::size_t n = data.size() / bytes;
        const std::uint8_t* p = data.data();
        for (std::size_t start = 0; start < n; start += blockRecords) {
            const std::size_t end = std::min(n, start + blockRecords);
            for (std::size_t i = start; i < end; ++i)
                decode(p + i * bytes);
            stats.records = end;
            if (sink.wentBackwards())
                return;
            if (!progress.step(static_cast<double>(end) / static_cast<double>(n))) {
                stats.cancelled = true;
                return;
            }
        }
    }

    [[nodiscard]] std::uint32_t word(const std::uint8_t* p) { return loadLittleEndian<std::uint32_t>(p); }

    void picoHarpT2(std::span<const std::uint8_t> data, DecodeStats& s, PhotonSink& sink, Progress& progress)
    {
        constexpr std::uint64_t wrap = 210698240;
        std::uint64_t base = 0;
        forEachRecord<4>(data, s, sink, progress, [&](const std::uint8_t* p) {
            const std::uint32_t r = word(p);
            const std::uint32_t channel = r >> 28;
            const std::uint32_t time = r & 0x0FFFFFFF;
            if (channel == 15) {
                if ((time & 0xF) == 0) {
                    base += wrap;
                    ++s.overflowRecords;
                } else {
                    ++s.markerRecords;
                }
                return;
            }
            sink.photon(base + time, static_cast<int>(channel), 0);
        });
        s.endTime = base;
    }

    void picoHarpT3(std::span<const std::uint8_t> data, DecodeStats& s, PhotonSink& sink, Progress& progress)
    {
        constexpr std::uint64_t wrap = 65536;
        std::uint64_t base = 0;
        forEachRecord<4>(data, s, sink, progress, [&](const std::uint8_t* p) {
            const std::uint32_t r = word(p);
            const std::uint32_t channel = r >> 28;
            const std::uint32_t dtime = (r >> 16) & 0xFFF;
            if (channel == 15) {
                if (dtime == 0) {
                    base += wrap;
                    ++s.overflowRecords;
                } else {
                    ++s.markerRecords;
                }
                return;
            }
            sink.photon(base + (r & 0xFFFF), static_cast<int>(channel), dtime);
        });
        s.endTime = base;
    }

    template <bool v2>
    void hydraT2(std::span<const std::uint8_t> data, DecodeStats& s, PhotonSink& sink, Progress& progress)
    {
        constexpr std::uint64_t wrap = v2 ? 33554432 : 33552000;
        std::uint64_t base = 0;
        forEachRecord<4>(data, s, sink, progress, [&](const std::uint8_t* p) {
            const std::uint32_t r = word(p);
            const std::uint32_t channel = (r >> 25) & 0x3F;
            const std::uint32_t time = r & 0x1FFFFFF;
            if ((r >> 31) != 0) {
                if (channel == 0x3F) {
                    base += v2 && time != 0 ? wrap * time : wrap;
                    ++s.overflowRecords;
                } else if (channel == 0) {
                    sink.photon(base + time, -1, 0); // a sync event
                } else {
                    ++s.markerRecords;
                }
                return;
            }
            sink.photon(base + time, static_cast<int>(channel), 0);
        });
        s.endTime = base;
    }

    // v1.0 files of one writer store compressed overflows as a count in the
    // nsync field, like v2; a v1 field of 0 or 1 is one overflow.
    template <bool countInField>
    void hydraT3(std::span<const std::uint8_t> data, DecodeStats& s, PhotonSink& sink, Progress& progress)
    {
        constexpr std::uint64_t wrap = 1024;
        std::uint64_t base = 0;
        forEachRecord<4>(data, s, sink, progress, [&](const std::uint8_t* p) {
            const std::uint32_t r = word(p);
            const std::uint32_t channel = (r >> 25) & 0x3F;
            const std::uint32_t nsync = r & 0x3FF;
            if ((r >> 31) != 0) [[unlikely]] {
                if (channel == 0x3F) {
                    base += countInField && nsync > 1 ? wrap * nsync : wrap;
                    ++s.overflowRecords;
                } else {
                    ++s.markerRecords;
                }
                return;
            }
            sink.photon(base + nsync, static_cast<int>(channel), (r >> 10) & 0x7FFF);
        });
        s.endTime = base;
    }

    void spc130(std::span<const std::uint8_t> data, DecodeStats& s, PhotonSink& sink, Progress& progress)
    {
        constexpr std::uint64_t wrap = 4096;
        std::uint64_t base = 0;
        forEachRecord<4>(data, s, sink, progress, [&](const std::uint8_t* p) {
            const std::uint32_t r = word(p);
            const bool invalid = (r >> 31) != 0;
            const bool overflow = ((r >> 30) & 1) != 0;
            const bool gap = ((r >> 29) & 1) != 0;
            const bool mark = ((r >> 28) & 1) != 0;
            s.gapRecords += gap ? 1 : 0;
            if (invalid && overflow && !mark) {
                base += wrap * (r & 0x0FFFFFFF);
                ++s.overflowRecords;
                return;
            }
            if (overflow)
                base += wrap;
            if (invalid) {
                ++(mark ? s.markerRecords : s.invalidRecords);
                return;
            }
            // The ADC counts back from the stop pulse: 4095 - ADC grows with the delay.
            sink.photon(base + (r & 0xFFF), static_cast<int>((r >> 12) & 0xF), 4095 - ((r >> 16) & 0xFFF));
        });
        s.endTime = base;
    }

    void spc600x4096(std::span<const std::uint8_t> data, DecodeStats& s, PhotonSink& sink, Progress& progress)
    {
        constexpr std::uint64_t wrap = std::uint64_t { 1 } << 24;
        std::uint64_t base = 0;
        forEachRecord<6>(data, s, sink, progress, [&](const std::uint8_t* p) {
            const std::uint32_t adc = (p[0] | (std::uint32_t { p[1] } << 8)) & 0xFFF;
            const bool invalid = (p[1] & 0x10) != 0;
            const bool overflow = (p[1] & 0x20) != 0;
            s.gapRecords += (p[1] & 0x40) != 0 ? 1 : 0;
            if (overflow)
                base += wrap;
            if (invalid) {
                ++(overflow ? s.overflowRecords : s.invalidRecords);
                return;
            }
            const std::uint32_t macrotime = p[4] | (std::uint32_t { p[5] } << 8) | (std::uint32_t { p[2] } << 16);
            sink.photon(base + macrotime, p[3], 4095 - adc);
        });
        s.endTime = base;
    }

    void spc600x256(std::span<const std::uint8_t> data, DecodeStats& s, PhotonSink& sink, Progress& progress)
    {
        constexpr std::uint64_t wrap = std::uint64_t { 1 } << 17;
        std::uint64_t base = 0;
        forEachRecord<4>(data, s, sink, progress, [&](const std::uint8_t* p) {
            const std::uint8_t flags = p[3];
            const bool invalid = (flags & 0x80) != 0;
            const bool overflow = (flags & 0x40) != 0;
            s.gapRecords += (flags & 0x20) != 0 ? 1 : 0;
            if (invalid && overflow) {
                base += wrap * (word(p) & 0x0FFFFFFF);
                ++s.overflowRecords;
                return;
            }
            if (overflow)
                base += wrap;
            if (invalid) {
                ++s.invalidRecords;
                return;
            }
            const std::uint32_t macrotime = p[1] | (std::uint32_t { p[2] } << 8) | (std::uint32_t { flags & 1u } << 16);
            sink.photon(base + macrotime, (flags & 0x0F) >> 1, 255u - p[0]);
        });
        s.endTime = base;
    }
} // namespace

DecodeStats decodeRecords(
    std::span<const std::uint8_t> records, const TttrHeader& header, PhotonSink& sink, Progress& progress)
{
    DecodeStats s;
    switch (header.layout) {
    case RecordLayout::picoHarpT2:
        picoHarpT2(records, s, sink, progress);
        break;
    case RecordLayout::picoHarpT3:
        picoHarpT3(records, s, sink, progress);
        break;
    case RecordLayout::hydraT2v1:
        hydraT2<false>(records, s, sink, progress);
        break;
    case RecordLayout::hydraT2v2:
        hydraT2<true>(records, s, sink, progress);
        break;
    case RecordLayout::hydraT3v1:
        if (header.v1OverflowCountInField)
            hydraT3<true>(records, s, sink, progress);
        else
            hydraT3<false>(records, s, sink, progress);
        break;
    case RecordLayout::hydraT3v2:
        hydraT3<true>(records, s, sink, progress);
        break;
    case RecordLayout::spc130:
        spc130(records, s, sink, progress);
        break;
    case RecordLayout::spc600x4096:
        spc600x4096(records, s, sink, progress);
        break;
    case RecordLayout::spc600x256:
        spc600x256(records, s, sink, progress);
        break;
    case RecordLayout::photonHdf5:
    case RecordLayout::none:
        break;
    }
    s.endTime = std::max(s.endTime, sink.lastTime());
    return s;
}

} // namespace plask::formats
