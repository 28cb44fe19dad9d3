// The application's loops on the headless backend: timers on the virtual clock, modal forms,
// termination, message boxes and the host it installs.
#include "ui/application.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/host.h"
#include "ui/headless_backend.h"
#include "ui/std_controls.h"

namespace zev::ui {
namespace {

using platform::ModalResult;

class ApplicationTest : public ::testing::Test {
 protected:
  HeadlessBackend backend{640, 480};
  Application app{backend};
};

TEST_F(ApplicationTest, IsThePlatformHostWhileItLives) {
  EXPECT_EQ(&platform::CurrentHost(), &app);
  {
    HeadlessBackend other;
    Application nested(other);
    EXPECT_EQ(&platform::CurrentHost(), &nested);
  }
  EXPECT_EQ(&platform::CurrentHost(), &app);
}

TEST_F(ApplicationTest, FirstFormIsMainAndRunsItsOnCreate) {
  int created = 0;
  struct Counting : TForm {
    Counting(Application& a, int& c) : TForm(a, "Counting") { OnCreate = [&c] { ++c; }; }
  };
  TForm& first = app.CreateForm<Counting>(created);
  app.CreateForm<TForm>("Second");
  EXPECT_EQ(app.MainForm(), &first);
  EXPECT_EQ(created, 1);
}

TEST_F(ApplicationTest, OneShotTimerFiresOnTheVirtualClockWithoutWaiting) {
  TForm& main = app.CreateForm<TForm>("Main");
  TTimer timer(app, "T");
  timer.SetEnabled(false);
  timer.SetInterval(3000);
  std::vector<std::int64_t> fired;
  timer.OnTimer = [&] {
    timer.SetEnabled(false);
    fired.push_back(app.Now());
    main.Close();
  };
  main.OnShow = [&] { timer.SetEnabled(true); };
  app.Run();
  EXPECT_EQ(fired, std::vector<std::int64_t>{3000});
  EXPECT_TRUE(app.Terminated());
}

TEST_F(ApplicationTest, RepeatingTimersInterleaveByDueTime) {
  TForm& main = app.CreateForm<TForm>("Main");
  TTimer fast(app, "fast"), slow(app, "slow");
  fast.SetInterval(100);
  slow.SetInterval(250);
  std::string order;
  fast.OnTimer = [&] { order += 'f'; };
  slow.OnTimer = [&] {
    order += 's';
    if (app.Now() >= 500) main.Close();
  };
  app.Run();
  EXPECT_EQ(order, "ffsfffs");  // 100 200 250 300 400 500 500: equal times in creation order
  EXPECT_EQ(app.Now(), 500);
}

TEST_F(ApplicationTest, ATimerDoesNotFireInsideItsOwnHandler) {
  TForm& main = app.CreateForm<TForm>("Main");
  TTimer timer(app, "T");
  timer.SetInterval(10);
  int depth = 0, maxDepth = 0, calls = 0;
  timer.OnTimer = [&] {
    ++calls;
    maxDepth = std::max(maxDepth, ++depth);
    backend.Advance(50);
    app.ProcessMessages();  // the timer is overdue, but it is the one running
    --depth;
    if (calls == 3) main.Close();
  };
  app.Run();
  EXPECT_EQ(maxDepth, 1);
}

TEST_F(ApplicationTest, ModalLoopEndsWithTheButtonsResultAndRunsOnClose) {
  app.CreateForm<TForm>("Main");
  TForm& dialog = app.CreateForm<TForm>("Dialog");
  TButton ok("ok");
  dialog.InsertControl(ok);
  ok.ModalResult = ModalResult::OK;
  bool closed = false;
  dialog.OnClose = [&](TCloseAction&) { closed = true; };
  dialog.OnShow = [&] { app.Post([&] { ok.Click(); }); };
  EXPECT_EQ(app.ShowModal(dialog), ModalResult::OK);
  EXPECT_TRUE(closed);
  EXPECT_FALSE(dialog.Visible);
  EXPECT_FALSE(dialog.IsModal());
}

TEST_F(ApplicationTest, CloseOfAModalFormGivesCancelAndTerminateEndsTheLoop) {
  app.CreateForm<TForm>("Main");
  TForm& dialog = app.CreateForm<TForm>("Dialog");
  dialog.OnShow = [&] { app.Post([&] { dialog.Close(); }); };
  EXPECT_EQ(app.ShowModal(dialog), ModalResult::Cancel);
  dialog.OnShow = [&] { app.Post([&] { app.Terminate(); }); };
  EXPECT_EQ(app.ShowModal(dialog), ModalResult::Cancel);
}

TEST_F(ApplicationTest, WaitingWithNothingLeftToHappenIsReportedNotHung) {
  TForm& main = app.CreateForm<TForm>("Main");
  (void)main;
  EXPECT_THROW(app.Run(), EStalled);
}

TEST_F(ApplicationTest, MessageBoxesAreAnsweredFromTheScriptThenWithTheLastButton) {
  backend.script = {ModalResult::Yes};
  EXPECT_EQ(app.MessageBox("Sure?", "Confirm", platform::MsgKind::Confirmation, platform::mbYes | platform::mbNo),
            ModalResult::Yes);
  EXPECT_EQ(app.MessageBox("Sure?", "Confirm", platform::MsgKind::Confirmation, platform::mbYes | platform::mbNo),
            ModalResult::No);
  app.Title = "ZEV - Setup";
  EXPECT_EQ(app.MessageBox("Stop?", "", platform::MsgKind::Warning, platform::mbNo | platform::mbAbort),
            ModalResult::Abort);
  ASSERT_EQ(backend.boxes.size(), 3u);
  EXPECT_EQ(backend.boxes[2].box.title, "ZEV - Setup");
  EXPECT_EQ(backend.boxes[2].box.kind, platform::MsgKind::Warning);
}

TEST_F(ApplicationTest, ButtonOrderIsTheDisplayOrder) {
  EXPECT_EQ(FirstButton(platform::mbNo | platform::mbAbort), ModalResult::No);
  EXPECT_EQ(LastButton(platform::mbNo | platform::mbAbort), ModalResult::Abort);
  EXPECT_EQ(LastButton(platform::mbOK | platform::mbCancel), ModalResult::Cancel);
  EXPECT_EQ(FirstButton(platform::mbOK | platform::mbCancel), ModalResult::OK);
  EXPECT_EQ(LastButton(platform::mbYes | platform::mbNo | platform::mbCancel), ModalResult::Cancel);
  EXPECT_EQ(ButtonFromName("cancel"), ModalResult::Cancel);
  EXPECT_EQ(ButtonFromName("Maybe"), ModalResult::None);
}

TEST_F(ApplicationTest, InputBoxIsAnsweredFromTheScriptAndRecorded) {
  backend.inputScript = {{true, "c:\\disks"}};
  std::string value = "a:\\";
  EXPECT_TRUE(app.InputQuery("Segment Prompt: x.001", "Directory Path:", value));
  EXPECT_EQ(value, "c:\\disks");
  EXPECT_FALSE(app.InputQuery("again", "Directory Path:", value));
  EXPECT_EQ(value, "c:\\disks");
  ASSERT_EQ(backend.queries.size(), 2u);
  EXPECT_EQ(backend.queries[0].initial, "a:\\");
}

TEST_F(ApplicationTest, MaximisedFormTakesTheScreenAndCentredFormsAreCentred) {
  TForm& main = app.CreateForm<TForm>("Main");
  int resizes = 0;
  main.OnResize = [&] { ++resizes; };
  main.WindowState = TWindowState::wsMaximized;
  main.Show();
  EXPECT_EQ(main.Width, 640);
  EXPECT_EQ(main.Height, 480);
  EXPECT_EQ(resizes, 1);
  TForm& dialog = app.CreateForm<TForm>("Dialog");
  dialog.Position = TPosition::poScreenCenter;
  dialog.SetClientSize(200, 100);
  dialog.Show();
  EXPECT_EQ(dialog.Left, 220);
  EXPECT_EQ(dialog.Top, 190);
  EXPECT_EQ(backend.shownForms, (std::vector<std::string>{"Main", "Dialog"}));
}

TEST_F(ApplicationTest, ClosingTheMainFormAsksOnCloseWhichMayRefuse) {
  TForm& main = app.CreateForm<TForm>("Main");
  main.Show();
  main.OnClose = [](TCloseAction& action) { action = TCloseAction::caNone; };
  main.Close();
  EXPECT_FALSE(app.Terminated());
  main.OnClose = nullptr;
  main.Close();
  EXPECT_TRUE(app.Terminated());
}


TEST_F(ApplicationTest, ATimerStoppedOrDestroyedByAnEarlierHandlerOfThePassDoesNotFire) {
  auto doomed = std::make_unique<TTimer>(app, "doomed");
  TTimer first(app, "first"), stopped(app, "stopped");
  std::string fired;
  // All three are due at 1000; the first runs first (it is due first) and removes the others.
  first.SetInterval(999);
  first.OnTimer = [&] {
    fired += "first ";
    doomed.reset();
    stopped.SetEnabled(false);
  };
  doomed->OnTimer = [&] { fired += "doomed "; };
  stopped.OnTimer = [&] { fired += "stopped "; };
  backend.Advance(1000);
  app.ProcessMessages();
  EXPECT_EQ(fired, "first ");
}

struct RestartCase {
  const char* name;
  std::function<void(TTimer&, HeadlessBackend&)> change;  // made at time 0
  std::int64_t firstFiring;                              // -1: never
};

void PrintTo(const RestartCase& c, std::ostream* out) { *out << c.name; }

class TimerRestartTest : public ApplicationTest, public ::testing::WithParamInterface<RestartCase> {};

TEST_P(TimerRestartTest, FiresOneIntervalAfterItWasLastStarted) {
  TTimer timer(app, "T");  // 1000 ms from time 0
  std::int64_t fired = -1;
  timer.OnTimer = [&] {
    if (fired < 0) fired = app.Now();
  };
  GetParam().change(timer, backend);
  for (int pass = 0; pass < 50 && fired < 0; ++pass) {
    backend.Advance(100);
    app.ProcessMessages();
  }
  EXPECT_EQ(fired, GetParam().firstFiring);
}

INSTANTIATE_TEST_SUITE_P(
    Timers, TimerRestartTest,
    ::testing::Values(
        RestartCase{"Untouched", [](TTimer&, HeadlessBackend&) {}, 1000},
        RestartCase{"ReEnabledLater",
                    [](TTimer& t, HeadlessBackend& b) {
                      t.SetEnabled(false);
                      b.Advance(500);
                      t.SetEnabled(true);
                    },
                    1500},
        RestartCase{"EnablingAnEnabledTimerKeepsItsTime",
                    [](TTimer& t, HeadlessBackend& b) {
                      b.Advance(500);
                      t.SetEnabled(true);
                    },
                    1000},
        RestartCase{"ShorterInterval",
                    [](TTimer& t, HeadlessBackend& b) {
                      b.Advance(300);
                      t.SetInterval(200);
                    },
                    500},
        RestartCase{"TheSameIntervalKeepsItsTime",
                    [](TTimer& t, HeadlessBackend& b) {
                      b.Advance(300);
                      t.SetInterval(1000);
                    },
                    1000},
        RestartCase{"IntervalZeroNeverFires", [](TTimer& t, HeadlessBackend&) { t.SetInterval(0); }, -1},
        RestartCase{"WithoutAHandlerNothingFires", [](TTimer& t, HeadlessBackend&) { t.OnTimer = nullptr; }, -1}));

TEST_F(ApplicationTest, OnCloseThatRefusesKeepsTheModalLoopGoing) {
  TForm& dialog = app.CreateForm<TForm>("Dialog");
  auto answer = [&](ModalResult result) { app.Post([&dialog, result] { dialog.ModalResult = result; }); };
  int asked = 0;
  dialog.OnClose = [&](TCloseAction& action) {
    if (++asked > 1) return;
    action = TCloseAction::caNone;
    answer(ModalResult::Yes);  // the second answer is taken
  };
  dialog.OnShow = [&] { answer(ModalResult::No); };
  EXPECT_EQ(app.ShowModal(dialog), ModalResult::Yes);
  EXPECT_EQ(asked, 2);
  EXPECT_FALSE(dialog.Visible);
}

TEST_F(ApplicationTest, ReleasedFormsLiveUntilTheirEventIsOver) {
  struct Watched : TForm {
    Watched(Application& a, bool& gone) : TForm(a, "Watched"), gone_(gone) {}
    ~Watched() override { gone_ = true; }
    bool& gone_;
  };
  app.CreateForm<TForm>("Main");
  bool released = false, closed = false;
  Watched& byRelease = app.CreateForm<Watched>(released);
  Watched& byClose = app.CreateForm<Watched>(closed);
  byClose.OnClose = [](TCloseAction& action) { action = TCloseAction::caFree; };
  byRelease.Show();
  byClose.Show();
  app.Post([&] {
    app.Release(byRelease);
    byClose.Close();
    EXPECT_FALSE(released || closed) << "still in the event that released them";
  });
  app.ProcessMessages();
  EXPECT_TRUE(released);
  EXPECT_TRUE(closed);
  EXPECT_EQ(app.ActiveForm(), nullptr) << "freed forms no longer show";
}

TEST_F(ApplicationTest, LogLinesAreStampedWithTheClockAndStayOneLineEach) {
  std::vector<std::string> lines;
  app.Log("dropped: nobody listens");
  app.OnLog = [&](const std::string& line) { lines.push_back(line); };
  backend.Advance(1500);
  app.Log("box \"Line one\nLine two\r\" shown");
  backend.Advance(12345678);
  app.Log("");
  EXPECT_EQ(lines, (std::vector<std::string>{"[  1.500] box \"Line one\\nLine two\\r\" shown", "[12347.178] "}));
}

TEST_F(ApplicationTest, BusyCursorsNestAndRestoreTheCursorBefore) {
  EXPECT_EQ(app.GetCursor(), platform::Cursor::Default);
  {
    const TBusyCursor outer(app);
    {
      const TBusyCursor inner(app);
      EXPECT_EQ(app.GetCursor(), platform::Cursor::HourGlass);
    }
    EXPECT_EQ(app.GetCursor(), platform::Cursor::HourGlass) << "the outer one still holds";
  }
  EXPECT_EQ(app.GetCursor(), platform::Cursor::Default);
}

}  // namespace
}  // namespace zev::ui
