#include "formats/hdf5_datasets.h"

#include "formats/rational_math.h"

#include "core/text_format.h"

#include <hdf5.h>

#include <cstring>
#include <span>
#include <utility>
#include <vector>

namespace plask::formats {

namespace {
    constexpr hsize_t slab = hdf5SlabPhotons;

    // Closes an HDF5 identifier with its own close function.
    class Handle {
    public:
        Handle(hid_t id, herr_t (*close)(hid_t))
            : id_(id)
            , close_(close)
        {
        }
        ~Handle()
        {
            if (id_ >= 0)
                close_(id_);
        }
        Handle(const Handle&) = delete;
        Handle& operator=(const Handle&) = delete;
        [[nodiscard]] hid_t get() const { return id_; }
        [[nodiscard]] bool ok() const { return id_ >= 0; }

    private:
        hid_t id_;
        herr_t (*close_)(hid_t);
    };

    [[nodiscard]] bool exists(hid_t file, const char* path)
    {
        // Each parent must exist before H5Lexists may be asked about a child.
        std::string partial;
        const std::string full(path);
        std::size_t at = 1;
        while (at <= full.size()) {
            const std::size_t next = full.find('/', at);
            partial = full.substr(0, next);
            if (H5Lexists(file, partial.c_str(), H5P_DEFAULT) <= 0)
                return false;
            if (next == std::string::npos)
                break;
            at = next + 1;
        }
        return true;
    }

    // Length of a one-dimensional dataset, or -1.
    [[nodiscard]] long long lengthOf(hid_t set)
    {
        const Handle space(H5Dget_space(set), H5Sclose);
        if (!space.ok() || H5Sget_simple_extent_ndims(space.get()) != 1)
            return -1;
        hsize_t n = 0;
        H5Sget_simple_extent_dims(space.get(), &n, nullptr);
        return static_cast<long long>(n);
    }

    // Reads elements [start, start + count) of a 1-D dataset as `type`.
    [[nodiscard]] bool readSlab(hid_t set, hid_t type, hsize_t start, hsize_t count, void* out)
    {
        const Handle file(H5Dget_space(set), H5Sclose);
        const Handle memory(H5Screate_simple(1, &count, nullptr), H5Sclose);
        if (!file.ok() || !memory.ok())
            return false;
        if (H5Sselect_hyperslab(file.get(), H5S_SELECT_SET, &start, nullptr, &count, nullptr) < 0)
            return false;
        return H5Dread(set, type, memory.get(), file.get(), H5P_DEFAULT, out) >= 0;
    }

    // A number stored as a scalar or as the first element of a list (files
    // of setups with several lasers list one repetition rate per laser).
    // Only that one element is read: the dataset's own size is the file's
    // claim and must not decide how much is written into `value`.
    [[nodiscard]] bool readScalarDouble(hid_t file, const char* path, double& value)
    {
        if (!exists(file, path))
            return false;
        const Handle set(H5Dopen2(file, path, H5P_DEFAULT), H5Dclose);
        if (!set.ok())
            return false;
        const Handle space(H5Dget_space(set.get()), H5Sclose);
        const Handle type(H5Dget_type(set.get()), H5Tclose);
        if (!space.ok() || !type.ok() || H5Tget_class(type.get()) == H5T_NO_CLASS)
            return false;
        // The library sizes its read buffer by the storage the file claims
        // and does not check that allocation: a damaged size is refused here.
        const std::size_t elementBytes = H5Tget_size(type.get());
        if (elementBytes == 0 || elementBytes > 16 || H5Dget_storage_size(set.get()) > (1u << 20))
            return false;
        const int dims = H5Sget_simple_extent_ndims(space.get());
        if (dims == 0)
            return H5Sget_simple_extent_npoints(space.get()) == 1
                && H5Dread(set.get(), H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, &value) >= 0;
        return dims == 1 && lengthOf(set.get()) >= 1 && readSlab(set.get(), H5T_NATIVE_DOUBLE, 0, 1, &value);
    }

    // The header of a file that cannot be opened.
    [[nodiscard]] TttrHeader unreadable()
    {
        TttrHeader h;
        h.layout = RecordLayout::photonHdf5;
        h.format = "Photon-HDF5";
        h.error = "Error opening file: not a readable HDF5 file.";
        return h;
    }

