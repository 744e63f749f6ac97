#pragma once
// T3 records binned sixteen at a time in AVX-512 lanes: the words decoded,
// overflows summed across the lanes, channels tallied, times checked for
// going backwards, the selection applied and the kept photons' bins found
// by a division in doubles. The batch loop of PhotonSink hands its running
// state over and takes it back; groups the lanes do not take (a window edge
// inside the group, bins past the counts array) and processors without
// AVX-512 stay with the batch loop's own record-by-record path.

#include <cstddef>
#include <cstdint>

namespace plask::formats {

// The T3 record words the lanes decode.
enum class T3Word {
    picoHarp, // channel 4 bits, dtime 12, nsync 16; channel 15 special
    hydraOneOverflow, // special bit, channel 6, dtime 15, nsync 10; an overflow record is one overflow
    hydraOverflowCount, // the same words, an overflow record's nsync field counts its overflows
};

// The batch loop's running state, as it stands between records.
struct LaneState {
    std::uint64_t base = 0; // overflow base of the layout, in time units
    std::uint64_t overflowRecords = 0;
    std::uint64_t markerRecords = 0;
    std::uint64_t last = 0; // time of the last photon
    std::uint64_t lastKept = 0; // window time of the last kept photon
    std::uint64_t kept = 0;
    std::uint64_t backwards = 0; // nonzero once a photon came earlier than the one before
    std::uint64_t run = 0; // photons so far in bin runBin
    std::uint64_t runBin = 0;
};

// What the lanes work on: records of one block and where their photons go.
struct LaneJob {
    const std::uint8_t* records = nullptr;
    std::size_t count = 0; // records in the block
    std::uint32_t* tally = nullptr; // photons per channel slot (channel + 1)
    const std::uint8_t* wanted = nullptr; // 1 for kept channel slots
    bool gated = false;
    std::uint32_t gateFrom = 0;
    std::uint32_t gateWidth = 0;
    std::uint64_t windowStart = 0;
    std::uint64_t windowWidth = UINT64_MAX;
    std::uint64_t unitsPerBin = 0; // 0: the kept photons are counted, not binned
    std::uint64_t reciprocal = 0; // ceil(2^64 / unitsPerBin), exact below fastWidth
    // Window times below this are in the window and their bins in the array.
    std::uint64_t fastWidth = 0;
    std::uint16_t* bins = nullptr; // null when not binning
};

// True when this processor has the lanes and they have not been switched
// off, and the bin width (in time units) is one they divide exactly; 0
// stands for photons counted and not binned.
[[nodiscard]] bool laneBinningFor(std::uint64_t unitsPerBin);

// Bins records from index `from` on, sixteen at a time, and returns the
// index of the first record not done: a group the lanes leave to the
// caller, or the last fewer than sixteen records.
[[nodiscard]] std::size_t binT3Lanes(T3Word word, const LaneJob& job, LaneState& state, std::size_t from);

// Lets the lanes be used (the default where the processor has them) or not;
// tests compare both paths on one machine.
void allowLaneBinning(bool allowed);

} // namespace plask::formats
