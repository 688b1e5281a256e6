#include "base/IniFile.h"

#include <gtest/gtest.h>

#include "fakes/TempDir.h"

TEST(IniFile, FindsKeysLikeTheWindowsProfileFunctions)
{
    IniFile ini;
    ini.LoadText(
        "; comment\r\n[Other]\r\nNokoHaba=1\r\n[ sysPARA ]\r\n  nokohaba = 45 \r\nBuzaiFol=\"/home/a b\"\r\n"
        "Bad=abc\r\nNeg=-3x\r\n");
    EXPECT_EQ(ini.GetInt("SysPara", "NokoHaba", 30), 45);
    EXPECT_EQ(ini.GetInt("Other", "NOKOHABA", 30), 1);
    EXPECT_EQ(ini.GetString("SysPara", "BuzaiFol", ""), "/home/a b");
    EXPECT_EQ(ini.GetInt("SysPara", "Bad", 7), 0);
    EXPECT_EQ(ini.GetInt("SysPara", "Neg", 7), -3);
    EXPECT_EQ(ini.GetInt("SysPara", "Missing", 7), 7);
    EXPECT_EQ(ini.GetInt("Missing", "NokoHaba", 7), 7);
}

TEST(IniFile, SetChangesOnlyThatKey)
{
    IniFile ini;
    ini.LoadText("[SysPara]\nTimeOut=60\nnokohaba=1\n\n[Mine]\nx=1\n");
    ini.Set("SysPara", "NokoHaba", "30");
    ini.Set("SysPara", "CutLV", "2");
    ini.Set("New", "a", "b");
    EXPECT_EQ(ini.ToText(), "[SysPara]\nTimeOut=60\nNokoHaba=30\nCutLV=2\n\n[Mine]\nx=1\n[New]\na=b\n");
}

TEST(IniFile, SavesAndLoadsJapaneseFolders)
{
    TempDir dir;
    IniFile ini;
    ini.Set("SysPara", "BuzaiFol", "/home/作業/部材");
    ASSERT_EQ(ini.Save(dir.File("a.ini")), WriteStatus::Ok);
    EXPECT_EQ(ReadBytes(dir.File("a.ini")).find("\xEF\xBB\xBF"), std::string::npos);  // CP932, no BOM
    IniFile read;
    ASSERT_TRUE(read.Load(dir.File("a.ini")));
    EXPECT_EQ(read.GetString("SysPara", "BuzaiFol", ""), "/home/作業/部材");

    // A folder name CP932 cannot hold is kept, in UTF-8.
    ini.Set("SysPara", "RetFol", "/home/\xF0\x9F\x93\x81");
    ASSERT_EQ(ini.Save(dir.File("b.ini")), WriteStatus::Ok);
    ASSERT_TRUE(read.Load(dir.File("b.ini")));
    EXPECT_EQ(read.GetString("SysPara", "RetFol", ""), "/home/\xF0\x9F\x93\x81");
    EXPECT_EQ(read.GetString("SysPara", "BuzaiFol", ""), "/home/作業/部材");
}
