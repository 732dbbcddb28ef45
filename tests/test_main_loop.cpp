#include "app/main_loop.h"
#include "platform/messages.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

namespace {

// A scripted world: a queue of window messages and console records, and a
// trace of what the loop did with them.
struct Script {
    int windowMessages = 0; // messages waiting before the quit
    bool quitAfterMessages = false;
    int consoleRecords = 0;
    int escapeAtRecord = -1; // which record is ESC released (0-based), -1 none
    int framesUntilNegative = -1;
    int frameLimit = 1000; // safety net so a broken loop cannot spin forever
    std::string trace;
    int recordsTaken = 0;
    int frames = 0;
};
Script script;

bool fakePeek() {
    return script.windowMessages > 0 || script.quitAfterMessages;
}
int fakeGet(PlatformMessage* message) {
    if (script.windowMessages > 0) {
        --script.windowMessages;
        *message = {kMessageKeyDown, '5'};
        script.trace += 'M';
        return 1;
    }
    script.quitAfterMessages = false;
    *message = {kMessageQuit, 0};
    script.trace += 'Q';
    return 0;
}
void fakeDispatch(const PlatformMessage* message) {
    script.trace += message->kind == kMessageQuit ? 'q' : 'd';
}
int fakePending() {
    return script.consoleRecords > 0 ? 1 : 0;
}
int fakeHandle() {
    --script.consoleRecords;
    script.trace += 'C';
    return script.recordsTaken++ == script.escapeAtRecord ? 0 : 1;
}
int32_t fakeFrame() {
    script.trace += 'F';
    int32_t n = script.frames++;
    if (n == script.framesUntilNegative) return -1;
    if (script.frames >= script.frameLimit) script.quitAfterMessages = true;
    return n;
}
const MainLoopCalls fakes = {fakePeek, fakeGet, fakeDispatch, fakePending, fakeHandle, fakeFrame};

TEST(MainLoop, MessagesBeforeConsoleRecordsBeforeFrames) {
    script = {};
    script.windowMessages = 2;
    script.consoleRecords = 3;
    script.frameLimit = 2;
    runMainLoop(fakes);
    // One unit of work per pass; the quit message is dispatched too, then the loop ends.
    EXPECT_EQ(script.trace, "MdMdCCCFFQq");
}

TEST(MainLoop, EscapeInTheConsoleEndsAtOnce) {
    script = {};
    script.consoleRecords = 5;
    script.escapeAtRecord = 1;
    runMainLoop(fakes);
    EXPECT_EQ(script.trace, "CC");
}

TEST(MainLoop, NegativeFrameResultEndsTheLoop) {
    script = {};
    script.framesUntilNegative = 3;
    runMainLoop(fakes);
    EXPECT_EQ(script.trace, "FFFF");
}

TEST(MainLoop, BurstOfConsoleRecordsRendersNoFrameUntilEmpty) {
    script = {};
    script.consoleRecords = 50;
    script.frameLimit = 1;
    runMainLoop(fakes);
    EXPECT_EQ(script.trace, std::string(50, 'C') + "FQq");
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

TEST_F(Messages, SignalPostsTheQuitAndTheLoopEnds) {
    installQuitSignals();
    std::raise(SIGTERM);
    ASSERT_TRUE(peekPlatformMessage());
    script = {};
    MainLoopCalls calls = fakes;
    calls.peekMessage = peekPlatformMessage;
    calls.getMessage = getPlatformMessage;
    runMainLoop(calls); // would spin to the frame limit without the quit
    EXPECT_EQ(script.frames, 0);
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);
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
