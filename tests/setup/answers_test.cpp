// Answers files of unattended runs: what they may say, and how boxes are answered.
#include "setup/answers.h"

#include <gtest/gtest.h>

namespace zev::setup {
namespace {

using platform::ModalResult;

ui::BoxRequest Box(const std::string& text, unsigned buttons) { return {text, "ZEV - Setup", platform::MsgKind::Information, buttons}; }

TEST(AnswersTest, ListedKindsGetTheirAnswerOthersTheDefault) {
  TAnswers answers = TAnswers::Parse("; unattended\r\n[Options]\r\nDefault=first\r\n[Answers]\r\nMissingSegment=OK\r\n");
  EXPECT_TRUE(answers.DefaultFirst());
  const ui::BoxRequest missing = Box("Unable to locate \"zevsetup.002\" on this segment!\n\rCorrect...", platform::mbOK | platform::mbCancel);
  EXPECT_EQ(answers.Answer(missing), ModalResult::OK);
  EXPECT_EQ(answers.Answer(Box("Abort Setup Process ?", platform::mbNo | platform::mbAbort)), ModalResult::No);
  TAnswers plain = TAnswers::Parse("");
  EXPECT_EQ(plain.Answer(Box("Abort Setup Process ?", platform::mbNo | platform::mbAbort)), ModalResult::Abort);
  EXPECT_EQ(plain.Answer(missing), ModalResult::Cancel) << "the last button is the default";
}

TEST(AnswersTest, ABoxThatKeepsComingBackGetsItsLastButtonAfterTheThirdTime) {
  TAnswers answers = TAnswers::Parse("[Answers]\nMissingSegment=ok\n");
  const ui::BoxRequest missing = Box("Unable to locate \"zevsetup.003\" on this segment!", platform::mbOK | platform::mbCancel);
  EXPECT_EQ(answers.Answer(missing), ModalResult::OK);
  EXPECT_EQ(answers.Answer(missing), ModalResult::OK);
  EXPECT_EQ(answers.Answer(missing), ModalResult::OK);
  EXPECT_EQ(answers.Answer(missing), ModalResult::Cancel);
  const ui::BoxRequest other = Box("Unable to locate \"zevsetup.004\" on this segment!", platform::mbOK | platform::mbCancel);
  EXPECT_EQ(answers.Answer(other), ModalResult::OK) << "counted per box text";
}

TEST(AnswersTest, KindsAreRecognisedByTheirTexts) {
  EXPECT_EQ(BoxKind(Box("Please Insert Disk #12 into Floppy Drive.", platform::mbOK)), "InsertDisk");
  EXPECT_EQ(BoxKind(Box("Unable to locate \"x\"", platform::mbOK)), "MissingSegment");
  EXPECT_EQ(BoxKind(Box("Error Expanding Files!!", platform::mbOK)), "ExpandError");
  EXPECT_EQ(BoxKind(Box("Something else", platform::mbOK)), "");
}

TEST(AnswersTest, AnythingUnknownIsRefusedWithItsLine) {
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"[Answers]\nMissingSegment=OK ; retry\n", "line 2"},
      {"[Answers]\nInsertDisk=Cancel\n", "InsertDisk must be OK"},
      {"[Answers]\nMissingSegment=Retry\n", "OK or Cancel"},
      {"[Answers]\nFormatDisk=OK\n", "unknown answer"},
      {"[Options]\nDefault=middle\n", "first"},
      {"[Options]\nSpeed=1\n", "unknown option"},
      {"[Wizard]\nx=1\n", "unknown wizard answer"},
      {"[Mystery]\nx=1\n", "unknown section"},
      {"InsertDisk=OK\n", "before any section"},
      {"[Answers\n", "\"]\""},
      {"[Answers]\njust words\n", "Key=Value"},
  };
  for (const auto& [text, expected] : bad) {
    try {
      TAnswers::Parse(text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const EAnswersError& e) {
      EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(TAnswers::Load("/nonexistent/answers.ini"), EAnswersError);
}

}  // namespace
}  // namespace zev::setup
