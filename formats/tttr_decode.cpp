#include "formats/tttr_decode.h"

#include "formats/little_endian.h"

namespace plask::formats {

namespace {
    constexpr std::size_t blockRecords = std::size_t { 1 } << 20;

    using Mode = PhotonSink::Mode;

    [[nodiscard]] std::uint32_t word(const std::uint8_t* p) { return loadLittleEndian<std::uint32_t>(p); }

    // The running facts of a pass that record layouts keep: the overflow
    // base and the counts of records that are not photons.
    struct Counters {
        std::uint64_t base = 0;
        std::uint64_t overflowRecords = 0;
        std::uint64_t markerRecords = 0;
        std::uint64_t invalidRecords = 0;
        std::uint64_t gapRecords = 0;
    };

    // Each layout is a record source for PhotonSink::Batch::run: decode(i)
    // reads record i of its block and says whether it is a photon.
    struct PicoHarpT2 : Counters {
        static constexpr std::size_t bytes = 4;
        const std::uint8_t* p = nullptr;
        bool decode(std::size_t i, DecodedPhoton& out)
        {
            constexpr std::uint64_t wrap = 210698240;
            const std::uint32_t r = word(p + i * bytes);
            const std::uint32_t channel = r >> 28;
            const std::uint32_t time = r & 0x0FFFFFFF;
            if (channel == 15) [[unlikely]] {
                if ((time & 0xF) == 0) {
                    base += wrap;
                    ++overflowRecords;
                } else {
                    ++markerRecords;
                }
                return false;
            }
            out = { base + time, static_cast<int>(channel), 0 };
            return true;
        }
    };

    struct PicoHarpT3 : Counters {
        static constexpr std::size_t bytes = 4;
        static constexpr T3Word laneWord = T3Word::picoHarp;
        const std::uint8_t* p = nullptr;
        bool decode(std::size_t i, DecodedPhoton& out)
        {
            constexpr std::uint64_t wrap = 65536;
            const std::uint32_t r = word(p + i * bytes);
            const std::uint32_t channel = r >> 28;
            const std::uint32_t dtime = (r >> 16) & 0xFFF;
            if (channel == 15) [[unlikely]] {
                if (dtime == 0) {
                    base += wrap;
                    ++overflowRecords;
                } else {
                    ++markerRecords;
                }
                return false;
            }
            out = { base + (r & 0xFFFF), static_cast<int>(channel), dtime };
            return true;
        }
    };

    template <bool v2>
    struct HydraT2 : Counters {
        static constexpr std::size_t bytes = 4;
        const std::uint8_t* p = nullptr;
        bool decode(std::size_t i, DecodedPhoton& out)
        {
            constexpr std::uint64_t wrap = v2 ? 33554432 : 33552000;
            const std::uint32_t r = word(p + i * bytes);
            const std::uint32_t channel = (r >> 25) & 0x3F;
            const std::uint32_t time = r & 0x1FFFFFF;
            if ((r >> 31) != 0) {
                if (channel == 0x3F) {
                    base += v2 && time != 0 ? wrap * time : wrap;
                    ++overflowRecords;
                    return false;
                }
                if (channel == 0) {
                    out = { base + time, -1, 0 }; // a sync event
                    return true;
                }
                ++markerRecords;
                return false;
            }
            out = { base + time, static_cast<int>(channel), 0 };
            return true;
        }
    };

