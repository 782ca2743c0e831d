// WinDriver: looks at and drives the windows of a running program from outside, as a user would, for
// tests and for product authors. The window is named by its class or by a part of its title.
//
//   WinDriver list [WINDOW]                      top-level windows and their controls (texts on one line:
//                                                line breaks as \r \n, double quotes as single ones), the
//                                                rows of list boxes, combo boxes and list views (a list
//                                                view row's state image less one: state=N), check-box
//                                                and radio states (checked=0|1|2), the focus (focus=1)
//   WinDriver wait WINDOW [MS]                   waits until a visible window of that name exists
//   WinDriver waitgone WINDOW [MS]               waits until no visible window of that name exists
//   WinDriver waittext WINDOW TEXT [MS]          waits until one of its visible controls shows TEXT
//   WinDriver click WINDOW CONTROL               CONTROL: its text, or #ID
//   WinDriver hover WINDOW CONTROL               moves the pointer onto the control
//   WinDriver away                               moves the pointer to the screen's lower right corner
//   WinDriver pick WINDOW CONTROL ROW            chooses a row of a list or combo box (its text, or #N);
//                                                a list view's row is clicked with the pointer
//   WinDriver type WINDOW CONTROL TEXT           types into an edit box
//   WinDriver settext WINDOW CONTROL TEXT        replaces an edit box's text at once
//   WinDriver key WINDOW enter|escape|altf4      presses a key in the window
//   WinDriver front WINDOW                       asks the window to the front
//   WinDriver picture WINDOW FILE.png            saves what the window shows
//   WinDriver arrive WINDOW                      tells the program's windows that a USB printer has
//                                                arrived, as the system's device-change notification
//                                                does (set the device simulation to connected first)
//   WinDriver --real click|key|type ...          the same with real input through the system's input
//                                                queue, as a person's hands give it: the window is brought
//                                                to the front first, the pointer moved onto the control and
//                                                its button pressed, keys pressed and let go. Keys: tab,
//                                                shifttab, enter, space, escape, altf4, left, right, up,
//                                                down. tab and shifttab wait until the focus has moved,
//                                                type until the control shows the text.
// Exit code 0 when done, 1 when the window or control was not found in time (with --real: when the
// window did not come to the front, the pointer or the focus did not arrive), 2 for a bad call.

#include <windows.h>
#include <commctrl.h>
#include <dbt.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "PngWriter.h"

