// The built plug-in's editor on Windows, as a host uses it: the test loads
// corvanta.dll, asks for the editor's size, opens it with effEditOpen in a
// window of its own, runs its message loop and effEditIdle, and drives the
// editor with input through the system's queue (SendInput): a knob drag,
// the Power switch, a pick from the program list and a typed program name.
// The host callback must see the changes as automation. The panel is saved
// as editor_window_win32.png in the build folder. Wine's null graphics
// driver keeps a surface per window, so what the window shows is read back.
// With the prefix at 192 DPI a DPI-aware host gets the editor at 200 %.
#include "BitmapIds.h"
#include "../editor/ProgramListLayout.h"
#include "MemoSandbox.h"
#include "TestHost.h"
#include "Toolkit.h"
#include "Win32.h"
#include "WindowTestSupport.h"
#include "draw/ImageFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
HWND createHostWindow(int width, int height)
{
    // A caption and a border around the client area, as a host's editor window has.
    RECT outer{0, 0, width, height};
    AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
    return CreateWindowExA(0, "STATIC", "Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, outer.right - outer.left,
                           outer.bottom - outer.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

int childWindows(HWND window)
{
    int count = 0;
    EnumChildWindows(
        window,
        [](HWND, LPARAM data) -> BOOL {
            ++*reinterpret_cast<int*>(data);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

// The host's user-interface thread: its message loop and the editor's idle.
void runHost(TestHost& host, int rounds = 20)
{
    for (int i = 0; i < rounds; ++i)
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        host.dispatch(effEditIdle);
        Sleep(5);
    }
}

bool automated(const TestHost& host, VstInt32 index, float value)
{
    for (const HostCall& call : host.callsWith(audioMasterAutomate))
        if (call.index == index && call.opt == value)
            return true;
    return false;
}

TEST(EditorWindow, HostOpensTheEditorAndRealInputArrivesAsAutomation)
{
    PluginModule module;
    TestHost host;
    ASSERT_NE(host.load(module), nullptr);
    ASSERT_TRUE(host.effect()->flags & effFlagsHasEditor);
    ERect* rect = nullptr;
    ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;
    ASSERT_EQ(width, 300);
    ASSERT_EQ(height, 294);
    const HWND hostWindow = createHostWindow(width, height);
    ASSERT_NE(hostWindow, nullptr);

    host.setParameter(3, 0.5f);
    host.setParameter(0, 1.0f);
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, hostWindow), 1);
    ASSERT_EQ(childWindows(hostWindow), 1);
    const HWND editorWindow = GetWindow(hostWindow, GW_CHILD);
    runHost(host);
    host.clearCalls();

    // The Decay knob, 50 pixels up: a quarter of its range (linear knobs).
    realMouse(editorWindow, 67, 70);
    realMouse(editorWindow, 67, 70, MOUSEEVENTF_LEFTDOWN);
    for (long y = 60; y >= 20; y -= 10)
        realMouse(editorWindow, 67, y);
    realMouse(editorWindow, 67, 20, MOUSEEVENTF_LEFTUP);
    realClick(editorWindow, 67, 215); // Power off
    runHost(host);
    realClick(editorWindow, 211, 277); // the program list...
    runHost(host);
    const CRect entry = programListEntry(7);
    realClick(editorWindow, (entry.left + entry.right) / 2, (entry.top + entry.bottom) / 2);
    runHost(host);

    EXPECT_TRUE(automated(host, 3, 0.75f));
    ASSERT_FALSE(host.callsWith(audioMasterBeginEdit).empty());
    EXPECT_EQ(host.callsWith(audioMasterBeginEdit).front().index, 3);
    EXPECT_TRUE(automated(host, 0, 0.0f));
    // ...picked "Basic Room": every parameter announced, the host shows its name.
    EXPECT_EQ(host.programName(), "Basic Room");
    EXPECT_EQ(host.callsWith(audioMasterUpdateDisplay).size(), 1u);
    EXPECT_EQ(GetCapture(), nullptr);

    // A typed program name, from the keyboard the name field asked for.
    realClick(editorWindow, 140, 277);
    runHost(host);
    EXPECT_EQ(GetFocus(), editorWindow);
    for (WORD key : {WORD{'H'}, WORD{'A'}, WORD{'L'}, WORD{'L'}, WORD{VK_RETURN}})
        realKey(key);
    runHost(host);
    EXPECT_EQ(host.programName(), "hall");

    // The window shows the panel: where no control sits, its pixels are the
    // panel bitmap's.
    const PixelBuffer shown = grabWindow(editorWindow, width, height);
    writePng(shown, std::string(CORVANTA_TEST_BINARY_DIR) + "/editor_window_win32.png");
    CBitmap panel(kPanelBitmap);
    long different = 0;
    for (int y = 22; y < 120; ++y)
        for (int x = 0; x < 38; ++x)
            different += (shown.at(x, y) & 0xFFFFFFu) != (panel.getPixels().at(x, y) & 0xFFFFFFu);
    EXPECT_EQ(different, 0);

    // Closing removes the window, and so does every later close.
    EXPECT_EQ(host.dispatch(effEditClose), 0);
    EXPECT_EQ(childWindows(hostWindow), 0);
    for (int i = 0; i < 20; ++i)
    {
        ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, hostWindow), 1);
        runHost(host, 1);
        EXPECT_EQ(host.dispatch(effEditClose), 0);
    }
    EXPECT_EQ(childWindows(hostWindow), 0);
    // An effect closed with its editor open takes the window with it.
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, hostWindow), 1);
    runHost(host, 1);
    EXPECT_EQ(childWindows(hostWindow), 1);
    host.close();
    EXPECT_EQ(childWindows(hostWindow), 0);
    DestroyWindow(hostWindow);
}

