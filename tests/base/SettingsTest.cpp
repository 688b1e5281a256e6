#include "base/Settings.h"

#include <gtest/gtest.h>

#include "base/IniFile.h"
#include "fakes/TempDir.h"

TEST(Settings, DerivesTheNumberOfSimultaneousCalculations)
{
    struct Case {
        int stored;
        int count;
        int written;
    };
    for (const Case& c :
         {Case{0, 1, 0}, {1, 2, 1}, {2, 4, 2}, {3, 8, 3}, {4, 16, 4}, {7, 4, 2}, {-1, 4, 2}}) {
        SCOPED_TRACE(c.stored);
        IniFile ini;
        ini.LoadText("[SysPara]\nMaxCal=" + std::to_string(c.stored) + "\n");
        Settings settings;
        settings.Load(ini);
        EXPECT_EQ(settings.MaxCalNum, c.count);
        settings.Store(ini);
        EXPECT_EQ(ini.GetInt("SysPara", "MaxCal", -9), c.written);
    }
}

TEST(Settings, FlagsLoadAsZeroOrOne)
{
    IniFile ini;
    ini.LoadText("[SysPara]\nUseYBuzai=5\nOutCutMark=0\nNoSort=-2\nCutLV=1\n");
    Settings settings;
    settings.Load(ini);
    EXPECT_EQ(settings.UseYBuzai, 1);
    EXPECT_EQ(settings.OutCutMark, 0);
    EXPECT_EQ(settings.NoSort, 1);
    EXPECT_EQ(settings.CutLV, 1);
    settings.Store(ini);
    EXPECT_EQ(ini.Get("SysPara", "UseYBuzai"), "1");
}

TEST(Settings, KeysSetByHandSurviveARun)
{
    TempDir dir;
    const std::string path = dir.File("Nestrix.ini");
    WriteBytes(path,
               "[SysPara]\r\nTimeOut=120\r\nTimeDisp=1\r\nNoSort=1\r\nNokoHaba=45\r\n[Notes]\r\nx=y\r\n");
    IniFile ini;
    ASSERT_TRUE(ini.Load(path));
    Settings settings;
    settings.Load(ini);
    EXPECT_EQ(settings.TimeOut, 120);
    settings.NokoHaba = 50;
    settings.TimeDisp = 0;  // in-memory only: never written
    settings.Store(ini);
    ASSERT_EQ(ini.Save(path), WriteStatus::Ok);

    IniFile again;
    ASSERT_TRUE(again.Load(path));
    Settings reloaded;
    reloaded.Load(again);
    EXPECT_EQ(reloaded.NokoHaba, 50);
    EXPECT_EQ(reloaded.TimeOut, 120);
    EXPECT_EQ(reloaded.TimeDisp, 1);
    EXPECT_EQ(reloaded.NoSort, 1);
    EXPECT_EQ(again.Get("Notes", "x"), "y");
    EXPECT_FALSE(again.Get("SysPara", "MaxCalNum").has_value());
}

// What a hand-edited file does wrong is said once per line, with the line and the key; CR-only
// line ends read like CR LF.
TEST(Settings, WarnsOfWhatItCannotUse)
{
    struct Case {
        const char* text;
        std::vector<std::string> warnings;
        int kerf;
    };
    const Case cases[] = {
        {"[SysPara]\r\nNokoHaba=45\r\n", {}, 45},
        {"[SysPara]\rNokoHaba=99999\r", {}, 99999},
        {"; only a comment\n", {}, 30},
        {"", {}, 30},
        {"NokoHaba=45\n", {"[SysPara] の節がありません。全ての設定に初期値を使います。"}, 30},
        {"[syspara]\nnokohaba=45\nNokoHabaa=1\n[Other]\nFoo=1\n", {"3行目 NokoHabaa という設定はありません。使われません。"}, 45},
        {"[SysPara]\nMaxCal=9\nNokoHaba=x\n",
         {"3行目 NokoHaba=x は数値ではありません。初期値 30 を使います。",
          "2行目 MaxCal=9 は 0 から 4 の範囲にありません。初期値 2 を使います。"},
         30},
        // Only whole numbers: the leading digits of "3.0" were once a kerf of 0.3 mm.
        {"[SysPara]\nNokoHaba=3.0\n",
         {"2行目 NokoHaba=3.0 は整数ではありません。初期値 30 を使います。"},
         30},
        {"[SysPara]\nNokoHaba=45mm\n",
         {"2行目 NokoHaba=45mm は整数ではありません。初期値 30 を使います。"},
         30},
        {"[SysPara]\nNokoHaba=1e2\n",
         {"2行目 NokoHaba=1e2 は整数ではありません。初期値 30 を使います。"},
         30},
        {"[SysPara]\nNokoHaba=-\n", {"2行目 NokoHaba=- は数値ではありません。初期値 30 を使います。"}, 30},
        {"[SysPara]\nNokoHaba=４５\n",
         {"2行目 NokoHaba=４５ は数値ではありません。初期値 30 を使います。"},
         30},
        {"[SysPara]\nNokoHaba=99999999999\n",
         {"2行目 NokoHaba=99999999999 は範囲を超える数値です。初期値 30 を使います。"},
         30},
        {"[SysPara]\nUseCal3=1 ; on\nNokoHaba= +45 \n",
         {"2行目 UseCal3=1 ; on は整数ではありません。初期値 1 を使います。"},
         45},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        IniFile ini;
        ini.LoadText(c.text);
        Settings settings;
        EXPECT_EQ(settings.Load(ini), c.warnings);
        EXPECT_EQ(settings.NokoHaba, c.kerf);
    }
}

