// The controls' own state rules: what a click does, exclusive radio buttons, clamped progress,
// notebook pages, alignment, and the file-system controls over a machine.
#include <gtest/gtest.h>

#include "platform/scoped_machine.h"
#include "ui/application.h"
#include "ui/file_controls.h"
#include "ui/headless_backend.h"
#include "ui/std_controls.h"

namespace zev::ui {
namespace {

class ControlsTest : public ::testing::Test {
 protected:
  HeadlessBackend backend;
  Application app{backend};
  TForm& form = app.CreateForm<TForm>("Form");
};

TEST_F(ControlsTest, ClicksReachOnlyShowingEnabledControls) {
  TButton button("b");
  form.InsertControl(button);
  int clicks = 0;
  button.OnClick = [&] { ++clicks; };
  button.Click();
  EXPECT_EQ(clicks, 0) << "the form is not shown yet";
  form.Show();
  button.Click();
  button.Enabled = false;
  button.Click();
  button.Enabled = true;
  button.Visible = false;
  button.Click();
  EXPECT_EQ(clicks, 1);
}

TEST_F(ControlsTest, CheckBoxTogglesAndRadioButtonsExcludeTheirSiblingsOnly) {
  form.Show();
  TCheckBox check("c");
  form.InsertControl(check);
  check.Click();
  EXPECT_TRUE(check.Checked);
  check.Click();
  EXPECT_FALSE(check.Checked);

  TPanel group("group");
  form.InsertControl(group);
  TRadioButton a("a"), b("b"), other("other");
  group.InsertControl(a);
  group.InsertControl(b);
  form.InsertControl(other);
  other.SetChecked(true);
  a.SetChecked(true);
  b.Click();
  EXPECT_FALSE(a.Checked());
  EXPECT_TRUE(b.Checked());
  EXPECT_TRUE(other.Checked()) << "a radio button in another parent is another group";
}

TEST_F(ControlsTest, TickedCheckBoxShowsATickAndTheFocusedOneADottedRectangle) {
  form.SetClientSize(120, 40);
  form.Color = clBtnFace;
  TCheckBox check("c");
  form.InsertControl(check);
  check.SetBounds(0, 0, 120, 17);
  check.Caption = "Tick";
  check.Checked = true;
  form.Show();
  check.SetFocus();
  const RasterImage image = RenderForm(form);
  const int top = (17 - 13) / 2;
  // A tick, not a filled square: the corner of where a square would be stays white, the
  // stroke's low point and its right end are dark.
  EXPECT_EQ(image.Pixel(3, top + 3), ColorToRGB(clWindow));
  EXPECT_EQ(image.Pixel(5, top + 9), ColorToRGB(clWindowText));
  EXPECT_EQ(image.Pixel(9, top + 3), ColorToRGB(clWindowText));
  // The focus rectangle around the caption: dots every other pixel along its top edge.
  int dots = 0, y = -1;
  for (int row = 0; row < 17 && y < 0; ++row)
    if (image.Pixel(18, row) == ColorToRGB(clWindowText) && image.Pixel(19, row) == ColorToRGB(clBtnFace) &&
        image.Pixel(20, row) == ColorToRGB(clWindowText))
      y = row;
  ASSERT_GE(y, 0) << "no dotted edge";
  for (int x = 18; x < 40; x += 2) dots += image.Pixel(x, y) == ColorToRGB(clWindowText);
  EXPECT_GE(dots, 10);
  check.Enabled = false;
  EXPECT_NE(RenderForm(form).rgb, image.rgb) << "a disabled control shows no focus";
}

TEST_F(ControlsTest, GroupBoxFillsAnAlignedChildInsideItsFrame) {
  TGroupBox box("GroupBox1");
  form.InsertControl(box);
  box.SetBounds(4, 0, 229, 85);
  TMemo memo("Memo1");
  memo.Align = TAlign::alClient;
  box.InsertControl(memo);
  box.AlignControls();
  EXPECT_EQ(memo.Left, 1);
  EXPECT_EQ(memo.Top, 1);
  EXPECT_EQ(memo.Width, 227);
  EXPECT_EQ(memo.Height, 83);
  box.Caption = "Caption";
  box.AlignControls();
  EXPECT_GT(memo.Top, 8) << "below the caption";
}

TEST_F(ControlsTest, ProgressBarKeepsItsPositionInRange) {
  TProgressBar bar("p");
  bar.SetMax(12);
  bar.StepBy(5);
  EXPECT_EQ(bar.Position(), 5);
  for (int i = 0; i < 20; ++i) bar.StepBy(1);
  EXPECT_EQ(bar.Position(), 12);
  bar.SetPosition(-1);
  EXPECT_EQ(bar.Position(), 0);
  bar.SetPosition(7);
  bar.SetMax(3);
  EXPECT_EQ(bar.Position(), 3);
  bar.SetMax(0);
  bar.StepBy(1);
  EXPECT_EQ(bar.Position(), 0);
}

TEST_F(ControlsTest, NotebookShowsOnePageAndReportsChanges) {
  TNotebook book("Notebook1");
  TPage p0("p0"), p1("p1"), p2("p2");
  book.AddPage(p0, "page1");
  book.AddPage(p1, "Page2");
  book.AddPage(p2, "Page3");
  std::vector<int> changes;
  book.OnPageChanged = [&] { changes.push_back(book.PageIndex()); };
  EXPECT_EQ(book.PageIndex(), 0);
  book.SetPageIndex(2);
  book.SetPageIndex(2);
  book.SetPageIndex(7);
  book.SetPageIndex(-1);
  EXPECT_EQ(changes, std::vector<int>{2});
  EXPECT_FALSE(p0.Visible);
  EXPECT_TRUE(p2.Visible);
  EXPECT_EQ(book.Page(1).Caption, "Page2");
}

TEST_F(ControlsTest, AlignedChildrenFollowTheFormsSize) {
  TPanel bar("bar"), client("client");
  bar.Align = TAlign::alBottom;
  bar.Height = 30;
  client.Align = TAlign::alClient;
  form.InsertControl(bar);
  form.InsertControl(client);
  form.SetClientSize(433, 266);
  EXPECT_EQ(bar.Top, 236);
  EXPECT_EQ(bar.Width, 433);
  EXPECT_EQ(client.Height, 236);
}

TEST_F(ControlsTest, ListBoxSelectionText) {
  TListBox list("Folders");
  list.Items.Add("Accessories");
  list.Items.Add("Games");
  EXPECT_EQ(list.SelectedText(), "");
  list.ItemIndex = 1;
  EXPECT_EQ(list.SelectedText(), "Games");
  list.ItemIndex = 5;
  EXPECT_EQ(list.SelectedText(), "");
}

TEST_F(ControlsTest, DirectoryListShowsLevelsAndSubfoldersAndFollowsTheDrive) {
  platform::ScopedMachine machine;
  std::filesystem::create_directories(machine.DriveC() / "Program Files" / "App");
  std::filesystem::create_directories(machine.DriveC() / "Program Files" / "Beta");
  TDirectoryListBox dirs("DirectoryListBox1");
  TDriveComboBox drives("DriveComboBox1");
  drives.Update();
  drives.DirList = &dirs;
  EXPECT_EQ(drives.Items.Strings(), (std::vector<std::string>{"a:", "c:"}));
  ASSERT_TRUE(dirs.SetDirectory("C:\\Program Files"));
  EXPECT_EQ(dirs.Directory(), "C:\\Program Files");
  EXPECT_EQ(dirs.Items.Strings(), (std::vector<std::string>{"C:\\", "Program Files", "App", "Beta"}));
  EXPECT_EQ(dirs.ItemPath(0), "C:\\");
  EXPECT_EQ(dirs.ItemPath(3), "C:\\Program Files\\Beta");
  dirs.OpenItem(2);
  EXPECT_EQ(dirs.Directory(), "C:\\Program Files\\App");
  EXPECT_FALSE(dirs.SetDirectory("C:\\missing"));
  EXPECT_EQ(dirs.Directory(), "C:\\Program Files\\App");
  drives.SetDrive('a');
  EXPECT_EQ(dirs.Directory(), "A:\\");
  drives.SetDrive('q');
  EXPECT_EQ(drives.Drive(), 'A');
}

}  // namespace
}  // namespace zev::ui
