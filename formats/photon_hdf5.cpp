#include "formats/photon_hdf5.h"

#include "formats/child_process.h"
#include "formats/hdf5_datasets.h"

#include <algorithm>
#include <cstring>

namespace plask::formats {

namespace {
    // What the child sends: the header, then slabs, then the end.
    enum class Tag : std::uint8_t { slab = 1, end = 2 };

    struct WireHeader {
        std::uint64_t unitNum = 0;
        std::uint64_t unitDen = 1;
        std::uint64_t microtimeNum = 0;
        std::uint64_t microtimeDen = 1;
        std::uint64_t announcedRecords = 0;
        double syncRateHz = 0.0;
        std::uint32_t microtimeChannels = 0;
        std::uint32_t formatBytes = 0;
        std::uint32_t errorBytes = 0;
        std::uint8_t t3 = 0;
        std::uint8_t hasMicrotimeUnit = 0;
        std::uint8_t hasDetectors = 0;
        std::uint8_t hasNanotimes = 0;
    };

    // Texts of the header are short; a longer length is a broken channel.
    constexpr std::uint32_t textLimit = 4096;

    bool sendHeader(ChildChannel& out, const TttrHeader& h, bool hasDetectors, bool hasNanotimes)
    {
        WireHeader w;
        w.unitNum = h.unit.num;
        w.unitDen = h.unit.den;
        if (h.microtimeUnit) {
            w.hasMicrotimeUnit = 1;
            w.microtimeNum = h.microtimeUnit->num;
            w.microtimeDen = h.microtimeUnit->den;
        }
        w.announcedRecords = h.announcedRecords;
        w.syncRateHz = h.syncRateHz;
        w.microtimeChannels = h.microtimeChannels;
        w.formatBytes = static_cast<std::uint32_t>(std::min<std::size_t>(h.format.size(), textLimit));
        w.errorBytes = static_cast<std::uint32_t>(std::min<std::size_t>(h.error.size(), textLimit));
        w.t3 = h.t3 ? 1 : 0;
        w.hasDetectors = hasDetectors ? 1 : 0;
        w.hasNanotimes = hasNanotimes ? 1 : 0;
        return out.value(w) && out.write(h.format.data(), w.formatBytes) && out.write(h.error.data(), w.errorBytes);
    }

    // Two slab buffers in shared memory: the child reads the next slab into
    // one while the parent bins the other, and no photon is copied.
    constexpr std::size_t slabBufferBytes
        = hdf5SlabPhotons * (sizeof(std::int64_t) + sizeof(std::int32_t) + sizeof(std::uint32_t));
    constexpr std::size_t slabBuffers = 2;

    Hdf5SlabBuffers slabBuffer(void* shared, std::size_t index)
    {
        auto* base = static_cast<char*>(shared) + (index % slabBuffers) * slabBufferBytes;
        auto* times = reinterpret_cast<std::int64_t*>(base);
        auto* detectors = reinterpret_cast<std::int32_t*>(times + hdf5SlabPhotons);
        auto* nanotimes = reinterpret_cast<std::uint32_t*>(detectors + hdf5SlabPhotons);
        return { times, detectors, nanotimes };
    }

    // In the child: the header as soon as it is known, then each slab's
    // length once it is in its buffer. A buffer is reused only after the
    // parent has sent back a token for it.
    class SharedReceiver final : public Hdf5PhotonReceiver {
    public:
        SharedReceiver(ChildChannel& out, bool wantPhotons)
            : out_(out)
            , wantPhotons_(wantPhotons)
        {
        }
        bool header(const TttrHeader& header, bool hasDetectors, bool hasNanotimes) override
        {
            headerSent_ = true;
            return sendHeader(out_, header, hasDetectors, hasNanotimes) && wantPhotons_;
        }
        Hdf5SlabBuffers nextBuffers() override
        {
            if (slabs_ >= slabBuffers && !out_.awaitToken())
                return {};
            return slabBuffer(out_.shared(), slabs_);
        }
        bool slab(std::size_t count) override
        {
            ++slabs_;
            const std::uint64_t n = count;
            return out_.value(Tag::slab) && out_.value(n);
        }
        [[nodiscard]] bool headerSent() const { return headerSent_; }

    private:
        ChildChannel& out_;
        bool wantPhotons_;
        bool headerSent_ = false;
        std::size_t slabs_ = 0;
    };

    void readInChild(ChildChannel& out, const std::string& path, bool wantPhotons)
    {
        SharedReceiver receiver(out, wantPhotons);
        const TttrHeader h = readHdf5Datasets(path, &receiver);
        if (!receiver.headerSent()) {
            sendHeader(out, h, false, false);
            return;
        }
        const std::uint32_t errorBytes = static_cast<std::uint32_t>(std::min<std::size_t>(h.error.size(), textLimit));
        (void)(out.value(Tag::end) && out.value(errorBytes) && out.write(h.error.data(), errorBytes));
    }

    [[nodiscard]] bool receiveText(ChildProcess& child, std::uint32_t bytes, std::string& text)
    {
        if (bytes > textLimit)
            return false;
        text.resize(bytes);
        return child.read(text.data(), bytes);
    }