namespace
{
const DWORD kDefaultWaitMs = 20000;
const DWORD kPollMs = 50;
const DWORD kFindMs = 5000;

std::string ClassOf(HWND window)
{
    char name[256] = {};
    (void)::GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string TextOf(HWND window)
{
    char text[4096] = {};
    DWORD_PTR copied = 0;
    (void)::SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                                2000, &copied);
    return text;
}

bool Matches(HWND window, const std::string& name)
{
    return name.empty() || ClassOf(window) == name || TextOf(window).find(name) != std::string::npos;
}

struct Search
{
    std::string name;
    std::vector<HWND> found;
    bool visibleOnly;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<Search*>(parameter);
    if ((!search->visibleOnly || ::IsWindowVisible(window)) && Matches(window, search->name))
    {
        search->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> TopLevel(const std::string& name, bool visibleOnly)
{
    Search search{name, {}, visibleOnly};
    (void)::EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM parameter)
{
    reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
    return TRUE;
}

std::vector<HWND> Controls(HWND top)
{
    std::vector<HWND> children;
    (void)::EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

HWND WaitWindow(const std::string& name, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    for (;;)
    {
        const std::vector<HWND> found = TopLevel(name, true);
        if (!found.empty())
        {
            return found.front();
        }
        if (::GetTickCount() - start >= timeoutMs)
        {
            return nullptr;
        }
        ::Sleep(kPollMs);
    }
}

// A control by "#id" or by its text, visible ones first.
HWND FindControl(HWND top, const std::string& control)
{
    const std::vector<HWND> children = Controls(top);
    HWND hidden = nullptr;
    for (HWND child : children)
    {
        const bool match = control.size() > 1 && control[0] == '#'
                               ? ::GetDlgCtrlID(child) == std::atoi(control.c_str() + 1)
                               : TextOf(child) == control;
        if (!match)
        {
            continue;
        }
        if (::IsWindowVisible(child))
        {
            return child;
        }
        hidden = hidden != nullptr ? hidden : child;
    }
    return hidden;
}

HWND WaitControl(const std::string& window, const std::string& control, DWORD timeoutMs, HWND& top)
{
    const DWORD start = ::GetTickCount();
    for (;;)
    {
        for (HWND each : TopLevel(window, true))
        {
            HWND found = FindControl(each, control);
            if (found != nullptr && ::IsWindowVisible(found))
            {
                top = each;
                return found;
            }
        }
        if (::GetTickCount() - start >= timeoutMs)
        {
            return nullptr;
        }
        ::Sleep(kPollMs);
    }
}

// A text on one line of the listing: line breaks as \r and \n, double quotes as single ones.
std::string OneLine(const std::string& text)
{
    std::string line;
    for (char c : text)
    {
        line += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c == '"' ? '\'' : c);
    }
    return line;
}

// The window with the keyboard focus in the window's thread, asked without joining its input (a
// joined input shares the key state, and would lose a Shift held for the window).
HWND FocusOf(HWND top)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    const DWORD thread = ::GetWindowThreadProcessId(top, nullptr);
    return ::GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr ? info.hwndFocus : top;
}

// " checked=N" for check boxes and radio buttons, empty for other controls.
std::string CheckState(HWND control)
{
    if (ClassOf(control) != "Button")
    {
        return std::string();
    }
    const LONG kind = ::GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    if (kind != BS_CHECKBOX && kind != BS_AUTOCHECKBOX && kind != BS_3STATE && kind != BS_AUTO3STATE &&
        kind != BS_RADIOBUTTON && kind != BS_AUTORADIOBUTTON)
    {
        return std::string();
    }
    DWORD_PTR state = 0;
    (void)::SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
    return " checked=" + std::to_string(state);
}

struct Row
{
    std::string text;
    bool selected;
    int state = -1;                                           // a list view row's state image less one; -1 none
};

// The rows of a list box or combo box, read in wide characters (the system carries those across
// processes as they are) and given in the system's code page.
std::vector<Row> ListRows(HWND control, bool combo)
{
    std::vector<Row> rows;
    DWORD_PTR count = 0;
    DWORD_PTR current = 0;
    if (!::SendMessageTimeoutW(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count) ||
        static_cast<LONG_PTR>(count) <= 0)
    {
        return rows;
    }
    (void)::SendMessageTimeoutW(control, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &current);
    for (DWORD_PTR index = 0; index < count && index < 1000; ++index)
    {
        DWORD_PTR length = 0;
        (void)::SendMessageTimeoutW(control, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index, 0, SMTO_ABORTIFHUNG,
                                    2000, &length);
        std::vector<wchar_t> wide(static_cast<LONG_PTR>(length) > 0 ? length + 1 : 1, L'\0');
        DWORD_PTR copied = 0;
        if (static_cast<LONG_PTR>(length) > 0)
        {
            (void)::SendMessageTimeoutW(control, combo ? CB_GETLBTEXT : LB_GETTEXT, index,
                                        reinterpret_cast<LPARAM>(wide.data()), SMTO_ABORTIFHUNG, 2000, &copied);
        }
        std::vector<char> text(wide.size() * 2 + 1, '\0');
        (void)::WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text.data(), static_cast<int>(text.size()), nullptr,
                                    nullptr);
        DWORD_PTR selected = index == current ? 1 : 0;
        if (!combo && (::GetWindowLongA(control, GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0)
        {
            (void)::SendMessageTimeoutW(control, LB_GETSEL, index, 0, SMTO_ABORTIFHUNG, 2000, &selected);
        }
        rows.push_back({text.data(), static_cast<LONG_PTR>(selected) > 0});
    }
    return rows;
}

// The rows of a list view (first column): the item and its text buffer live in the list's process.
std::vector<Row> ListViewRows(HWND control)
{
    std::vector<Row> rows;
    DWORD processId = 0;
    (void)::GetWindowThreadProcessId(control, &processId);
    HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process == nullptr)
    {
        return rows;
    }
    const SIZE_T textSize = 1024;
    char* remote = static_cast<char*>(
        ::VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + textSize, MEM_COMMIT, PAGE_READWRITE));
    DWORD_PTR count = 0;
    if (remote != nullptr &&
        ::SendMessageTimeoutA(control, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count))
    {
        for (DWORD_PTR index = 0; index < count && index < 1000; ++index)
        {
            LVITEMA item = {};
            item.mask = LVIF_TEXT | LVIF_STATE;
            item.iItem = static_cast<int>(index);
            item.stateMask = LVIS_SELECTED | LVIS_STATEIMAGEMASK;
            item.pszText = remote + sizeof(LVITEMA);
            item.cchTextMax = static_cast<int>(textSize);
            char text[textSize] = {};
            DWORD_PTR done = 0;
            if (::WriteProcessMemory(process, remote, &item, sizeof(item), nullptr) &&
                ::SendMessageTimeoutA(control, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG,
                                      2000, &done) &&
                ::ReadProcessMemory(process, remote, &item, sizeof(item), nullptr) &&
                ::ReadProcessMemory(process, remote + sizeof(LVITEMA), text, textSize - 1, nullptr))
            {
                const int image = static_cast<int>((item.state & LVIS_STATEIMAGEMASK) >> 12);
                rows.push_back({text, (item.state & LVIS_SELECTED) != 0, image - 1});
            }
        }
    }
    if (remote != nullptr)
    {
        (void)::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    (void)::CloseHandle(process);
    return rows;
}

void PrintRows(HWND control, int depth)
{
    const std::string type = ClassOf(control);
    std::vector<Row> rows;
    if (type == "ListBox" || type == "ComboLBox")
    {
        rows = ListRows(control, false);
    }
    else if (type == "ComboBox")
    {
        rows = ListRows(control, true);
    }
    else if (type == "SysListView32")
    {
        rows = ListViewRows(control);
    }
    for (size_t index = 0; index < rows.size(); ++index)
    {
        const std::string state = rows[index].state >= 0 ? " state=" + std::to_string(rows[index].state) : "";
        std::printf("%*srow %u text=\"%s\" selected=%d%s\n", depth * 2, "", static_cast<unsigned>(index),
                    OneLine(rows[index].text).c_str(), rows[index].selected ? 1 : 0, state.c_str());
    }
}

void PrintWindowLine(HWND window, int depth, HWND focus)
{
    RECT rect = {};
    (void)::GetWindowRect(window, &rect);
    const LONG exStyle = ::GetWindowLongA(window, GWL_EXSTYLE);
    std::printf("%*s%s %p class=\"%s\" id=%d text=\"%s\" rect=%ld,%ld,%ld,%ld visible=%d enabled=%d rtl=%d%s%s%s\n",
                depth * 2, "", depth == 0 ? "window" : "control", static_cast<void*>(window), ClassOf(window).c_str(),
                depth == 0 ? 0 : ::GetDlgCtrlID(window), OneLine(TextOf(window)).c_str(), rect.left, rect.top, rect.right,
                rect.bottom, ::IsWindowVisible(window) ? 1 : 0, ::IsWindowEnabled(window) ? 1 : 0,
                (exStyle & WS_EX_LAYOUTRTL) != 0 ? 1 : 0,
                depth == 0 && ::GetForegroundWindow() == window ? " foreground=1" : "",
                depth != 0 && window == focus ? " focus=1" : "", CheckState(window).c_str());
}

void PrintTree(HWND window, int depth, HWND focus)
{
    PrintWindowLine(window, depth, focus);
    if (depth != 0)
    {
        PrintRows(window, depth + 1);
    }
    for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
    {
        PrintTree(child, depth + 1, focus);
    }
}

int List(const std::string& name)
{
    for (HWND window : TopLevel(name, true))
    {
        PrintTree(window, 0, FocusOf(window));
    }
    return 0;
}

POINT Centre(HWND control)
{
    RECT rect = {};
    (void)::GetClientRect(control, &rect);
    POINT point = {(rect.right - rect.left) / 2, (rect.bottom - rect.top) / 2};
    return point;
}

// Standard buttons are clicked with their own message; anything else gets the mouse messages a
// click would bring, at its centre.
int Click(HWND control)
{
    if (ClassOf(control) == "Button")
    {
        DWORD_PTR result = 0;
        (void)::SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_NORMAL, 100, &result);
        return 0;
    }
    const POINT centre = Centre(control);
    const LPARAM at = MAKELPARAM(centre.x, centre.y);
    (void)::PostMessageA(control, WM_MOUSEMOVE, 0, at);
    (void)::PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    (void)::PostMessageA(control, WM_LBUTTONUP, 0, at);
    return 0;
}

// Moves the pointer in absolute screen positions, as a mouse does.
void MovePointer(const POINT& at)
{
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    ::mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, static_cast<DWORD>(at.x * 65535 / (width - 1)),
                  static_cast<DWORD>(at.y * 65535 / (height - 1)), 0, 0);
}

