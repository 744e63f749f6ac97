#include "ui/dialogs/setup_commands.h"

#include "correlation/photon_correlation_command.h"
#include "ui/commands.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/display_setup_dialog.h"
#include "ui/dialogs/fcs_setup_dialog.h"
#include "ui/dialogs/hist_setup_dialog.h"

namespace plask::ui {

bool runSetupDialog(
    int id, AppState& state, Platform& platform, QWidget* owner, const std::function<void()>& switchAutoscaleYOn)
{
    switch (id) {
    case cmdDisplaySetup: {
        DisplaySetupDialog dialog(state, platform, owner);
        QObject::connect(&dialog, &DisplaySetupDialog::autoscaleYRequested, &dialog, [&switchAutoscaleYOn] {
            if (switchAutoscaleYOn)
                switchAutoscaleYOn();
        });
        dialog.exec();
        return true;
    }
    case cmdFcsSetup: {
        FcsSetupDialog dialog(state.settings(), state.photonMode,
            photonModeOffered(state, state.activeChannel, correlationAuto), owner);
        dialog.exec();
        return true;
    }
    case cmdHistogramSetup: {
        HistSetupDialog dialog(state.settings(), owner);
        dialog.exec();
        return true;
    }
    case cmdAbout: {
        AboutDialog dialog(owner);
        dialog.exec();
        return true;
    }
    default:
        return false;
    }
}

} // namespace plask::ui
