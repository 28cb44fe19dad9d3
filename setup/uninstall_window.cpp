#include "setup/uninstall_window.h"

#include "setup/program.h"

namespace zev::setup {
namespace {

// The closing box names at most this many kept entries; the log and standard error name all.
constexpr std::size_t kBoxLines = 15;

std::string KeptLine(const TKeptEntry& entry) { return entry.path + ": " + entry.reason; }

}  // namespace

TUninstallForm::TUninstallForm(ui::Application& application, TUninstaller& uninstaller)
    : ui::TForm(application, "Uninstall"), uninstaller_(uninstaller) {
  Caption = "Removing " + uninstaller.PackageName();
  BorderStyle = ui::TBorderStyle::bsToolWindow;
  BorderIcons = false;  // the removal runs to its end
  Position = ui::TPosition::poScreenCenter;
  SetClientSize(420, 240);
  Font = {"MS Sans Serif", 13, ui::clWindowText, true};

  for (ui::TLabel* label : {&Label1, &Label2}) {
    InsertControl(*label);
    label->Font = Font;
  }
  Label1.AutoSize = false;
  Label1.SetBounds(8, 8, 404, 16);
  Label1.SetCaption("");
  InsertControl(ProgressBar1);
  ProgressBar1.SetBounds(8, 28, 404, 16);
  Label2.Left = 8, Label2.Top = 52;
  Label2.SetCaption("Removed:");
  InsertControl(Memo1);
  Memo1.SetBounds(8, 68, 404, 164);
  Memo1.Font = Font;
  Memo1.ReadOnly = true;
  Memo1.ScrollBars = true;

  OnShow = [this] { FormShow(); };
}

void TUninstallForm::FormShow() {
  // Once the window is on the screen: the removal runs from the message loop.
  App().Post([this] { RemoveAll(); });
}

void TUninstallForm::RemoveAll() {
  uninstaller_.OnStep = [this](const TUninstallStep& step) { ShowStep(step); };
  {
    const ui::TBusyCursor busy(App());
    uninstaller_.Run(false);
  }
  uninstaller_.OnStep = nullptr;
  Label1.SetCaption("Done: " + std::to_string(uninstaller_.Removed().size()) + " removed, " +
                    std::to_string(uninstaller_.Kept().size()) + " kept.");
  ProgressBar1.SetPosition(ProgressBar1.Max);
  App().ProcessMessages();
  const bool complete = uninstaller_.Kept().empty();
  App().MessageBox(UninstallSummary(uninstaller_.PackageName(), uninstaller_.Kept()), "",
                   complete ? platform::MsgKind::Information : platform::MsgKind::Warning, platform::mbOK);
  Finished = true;
  Close();
}

void TUninstallForm::ShowStep(const TUninstallStep& step) {
  if (step.removed) {
    App().Log("removed " + step.path);
    Memo1.Lines.Add(step.path);
  } else {
    App().Log("kept " + KeptLine(uninstaller_.Kept().back()));
  }
  Label1.SetCaption(step.path);
  ProgressBar1.SetMax(static_cast<int>(step.total));
  ProgressBar1.SetPosition(static_cast<int>(step.done));
  App().ProcessMessages();
}

std::string UninstallSummary(const std::string& name, const std::vector<TKeptEntry>& kept) {
  if (kept.empty()) return name + " was removed.";
  std::string text = name + " was removed. These were kept:";
  for (std::size_t i = 0; i < kept.size() && i < kBoxLines; ++i) text += "\n" + KeptLine(kept[i]);
  if (kept.size() > kBoxLines) text += "\n... and " + std::to_string(kept.size() - kBoxLines) + " more";
  return text;
}

int RunUninstall(ui::Application& app, const TUninstallRequest& request) {
  TUninstaller uninstaller(request.installDir);
  app.Log("uninstall " + request.installDir + (request.dryRun ? " (dry run: nothing is changed)" : ""));
  const TUninstaller::TLoad load = uninstaller.Load();
  if (load != TUninstaller::TLoad::ldLoaded) {
    const bool nothing = load == TUninstaller::TLoad::ldNothingToRemove;
    const std::string line = nothing ? uninstaller.Problem() : "nothing was removed: " + uninstaller.Problem();
    app.Notice(line);
    if (!request.dryRun)
      app.MessageBox(line, "", nothing ? platform::MsgKind::Information : platform::MsgKind::Error, platform::mbOK);
    return nothing ? kSetupOk : kSetupFailed;
  }
  app.Log(std::string("records: uninstall.cfg") + (uninstaller.HasManifest() ? " and " + std::string(kManifestName)
                                                                              : " alone (no " + std::string(kManifestName) + ")"));
  for (const std::string& note : uninstaller.Notes()) app.Log(note);
  const std::size_t notesLogged = uninstaller.Notes().size();

  if (request.dryRun) {
    // Says what the removal would do, and succeeds in saying it: the exit code does not tell
    // whether anything would be kept.
    uninstaller.Run(true);
    auto say = [&](const std::string& line) {
      app.Log(line);
      request.print(line);
    };
    for (const std::string& path : uninstaller.Removed()) say("would remove " + path);
    for (const TKeptEntry& entry : uninstaller.Kept()) say("would keep " + KeptLine(entry));
    for (std::size_t i = notesLogged; i < uninstaller.Notes().size(); ++i) app.Log(uninstaller.Notes()[i]);
    return kSetupOk;
  }
  if (app.MessageBox("Remove " + uninstaller.PackageName() + " from this computer?", "", platform::MsgKind::Confirmation,
                     platform::mbYes | platform::mbNo) != platform::ModalResult::Yes) {
    app.Notice("the removal was declined: nothing was removed");
    return kSetupCancelled;
  }
  TUninstallForm& form = app.CreateForm<TUninstallForm>(uninstaller);
  app.Run();
  if (!form.Finished) {
    app.Notice("the removal did not run to its end");
    return kSetupFailed;
  }
  for (std::size_t i = notesLogged; i < uninstaller.Notes().size(); ++i) app.Log(uninstaller.Notes()[i]);
  if (uninstaller.Kept().empty()) {
    app.Log(uninstaller.PackageName() + " was removed");
    return kSetupOk;
  }
  // Every entry left in place is named on standard error as well as in the log.
  app.Notice(uninstaller.PackageName() + " was removed, but these were kept:");
  for (const TKeptEntry& entry : uninstaller.Kept()) app.Notice("  " + KeptLine(entry));
  return kSetupFailed;
}

}  // namespace zev::setup