// Waits until the system reports the pointer at the point; under load the display may still report
// an earlier position for a while, or overtake the last move with an older one: the last move is
// made again then.
bool PointerArrives(const POINT& at)
{
    const DWORD start = ::GetTickCount();
    for (DWORD polls = 0; ::GetTickCount() - start < kFindMs; ++polls)
    {
        POINT now = {};
        if (::GetCursorPos(&now) && now.x == at.x && now.y == at.y)
        {
            return true;
        }
        if (polls % 10 == 9)
        {
            MovePointer(at);
        }
        ::Sleep(kPollMs);
    }
    return false;
}

int Hover(HWND top, HWND control)
{
    (void)::SetForegroundWindow(top);                         // a user points at the window in front
    POINT point = Centre(control);
    (void)::ClientToScreen(control, &point);
    // Real pointer input from outside the control into it, all in absolute positions (a warp mixed
    // with relative moves may be overtaken by them): its own hover and leave tracking sees a pointer
    // that arrived and stays.
    RECT window = {};
    (void)::GetWindowRect(top, &window);
    const POINT path[] = {{window.left + 2, window.top + 2}, {point.x - 3, point.y}, {point.x - 2, point.y},
                          {point.x - 1, point.y}, {point.x, point.y}};
    for (const POINT& at : path)
    {
        MovePointer(at);
    }
    if (!PointerArrives(point))
    {
        POINT now = {};
        (void)::GetCursorPos(&now);
        std::fprintf(stderr, "the pointer did not arrive on the control at %ld,%ld: it is at %ld,%ld\n", point.x,
                     point.y, now.x, now.y);
        return 1;
    }
    HWND under = ::WindowFromPoint(point);
    if (under != control)
    {
        std::fprintf(stderr, "the pointer is on the control, but it is under a %s window \"%s\"\n",
                     ClassOf(under).c_str(), TextOf(under).c_str());
        return 1;
    }
    return 0;
}