    [[nodiscard]] bool receiveHeader(ChildProcess& child, TttrHeader& h, WireHeader& w)
    {
        if (!child.value(w) || !receiveText(child, w.formatBytes, h.format) || !receiveText(child, w.errorBytes, h.error))
            return false;
        h.unit = { w.unitNum, w.unitDen };
        if (w.hasMicrotimeUnit != 0)
            h.microtimeUnit = Rational { w.microtimeNum, w.microtimeDen };
        h.announcedRecords = w.announcedRecords;
        h.syncRateHz = w.syncRateHz;
        h.microtimeChannels = w.microtimeChannels;
        h.t3 = w.t3 != 0;
        return true;
    }

    // One slab of the datasets as a record source for PhotonSink::Batch::run;
    // a negative time is no photon and is noted.
    struct SlabSource {
        const std::int64_t* times = nullptr;
        const std::int32_t* detectors = nullptr;
        const std::uint32_t* nanotimes = nullptr;
        bool negative = false;
        bool decode(std::size_t i, DecodedPhoton& out)
        {
            if (times[i] < 0) [[unlikely]] {
                negative = true;
                return false;
            }
            out = { static_cast<std::uint64_t>(times[i]), detectors != nullptr ? detectors[i] : 0,
                nanotimes != nullptr ? nanotimes[i] : 0 };
            return true;
        }
    };

    template <PhotonSink::Mode mode>
    [[nodiscard]] bool feedBatch(PhotonSink& sink, std::span<const std::int64_t> t, const std::int32_t* detectors,
        const std::uint32_t* nanotimes)
    {
        typename PhotonSink::Batch<mode>::Tally tally {};
        PhotonSink::Batch<mode> batch(sink, tally);
        SlabSource source { t.data(), detectors, nanotimes };
        batch.run(source, t.size());
        return !source.negative;
    }

    // One slab's photons through a batch of the sink; false at a negative time.
    [[nodiscard]] bool feedSlab(PhotonSink& sink, std::span<const std::int64_t> t, const std::int32_t* detectors,
        const std::uint32_t* nanotimes)
    {
        using Mode = PhotonSink::Mode;
        switch (sink.mode()) {
        case Mode::count:
            return feedBatch<Mode::count>(sink, t, detectors, nanotimes);
        case Mode::collect:
            return feedBatch<Mode::collect>(sink, t, detectors, nanotimes);
        case Mode::binByMultiply:
            return feedBatch<Mode::binByMultiply>(sink, t, detectors, nanotimes);
        case Mode::binByEdges:
            return feedBatch<Mode::binByEdges>(sink, t, detectors, nanotimes);
        case Mode::generic:
            break;
        }
        return feedBatch<Mode::generic>(sink, t, detectors, nanotimes);
    }

    // Receives the slabs into the sink. "" when every photon arrived (or the
    // user cancelled, or time went backwards: the sink and `stats` say so).
    [[nodiscard]] std::string receivePhotons(
        ChildProcess& child, const WireHeader& w, PhotonSink& sink, DecodeStats& stats, Progress& progress)
    {
        const std::string damaged = "This HDF5 file is damaged: the HDF5 library failed while reading its photons.";
        for (std::size_t index = 0;; ++index) {
            Tag tag {};
            if (!child.value(tag))
                return damaged;
            if (tag == Tag::end) {
                std::uint32_t bytes = 0;
                std::string error;
                return child.value(bytes) && receiveText(child, bytes, error) ? error : damaged;
            }
            std::uint64_t n = 0;
            if (tag != Tag::slab || !child.value(n) || n == 0 || n > hdf5SlabPhotons)
                return damaged;
            const Hdf5SlabBuffers at = slabBuffer(child.shared(), index);
            const std::span<const std::int64_t> t(at.times, static_cast<std::size_t>(n));
            const bool fed = feedSlab(
                sink, t, w.hasDetectors != 0 ? at.detectors : nullptr, w.hasNanotimes != 0 ? at.nanotimes : nullptr);
            child.sendToken(); // the buffer is free again
            if (!fed)
                return "This Photon-HDF5 file has negative timestamps.";
            stats.records += n;
            if (sink.wentBackwards())
                return "";
            const double total = static_cast<double>(std::max<std::uint64_t>(w.announcedRecords, 1));
            if (!progress.step(std::min(1.0, static_cast<double>(stats.records) / total))) {
                stats.cancelled = true;
                return "";
            }
        }
    }
} // namespace

bool isHdf5File(std::span<const std::uint8_t> start)
{
    static constexpr std::uint8_t magic[8] = { 0x89, 'H', 'D', 'F', '\r', '\n', 0x1A, '\n' };
    return start.size() >= 8 && std::memcmp(start.data(), magic, 8) == 0;
}

TttrHeader readPhotonHdf5(const std::string& path, PhotonSink* sink, DecodeStats& stats, Progress& progress)
{
    TttrHeader h;
    h.layout = RecordLayout::photonHdf5;
    h.format = "Photon-HDF5";
    const bool wantPhotons = sink != nullptr;
    ChildProcess child(
        wantPhotons ? slabBuffers * slabBufferBytes : 0, [&](ChildChannel& out) { readInChild(out, path, wantPhotons); });
    if (!child.started()) {
        h.error = "Error opening file: no process could be started to read this HDF5 file.";
        return h;
    }
    WireHeader w;
    if (!receiveHeader(child, h, w)) {
        h.error = "This HDF5 file is damaged: the HDF5 library failed while reading its header.";
        return h;
    }
    if (!h.error.empty() || sink == nullptr)
        return h;
    stats.records = 0;
    h.error = receivePhotons(child, w, *sink, stats, progress);
    stats.endTime = sink->lastTime();
    return h;
}

} // namespace plask::formats