    // v1.0 files of one writer store compressed overflows as a count in the
    // nsync field, like v2; a v1 field of 0 or 1 is one overflow.
    template <bool countInField>
    struct HydraT3 : Counters {
        static constexpr std::size_t bytes = 4;
        static constexpr T3Word laneWord = countInField ? T3Word::hydraOverflowCount : T3Word::hydraOneOverflow;
        const std::uint8_t* p = nullptr;
        bool decode(std::size_t i, DecodedPhoton& out)
        {
            constexpr std::uint64_t wrap = 1024;
            const std::uint32_t r = word(p + i * bytes);
            const std::uint32_t channel = (r >> 25) & 0x3F;
            const std::uint32_t nsync = r & 0x3FF;
            if ((r >> 31) != 0) [[unlikely]] {
                if (channel == 0x3F) {
                    base += countInField && nsync > 1 ? wrap * nsync : wrap;
                    ++overflowRecords;
                } else {
                    ++markerRecords;
                }
                return false;
            }
            out = { base + nsync, static_cast<int>(channel), (r >> 10) & 0x7FFF };
            return true;
        }
    };

    struct Spc130 : Counters {
        static constexpr std::size_t bytes = 4;
        const std::uint8_t* p = nullptr;
        bool decode(std::size_t i, DecodedPhoton& out)
        {
            constexpr std::uint64_t wrap = 4096;
            const std::uint32_t r = word(p + i * bytes);
            gapRecords += (r >> 29) & 1;
            if ((r >> 30) != 0) [[unlikely]] {
                const bool invalid = (r >> 31) != 0;
                const bool overflow = ((r >> 30) & 1) != 0;
                const bool mark = ((r >> 28) & 1) != 0;
                if (invalid && overflow && !mark) {
                    base += wrap * (r & 0x0FFFFFFF);
                    ++overflowRecords;
                    return false;
                }
                if (overflow)
                    base += wrap;
                if (invalid) {
                    ++(mark ? markerRecords : invalidRecords);
                    return false;
                }
            }
            // The ADC counts back from the stop pulse: 4095 - ADC grows with the delay.
            out = { base + (r & 0xFFF), static_cast<int>((r >> 12) & 0xF), 4095 - ((r >> 16) & 0xFFF) };
            return true;
        }
    };

    struct Spc600x4096 : Counters {
        static constexpr std::size_t bytes = 6;
        const std::uint8_t* p = nullptr;
        bool decode(std::size_t i, DecodedPhoton& out)
        {
            constexpr std::uint64_t wrap = std::uint64_t { 1 } << 24;
            const std::uint8_t* q = p + i * bytes;
            const std::uint32_t adc = (q[0] | (std::uint32_t { q[1] } << 8)) & 0xFFF;
            const bool invalid = (q[1] & 0x10) != 0;
            const bool overflow = (q[1] & 0x20) != 0;
            gapRecords += (q[1] >> 6) & 1;
            if (overflow)
                base += wrap;
            if (invalid) {
                ++(overflow ? overflowRecords : invalidRecords);
                return false;
            }
            const std::uint32_t macrotime = q[4] | (std::uint32_t { q[5] } << 8) | (std::uint32_t { q[2] } << 16);
            out = { base + macrotime, q[3], 4095 - adc };
            return true;
        }
    };

    struct Spc600x256 : Counters {
        static constexpr std::size_t bytes = 4;
        const std::uint8_t* p = nullptr;
        bool decode(std::size_t i, DecodedPhoton& out)
        {
            constexpr std::uint64_t wrap = std::uint64_t { 1 } << 17;
            const std::uint8_t* q = p + i * bytes;
            const std::uint8_t flags = q[3];
            const bool invalid = (flags & 0x80) != 0;
            const bool overflow = (flags & 0x40) != 0;
            gapRecords += (flags >> 5) & 1;
            if (invalid && overflow) {
                base += wrap * (word(q) & 0x0FFFFFFF);
                ++overflowRecords;
                return false;
            }
            if (overflow)
                base += wrap;
            if (invalid) {
                ++invalidRecords;
                return false;
            }
            const std::uint32_t macrotime = q[1] | (std::uint32_t { q[2] } << 8) | (std::uint32_t { flags & 1u } << 16);
            out = { base + macrotime, (flags & 0x0F) >> 1, 255u - q[0] };
            return true;
        }
    };