// The pointer to the screen's lower right corner, off the windows under test, so that a window
// opening where the pointer rests does not take it for a user pointing at it.
// The system's notification of a device-interface arrival, of the USB device class, sent to every
// window of the program (the window and its children): the one that registered for it acts on it.
struct InterfaceArrival
{
    DWORD size;
    DWORD deviceType;
    DWORD reserved;
    GUID classGuid;
    char name[64];
};

int Arrive(HWND top)
{
    InterfaceArrival arrival = {};
    arrival.size = sizeof(arrival);
    arrival.deviceType = 5;                                   // DBT_DEVTYP_DEVICEINTERFACE
    arrival.classGuid = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
    lstrcpynA(arrival.name, "\\\\?\\USB#VID_0000&PID_0000#SIMULATED#{a5dcbf10-6530-11d2-901f-00c04fb951ed}",
              sizeof(arrival.name));
    std::vector<HWND> windows = Controls(top);
    windows.insert(windows.begin(), top);
    for (HWND window : windows)
    {
        DWORD_PTR ignored = 0;
        (void)::SendMessageTimeoutA(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&arrival),
                                    SMTO_NORMAL, kFindMs, &ignored);
    }
    return 0;
}

int Away()
{
    const POINT corner = {::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1};
    MovePointer(corner);
    return PointerArrives(corner) ? 0 : 1;
}

