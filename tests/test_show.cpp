#include "app/show.h"
#include "datapool/pictures.h"
#include "display/display_mode.h"
#include "platform/entry.h"
#include "platform/messages.h"
#include "platform/show_keys.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

namespace {

// The live show's step on the real message queue and the real frame, with a
// handler and a presenter of the test's own that note what happened when.
int keysHandled = 0;
int quitsDispatched = 0;
std::vector<int> keysHandledAtFrame; // per frame drawn: the keys handled before it

void noteMessage(const PlatformMessage* message) {
    if (message->kind == kMessageKeyDown) ++keysHandled;
    if (message->kind == kMessageQuit) ++quitsDispatched;
}
int noteFrame() {
    keysHandledAtFrame.push_back(keysHandled);
    return 0;
}

class ShowStep : public ::testing::Test {
  protected:
    void SetUp() override {
        clearPlatformMessages();
        setMessageHandler(noteMessage);
        installHeadlessMode(0, noteFrame);
        keysHandled = quitsDispatched = 0;
        keysHandledAtFrame.clear();
        frameCap = 0;
        allocatePictureBlocks(); // what start-up leaves for the frames to draw from
    }
    void TearDown() override {
        releasePictureBlocks();
        clearPlatformMessages();
        setMessageHandler(nullptr);
        frameCap = 0;
    }
};

TEST_F(ShowStep, EveryWaitingKeyActsBeforeTheNextFrame) {
    for (int i = 0; i < 3; ++i) postPlatformMessage(kMessageKeyDown, '1' + i);
    ASSERT_TRUE(stepShow());
    postPlatformMessage(kMessageKeyDown, '4');
    ASSERT_TRUE(stepShow());
    ASSERT_TRUE(stepShow()); // nothing waiting: just a frame
    EXPECT_EQ(keysHandledAtFrame, (std::vector<int>{3, 4, 4}));
}

TEST_F(ShowStep, AQuitEndsTheShowWithoutAnotherFrame) {
    postPlatformMessage(kMessageKeyDown, '2');
    postQuitMessage(0);
    postPlatformMessage(kMessageKeyDown, '3'); // posted after the quit, still taken before it
    EXPECT_FALSE(stepShow());
    EXPECT_EQ(keysHandled, 2);
    EXPECT_EQ(quitsDispatched, 1); // the quit message is dispatched like any other
    EXPECT_TRUE(keysHandledAtFrame.empty());
}

#if !defined(_WIN32) // Windows asks through console control events (test_windows.cpp)
TEST_F(ShowStep, TheSystemAskingTheProgramToEndEndsTheShow) {
    installQuitHandlers();
    std::raise(SIGTERM);
    EXPECT_FALSE(stepShow());
    EXPECT_TRUE(keysHandledAtFrame.empty());
    EXPECT_EQ(quitExitStatus(), 128 + SIGTERM);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) std::signal(sig, SIG_DFL);
}
#endif

TEST_F(ShowStep, UnderACapAFrameComesOnlyWhenDueWhileKeysStillAct) {
    frameCap = 1; // a frame a second: the second step comes long before the next is due
    ASSERT_TRUE(stepShow());
    int32_t rest = millisecondsToNextFrame();
    EXPECT_GT(rest, 0);
    EXPECT_LE(rest, 1000);
    postPlatformMessage(kMessageKeyDown, '5');
    ASSERT_TRUE(stepShow());
    EXPECT_EQ(keysHandled, 1);
    EXPECT_EQ(keysHandledAtFrame.size(), 1u);
}

// The loop of a platform that owns its thread: turns until the step says the show has ended,
// then the finish, whose status is the loop's.
int turns = 0;
bool threeTurns() {
    return ++turns < 3;
}
int32_t noRest() {
    return 0;
}
int finishedWithSeven() {
    return turns == 3 ? 7 : -1;
}

TEST(ShowLoopOfTheSystem, TurnsUntilTheEndThenFinishes) {
    turns = 0;
    EXPECT_EQ(runShowLoop({threeTurns, noRest, finishedWithSeven}), 7);
    EXPECT_EQ(turns, 3);
}

