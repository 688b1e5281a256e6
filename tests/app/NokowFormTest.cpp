#include <gtest/gtest.h>

#include "app/NokowForm.h"
#include "base/Settings.h"
#include "fakes/RecordingFileChooser.h"

TEST(NokowValues, OkDerivesTheSimultaneousCalculationsAtOnce)
{
    struct Case {
        int maxCal;
        int expectedMaxCal;
        int expectedNum;
    };
    const Case cases[] = {{0, 0, 1}, {1, 1, 2}, {2, 2, 4}, {3, 3, 8}, {4, 4, 16}, {7, 2, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maxCal);
        Settings settings;
        settings.MaxCal = 2;
        settings.UpdateMaxCalNum();
        NokowValues values = NokowValues::FromSettings(settings);
        values.MaxCal = c.maxCal;

        values.ApplyTo(settings);

        EXPECT_EQ(settings.MaxCal, c.expectedMaxCal);
        EXPECT_EQ(settings.MaxCalNum, c.expectedNum);
    }
}

TEST(NokowValues, CopiesEveryEditedSettingBothWaysAndNoOther)
{
    Settings edited;
    edited.BuzaiFol = "/job/部材";
    edited.YBuzaiFol = "/job/2";
    edited.GenbanFol = "/job/原板";
    edited.RetFol = "/job/out";
    edited.ResetGenbanFlg = 1;
    edited.ResetYBuzaiFlg = 1;
    edited.OutPrnPre = 0;
    edited.OutCutMark = 0;
    edited.CutMarkSun = 0;
    edited.BuzaiSun = 0;
    edited.ColorPrint = 0;
    edited.TankaType = 3;
    edited.OldBikou = 1;
    edited.MaxCal = 0;
    edited.MinOffcutW = 4500;
    edited.MinOffcutL = 0;
    edited.SetLabels({4, 11, 84, 88, 1, 2, 5});
    // Kept by the dialog: must not travel with it.
    edited.NokoHaba = 55;
    edited.UseYBuzai = 1;
    edited.CutLV = 1;

    const NokowValues values = NokowValues::FromSettings(edited);
    Settings target;
    values.ApplyTo(target);

    const Settings defaults;
    struct Field {
        const char* name;
        int Settings::*member;
        int expected;
    };
    const Field fields[] = {
        {"ResetGenbanFlg", &Settings::ResetGenbanFlg, 1},
        {"ResetYBuzaiFlg", &Settings::ResetYBuzaiFlg, 1},
        {"OutPrnPre", &Settings::OutPrnPre, 0},
        {"OutCutMark", &Settings::OutCutMark, 0},
        {"CutMarkSun", &Settings::CutMarkSun, 0},
        {"BuzaiSun", &Settings::BuzaiSun, 0},
        {"ColorPrint", &Settings::ColorPrint, 0},
        {"TankaType", &Settings::TankaType, 3},
        {"OldBikou", &Settings::OldBikou, 1},
        {"MaxCal", &Settings::MaxCal, 0},
        {"MinOffcutW", &Settings::MinOffcutW, 4500},
        {"MinOffcutL", &Settings::MinOffcutL, 0},
        {"LabelCols", &Settings::LabelCols, 4},
        {"LabelRows", &Settings::LabelRows, 11},
        {"LabelMarginX", &Settings::LabelMarginX, 84},
        {"LabelMarginY", &Settings::LabelMarginY, 88},
        {"LabelGapX", &Settings::LabelGapX, 1},
        {"LabelGapY", &Settings::LabelGapY, 2},
        {"LabelSkip", &Settings::LabelSkip, 5},
        {"NokoHaba", &Settings::NokoHaba, defaults.NokoHaba},
        {"UseYBuzai", &Settings::UseYBuzai, defaults.UseYBuzai},
        {"CutLV", &Settings::CutLV, defaults.CutLV},
    };
    for (const Field& f : fields) {
        EXPECT_EQ(target.*f.member, f.expected) << f.name;
    }
    EXPECT_EQ(target.BuzaiFol, "/job/部材");
    EXPECT_EQ(target.YBuzaiFol, "/job/2");
    EXPECT_EQ(target.GenbanFol, "/job/原板");
    EXPECT_EQ(target.RetFol, "/job/out");
    EXPECT_EQ(target.MaxCalNum, 1);
}

TEST(BrowseFolder, StartsAtTheEditTextAndChangesItOnlyOnAConfirmedChoice)
{
    struct Case {
        const char* name;
        std::string current;
        std::optional<std::string> answer;
        std::string expected;
    };
    const Case cases[] = {
        {"confirmed", "/home/a", "/home/b", "/home/b"},
        {"cancelled", "/home/a", std::nullopt, "/home/a"},
        {"empty edit", "", "/srv/原板", "/srv/原板"},
        {"cancel on empty", "", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingFileChooser chooser;
        if (c.answer) {
            chooser.Files.push_back(*c.answer);
        }

        EXPECT_EQ(BrowseFolder(chooser, c.current), c.expected);

        ASSERT_EQ(chooser.Requests.size(), 1u);
        EXPECT_EQ(chooser.Requests[0].Kind, "folder");
        EXPECT_EQ(chooser.Requests[0].Options.Title, "フォルダの選択");
        EXPECT_EQ(chooser.Requests[0].Options.InitialFolder, c.current);
    }
}
