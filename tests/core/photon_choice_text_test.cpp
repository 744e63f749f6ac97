#include "core/photon_choice_text.h"

#include <gtest/gtest.h>

#include <random>

namespace plask {
namespace {

    // Any choice the dialogs can hold reads back exactly from the fields that
    // show it (the desktop keeps choices between runs as these fields).
    TEST(PhotonChoiceText, FieldsReadBackAsTheSameChoice)
    {
        std::mt19937 random(12);
        std::uniform_real_distribution<double> ns(0.0, 100.0);
        for (int round = 0; round < 500; ++round) {
            PhotonSelection s;
            for (unsigned n = random() % 4; n > 0; --n) {
                const int channel = static_cast<int>(random() % 256) - 1;
                if (std::find(s.channels.begin(), s.channels.end(), channel) == s.channels.end())
                    s.channels.push_back(channel);
            }
            if (random() % 2) {
                s.gateFromNs = ns(random) / 3.0;
                s.gateToNs = *s.gateFromNs + ns(random) / 7.0 + 1e-3;
            }
            if (random() % 2)
                s.windowStartS = ns(random) / 11.0;
            if (random() % 2)
                s.windowDurationS = ns(random) / 13.0 + 1e-6;
            const PhotonChoiceRead read = photonChoiceFromTexts(photonChoiceTexts(s));
            ASSERT_EQ(read.error, "");
            ASSERT_EQ(read.selection, s) << round;
        }
        EXPECT_EQ(photonChoiceFromTexts({ " 2, 0 ,2", "", "", "", "" }).selection.channels, (std::vector<int> { 2, 0 }));
        for (const PhotonChoiceTexts& bad : { PhotonChoiceTexts { "1,", "", "", "", "" },
                 PhotonChoiceTexts { "", "5", "5", "", "" }, PhotonChoiceTexts { "", "-1", "", "", "" },
                 PhotonChoiceTexts { "", "", "", "1", "0" }, PhotonChoiceTexts { "", "2ns", "", "", "" } })
            EXPECT_NE(photonChoiceFromTexts(bad).error, "") << bad.channels << bad.gateFromNs;

        PhotonFileSummary file;
        file.channels = { { 0, 10, 1.0 }, { 1, 0, 0.0 } };
        file.hasMicrotimes = true;
        file.microtimeRangeNs = 50.0;
        PhotonSelection gate;
        gate.gateToNs = 50.0;
        EXPECT_EQ(photonChoiceError(file, gate), "");
        gate.gateToNs = 50.5;
        EXPECT_NE(photonChoiceError(file, gate), "");
        PhotonSelection chosen;
        chosen.channels = { 1 };
        EXPECT_EQ(photonChoiceError(file, chosen), "Channel 1 has no photons in this file.");
        chosen.channels = { 0, 2 };
        chosen.gateFromNs = 1.5;
        chosen.gateToNs = 10.0;
        chosen.windowStartS = 5.0;
        chosen.windowDurationS = 10.0;
        EXPECT_EQ(photonChoiceDescription(chosen), "detectors 0 + 2 | gate 1.5 to 10 ns | window 5 to 15 s");
    }

} // namespace
} // namespace plask
