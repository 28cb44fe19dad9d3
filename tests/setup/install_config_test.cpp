// Reading install.cfg into the main screen's record and controls.
#include "setup/install_config.h"

#include "setup/main_setup.h"
#include "tests/setup/setup_fixture.h"

namespace zev::setup::testing {
namespace {

class InstallConfigTest : public SetupFixture {
 protected:
  TMainSetup& Read(const std::string& cfg) {
    WriteHostFile(machine.StartDir() / "install.cfg", cfg);
    TMainSetup& form = app->CreateForm<TMainSetup>();
    form.RadioButton1 = &launch;
    form.RadioButton2 = &returnToWindows;
    launchGroup.InsertControl(launch);
    launchGroup.InsertControl(returnToWindows);
    returnToWindows.SetChecked(true);
    form.ReadInstallConfig();
    return form;
  }
  ui::TPanel launchGroup{"Page5"};
  ui::TRadioButton launch{"RadioButton1"}, returnToWindows{"RadioButton2"};
};

TEST_F(InstallConfigTest, MissingFileGivesEveryDefault) {
  TMainSetup& f = Read("");
  std::filesystem::remove(machine.StartDir() / "install.cfg");
  f.ReadInstallConfig();
  EXPECT_EQ(f.Config.StartDir, "A:\\");
  EXPECT_EQ(f.Config.InstallDisks, 0);
  EXPECT_EQ(f.Config.InstallDir, "");
  EXPECT_EQ(f.Config.FolderName, "Accessories");
  EXPECT_FALSE(f.Config.AddToProgramFiles);
  EXPECT_FALSE(f.Config.WorkStationPrompt);
  EXPECT_EQ(f.MainScreen.FromColor(), 0xFF0000u);
  EXPECT_EQ(f.MainScreen.ToColor(), 0u);
  EXPECT_EQ(f.Setup_Header.Caption, "ZEV - Brindle 32Bit");
  EXPECT_EQ(f.Setup_Header.Font.Name, "Impact");
  EXPECT_EQ(f.Setup_Header.Font.Height, 35);
  EXPECT_EQ(f.Setup_Header.ShadowColor, 0xFFFFFFu);
  EXPECT_EQ(f.Setup_Header2.Font.Name, "Times New Roman");
  EXPECT_EQ(f.Setup_Header2.Font.Height, 13);
  EXPECT_EQ(f.Setup_Header2.Caption, kHeader2DesignText);
  EXPECT_EQ(f.Config.FileEntries.Count(), 0u);
  EXPECT_TRUE(returnToWindows.Checked());
  EXPECT_FALSE(launch.Enabled);
}

TEST_F(InstallConfigTest, OverwriteFlagsFollowThePositionNotTheKeyName) {
  TMainSetup& f = Read(
      "[Files]\r\nFile #5=x.dll~<INSTALLDIR>\r\nB=y.dll~<WINDOWS_SYSTEM>\r\nC=z.dll~<INSTALLDIR>\r\n"
      "[Files - OverWrite]\r\nFile #1=1\r\nFile #5=1\r\nFile #2=0x10\r\n");
  EXPECT_EQ(f.Config.FileEntries.Strings(),
            (std::vector<std::string>{"x.dll~<INSTALLDIR>~", "y.dll~<WINDOWS_SYSTEM>~X", "z.dll~<INSTALLDIR>~X"}));
}

TEST_F(InstallConfigTest, ListsKeepKeyOrderAndStoreEntriesAsTheyStand) {
  TMainSetup& f = Read(
      "[Directories]\nz=<INSTALLDIR>~\na=<SUB1>~docs\n[Desktop]\nL=Demo~<INSTALLDIR>prog.exe~X~\n"
      "[INI - Setup]\ni='Paths~Home~<INSTALLDIR>'\n[WorkStation]\nw=a.dll~<INSTALLDIR>\nv=b.dll~<WINDOWS>~X\n");
  EXPECT_EQ(f.Config.DirectoryEntries.Strings(), (std::vector<std::string>{"<INSTALLDIR>~", "<SUB1>~docs"}));
  EXPECT_EQ(f.Config.DesktopEntries.Strings(), (std::vector<std::string>{"Demo~<INSTALLDIR>prog.exe~X~"}));
  EXPECT_EQ(f.Config.IniSetupEntries.Strings(), (std::vector<std::string>{"Paths~Home~<INSTALLDIR>"}));
  EXPECT_EQ(f.Config.WorkStationEntries.Strings(), (std::vector<std::string>{"a.dll~<INSTALLDIR>", "b.dll~<WINDOWS>~X"}))
      << "no overwrite marker is added to workstation entries";
}

TEST_F(InstallConfigTest, FolderAbsentIsAccessoriesButPresentAndEmptyIsEmpty) {
  EXPECT_EQ(Read("[Setup - Main]\nInstall Dir=X\n").Config.FolderName, "Accessories");
  EXPECT_EQ(Read("[Setup - Main]\nFolder=\n").Config.FolderName, "");
}

TEST_F(InstallConfigTest, ColoursParseAsProfileIntegers) {
  EXPECT_EQ(Read("[Setup - Main]\nDither From=0x0000FF\n").MainScreen.FromColor(), 0x0000FFu);
  EXPECT_EQ(Read("[Setup - Main]\nDither From=255\n").MainScreen.FromColor(), 0x0000FFu);
  EXPECT_EQ(Read("[Setup - Main]\nDither From=blue\n").MainScreen.FromColor(), 0xFF0000u) << "keeps the design value";
  TMainSetup& f = Read("[Setup - Main]\nDither To=$00FF00\nHeader Font Color=16777215\nHeader2 Font Shadow=0x80000005\n");
  EXPECT_EQ(f.MainScreen.ToColor(), 0x00FF00u);
  EXPECT_EQ(f.Setup_Header.Font.Color, 0xFFFFFFu);
  EXPECT_EQ(f.Setup_Header2.ShadowColor, ui::clWindow);
}

TEST_F(InstallConfigTest, HeaderFontsSizesInPointsAndLayoutFollows) {
  TMainSetup& f = Read(
      "[Setup - Main]\nHeader=Big\nHeader Font Size=48\nHeader Font Name=Times New Roman\nHeader2=Small\n"
      "Header2 Font Size=bad\n");
  EXPECT_EQ(f.Setup_Header.Caption, "Big");
  EXPECT_EQ(f.Setup_Header.Font.Height, 64);
  EXPECT_EQ(f.Setup_Header2.Font.Height, 13);
  f.FormResize();
  EXPECT_EQ(f.Setup_Header2.Top, f.Setup_Header.Top + f.Setup_Header.Height + 2);
  EXPECT_GT(f.Setup_Header.Height, 64);
}

TEST_F(InstallConfigTest, LaunchChoiceIsOfferedUnlessTheProgramIsASetup) {
  Read("[Setup - Main]\nLaunch=<INSTALLDIR>myprog.exe\n");
  EXPECT_TRUE(launch.Checked());
  EXPECT_TRUE(launch.Enabled);
  TMainSetup& f = Read("[Setup - Main]\nLaunch=<INSTALLDIR>setup.exe\n");
  EXPECT_TRUE(returnToWindows.Checked());
  EXPECT_FALSE(launch.Enabled);
  EXPECT_EQ(f.Config.LaunchProgram, "<INSTALLDIR>setup.exe") << "kept: the worker starts it unconditionally";
  EXPECT_FALSE(f.Config.LaunchChoiceOffered());
}

TEST_F(InstallConfigTest, DefaultDestinationWithAndWithoutProgramFiles) {
  TMainSetup& f = Read("[Setup - Main]\nAdd to Program Files=1\nInstall Dir=MyApp\nWork Station Prompt=2\n");
  f.FormCreate();
  EXPECT_EQ(f.Config.WinDrive, "C:\\");
  EXPECT_EQ(f.Config.DefaultInstallDir(), "C:\\Program Files\\MyApp");
  EXPECT_TRUE(f.Config.WorkStationPrompt);
  f.Config.AddToProgramFiles = false;
  EXPECT_EQ(f.Config.DefaultInstallDir(), "C:\\MyApp");
}

TEST_F(InstallConfigTest, ValuesAreCutTo1023Characters) {
  TMainSetup& f = Read("[Setup - Main]\nInstall Dir=" + std::string(2000, 'd') + "\n");
  EXPECT_EQ(f.Config.InstallDir.size(), 1023u);
}

TEST_F(InstallConfigTest, EveryKeyOfAHugeListSectionIsRead) {
  // 2,000 entries: far more names than an 8192-character key list holds.
  std::string cfg = "[Files]\r\n";
  for (int i = 0; i < 2000; ++i) cfg += "SomeLongerKeyName" + std::to_string(i) + "=file" + std::to_string(i) + ".dat~<INSTALLDIR>\r\n";
  cfg += "[Files - OverWrite]\r\nFile #1999=1\r\nFile #0=1\r\n";
  TMainSetup& f = Read(cfg);
  ASSERT_EQ(f.Config.FileEntries.Count(), 2000u);
  EXPECT_EQ(f.Config.FileEntries[0], "file0.dat~<INSTALLDIR>~X");
  EXPECT_EQ(f.Config.FileEntries[1000], "file1000.dat~<INSTALLDIR>~");
  EXPECT_EQ(f.Config.FileEntries[1999], "file1999.dat~<INSTALLDIR>~X");
  EXPECT_EQ(ReadSectionKeys("A:\\install.cfg", "Files").size(), 2000u);
  EXPECT_EQ(ReadSectionKeys("A:\\install.cfg", "Missing").size(), 0u);
}

TEST_F(InstallConfigTest, ReadingAgainReplacesTheLists) {
  TMainSetup& f = Read("[Directories]\na=<INSTALLDIR>~\n");
  f.ReadInstallConfig();
  EXPECT_EQ(f.Config.DirectoryEntries.Count(), 1u);
  ui::TCloseAction action = ui::TCloseAction::caHide;
  f.FormClose(action);
  EXPECT_EQ(f.Config.DirectoryEntries.Count(), 0u);
}

}  // namespace
}  // namespace zev::setup::testing

namespace zev::setup::testing {
namespace {

TEST_F(InstallConfigTest, OneParseReaderAnswersAsTheProfileFunctions) {
  WriteHostFile(machine.StartDir() / "install.cfg",
            "[S]\r\nq=\"quoted\"\r\nblank=  padded  \r\nlong=" + std::string(1500, 'x') + "\r\nhex=0x10\r\nbad=12a\r\n"
            "[S]\r\nq=second section ignored\r\n");
  const TConfigFile cfg("A:\\install.cfg");
  for (const char* key : {"q", "blank", "long", "missing", "hex", "bad"}) {
    EXPECT_EQ(cfg.String("s", key, "def  "), ReadConfigString("A:\\install.cfg", "S", key, "def  ")) << key;
    EXPECT_EQ(cfg.Int("S", key, 7), ReadConfigInt("A:\\install.cfg", "S", key, 7)) << key;
  }
  EXPECT_EQ(cfg.String("S", "q", ""), "quoted");
  EXPECT_EQ(TConfigFile("A:\\missing.cfg").String("S", "q", "d"), "d");
}

}  // namespace
}  // namespace zev::setup::testing