TEST(EditorWindow, AHostWindowClosedUnderTheOpenEditorLeavesTheEffectWorking)
{
    PluginModule module;
    TestHost host;
    ASSERT_NE(host.load(module), nullptr);
    const HWND hostWindow = createHostWindow(300, 294);
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, hostWindow), 1);
    runHost(host, 2);
    DestroyWindow(hostWindow);
    runHost(host, 2);
    host.setParameter(3, 0.25f);
    runHost(host, 2);
    EXPECT_EQ(host.dispatch(effEditClose), 0);
    // A new window takes the editor again.
    const HWND another = createHostWindow(300, 294);
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, another), 1);
    EXPECT_EQ(childWindows(another), 1);
    EXPECT_EQ(host.dispatch(effEditClose), 0);
    DestroyWindow(another);
}
TEST(EditorWindow, ADpiAwareHostOnA192DpiPrefixGetsTheEditorAt200Percent)
{
    // The prefix's density, as its configuration sets it, for the child's
    // process only: the old value is back before this test ends.
    HKEY desktop = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &desktop, nullptr),
              ERROR_SUCCESS);
    DWORD old = 0;
    DWORD size = sizeof old;
    const bool hadOld = RegQueryValueExA(desktop, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old),
                                         &size) == ERROR_SUCCESS;
    const DWORD dpi = 192;
    ASSERT_EQ(RegSetValueExA(desktop, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi),
              ERROR_SUCCESS);

    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string command = std::string("\"") + program +
                          "\" --gtest_also_run_disabled_tests --gtest_filter=EditorWindowDpi.DISABLED_*";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const bool started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &child) != FALSE;
    DWORD exitCode = 1;
    if (started)
    {
        WaitForSingleObject(child.hProcess, 120000);
        GetExitCodeProcess(child.hProcess, &exitCode);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    if (hadOld)
        RegSetValueExA(desktop, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old), sizeof old);
    else
        RegDeleteValueA(desktop, "LogPixels");
    RegCloseKey(desktop);
    ASSERT_TRUE(started);
    EXPECT_EQ(exitCode, 0u) << "the DPI-aware host failed (its output is above)";
}

// Run by the test above in a process of its own, started after the prefix
// was set to 192 DPI (the system's density is read when a process starts).
TEST(EditorWindowDpi, DISABLED_AwareHostOnA192DpiScreen)
{
    // A DPI-aware host: the system does not scale its windows.
    ASSERT_TRUE(SetProcessDPIAware());
    MemoSandbox settings; // the user's zoom choice goes here
    ASSERT_TRUE(settings.isActive());
    PluginModule module;
    TestHost host;
    host.sizeWindowAnswer = 1;
    ASSERT_NE(host.load(module), nullptr);
    ERect* rect = nullptr;
    ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_EQ(rect->right - rect->left, 600);
    ASSERT_EQ(rect->bottom - rect->top, 588);
    const HWND hostWindow = createHostWindow(600, 588);
    host.setParameter(3, 0.5f);
    host.setParameter(0, 1.0f);
    ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, hostWindow), 1);
    HWND editorWindow = GetWindow(hostWindow, GW_CHILD);
    RECT client{};
    GetClientRect(editorWindow, &client);
    EXPECT_EQ(client.right, 600);
    EXPECT_EQ(client.bottom, 588);
    runHost(host);
    host.clearCalls();

    // The Decay knob, 100 pixels up: a quarter of its range at this size.
    realMouse(editorWindow, 134, 140);
    realMouse(editorWindow, 134, 140, MOUSEEVENTF_LEFTDOWN);
    for (long y = 120; y >= 40; y -= 20)
        realMouse(editorWindow, 134, y);
    realMouse(editorWindow, 134, 40, MOUSEEVENTF_LEFTUP);
    realClick(editorWindow, 135, 430); // Power off
    runHost(host);
    EXPECT_TRUE(automated(host, 3, 0.75f));
    EXPECT_TRUE(automated(host, 0, 0.0f));
    const PixelBuffer shown = grabWindow(editorWindow, 600, 588);
    writePng(shown, std::string(CORVANTA_TEST_BINARY_DIR) + "/editor_window_win32_200.png");

    // The background's menu: 100 % with a host that agrees, then 200 % with
    // one that refuses, which keeps 100 %.
    auto pickZoom = [&](long entry, int zoom) {
        const CPoint click = zoomPoint(CPoint(12, 60), zoom);
        realMouse(editorWindow, click.h, click.v, MOUSEEVENTF_RIGHTDOWN);
        realMouse(editorWindow, click.h, click.v, MOUSEEVENTF_RIGHTUP);
        runHost(host);
        const CRect item = zoomMenuEntry(click, entry, zoom);
        realClick(editorWindow, item.left + 10, (item.top + item.bottom) / 2);
        runHost(host);
        editorWindow = GetWindow(hostWindow, GW_CHILD);
    };
    pickZoom(0, 200);
    ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right, 300);
    EXPECT_EQ(rect->bottom, 294);
    GetClientRect(editorWindow, &client);
    EXPECT_EQ(client.right, 300);
    host.sizeWindowAnswer = 0;
    pickZoom(2, 100);
    EXPECT_EQ(host.callsWith(audioMasterSizeWindow).back().index, 600);
    ASSERT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right, 300);
    GetClientRect(editorWindow, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(host.dispatch(effEditClose), 0);
    host.close();
    DestroyWindow(hostWindow);
}
} // namespace
