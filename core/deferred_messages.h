#pragma once
// The platform a job hands to code that reports through message boxes (the
// file readers): it keeps the messages and shows them later, on the thread
// that owns the window, once the job has ended. Everything else is silent.

#include "core/silent_platform.h"

#include <string>
#include <vector>

namespace plask {

class DeferredMessages final : public SilentPlatform {
public:
    void showMessage(std::string_view text, std::string_view caption, Owner owner) override
    {
        messages_.push_back({ std::string(text), std::string(caption), owner });
    }

    // Shows the kept messages in order through `platform` and forgets them.
    void replay(Platform& platform)
    {
        for (const Message& message : messages_)
            platform.showMessage(message.text, message.caption, message.owner);
        messages_.clear();
    }

private:
    struct Message {
        std::string text;
        std::string caption;
        Owner owner = Owner::mainWindow;
    };
    std::vector<Message> messages_;
};

} // namespace plask
