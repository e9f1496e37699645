#include "ui/cluster_error_frm.h"

#include <gtest/gtest.h>

#include <QTest>

#include "modal_steps.h"
#include "ui_test_skin.h"

namespace kova {
namespace {

using test::WhenShown;

class ClusterErrorFrmTest : public testing::Test {
 protected:
  ClusterErrorFrmTest() {
    dialog.Options().Skin = &test::TestSkin();
    dialog.Data().FailedUnit = 65;
    dialog.Data().TotalUnits = 8192;
    dialog.Data().UnitSize = 4096;
  }

  // Shows the form, lets the step act on it and answers the data it gave back.
  TXDRClusterErrorDialog Ask(std::function<void(TXDRClusterErrorFrm&)> step) {
    WhenShown<TXDRClusterErrorFrm>(std::move(step));
    EXPECT_EQ(dialog.Execute(), drClosed);
    return dialog.Data();
  }

  static void Click(QAbstractButton& button) {
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(8, button.height() / 2));
  }

  TXDRClusterErrorQtDialog dialog;
};

TEST_F(ClusterErrorFrmTest, ShowsTheUnitTheQuestionAndItsFourAnswers) {
  Ask([](TXDRClusterErrorFrm& form) {
    EXPECT_EQ(form.windowTitle(), "Read Error");
    EXPECT_EQ(form.UnitLabel().text(), "Cluster 65 of 8192 cannot be read.");
    EXPECT_EQ(form.UnitSizeLabel().text(), "(cluster size: 4096 bytes)");
    EXPECT_EQ(form.QuestionBox().title(), "What do you want to do now?");
    EXPECT_EQ(form.IgnoreAllBtn().text(), "Ignore all errors and continue (default)");
    EXPECT_EQ(form.SkipThisBtn().text(), "Skip this cluster");
    EXPECT_EQ(form.SkipSeveralBtn().text(), "Skip");
    EXPECT_EQ(form.SkipSuffix().text(), "clusters");
    EXPECT_EQ(form.SkipEdit().text(), "10");
    EXPECT_EQ(form.FinishBtn().text(), "Finish reading");
    EXPECT_EQ(form.OkBtn().text(), "OK");
    EXPECT_TRUE(form.IgnoreAllBtn().isChecked());
    EXPECT_FALSE(form.ErrorIcon().pixmap().isNull());
    // The count sits between the two parts of its answer, on one line.
    EXPECT_LT(form.SkipSeveralBtn().geometry().right(), form.SkipEdit().geometry().left());
    EXPECT_LT(form.SkipEdit().geometry().right(), form.SkipSuffix().geometry().left());
    form.OkBtn().click();
  });
}

TEST_F(ClusterErrorFrmTest, EachAnswerClickedAndConfirmedComesBack) {
  struct Case {
    QAbstractButton& (*button)(TXDRClusterErrorFrm&);
    uint8_t choice;
  };
  const Case cases[] = {
      {[](TXDRClusterErrorFrm& f) -> QAbstractButton& { return f.SkipThisBtn(); }, ecSkipThis},
      {[](TXDRClusterErrorFrm& f) -> QAbstractButton& { return f.FinishBtn(); }, ecFinishReading},
      {[](TXDRClusterErrorFrm& f) -> QAbstractButton& { return f.SkipSeveralBtn(); },
       ecSkipSeveral},
      {[](TXDRClusterErrorFrm& f) -> QAbstractButton& { return f.IgnoreAllBtn(); }, ecIgnoreAll},
  };
  for (const Case& c : cases) {
    const TXDRClusterErrorDialog answer = Ask([&](TXDRClusterErrorFrm& form) {
      Click(c.button(form));
      Click(form.OkBtn());
    });
    EXPECT_EQ(answer.Choice, c.choice);
  }
}

TEST_F(ClusterErrorFrmTest, TypingACountChoosesToSkipThatMany) {
  const TXDRClusterErrorDialog answer = Ask([](TXDRClusterErrorFrm& form) {
    form.SkipEdit().selectAll();
    QTest::keyClicks(&form.SkipEdit(), "3");
    EXPECT_TRUE(form.SkipSeveralBtn().isChecked());
    Click(form.OkBtn());
  });
  EXPECT_EQ(answer.Choice, ecSkipSeveral);
  EXPECT_EQ(answer.SkipCount, 3);
}

TEST_F(ClusterErrorFrmTest, TheCountTakesDigitsOnlyAndCountsAsOneWhenEmptyOrZero) {
  const std::pair<const char*, const char*> typed[] = {
      {"abc", ""}, {"-5", "5"}, {"12x", "12"}, {"1e3", "13"}, {"0", "0"}};
  for (const auto& [keys, shown] : typed) {
    const TXDRClusterErrorDialog answer = Ask([&](TXDRClusterErrorFrm& form) {
      form.SkipEdit().clear();
      QTest::keyClicks(&form.SkipEdit(), keys);
      EXPECT_EQ(form.SkipEdit().text(), shown) << keys;
      Click(form.OkBtn());
    });
    const int64_t expected = QString(shown).toLongLong() > 0 ? QString(shown).toLongLong() : 1;
    EXPECT_EQ(answer.SkipCount, expected) << keys;
  }
  // Nineteen nines would overflow a 64-bit count: the eighteenth digit is the last taken.
  const TXDRClusterErrorDialog longest = Ask([](TXDRClusterErrorFrm& form) {
    form.SkipEdit().clear();
    QTest::keyClicks(&form.SkipEdit(), QString(19, u'9'));
    Click(form.OkBtn());
  });
  EXPECT_EQ(longest.SkipCount, 999999999999999999);
}

TEST_F(ClusterErrorFrmTest, TheLastAnswerIsProposedAgain) {
  dialog.Data().Choice = ecSkipSeveral;
  dialog.Data().SkipCount = 7;
  Ask([](TXDRClusterErrorFrm& form) {
    EXPECT_TRUE(form.SkipSeveralBtn().isChecked());
    EXPECT_EQ(form.SkipEdit().text(), "7");
    form.OkBtn().click();
  });
  dialog.Data().Choice = ecNotAsked;
  const TXDRClusterErrorDialog answer = Ask([](TXDRClusterErrorFrm& form) {
    EXPECT_TRUE(form.IgnoreAllBtn().isChecked());
    form.OkBtn().click();
  });
  EXPECT_EQ(answer.Choice, ecIgnoreAll);
}

TEST_F(ClusterErrorFrmTest, ClosingTheFormAnswersTheCheckedChoice) {
  const TXDRClusterErrorDialog byDefault =
      Ask([](TXDRClusterErrorFrm& form) { QTest::keyClick(&form, Qt::Key_Escape); });
  EXPECT_EQ(byDefault.Choice, ecIgnoreAll);
  EXPECT_EQ(byDefault.SkipCount, 10);

  dialog.Data().Choice = ecFinishReading;
  const TXDRClusterErrorDialog proposed = Ask([](TXDRClusterErrorFrm& form) { form.close(); });
  EXPECT_EQ(proposed.Choice, ecFinishReading);
}

}  // namespace
}  // namespace kova
