// The directory chooser: the list follows the caller's text when it exists, double clicks and
// the drive box put the list's directory into the text, and OK returns whatever the text holds.
#include "setup/change_dir.h"

#include "tests/setup/wizard_fixture.h"

namespace zev::setup::testing {
namespace {

class ChangeDirTest : public WizardFixture {
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

TEST_F(ChangeDirTest, MissingDirectoryKeepsTheListAndReturnsTheTextUnchanged) {
  std::string listed;
  ASSERT_EQ(Browse("C:\\Program Files\\Old", [&] { form3->BitBtn2.Click(); }), platform::ModalResult::Cancel);
  EXPECT_EQ(form3->DirectoryListBox1.Directory(), "C:\\Program Files\\Old");

  const platform::ModalResult result = Browse("C:\\Program Files\\MyApp", [&] {
    listed = form3->DirectoryListBox1.Directory();
    EXPECT_EQ(form3->Edit1.Text, "C:\\Program Files\\MyApp");
    form3->BitBtn1.Click();
  });
  EXPECT_EQ(result, platform::ModalResult::OK);
  EXPECT_EQ(listed, "C:\\Program Files\\Old");
  EXPECT_EQ(form3->Edit1.Text, "C:\\Program Files\\MyApp");
  EXPECT_FALSE(fs::exists(machine.DriveC() / "Program Files" / "MyApp"));
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
    EXPECT_EQ(form3->DriveComboBox1.Items.Strings(), (std::vector<std::string>{"a:", "c:", "d:"}));
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