    // Every whole record through the sink, a block at a time, with a
    // progress step and a backwards check at each block boundary.
    template <Mode mode, typename Layout>
    DecodeStats decodeWith(
        std::span<const std::uint8_t> data, PhotonSink& sink, Progress& progress, const ReadingAt& readingAt)
    {
        DecodeStats s;
        Layout layout;
        const std::size_t n = data.size() / Layout::bytes;
        typename PhotonSink::Batch<mode>::Tally tally {};
        for (std::size_t start = 0; start < n; start += blockRecords) {
            const std::size_t end = std::min(n, start + blockRecords);
            layout.p = data.data() + start * Layout::bytes;
            if (readingAt)
                readingAt(start * Layout::bytes, (end - start) * Layout::bytes);
            sink.bringInBins();
            {
                PhotonSink::Batch<mode> batch(sink, tally);
                batch.run(layout, end - start);
            }
            s.records = end;
            if (sink.wentBackwards())
                break;
            if (!progress.step(static_cast<double>(end) / static_cast<double>(n))) {
                s.cancelled = true;
                break;
            }
        }
        s.overflowRecords = layout.overflowRecords;
        s.markerRecords = layout.markerRecords;
        s.invalidRecords = layout.invalidRecords;
        s.gapRecords = layout.gapRecords;
        s.endTime = layout.base;
        return s;
    }
} // namespace

namespace {
    template <Mode mode>
    DecodeStats decodeAs(std::span<const std::uint8_t> records, const TttrHeader& header, PhotonSink& sink,
        Progress& progress, const ReadingAt& readingAt)
    {
        switch (header.layout) {
        case RecordLayout::picoHarpT2:
            return decodeWith<mode, PicoHarpT2>(records, sink, progress, readingAt);
        case RecordLayout::picoHarpT3:
            return decodeWith<mode, PicoHarpT3>(records, sink, progress, readingAt);
        case RecordLayout::hydraT2v1:
            return decodeWith<mode, HydraT2<false>>(records, sink, progress, readingAt);
        case RecordLayout::hydraT2v2:
            return decodeWith<mode, HydraT2<true>>(records, sink, progress, readingAt);
        case RecordLayout::hydraT3v1:
            return header.v1OverflowCountInField ? decodeWith<mode, HydraT3<true>>(records, sink, progress, readingAt)
                                                 : decodeWith<mode, HydraT3<false>>(records, sink, progress, readingAt);
        case RecordLayout::hydraT3v2:
            return decodeWith<mode, HydraT3<true>>(records, sink, progress, readingAt);
        case RecordLayout::spc130:
            return decodeWith<mode, Spc130>(records, sink, progress, readingAt);
        case RecordLayout::spc600x4096:
            return decodeWith<mode, Spc600x4096>(records, sink, progress, readingAt);
        case RecordLayout::spc600x256:
            return decodeWith<mode, Spc600x256>(records, sink, progress, readingAt);
        case RecordLayout::photonHdf5:
        case RecordLayout::none:
            break;
        }
        return {};
    }
} // namespace

DecodeStats decodeRecords(std::span<const std::uint8_t> records, const TttrHeader& header, PhotonSink& sink,
    Progress& progress, const ReadingAt& readingAt)
{
    DecodeStats s;
    switch (sink.mode()) {
    case Mode::count:
        s = decodeAs<Mode::count>(records, header, sink, progress, readingAt);
        break;
    case Mode::collect:
        s = decodeAs<Mode::collect>(records, header, sink, progress, readingAt);
        break;
    case Mode::binByMultiply:
        s = decodeAs<Mode::binByMultiply>(records, header, sink, progress, readingAt);
        break;
    case Mode::binByEdges:
        s = decodeAs<Mode::binByEdges>(records, header, sink, progress, readingAt);
        break;
    case Mode::generic:
        s = decodeAs<Mode::generic>(records, header, sink, progress, readingAt);
        break;
    }
    s.endTime = std::max(s.endTime, sink.lastTime());
    return s;
}

} // namespace plask::formats