// Keys act under their surface's rule: on release in the console, on press in the window; a
// terminal's keystroke under either. Escape is the key that shows it without opening anything.
TEST(ShowKeys, EachSurfaceRuleAndTheModesOfTheDigits) {
    struct Case {
        KeyAction action, actsOn;
        KeyEffect effect;
    };
    const Case cases[] = {
        {KeyAction::kPress, KeyAction::kRelease, KeyEffect::kNone},
        {KeyAction::kRelease, KeyAction::kRelease, KeyEffect::kQuit},
        {KeyAction::kPress, KeyAction::kPress, KeyEffect::kQuit},
        {KeyAction::kRelease, KeyAction::kPress, KeyEffect::kNone},
        {KeyAction::kStroke, KeyAction::kRelease, KeyEffect::kQuit},
        {KeyAction::kStroke, KeyAction::kPress, KeyEffect::kQuit},
    };
    for (const Case& c : cases)
        EXPECT_EQ(actOnKey({kShowKeyEscape, c.action}, c.actsOn), c.effect)
            << int(c.action) << " under " << int(c.actsOn);
    EXPECT_EQ(actOnKey({kShowKeyOther, KeyAction::kStroke}, KeyAction::kPress), KeyEffect::kNone);
    const int32_t modes[] = {9, 0, 1, 2, 3, 4, 5, 6, 7, 8}; // '0'..'9'
    for (int digit = 0; digit < 10; ++digit)
        EXPECT_EQ(modeOfKey(showKeyOfCharacter('0' + digit)), modes[digit]) << digit;
    for (int c : {0, int('a'), int('/'), int(':'), 26, 28, 127})
        EXPECT_EQ(modeOfKey(showKeyOfCharacter(c)), -1) << c;
    EXPECT_EQ(showKeyOfCharacter(27), kShowKeyEscape);
}

// The real message queue stand-in.
class Messages : public ::testing::Test {
  protected:
    void SetUp() override { clearPlatformMessages(); }
    void TearDown() override {
        clearPlatformMessages();
        setMessageHandler(nullptr);
    }
};

TEST_F(Messages, FifoThenQuitOnceTheQueueIsEmpty) {
    EXPECT_FALSE(peekPlatformMessage());
    postPlatformMessage(kMessageKeyDown, '1');
    postQuitMessage(3);
    postPlatformMessage(kMessageClose, 0);
    PlatformMessage m;
    ASSERT_TRUE(peekPlatformMessage());
    EXPECT_EQ(getPlatformMessage(&m), 1);
    EXPECT_EQ(m.kind, kMessageKeyDown);
    EXPECT_EQ(m.param, '1');
    EXPECT_EQ(getPlatformMessage(&m), 1);
    EXPECT_EQ(m.kind, kMessageClose);
    EXPECT_EQ(getPlatformMessage(&m), 0);
    EXPECT_EQ(m.kind, kMessageQuit);
    EXPECT_EQ(m.param, 3);
    EXPECT_FALSE(peekPlatformMessage());
    EXPECT_EQ(getPlatformMessage(&m), -1); // empty: an error, not a quit
}

TEST_F(Messages, FullQueueDropsAndCountsButNeverLosesTheQuit) {
    for (int i = 0; i < kMessageCapacity + 5; ++i) postPlatformMessage(kMessageKeyDown, i);
    postQuitMessage(0);
    EXPECT_EQ(droppedMessageCount(), 5);
    PlatformMessage m;
    int taken = 0;
    while (getPlatformMessage(&m) == 1) ++taken;
    EXPECT_EQ(taken, kMessageCapacity);
    EXPECT_EQ(m.kind, kMessageQuit);
}

PlatformMessage lastHandled;
void recordHandled(const PlatformMessage* m) {
    lastHandled = *m;
}

TEST_F(Messages, DispatchGoesToTheInstalledHandler) {
    lastHandled = {};
    PlatformMessage m = {kMessageKeyDown, 0x1B};
    dispatchPlatformMessage(&m); // no handler yet: nothing happens
    EXPECT_EQ(lastHandled.kind, 0u);
    setMessageHandler(recordHandled);
    dispatchPlatformMessage(&m);
    EXPECT_EQ(lastHandled.param, 0x1B);
}

} // namespace
