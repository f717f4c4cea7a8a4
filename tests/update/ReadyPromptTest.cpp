#include "update/AppUpdate.h"
#include "update/ReadyPrompt.h"
#include "platform/defaults/Defaults.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

class ReadyPromptTest : public testsupport::VirtualTimeTest {
protected:
    void SetUp() override
    {
        VirtualTimeTest::SetUp();
        defaults::Defaults::standard().set("appLanguage", 1);  // Simplified Chinese
    }
};

const auto selfReplacing = [] { return true; };
const auto adHoc = [] { return false; };

TEST_F(ReadyPromptTest, AskedOncePerBuildAndOnlyWhenReady)
{
    ReadyPrompt prompt;
    const UpdateManifest first{"1.2.0", 120};
    EXPECT_FALSE(prompt.take(UpdatePhase::available(first), false, selfReplacing));
    EXPECT_FALSE(prompt.take(UpdatePhase::ready(first, "/p"), true, selfReplacing));  // suppressed: not counted

    const auto question = prompt.take(UpdatePhase::ready(first, "/p"), false, selfReplacing);
    ASSERT_TRUE(question);
    EXPECT_EQ(question->title, "新版本 1.2.0 已下载");
    EXPECT_EQ(question->text, AppUpdate::updateDetails(first));
    EXPECT_EQ(question->buttons, (std::vector<std::string>{"重启并安装", "稍后"}));
    EXPECT_FALSE(question->notesURL);

    // Back to ready after a failed install: not asked again.
    EXPECT_FALSE(prompt.take(UpdatePhase::ready(first, "/p"), false, selfReplacing));
    EXPECT_TRUE(prompt.take(UpdatePhase::ready({"1.3.0", 130}, "/q"), false, selfReplacing));
    EXPECT_FALSE(prompt.take(UpdatePhase::ready({"1.3.0", 130}, "/q"), false, selfReplacing));
}

TEST_F(ReadyPromptTest, AnAdHocCopyOnlyOpensThePackageAndNotesOpenOnlyAsWebPages)
{
    UpdateManifest manifest{"1.2.0", 120};
    manifest.notesURL = "HTTPS://glimra.app/notes/120";
    ReadyPrompt prompt;
    const auto question = prompt.take(UpdatePhase::ready(manifest, "/p"), false, adHoc);
    ASSERT_TRUE(question);
    EXPECT_EQ(question->text,
              "当前是开发签名，自动替换会让你重新授权屏幕录制与辅助功能，所以这次只帮你打开安装包。\n\n" +
                  AppUpdate::updateDetails(manifest));
    EXPECT_EQ(question->buttons, (std::vector<std::string>{"打开安装包", "稍后", "查看更新说明"}));
    EXPECT_EQ(question->notesURL, "HTTPS://glimra.app/notes/120");

    for (const char* unsafe : {"file:///etc/passwd", "javascript:alert(1)", "", "not a url", "x-app:open"}) {
        manifest.notesURL = unsafe;
        manifest.build += 1;
        const auto withoutNotes = ReadyPrompt().take(UpdatePhase::ready(manifest, "/p"), false, selfReplacing);
        ASSERT_TRUE(withoutNotes);
        EXPECT_EQ(withoutNotes->buttons.size(), 2u) << unsafe;
        EXPECT_FALSE(withoutNotes->notesURL) << unsafe;
    }
}

}  // namespace