// Keys each in range that together leave no room for a label: the whole sheet is the default.
TEST(Settings, ALabelSheetWithoutRoomFallsBackWhole)
{
    struct Case {
        const char* lines;
        bool kept;
    };
    const Case cases[] = {
        {"LabelCols=4\nLabelRows=11\nLabelMarginX=84\nLabelMarginY=88\nLabelSkip=43\n", true},
        {"LabelCols=2\nLabelRows=6\nLabelSkip=12\n", false},                 // past the sheet
        {"LabelCols=10\nLabelMarginX=100\n", false},                         // 19 mm wide
        {"LabelRows=20\nLabelMarginY=500\nLabelGapY=0\n", false},            // 9.85 mm high
        {"LabelCols=4\nLabelGapX=200\nLabelMarginX=500\n", false},          // 12.5 mm wide
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        IniFile ini;
        ini.LoadText(std::string("[SysPara]\n") + c.lines);
        Settings settings;
        const std::vector<std::string> warnings = settings.Load(ini);
        EXPECT_EQ(warnings.empty(), c.kept);
        EXPECT_EQ(settings.Labels() == Settings().Labels(), !c.kept);
    }
}

TEST(Settings, ValuesOutOfRangeFallBackToTheDefault)
{
    struct Case {
        const char* line;
        int Settings::*member;
        int expected;
    };
    const Case cases[] = {
        {"NokoHaba=-5", &Settings::NokoHaba, 30},
        {"NokoHaba=0", &Settings::NokoHaba, 0},
        {"NokoHaba=99999", &Settings::NokoHaba, 99999},
        {"MaxCutSize=0", &Settings::MaxCutSize, 999999},
        {"MaxCutSize=1", &Settings::MaxCutSize, 1},
        {"CutLV=4", &Settings::CutLV, 3},
        {"CutLV=0", &Settings::CutLV, 0},
        {"TankaType=-1", &Settings::TankaType, 2},
        {"TankaType=3", &Settings::TankaType, 3},
        {"SearchEffort=0", &Settings::SearchEffort, 3},
        {"SearchEffort=6", &Settings::SearchEffort, 3},
        {"SearchEffort=5", &Settings::SearchEffort, 5},
        {"UseSearch=7", &Settings::UseSearch, 1},
        {"MinOffcutW=0", &Settings::MinOffcutW, 0},
        {"MinOffcutW=-1", &Settings::MinOffcutW, 3000},
        {"MinOffcutL=6005", &Settings::MinOffcutL, 6005},
        {"MinOffcutL=1000000", &Settings::MinOffcutL, 3000},
        {"LabelCols=4", &Settings::LabelCols, 4},
        {"LabelCols=0", &Settings::LabelCols, 2},
        {"LabelRows=21", &Settings::LabelRows, 6},
        {"LabelMarginX=-1", &Settings::LabelMarginX, 186},
        {"LabelGapY=201", &Settings::LabelGapY, 0},
        {"LabelSkip=11", &Settings::LabelSkip, 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        IniFile ini;
        ini.LoadText(std::string("[SysPara]\n") + c.line + "\n");
        Settings settings;
        settings.Load(ini);
        EXPECT_EQ(settings.*c.member, c.expected);
    }
}
