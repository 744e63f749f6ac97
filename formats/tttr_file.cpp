#include "formats/tttr_file.h"

namespace plask::formats {

TimeTagLoad readTttrTimeTags(const std::string& /*path*/, const PhotonSelection& /*selection*/, Progress& /*progress*/)
{
    TimeTagLoad load;
    load.error = "Error opening file.";
    return load;
}

} // namespace plask::formats
