#include "analysis/export_dialog.h"

#include "analysis/text_file.h"

namespace plask {

std::optional<std::string> chooseTextExport(Platform& platform, std::string_view filterDescription,
    std::string defaultName)
{
    FileDialogRequest request;
    request.filters.push_back({ std::string(filterDescription), "*.txt" });
    request.defaultName = std::move(defaultName);
    request.defaultExtension = ".txt";
    return platform.chooseSaveFile(request);
}

void reportWriteFailure(Platform& platform, int result, Owner owner)
{
    if (result == writeCannotOpen)
        platform.showMessage(fileErrorText, fileErrorCaption, owner);
    else if (result == writeFailed)
        platform.showMessage(fileIncompleteText, fileErrorCaption, owner);
}

} // namespace plask
