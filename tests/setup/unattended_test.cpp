// Unattended runs of the wizard: answers applied on their pages through the wizard's own
// buttons, the licence declined without License=accept, answers for pages or controls that do
// not show logged and ignored, and a stopped worker cancelled.
#include "setup/unattended.h"

#include "setup/answers.h"

#include "platform/files.h"
#include "tests/setup/setup_fixture.h"

namespace zev::setup::testing {
namespace {

class UnattendedTest : public SetupFixture {
 protected:
  UnattendedTest() {
    PutSetupProgram("cfg");
    config.InstallDir = "MyApp";
    config.DirectoryEntries.Add("<INSTALLDIR>~");
    config.FileEntries.Add("app.exe~<INSTALLDIR>~X");
    config.DesktopEntries.Add("My App~<INSTALLDIR>app.exe~X~X");
    config.LaunchProgram = "<INSTALLDIR>app.exe";
    PutTemp("app.exe", "program");
    PutTemp("license.txt", "Terms\nand conditions\n");
  }

  TUnattendedOutcome Run(TWizardAnswers answers) {
    if (!wizard) ShowWizard();
    wizard->Hide();
    TWizardDriver driver(*wizard, std::move(answers));
    wizard->OnShow = [&] {
      wizard->FormShow();
      app->Post([&] { driver.Walk(); });
    };
    app->ShowModal(*wizard);
    return driver.Outcome();
  }

  bool Logged(const std::string& text) const {
    for (const std::string& line : log)
      if (line.find(text) != std::string::npos) return true;
    return false;
  }
};

TWizardAnswers Answers(const std::vector<std::pair<std::string, std::string>>& pairs) {
  TWizardAnswers answers;
  for (const auto& [key, value] : pairs) EXPECT_EQ(answers.Set(key, value), "") << key;
  return answers;
}

TEST_F(UnattendedTest, EveryAnswerIsAppliedOnItsPage) {
  config.WorkStationPrompt = true;
  config.WorkStationEntries.Add("app.exe~<INSTALLDIR>~X");
  backend.answerer = [](const ui::BoxRequest&) { return platform::ModalResult::Yes; };
  const TUnattendedOutcome outcome = Run(Answers({{"License", "accept"},
                                                  {"Destination", "C:\\Apps\\MyApp"},
                                                  {"Folder", "My Tools"},
                                                  {"FolderStartMenu", "1"},
                                                  {"FolderDesktop", "0"},
                                                  {"InstallType", "full"},
                                                  {"Launch", "1"}}));
  EXPECT_EQ(outcome, TUnattendedOutcome::uoInstalled) << ::testing::PrintToString(wizard->InstallFailures);
  EXPECT_EQ(wizard->Label1.Caption, "C:\\Apps\\MyApp");
  EXPECT_TRUE(wizard->full.Checked());
  EXPECT_TRUE(platform::FileExists("C:\\Apps\\MyApp\\app.exe"));
  EXPECT_TRUE(platform::FileExists("C:\\WINDOWS\\Start Menu\\My Tools\\My App.lnk"));
  EXPECT_FALSE(platform::FileExists("C:\\WINDOWS\\Desktop\\My Tools\\My App.lnk"));
  ASSERT_EQ(launcher.requests.size(), 1u);
  EXPECT_EQ(launcher.requests[0].file, "C:\\Apps\\MyApp\\app.exe");
  for (const char* page : {"page 0 (welcome)", "page 1 (licence)", "page 2 (destination)", "page 3 (program folder)",
                           "page 4 (install type)", "page 5 (ready)"})
    EXPECT_TRUE(Logged(page)) << page;
  EXPECT_TRUE(mainClosed);
}

TEST_F(UnattendedTest, LicenceWithoutAcceptIsDeclinedAndNothingIsWritten) {
  EXPECT_EQ(Run(Answers({{"Destination", "C:\\Apps\\MyApp"}})), TUnattendedOutcome::uoDeclined);
  EXPECT_TRUE(wizard->Declined);
  EXPECT_FALSE(fs::exists(Host("C:\\Apps")));
  EXPECT_TRUE(Logged("no License=accept answer"));
  EXPECT_TRUE(Logged("answer Destination ignored: the destination page was not shown"));
}

TEST_F(UnattendedTest, AnswersForHiddenPagesAndDisabledControlsAreLoggedAndIgnored) {
  config.FolderName = "";  // no folder page
  fs::remove(TempHost() / "license.txt");
  const TUnattendedOutcome outcome =
      Run(Answers({{"Folder", "Ignored"}, {"InstallType", "min"}, {"Launch", "1"}, {"License", "accept"}}));
  // Not shown: the configuration named no program folder, so the shortcut goes straight into the
  // Start Menu's Programs folder.
  EXPECT_EQ(outcome, TUnattendedOutcome::uoInstalled) << ::testing::PrintToString(wizard->InstallFailures);
  EXPECT_TRUE(platform::FileExists("C:\\WINDOWS\\Start Menu\\Programs\\My App.lnk"));
  EXPECT_TRUE(Logged("answer Folder ignored: the program folder page was not shown"));
  EXPECT_TRUE(Logged("answer InstallType ignored: the install type page was not shown"));
  EXPECT_TRUE(Logged("answer License ignored: the licence page was not shown"));
  EXPECT_TRUE(wizard->full.Checked());
  EXPECT_TRUE(wizard->RadioButton1.Checked());
}

TEST_F(UnattendedTest, DisabledLaunchChoiceIsIgnored) {
  ShowWizard();
  wizard->RadioButton1.Enabled = false;
  const TUnattendedOutcome outcome = Run(Answers({{"License", "accept"}, {"Launch", "1"}}));
  EXPECT_EQ(outcome, TUnattendedOutcome::uoInstalled);
  EXPECT_TRUE(Logged("answer Launch ignored: the choice is disabled"));
  EXPECT_TRUE(launcher.requests.empty());
}

TEST_F(UnattendedTest, WorkerStoppedByAnErrorIsCancelled) {
  fs::remove(machine.StartDir() / "install.exe");
  EXPECT_EQ(Run(Answers({{"License", "accept"}})), TUnattendedOutcome::uoFailed);
  EXPECT_TRUE(wizard->Cancelled);
  EXPECT_FALSE(wizard->Visible);
  EXPECT_TRUE(Logged("the installation stopped on an error; pressing Cancel"));
  EXPECT_TRUE(Logged("box \"Cannot open file A:\\install.exe\""));
}

TEST(UnattendedAnswers, ValuesAreCheckedAndQuestionsReadByKindAndName) {
  TWizardAnswers answers;
  EXPECT_EQ(answers.Set("license", "ACCEPT"), "");
  EXPECT_TRUE(*answers.license);
  EXPECT_NE(answers.Set("License", "yes"), "");
  EXPECT_NE(answers.Set("Destination", "Apps\\MyApp"), "");
  EXPECT_NE(answers.Set("Destination", "C:"), "");
  EXPECT_EQ(answers.Set("Destination", "D:/x"), "");
  EXPECT_NE(answers.Set("FolderDesktop", "yes"), "");
  EXPECT_NE(answers.Set("InstallType", "network"), "");
  EXPECT_NE(answers.Set("Colour", "1"), "");

  auto q = WorkerQuestion({"File Already Exists (app.exe). Overwrite?", "Confirm"});
  EXPECT_EQ(q.kind, "Overwrite");
  EXPECT_EQ(q.name, "app.exe");
  q = WorkerQuestion({"Add My App to Desktop?", "Confirm"});
  EXPECT_EQ(q.kind, "Desktop");
  EXPECT_EQ(q.name, "My App");
  q = WorkerQuestion({"Add Add to Start Menu? to Start Menu?", "Confirm"});
  EXPECT_EQ(q.kind, "StartMenu");
  EXPECT_EQ(q.name, "Add to Start Menu?");
  EXPECT_EQ(WorkerQuestion({"Add  to Desktop", "Confirm"}).kind, "");
  EXPECT_EQ(WorkerQuestion({"Error Expanding Files!!", ""}).kind, "");
}

}  // namespace
}  // namespace zev::setup::testing

