// The wizard's pages: which pages Next, Accept and Back visit under each configuration, the
// licence rule, the summary, Browse through the directory chooser, and how the wizard ends.
#include "setup/wizard.h"

#include <algorithm>

#include "setup/destination.h"

#include "tests/setup/setup_fixture.h"

namespace zev::setup::testing {
namespace {

class WizardTest : public SetupFixture {
 protected:
  void License(const std::string& text) { PutTemp("license.txt", text); }

  // Walks forwards with Next (Accept on the licence page) until Install shows; the pages seen.
  std::vector<int> WalkForwards() {
    std::vector<int> pages{wizard->Notebook1.PageIndex()};
    for (int step = 0; step < 10 && !wizard->install.Visible; ++step) {
      if (wizard->Notebook1.PageIndex() == kPageLicense) {
        EXPECT_FALSE(wizard->next.Enabled) << "Next must wait for Accept";
        wizard->accept.Click();
      } else {
        wizard->next.Click();
      }
      pages.push_back(wizard->Notebook1.PageIndex());
    }
    return pages;
  }
  std::vector<int> WalkBackwards() {
    std::vector<int> pages{wizard->Notebook1.PageIndex()};
    for (int step = 0; step < 10 && wizard->Notebook1.PageIndex() != kPageWelcome; ++step) {
      wizard->back.Click();
      pages.push_back(wizard->Notebook1.PageIndex());
      EXPECT_FALSE(wizard->install.Visible);
      EXPECT_EQ(wizard->next.Enabled, wizard->Notebook1.PageIndex() != kPageLicense);
    }
    return pages;
  }
};

struct SequenceCase {
  bool license, folder, workstation;
  std::vector<int> pages;
};

void PrintTo(const SequenceCase& c, std::ostream* out) {
  *out << "L=" << c.license << " F=" << c.folder << " W=" << c.workstation;
}

class WizardSequenceTest : public WizardTest, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(WizardSequenceTest, NextAndBackVisitThePagesOfTheTable) {
  const SequenceCase& c = GetParam();
  if (c.license) License("Terms\r\nof use\r\n");
  config.FolderName = c.folder ? "Tools" : "";
  config.WorkStationPrompt = c.workstation;
  ShowWizard();
  EXPECT_FALSE(wizard->back.Enabled);
  EXPECT_EQ(WalkForwards(), c.pages);
  EXPECT_TRUE(wizard->install.Visible);
  EXPECT_FALSE(wizard->next.Enabled);
  EXPECT_TRUE(wizard->back.Enabled);
  // The install type follows the prompt flag whether or not its page shows.
  EXPECT_EQ(wizard->min.Checked(), c.workstation);
  EXPECT_EQ(wizard->full.Checked(), !c.workstation);

