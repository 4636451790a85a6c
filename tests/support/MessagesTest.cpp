#include <gtest/gtest.h>

#include "MessageRecorder.h"
#include "Messages.h"

TEST(Messages, TableAndPresenter)
{
    EXPECT_EQ(LoadMessage(108), "You have to select either a source map grid or map datum to perform translations");
    EXPECT_EQ(LoadMessage(109),
              "You have to select either a destination map grid or map datum to perform translations");
    EXPECT_EQ(LoadMessage(-1), "");

    {
        CMessageRecorder recorder;
        ShowMessage(109);
        ShowMessageText("database said no");
        const auto shown = recorder.Shown();
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_EQ(shown[0].first, 109);
        EXPECT_EQ(shown[0].second, LoadMessage(109));
        EXPECT_EQ(shown[1].second, "database said no");
        EXPECT_EQ(&MessagePresenter(), &recorder);
    }
    // The recorder uninstalls itself; the fallback presenter remains usable.
    CMessageRecorder second;
    EXPECT_EQ(&MessagePresenter(), &second);
}

TEST(Messages, QuestionsAnswerNoUnlessSomeoneSaysYes)
{
    {
        CMessageRecorder recorder;
        EXPECT_FALSE(AskMessage(300, "Delete it?"));
        recorder.SetAnswer(true);
        EXPECT_TRUE(AskMessage(301, "Delete that?"));
        ASSERT_EQ(recorder.Ids(), (std::vector<int>{300, 301}));
        EXPECT_EQ(recorder.Shown()[1].second, "Delete that?");
    }
    // Standard error has nobody to say Yes.
    testing::internal::CaptureStderr();
    EXPECT_FALSE(AskMessage(108));
    EXPECT_NE(testing::internal::GetCapturedStderr().find(LoadMessage(108)), std::string::npos);
}
