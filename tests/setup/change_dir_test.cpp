// The directory chooser: the list follows the caller's text when it exists, double clicks and
// the drive box put the list's directory into the text, and OK returns whatever the text holds.
#include "setup/change_dir.h"

#include "tests/setup/setup_fixture.h"

namespace zev::setup::testing {
namespace {

class ChangeDirTest : public SetupFixture {
 protected:
  ChangeDirTest() {
    fs::create_directories(machine.DriveC() / "Program Files" / "Old");
    fs::create_directories(machine.Root() / "d" / "Tools");
    machine.machine().MapDrive('D', machine.Root() / "d");
    form3 = &app->CreateForm<TForm3>();
  }

  // Shows the chooser with text, runs action inside its modal loop, and returns the result.
  platform::ModalResult Browse(const std::string& text, std::function<void()> action) {
    form3->Edit1.SetText(text);
    app->Post(std::move(action));
    return app->ShowModal(*form3);
  }
};

TEST_F(ChangeDirTest, MissingDirectoryShowsTheNearestFolderAboveAndReturnsTheTextUnchanged) {
  struct Case {
    const char* text;
    const char* listed;
  };
  // After a first showing in C:\Program Files\Old: a destination that does not exist yet shows
  // the nearest folder above it; one on a drive that does not exist leaves the list.
  for (const Case& c : {Case{"C:\\Program Files\\MyApp", "C:\\Program Files"},
                        Case{"C:\\Program Files\\Old\\deep\\deeper\\", "C:\\Program Files\\Old"},
                        Case{"Q:\\x", "C:\\Program Files\\Old"}, Case{"", "C:\\Program Files\\Old"}}) {
    ASSERT_EQ(Browse("C:\\Program Files\\Old", [&] { form3->BitBtn2.Click(); }), platform::ModalResult::Cancel);
    std::string listed;
    const platform::ModalResult result = Browse(c.text, [&] {
      listed = form3->DirectoryListBox1.Directory();
      EXPECT_EQ(form3->Edit1.Text, c.text);
      form3->BitBtn1.Click();
    });
    EXPECT_EQ(result, platform::ModalResult::OK);
    EXPECT_EQ(listed, c.listed) << c.text;
    EXPECT_EQ(form3->Edit1.Text, c.text);
  }
  EXPECT_FALSE(fs::exists(machine.DriveC() / "Program Files" / "MyApp"));
}

TEST_F(ChangeDirTest, FirstShowingOnADriveThatDoesNotExistShowsTheDriveBoxsRoot) {
  Browse("Q:\\Apps", [&] {
    EXPECT_EQ(form3->DirectoryListBox1.Directory(), "C:\\");
    EXPECT_EQ(form3->Edit1.Text, "Q:\\Apps");
    form3->BitBtn2.Click();
  });
}

TEST_F(ChangeDirTest, KeysOpenAFolderAndEnterAndEscapeEndTheChooser) {
  // The focus starts on OK: Enter takes the text.
  EXPECT_EQ(Browse("C:\\Program Files", [&] {
              EXPECT_EQ(form3->ActiveControl(), &form3->BitBtn1);
              form3->KeyDown({ui::vkReturn, ui::ssNone});
            }),
            platform::ModalResult::OK);
  // Tab to the list, Down to Old, Enter opens it (no OK yet), then Escape cancels.
  EXPECT_EQ(Browse("C:\\Program Files", [&] {
              for (int i = 0; i < 3; ++i) form3->KeyDown({ui::vkTab, ui::ssNone});
              ASSERT_EQ(form3->ActiveControl(), &form3->DirectoryListBox1);
              form3->KeyDown({ui::vkDown, ui::ssNone});
              form3->KeyDown({ui::vkReturn, ui::ssNone});
              EXPECT_EQ(form3->Edit1.Text, "C:\\Program Files\\Old");
              EXPECT_TRUE(form3->Visible);
              form3->KeyDown({ui::vkEscape, ui::ssNone});
            }),
            platform::ModalResult::Cancel);
}

TEST_F(ChangeDirTest, ExistingDirectoryMovesTheListButKeepsTheCallersText) {
  Browse("c:\\program files\\old", [&] {
    EXPECT_EQ(form3->Edit1.Text, "c:\\program files\\old");
    EXPECT_EQ(UpperCase(form3->DirectoryListBox1.Directory()), "C:\\PROGRAM FILES\\OLD");
    EXPECT_EQ(form3->DriveComboBox1.Drive(), 'C');
    form3->BitBtn1.Click();
  });
  EXPECT_EQ(form3->Edit1.Text, "c:\\program files\\old");
}

TEST_F(ChangeDirTest, DoubleClickAndDriveChoicePutTheListDirectoryIntoTheText) {
  Browse("D:\\", [&] {
    EXPECT_EQ(platform::MachineDriveItems(form3->DriveComboBox1.Items.Strings()), (std::vector<std::string>{"a:", "c:", "d:"}));
    EXPECT_EQ(form3->DriveComboBox1.Drive(), 'D');
    const std::ptrdiff_t tools = form3->DirectoryListBox1.Items.IndexOf("Tools");
    ASSERT_GE(tools, 0);
    form3->DirectoryListBox1.ItemIndex = static_cast<int>(tools);
    form3->DirectoryListBox1.DblClick();
    EXPECT_EQ(form3->Edit1.Text, "D:\\Tools");
    form3->DriveComboBox1.SetDrive('c');
    EXPECT_EQ(form3->Edit1.Text, "C:\\");
    EXPECT_EQ(form3->DirectoryListBox1.Directory(), "C:\\");
    form3->BitBtn2.Click();  // Cancel: the caller ignores the text
  });
  // Closing the window counts as Cancel.
  EXPECT_EQ(Browse("C:\\", [&] { form3->Close(); }), platform::ModalResult::Cancel);
}

}  // namespace
}  // namespace zev::setup::testing