  std::vector<int> expectedBack(c.pages.rbegin(), c.pages.rend());
  EXPECT_EQ(WalkBackwards(), expectedBack);
  EXPECT_FALSE(wizard->back.Enabled);
  // And forwards again from the start gives the same walk.
  EXPECT_EQ(WalkForwards(), c.pages);
}

INSTANTIATE_TEST_SUITE_P(AllCombinations, WizardSequenceTest,
                         ::testing::Values(SequenceCase{true, true, true, {0, 1, 2, 3, 4, 5}},
                                           SequenceCase{true, true, false, {0, 1, 2, 3, 5}},
                                           SequenceCase{true, false, true, {0, 1, 2, 4, 5}},
                                           SequenceCase{true, false, false, {0, 1, 2, 5}},
                                           SequenceCase{false, true, true, {0, 2, 3, 4, 5}},
                                           SequenceCase{false, true, false, {0, 2, 3, 5}},
                                           SequenceCase{false, false, true, {0, 2, 4, 5}},
                                           SequenceCase{false, false, false, {0, 2, 5}}));

TEST_F(WizardTest, OneLineLicenceIsNeverShownTwoLinesAreAndWaitForAccept) {
  License("Only one line, no line break");
  ShowWizard();
  EXPECT_FALSE(wizard->LicensePresent());
  wizard->next.Click();
  EXPECT_EQ(wizard->Notebook1.PageIndex(), kPageDestination);
  wizard->back.Click();
  EXPECT_EQ(wizard->Notebook1.PageIndex(), kPageWelcome);

  License("First line\nSecond line");
  wizard->Hide();
  wizard->Show();  // the licence is read when the wizard is shown
  ASSERT_EQ(wizard->Memo3.Lines.Count(), 2u);
  EXPECT_EQ(wizard->Memo3.Lines[1], "Second line");
  wizard->next.Click();
  EXPECT_EQ(wizard->Notebook1.PageIndex(), kPageLicense);
  EXPECT_FALSE(wizard->next.Enabled);
  wizard->next.Click();  // disabled: nothing happens
  EXPECT_EQ(wizard->Notebook1.PageIndex(), kPageLicense);
  wizard->accept.Click();
  EXPECT_EQ(wizard->Notebook1.PageIndex(), kPageDestination);
  EXPECT_TRUE(wizard->next.Enabled);
  wizard->back.Click();
  EXPECT_EQ(wizard->Notebook1.PageIndex(), kPageLicense);
  EXPECT_FALSE(wizard->next.Enabled);
}

TEST_F(WizardTest, MissingLicenceClearsTheMemoAndLineBreaksOfEveryKindSplitLines) {
  License("a\r\nb\rc\n\nd");
  ShowWizard();
  EXPECT_EQ(wizard->Memo3.Lines.Strings(), (std::vector<std::string>{"a", "b", "c", "", "d"}));
  fs::remove(TempHost() / "license.txt");
  wizard->Hide();
  wizard->Show();
  EXPECT_TRUE(wizard->Memo3.Lines.Empty());
}

TEST_F(WizardTest, ShowFillsDestinationFolderAndLaunchFromTheConfiguration) {
  config.InstallDir = "MyApp";
  config.AddToProgramFiles = true;
  config.LaunchProgram = "<INSTALLDIR>app.exe";
  WriteHostFile(machine.DriveC() / "WINDOWS" / "Start Menu" / "Programs" / "Games" / "x.lnk", "");
  WriteHostFile(machine.DriveC() / "WINDOWS" / "Start Menu" / "Programs" / "Readme.lnk", "");
  ShowWizard();
  EXPECT_EQ(wizard->Label1.Caption, "C:\\Program Files\\MyApp");
  EXPECT_EQ(wizard->CreateFolder.Text, "Accessories");
  EXPECT_EQ(wizard->Label2.Caption, "<INSTALLDIR>app.exe");
  EXPECT_EQ(wizard->Folders.Items.Strings(), std::vector<std::string>{"Games"});

  config.AddToProgramFiles = false;
  wizard->RadioButton1.Enabled = false;  // what the reader does for a "SETUP." program
  wizard->Hide();
  wizard->Show();
  EXPECT_EQ(wizard->Label1.Caption, "C:\\MyApp");
  EXPECT_EQ(wizard->Label2.Caption, "");
}

TEST_F(WizardTest, SummaryLinesAreExact) {
  config.InstallDir = "MyApp";
  config.AddToProgramFiles = true;
  ShowWizard();
  WalkForwards();
  EXPECT_EQ(wizard->Memo4.Lines.Strings(),
            (std::vector<std::string>{"Install to:", "  C:\\Program Files\\MyApp", "", "Folders:Accessories", "  "}));
  // Built afresh each time the ready page is reached.
  wizard->back.Click();
  wizard->CreateFolder.SetText("Tools");
  wizard->next.Click();
  EXPECT_EQ(wizard->Memo4.Lines[3], "Folders:Tools");
  EXPECT_EQ(wizard->Memo4.Lines.Count(), 5u);
}

TEST_F(WizardTest, FolderListDoubleClickTakesTheSelectedEntryOnly) {
  WriteHostFile(machine.DriveC() / "WINDOWS" / "Start Menu" / "Programs" / "Games" / "x.lnk", "");
  WriteHostFile(machine.DriveC() / "WINDOWS" / "Start Menu" / "Programs" / "Office" / "y.lnk", "");
  ShowWizard();
  wizard->next.Click();
  wizard->next.Click();
  ASSERT_EQ(wizard->Notebook1.PageIndex(), kPageFolder);
  wizard->Folders.DblClick();  // nothing selected
  EXPECT_EQ(wizard->CreateFolder.Text, "Accessories");
  wizard->Folders.ItemIndex = 1;
  wizard->Folders.DblClick();
  EXPECT_EQ(wizard->CreateFolder.Text, "Office");
}

TEST_F(WizardTest, BrowseTakesTheChooserTextOnOkOnly) {
  config.InstallDir = "MyApp";
  ShowWizard();
  wizard->next.Click();
  ASSERT_EQ(wizard->Notebook1.PageIndex(), kPageDestination);

  // Cancel: the destination stays.
  app->Post([this] {
    EXPECT_EQ(form3->Edit1.Text, "C:\\MyApp");
    form3->Edit1.SetText("C:\\Elsewhere");
    form3->BitBtn2.Click();
  });
  wizard->browse.Click();
  EXPECT_EQ(wizard->Label1.Caption, "C:\\MyApp");

  // OK with a directory that does not exist: taken as typed.
  app->Post([this] {
    form3->Edit1.SetText("C:\\Not\\There");
    form3->BitBtn1.Click();
  });
  wizard->browse.Click();
  EXPECT_EQ(wizard->Label1.Caption, "C:\\Not\\There");
  EXPECT_FALSE(fs::exists(Host("C:\\Not")));
  EXPECT_FALSE(form3->Visible);
}

TEST_F(WizardTest, DeclineAndCancelCloseTheWizardAndTheMainScreenWithoutQuestions) {
  License("1\n2\n");
  ShowWizard();
  wizard->next.Click();
  wizard->decline.Click();
  EXPECT_TRUE(wizard->Declined);
  EXPECT_FALSE(wizard->Visible);
  EXPECT_TRUE(mainClosed);
  EXPECT_TRUE(backend.boxes.empty());
  EXPECT_FALSE(fs::exists(Host("C:\\Accessories")));

  mainClosed = false;
  wizard->Show();
  wizard->cancel.Click();
  EXPECT_TRUE(wizard->Cancelled);
  EXPECT_TRUE(mainClosed);
  EXPECT_TRUE(backend.boxes.empty());
}

// The pages as the log names them, in the order they were logged.
std::vector<std::string> LoggedPages(const std::vector<std::string>& log) {
  std::vector<std::string> pages;
  for (const std::string& line : log)
    if (const std::size_t at = line.find("] page "); at != std::string::npos) pages.push_back(line.substr(at + 2));
  return pages;
}

TEST_F(WizardTest, KeyboardAloneWalksThePagesWithTheFocusWhereItBelongs) {
  License("Terms\r\nof use\r\n");
  config.InstallDir = "MyApp";
  config.WorkStationPrompt = true;
  ShowWizard();
  struct Step {
    std::vector<ui::TKey> keys;
    int page;
    const char* focus;
  };
  const std::vector<Step> steps = {
      {{}, kPageWelcome, "next"},                          // no control on the page: the default button
      {{ui::vkReturn}, kPageLicense, "Memo3"},             // the licence text first
      {{ui::vkTab}, kPageLicense, "decline"},              //
      {{ui::vkTab}, kPageLicense, "accept"},               //
      {{ui::vkTab, ui::vkTab}, kPageLicense, "back"},      // Next is disabled: skipped
      {{ui::vkTab}, kPageLicense, "Memo3"},                // and round again
      {{ui::vkTab, ui::vkTab, ui::vkSpace}, kPageDestination, "browse"},
      {{ui::vkTab, ui::vkTab, ui::vkTab}, kPageDestination, "next"},
      {{ui::vkReturn}, kPageFolder, "CreateFolder"},      //
      {{ui::vkTab, ui::vkTab, ui::vkSpace}, kPageFolder, "CheckBox1"},
      {{ui::vkReturn}, kPageInstallType, "min"},          // the checked radio button
      {{ui::vkUp}, kPageInstallType, "full"},             //
      {{ui::vkReturn}, kPageReady, "RadioButton2"},       //
  };
  for (const Step& step : steps) {
    for (ui::TKey key : step.keys) wizard->KeyDown({key, ui::ssNone});
    EXPECT_EQ(wizard->Notebook1.PageIndex(), step.page);
    ASSERT_NE(wizard->ActiveControl(), nullptr);
    EXPECT_EQ(wizard->ActiveControl()->Name, step.focus) << "on page " << step.page;
  }
  EXPECT_TRUE(wizard->CheckBox1.Checked);
  EXPECT_TRUE(wizard->full.Checked());
  // On the ready page Enter would press Install, and Escape presses Cancel.
  EXPECT_EQ(wizard->DefaultButton(), &wizard->install);
  wizard->KeyDown({ui::vkEscape, ui::ssNone});
  EXPECT_TRUE(wizard->Cancelled);
  EXPECT_EQ(LoggedPages(log), (std::vector<std::string>{"page 0 (welcome) shown", "page 1 (licence) shown",
                                                        "page 2 (destination) shown", "page 3 (program folder) shown",
                                                        "page 4 (install type) shown", "page 5 (ready) shown"}));
}

TEST_F(WizardTest, NextRefusesADestinationThatCannotBeInstalledTo) {
  config.InstallDir = "MyApp";
  WriteHostFile(machine.DriveC() / "taken", "a file");
  ShowWizard();
  wizard->next.Click();
  ASSERT_EQ(wizard->Notebook1.PageIndex(), kPageDestination);
  for (const char* bad : {"Q:\\x", "", "Apps", "C:\\taken\\App"}) {
    app->Post([this, bad] {
      form3->Edit1.SetText(bad);
      form3->KeyDown({ui::vkReturn, ui::ssNone});
    });
    wizard->browse.Click();
    ASSERT_EQ(wizard->Label1.Caption, bad);
    const std::size_t boxes = backend.boxes.size();
    wizard->next.Click();
    EXPECT_EQ(wizard->Notebook1.PageIndex(), kPageDestination) << bad;
    ASSERT_EQ(backend.boxes.size(), boxes + 1) << bad;
    EXPECT_EQ(backend.boxes.back().box.text, DestinationProblem(bad));
    EXPECT_EQ(backend.boxes.back().box.kind, platform::MsgKind::Error);
  }
  wizard->Label1.SetCaption("C:\\MyApp");
  wizard->next.Click();
  EXPECT_EQ(wizard->Notebook1.PageIndex(), kPageFolder);
  EXPECT_NE(std::find(log.begin(), log.end(), "[  0.000] destination C:\\MyApp"), log.end());
  EXPECT_EQ(LoggedPages(log).back(), "page 3 (program folder) shown");
}

TEST_F(WizardTest, AfterAWorkerErrorOnlyCancelIsEnabledAndFocused) {
  config.InstallDir = "MyApp";
  config.DirectoryEntries.Add("<INSTALLDIR>~");  // install.exe is missing from the start folder
  ShowWizard();
  while (!wizard->install.Visible) wizard->next.Click();
  wizard->install.Click();
  ASSERT_FALSE(wizard->InstallError.empty());
  EXPECT_EQ(wizard->Notebook1.PageIndex(), kPageInstall);
  EXPECT_FALSE(wizard->back.Enabled);
  EXPECT_FALSE(wizard->next.Enabled);
  EXPECT_FALSE(wizard->install.Enabled);
  EXPECT_TRUE(wizard->cancel.Enabled);
  EXPECT_EQ(wizard->ActiveControl(), &wizard->cancel);
  wizard->KeyDown({ui::vkReturn, ui::ssNone});
  EXPECT_TRUE(mainClosed);
}

TEST_F(WizardTest, ModalWizardEndsWhenCancelledFromInsideItsLoop) {
  ShowWizard();
  wizard->Hide();
  app->Post([this] { wizard->next.Click(); });
  app->Post([this] { wizard->cancel.Click(); });
  EXPECT_EQ(app->ShowModal(*wizard), platform::ModalResult::Cancel);
  EXPECT_TRUE(wizard->Cancelled);
  EXPECT_TRUE(mainClosed);
}

}  // namespace
}  // namespace zev::setup::testing