namespace zev::setup::testing {
namespace {

TEST(UnattendedAnswers, WorkerQuestionsAreAnsweredByNameThenKindThenDefault) {
  TAnswers answers = TAnswers::Parse(
      "[Wizard]\nLicense=accept\nDestination=C:\\Apps\\MyApp\n"
      "[Answers]\nOverwrite=No\nOverwrite:app.exe=Yes\nDesktop=Yes\nDesktop:My App=No\n"
      "[Options]\nDefault=last\n");
  EXPECT_EQ(*answers.Wizard().destination, "C:\\Apps\\MyApp");
  const unsigned yesNo = platform::mbYes | platform::mbNo;
  auto box = [&](const std::string& text) { return ui::BoxRequest{text, "Confirm", platform::MsgKind::Confirmation, yesNo}; };
  EXPECT_EQ(answers.Answer(box("File Already Exists (APP.EXE). Overwrite?")), platform::ModalResult::Yes);
  EXPECT_EQ(answers.Answer(box("File Already Exists (lib.dll). Overwrite?")), platform::ModalResult::No);
  EXPECT_EQ(answers.Answer(box("Add My App to Desktop?")), platform::ModalResult::No);
  EXPECT_EQ(answers.Answer(box("Add Editor to Desktop?")), platform::ModalResult::Yes);
  EXPECT_EQ(answers.Answer(box("Add Editor to Start Menu?")), platform::ModalResult::No);  // the default
  EXPECT_EQ(TAnswers::Parse("[Options]\nDefault=first\n").Answer(box("Add Editor to Start Menu?")),
            platform::ModalResult::Yes);

  for (const char* bad : {"[Answers]\nOverwrite:=Yes\n", "[Answers]\nInsertDisk:x=OK\n", "[Answers]\nDesktop=OK\n",
                          "[Wizard]\nLicense=maybe\n"})
    EXPECT_THROW(TAnswers::Parse(bad), EAnswersError) << bad;
}

}  // namespace
}  // namespace zev::setup::testing