    // Everything after the open, the same for a file on disk and one in memory.
    [[nodiscard]] TttrHeader readOpenFile(const Handle& file, Hdf5PhotonReceiver* receiver)
    {
        TttrHeader h;
        h.layout = RecordLayout::photonHdf5;
        h.format = "Photon-HDF5";
        if (exists(file.get(), "/photon_data0") || exists(file.get(), "/photon_data1")) {
            h.error = "This Photon-HDF5 file holds several photon_data groups; only files with one are read.";
            return h;
        }
        if (!exists(file.get(), "/photon_data/timestamps")) {
            h.error = "This HDF5 file has no /photon_data/timestamps: not a Photon-HDF5 file.";
            return h;
        }
        double unitSeconds = 0.0;
        if (!readScalarDouble(file.get(), "/photon_data/timestamps_specs/timestamps_unit", unitSeconds)) {
            h.error = "This Photon-HDF5 file has no /photon_data/timestamps_specs/timestamps_unit.";
            return h;
        }
        const std::optional<Rational> unit = rationalFromDouble(unitSeconds);
        if (!unit || absurdResolution(*unit)) {
            h.error = formatText("The time resolution of this file (%g s) is zero or absurd.", unitSeconds);
            return h;
        }
        h.unit = *unit;
        const Handle times(H5Dopen2(file.get(), "/photon_data/timestamps", H5P_DEFAULT), H5Dclose);
        const long long n = times.ok() ? lengthOf(times.get()) : -1;
        if (n < 0) {
            h.error = "The timestamps of this Photon-HDF5 file are not a list.";
            return h;
        }
        // A dataset never written has no storage: its length is a claim, and
        // reading it would only give fill values.
        if (n > 0 && H5Dget_storage_size(times.get()) == 0) {
            h.error = formatText("This Photon-HDF5 file claims %lld timestamps but stores none.", n);
            return h;
        }
        h.announcedRecords = static_cast<std::uint64_t>(n);
        const bool hasDetectors = exists(file.get(), "/photon_data/detectors");
        const bool hasNanotimes = exists(file.get(), "/photon_data/nanotimes");
        const Handle detectors(
            hasDetectors ? H5Dopen2(file.get(), "/photon_data/detectors", H5P_DEFAULT) : H5I_INVALID_HID, H5Dclose);
        const Handle nanotimes(
            hasNanotimes ? H5Dopen2(file.get(), "/photon_data/nanotimes", H5P_DEFAULT) : H5I_INVALID_HID, H5Dclose);
        if ((hasDetectors && (!detectors.ok() || lengthOf(detectors.get()) != n))
            || (hasNanotimes && (!nanotimes.ok() || lengthOf(nanotimes.get()) != n))) {
            h.error = "The detectors or nanotimes of this Photon-HDF5 file do not match its timestamps.";
            return h;
        }
        if (hasNanotimes) {
            h.t3 = true;
            h.format = "Photon-HDF5 TCSPC";
            double tcspcUnit = 0.0;
            double bins = 0.0;
            if (readScalarDouble(file.get(), "/photon_data/nanotimes_specs/tcspc_unit", tcspcUnit)) {
                h.microtimeUnit = rationalFromDouble(tcspcUnit);
                if (!h.microtimeUnit || absurdResolution(*h.microtimeUnit)) {
                    h.error = formatText("The nanotime resolution of this file (%g s) is zero or absurd.", tcspcUnit);
                    return h;
                }
            }
            h.microtimeChannels = readScalarDouble(file.get(), "/photon_data/nanotimes_specs/tcspc_num_bins", bins)
                    && bins >= 1.0 && bins <= 1e9
                ? static_cast<std::uint32_t>(bins)
                : 65536;
            double rate = 0.0;
            if (readScalarDouble(file.get(), "/setup/laser_repetition_rates", rate)
                || readScalarDouble(file.get(), "/photon_data/measurement_specs/laser_repetition_rate", rate))
                h.syncRateHz = rate;
        }
        if (receiver == nullptr || !receiver->header(h, hasDetectors, hasNanotimes))
            return h;

        const hsize_t total = static_cast<hsize_t>(n);
        for (hsize_t start = 0; start < total; start += slab) {
            const hsize_t count = std::min(slab, total - start);
            const Hdf5SlabBuffers to = receiver->nextBuffers();
            if (to.times == nullptr)
                break;
            if (!readSlab(times.get(), H5T_NATIVE_INT64, start, count, to.times)
                || (hasDetectors && !readSlab(detectors.get(), H5T_NATIVE_INT32, start, count, to.detectors))
                || (hasNanotimes && !readSlab(nanotimes.get(), H5T_NATIVE_UINT32, start, count, to.nanotimes))) {
                h.error = "The photon data of this Photon-HDF5 file cannot be read.";
                return h;
            }
            if (!receiver->slab(static_cast<std::size_t>(count)))
                break;
        }
        return h;
    }

} // namespace

TttrHeader readHdf5Datasets(const std::string& path, Hdf5PhotonReceiver* receiver)
{
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr); // our message, not the library's error stack
    const Handle file(H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose);
    return file.ok() ? readOpenFile(file, receiver) : unreadable();
}

TttrHeader readHdf5Image(std::span<const std::uint8_t> image, Hdf5PhotonReceiver* receiver)
{
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    if (image.empty())
        return unreadable();
    // The in-memory driver over a copy of the bytes, never written back.
    const Handle access(H5Pcreate(H5P_FILE_ACCESS), H5Pclose);
    if (!access.ok() || H5Pset_fapl_core(access.get(), image.size(), 0) < 0
        || H5Pset_file_image(access.get(), const_cast<std::uint8_t*>(image.data()), image.size()) < 0)
        return unreadable();
    const Handle file(H5Fopen("in-memory.h5", H5F_ACC_RDONLY, access.get()), H5Fclose);
    return file.ok() ? readOpenFile(file, receiver) : unreadable();
}

} // namespace plask::formats
