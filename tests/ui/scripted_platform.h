#pragma once
// The desktop platform with its questions answered by a script: messages,
// Yes/No and file dialogs go to a FakePlatform (queues and a call log), while
// the panel and every announcement reach the real window.

#include "fake_platform.h"
#include "ui/qt_platform.h"

namespace plask::testing {

class ScriptedPlatform : public ui::QtPlatform {
public:
    FakePlatform script;

    void showMessage(std::string_view text, std::string_view caption, Owner owner) override
    {
        script.showMessage(text, caption, owner);
    }
    bool askYesNo(std::string_view text, std::string_view caption) override { return script.askYesNo(text, caption); }
    std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override
    {
        if (!pendingOpenFiles.empty())
            return QtPlatform::chooseOpenFile(request);
        return script.chooseOpenFile(request);
    }
    std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override
    {
        return script.chooseSaveFile(request);
    }
    std::optional<std::string> chooseFolder(std::string_view title) override { return script.chooseFolder(title); }
};

} // namespace plask::testing