int Pick(HWND control, const std::string& row)
{
    const std::string type = ClassOf(control);
    const bool combo = type == "ComboBox";
    const LRESULT index = row.size() > 1 && row[0] == '#'
                              ? std::atoi(row.c_str() + 1)
                              : ::SendMessageA(control, combo ? CB_FINDSTRINGEXACT : LB_FINDSTRINGEXACT,
                                               static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(row.c_str()));
    if (index < 0)
    {
        std::fprintf(stderr, "no row \"%s\"\n", row.c_str());
        return 1;
    }
    (void)::SendMessageA(control, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    const int id = ::GetDlgCtrlID(control);
    HWND parent = ::GetParent(control);
    (void)::PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, combo ? CBN_SELCHANGE : LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(control));
    if (combo)
    {
        (void)::PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK), reinterpret_cast<LPARAM>(control));
    }
    return 0;
}

int Type(HWND control, const std::string& text)
{
    for (char c : text)
    {
        (void)::PostMessageA(control, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    return 0;
}

int Key(HWND top, const std::string& key)
{
    if (key == "altf4")
    {
        (void)::PostMessageA(top, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    const WPARAM code = key == "enter" ? VK_RETURN : key == "escape" ? VK_ESCAPE : 0;
    if (code == 0)
    {
        return 2;
    }
    HWND focus = FocusOf(top);
    (void)::PostMessageA(focus, WM_KEYDOWN, code, 1);
    (void)::PostMessageA(focus, WM_KEYUP, code, 0xC0000001);
    return 0;
}

int Front(HWND top)
{
    (void)::SetWindowPos(top, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    (void)::SetForegroundWindow(top);
    return 0;
}

// Real input: through the system's input queue, as a person's hands give it.

void SendKey(BYTE key, bool down)
{
    ::keybd_event(key, static_cast<BYTE>(::MapVirtualKeyA(key, 0)), down ? 0 : KEYEVENTF_KEYUP, 0);
}

// Waits until the window's thread asks for messages again after what it was given before.
void Settle(HWND top)
{
    DWORD_PTR ignored = 0;
    (void)::SendMessageTimeoutA(top, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
}

// Brings the window to the front and waits until it is the foreground window with the keyboard focus
// in it, asking again now and then.
bool ToFront(HWND top)
{
    const DWORD start = ::GetTickCount();
    for (DWORD polls = 0; ::GetTickCount() - start < kFindMs; ++polls)
    {
        if (::GetForegroundWindow() == top)
        {
            HWND focus = FocusOf(top);
            if (focus == top || ::IsChild(top, focus))
            {
                return true;
            }
        }
        if (polls % 10 == 0)
        {
            (void)Front(top);
        }
        ::Sleep(kPollMs);
    }
    std::fprintf(stderr, "the window did not come to the front\n");
    return false;
}

// Waits, within a bound, until the condition holds.
bool WaitUntil(const std::function<bool()>& condition)
{
    const DWORD start = ::GetTickCount();
    while (!condition())
    {
        if (::GetTickCount() - start >= kFindMs)
        {
            return false;
        }
        ::Sleep(kPollMs);
    }
    return true;
}

// Presses the keys one after the other and lets go of the last. The ones before it (Shift, Ctrl, Alt)
// are held until the window's answer to the key is seen, as a person holds them: the window reads a
// modifier's state when it reads the key, which may be well after the key was sent. Then waits until
// the window's thread asks for messages again. False when the answer did not come.
bool PressKeys(HWND top, const std::vector<BYTE>& keys, const std::function<bool()>& answered)
{
    for (BYTE key : keys)
    {
        SendKey(key, true);
    }
    SendKey(keys.back(), false);
    const bool seen = WaitUntil(answered);
    for (size_t index = keys.size() - 1; index-- > 0;)
    {
        SendKey(keys[index], false);
    }
    if (::IsWindow(top))
    {
        Settle(top);
    }
    return seen;
}

// The window that holds the pointer's buttons in the control's thread (none: nullptr).
HWND CaptureOf(HWND control)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    const DWORD thread = ::GetWindowThreadProcessId(control, nullptr);
    return ::GetGUIThreadInfo(thread, &info) ? info.hwndCapture : nullptr;
}

// Presses the pointer's button on the control and lets go once the control has taken the press (it
// holds the pointer, as buttons, edit boxes and lists do, or the focus came to it with the press), then
// waits until it has let the pointer go: the click is whole in the control before the next input comes.
// A control that had the focus already (a default button) shows the press only by holding the pointer.
// A press the control did not take (the window was still settling in front) is let go and made again,
// once.
int RealClick(HWND top, HWND control)
{
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        if (!ToFront(top) || Hover(top, control) != 0)
        {
            return 1;
        }
        Settle(top);
        const bool focusedBefore = FocusOf(top) == control;
        ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
        const bool taken = WaitUntil(
            [&] { return CaptureOf(control) == control || (!focusedBefore && FocusOf(top) == control); });
        ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
        const bool released = WaitUntil([&] { return !::IsWindow(control) || CaptureOf(control) != control; });
        if (::IsWindow(top))
        {
            Settle(top);
        }
        if (taken && released)
        {
            return 0;
        }
    }
    std::fprintf(stderr, "the control did not take the pointer's press\n");
    return 1;
}

// The screen rectangle of a list view row's text, asked in the list's process; false when it has none.
bool ListViewRowRect(HWND list, int row, RECT& rect)
{
    DWORD processId = 0;
    (void)::GetWindowThreadProcessId(list, &processId);
    HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process == nullptr)
    {
        return false;
    }
    bool found = false;
    void* remote = ::VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    rect = RECT{LVIR_LABEL, 0, 0, 0};
    DWORD_PTR done = 0;
    if (remote != nullptr && ::WriteProcessMemory(process, remote, &rect, sizeof(rect), nullptr) &&
        ::SendMessageTimeoutA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote),
                              SMTO_ABORTIFHUNG, 2000, &done) &&
        done != 0 && ::ReadProcessMemory(process, remote, &rect, sizeof(rect), nullptr))
    {
        (void)::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        found = true;
    }
    if (remote != nullptr)
    {
        (void)::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    (void)::CloseHandle(process);
    return found;
}

// A click with the pointer on a list view's row (its text, or #N), as a person clicks it.
int ClickRow(HWND top, HWND list, const std::string& name)
{
    const std::vector<Row> rows = ListViewRows(list);
    int row = name.size() > 1 && name[0] == '#' ? std::atoi(name.c_str() + 1) : -1;
    for (size_t index = 0; row < 0 && index < rows.size(); ++index)
    {
        row = rows[index].text == name ? static_cast<int>(index) : -1;
    }
    RECT rect = {};
    if (row < 0 || row >= static_cast<int>(rows.size()) || !ListViewRowRect(list, row, rect))
    {
        std::fprintf(stderr, "no row \"%s\"\n", name.c_str());
        return 1;
    }
    if (!ToFront(top))
    {
        return 1;
    }
    const POINT point = {rect.left + 6, (rect.top + rect.bottom) / 2};
    MovePointer(point);
    if (!PointerArrives(point))
    {
        std::fprintf(stderr, "the pointer did not arrive on the row\n");
        return 1;
    }
    Settle(top);
    ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    Settle(top);
    return 0;
}

int RealKey(HWND top, const std::string& name)
{
    static const struct
    {
        const char* name;
        std::vector<BYTE> keys;
    } table[] = {
        {"tab", {VK_TAB}},     {"shifttab", {VK_SHIFT, VK_TAB}}, {"enter", {VK_RETURN}}, {"space", {VK_SPACE}},
        {"escape", {VK_ESCAPE}}, {"altf4", {VK_MENU, VK_F4}},    {"left", {VK_LEFT}},    {"right", {VK_RIGHT}},
        {"up", {VK_UP}},       {"down", {VK_DOWN}},
    };
    for (const auto& entry : table)
    {
        if (name != entry.name)
        {
            continue;
        }
        if (!ToFront(top))
        {
            return 1;
        }
        // What shows that the window took the key: the focus moved on Tab; on Alt+F4 the window closed,
        // or a question in front of it took the input.
        const HWND before = FocusOf(top);
        const auto answered = [&]() -> bool {
            if (entry.keys.back() == VK_TAB)
            {
                return FocusOf(top) != before;
            }
            if (entry.keys.back() == VK_F4)
            {
                return !::IsWindow(top) || !::IsWindowEnabled(top) || ::GetForegroundWindow() != top;
            }
            return true;
        };
        if (!PressKeys(top, entry.keys, answered))
        {
            std::fprintf(stderr, entry.keys.back() == VK_TAB ? "the focus did not move\n"
                                                              : "the window did not answer the key\n");
            return 1;
        }
        return 0;
    }
    return 2;
}

// Clicks into the control and types the text key by key, each key (with Shift where the character
// needs it) held until the control shows one character more.
int RealType(HWND top, HWND control, const std::string& text)
{
    if (RealClick(top, control) != 0)
    {
        return 1;
    }
    if (!WaitUntil([&] { return FocusOf(top) == control; }))
    {
        std::fprintf(stderr, "the control did not take the focus\n");
        return 1;
    }
    for (char c : text)
    {
        const SHORT scan = ::VkKeyScanA(c);
        if (scan == -1)
        {
            std::fprintf(stderr, "no key types '%c'\n", c);
            return 2;
        }
        std::vector<BYTE> keys;
        if ((scan & 0x100) != 0)
        {
            keys.push_back(VK_SHIFT);
        }
        if ((scan & 0x200) != 0)
        {
            keys.push_back(VK_CONTROL);
        }
        if ((scan & 0x400) != 0)
        {
            keys.push_back(VK_MENU);
        }
        keys.push_back(static_cast<BYTE>(scan & 0xFF));
        const size_t length = TextOf(control).size();
        if (!PressKeys(top, keys, [&] { return TextOf(control).size() > length; }))
        {
            std::fprintf(stderr, "the control did not take '%c'\n", c);
            return 1;
        }
    }
    if (TextOf(control).find(text) == std::string::npos)
    {
        std::fprintf(stderr, "the control does not show the text typed\n");
        return 1;
    }
    return 0;
}

// What the screen shows where the window is, after it has painted.
int Picture(HWND top, const std::string& file)
{
    (void)::SetWindowPos(top, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    (void)::RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DWORD_PTR ignored = 0;
    (void)::SendMessageTimeoutA(top, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);   // painting is done
    RECT rect = {};
    (void)::GetWindowRect(top, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
    {
        return 1;
    }
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    (void)::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    (void)::GdiFlush();
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    const auto* pixels = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; bits != nullptr && i < static_cast<size_t>(width) * static_cast<size_t>(height); ++i)
    {
        rgb[i * 3] = pixels[i * 4 + 2];
        rgb[i * 3 + 1] = pixels[i * 4 + 1];
        rgb[i * 3 + 2] = pixels[i * 4];
    }
    (void)::SelectObject(memory, old);
    (void)::DeleteObject(bitmap);
    (void)::DeleteDC(memory);
    (void)::ReleaseDC(nullptr, screen);
    return Png::WriteFile(file, Png::Encode(width, height, rgb)) ? 0 : 1;
}

DWORD WaitArgument(int argc, char** argv, int index)
{
    return argc > index ? static_cast<DWORD>(std::strtoul(argv[index], nullptr, 10)) : kDefaultWaitMs;
}

int WaitGone(const std::string& name, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    while (!TopLevel(name, true).empty())
    {
        if (::GetTickCount() - start >= timeoutMs)
        {
            return 1;
        }
        ::Sleep(kPollMs);
    }
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: WinDriver [--real] away|list|wait|waitgone|waittext|click|hover|pick|type|settext|key|arrive|"
                             "front|picture ...\n");
        return 2;
    }
    // --real: click, key and type with real input.
    const bool real = std::string(argv[1]) == "--real";
    if (real)
    {
        --argc;
        ++argv;
        if (argc < 2)
        {
            return 2;
        }
    }
    const std::string command = argv[1];
    const std::string window = argc > 2 ? argv[2] : "";
    if (command == "away")
    {
        return Away();
    }
    if (command == "list")
    {
        return List(window);
    }
    if (command == "wait")
    {
        return WaitWindow(window, WaitArgument(argc, argv, 3)) != nullptr ? 0 : 1;
    }
    if (command == "waitgone")
    {
        return WaitGone(window, WaitArgument(argc, argv, 3));
    }
    if (argc < 4)
    {
        if (argc == 3 && (command == "front" || command == "arrive"))
        {
            HWND top = WaitWindow(window, kFindMs);
            return top == nullptr ? 1 : command == "front" ? Front(top) : Arrive(top);
        }
        return 2;
    }
    const std::string argument = argv[3];
    HWND top = nullptr;
    if (command == "waittext")
    {
        return WaitControl(window, argument, WaitArgument(argc, argv, 4), top) != nullptr ? 0 : 1;
    }
    if (command == "key" || command == "picture")
    {
        top = WaitWindow(window, kFindMs);
        if (top == nullptr)
        {
            return 1;
        }
        if (command == "picture")
        {
            return Picture(top, argument);
        }
        return real ? RealKey(top, argument) : Key(top, argument);
    }
    HWND control = WaitControl(window, argument, kFindMs, top);
    if (control == nullptr)
    {
        std::fprintf(stderr, "no control \"%s\" in \"%s\"\n", argument.c_str(), window.c_str());
        return 1;
    }
    if (command == "click")
    {
        return real ? RealClick(top, control) : Click(control);
    }
    if (command == "hover")
    {
        return Hover(top, control);
    }
    if (command == "pick" && argc > 4)
    {
        return ClassOf(control) == "SysListView32" ? ClickRow(top, control, argv[4]) : Pick(control, argv[4]);
    }
    if (command == "settext" && argc > 4)
    {
        DWORD_PTR done = 0;
        return ::SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]), SMTO_ABORTIFHUNG, 2000,
                                     &done) && done != 0 ? 0 : 1;
    }
    if (command == "type" && argc > 4)
    {
        return real ? RealType(top, control, argv[4]) : Type(control, argv[4]);
    }
    return 2;
}
