// What the Windows side adds: paths in Windows' own forms, and the console's
// input records turned into show keys.
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/terminal.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

std::string freshFolder(const char* name) {
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    return std::string(base) + name + "-" + std::to_string(GetCurrentProcessId());
}

TEST(WindowsFiles, FoldersInWindowsForms) {
    std::string root = freshFolder("cellrune-folders");
    char reason[200] = "";
    // Backslashes, forward slashes and a trailing separator all make every level.
    EXPECT_TRUE(makeFolders((root + "\\a\\b/c\\").c_str(), reason, sizeof reason)) << reason;
    EXPECT_TRUE(isFolder((root + "\\a\\b\\c").c_str()));
    EXPECT_TRUE(makeFolders((root + "\\a").c_str(), reason, sizeof reason)) << "an existing folder is fine";
    // A file in the way: refused, with the system's words for it.
    std::string file = root + "\\file";
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    CloseHandle(handle);
    reason[0] = '\0';
    EXPECT_FALSE(makeFolders((file + "\\below").c_str(), reason, sizeof reason));
    EXPECT_NE(reason[0], '\0');
    EXPECT_TRUE(fileExists(file.c_str()));
    EXPECT_FALSE(isSpecialFile(file.c_str()));
    EXPECT_FALSE(isSpecialFile(root.c_str()));
    EXPECT_TRUE(isSpecialFile("NUL")) << "a device is no file to write pictures into";
    DeleteFileA(file.c_str());
    RemoveDirectoryA((root + "\\a\\b\\c").c_str());
    RemoveDirectoryA((root + "\\a\\b").c_str());
    RemoveDirectoryA((root + "\\a").c_str());
    RemoveDirectoryA(root.c_str());
}

TEST(WindowsFiles, ProgramFolderHoldsTheProgram) {
    const char* folder = programFolder();
    ASSERT_NE(folder, nullptr);
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string whole = path;
    EXPECT_EQ(whole.substr(0, whole.find_last_of("\\/")), folder);
}

// Run with a terminal to hold the console (wine gives a program without one none it can write
// input records into). Keys act on release in the console and are judged by their character; Escape also by
// its key code, as a console may give it no character. Other records are taken without effect.
TEST(WindowsConsole, InputRecordsBecomeShowKeys) {
    static const uint32_t palette[16] = {};
    ASSERT_TRUE(terminalOpen(palette)) << terminalFailureReason();
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    ASSERT_NE(input, INVALID_HANDLE_VALUE);
    FlushConsoleInputBuffer(input);
    auto key = [](bool down, WORD code, char character) {
        INPUT_RECORD record = {};
        record.EventType = KEY_EVENT;
        record.Event.KeyEvent.bKeyDown = down;
        record.Event.KeyEvent.wRepeatCount = 1;
        record.Event.KeyEvent.wVirtualKeyCode = code;
        record.Event.KeyEvent.uChar.AsciiChar = character;
        return record;
    };
    INPUT_RECORD records[6] = {key(true, '7', '7'), key(false, '7', '7'), key(false, VK_ESCAPE, 0),
                               key(false, VK_ESCAPE, 27), key(false, 'A', 'a')};
    records[5].EventType = MOUSE_EVENT;
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleInputA(input, records, 6, &written)) << GetLastError();
    ASSERT_EQ(written, 6u);
    struct Expected {
        ShowKey key;
        KeyAction action;
    } expected[6] = {{ShowKey('7'), KeyAction::kPress},     {ShowKey('7'), KeyAction::kRelease},
                     {kShowKeyEscape, KeyAction::kRelease}, {kShowKeyEscape, KeyAction::kRelease},
                     {kShowKeyOther, KeyAction::kRelease},  {kShowKeyOther, KeyAction::kPress}};
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(terminalKeyPending(), 1) << "record " << i;
        ShowKeyEvent event;
        ASSERT_TRUE(terminalReadKey(&event));
        EXPECT_EQ(event.key, expected[i].key) << "record " << i;
        EXPECT_EQ(event.action, expected[i].action) << "record " << i;
    }

    // Ctrl-C in the console asks the show to end as closing the window does, with Windows' status
    // for it. The handler runs on a thread of the system's: wait for its quit.
    clearPlatformMessages();
    installQuitHandlers();
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    for (int i = 0; i < 500 && !quitPending(); ++i) Sleep(10);
    EXPECT_TRUE(quitPending());
    EXPECT_EQ(quitExitStatus(), int(STATUS_CONTROL_C_EXIT));
    clearPlatformMessages();
    terminalClose();
}

} // namespace
