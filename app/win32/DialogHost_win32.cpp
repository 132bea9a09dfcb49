// The Win32 modal dialog host. The dialog's messages reach it through one table, in the order
// the dialog declares its handlers; Enter and Escape (IDOK, IDCANCEL) are the dialog class's own.
// Once a handler has ended the dialog no further message reaches the dialog but WM_DESTROY, so a
// close that the window manager completes later cannot change the result.

#include "app/win32/Win32DialogHost.h"

#include <windows.h>

[[maybe_unused]] static const char kDialogHostWin32Revision[] =
    "%Z% Corvane QX4005:05 DialogHost_win32.cpp $Revision: 1.1 $";

namespace {

constexpr int kControlIdStart = 1002;
constexpr int kControlIdRecord = 1005;

HWND AsWindow(std::uintptr_t window) {
    return reinterpret_cast<HWND>(window);
}
HINSTANCE AsInstance(std::uintptr_t module) {
    return reinterpret_cast<HINSTANCE>(module);
}
HICON AsIcon(IconHandle icon) {
    return reinterpret_cast<HICON>(icon);
}

// One entry of the dialog's message table. A command entry names its control and notification.
struct MessageEntry {
    UINT message;
    int controlId;
    WORD notification;
    std::intptr_t (*handle)(HostedDialog& dialog, WPARAM wParam, LPARAM lParam);
};

// The handlers that take nothing from the message.
template <void (HostedDialog::*Handler)()>
std::intptr_t HandleWithoutArguments(HostedDialog& dialog, WPARAM, LPARAM) {
    (dialog.*Handler)();
    return TRUE;
}

std::intptr_t HandleSysCommand(HostedDialog& dialog, WPARAM wParam, LPARAM lParam) {
    dialog.OnSysCommand(static_cast<std::uint32_t>(wParam), static_cast<std::int64_t>(lParam));
    return TRUE;
}

std::intptr_t HandleQueryDragIcon(HostedDialog& dialog, WPARAM, LPARAM) {
    return static_cast<std::intptr_t>(dialog.OnQueryDragIcon());
}

std::intptr_t HandleTimer(HostedDialog& dialog, WPARAM wParam, LPARAM) {
    dialog.OnTimer(static_cast<std::uintptr_t>(wParam));
    return TRUE;
}

constexpr MessageEntry kMessageTable[] = {
    {WM_SYSCOMMAND, 0, 0, HandleSysCommand},
    {WM_PAINT, 0, 0, HandleWithoutArguments<&HostedDialog::OnPaint>},
    {WM_QUERYDRAGICON, 0, 0, HandleQueryDragIcon},
    {WM_COMMAND, kControlIdStart, BN_CLICKED, HandleWithoutArguments<&HostedDialog::OnStart>},
    {WM_DESTROY, 0, 0, HandleWithoutArguments<&HostedDialog::OnDestroy>},
    {WM_TIMER, 0, 0, HandleTimer},
    {WM_COMMAND, kControlIdRecord, BN_CLICKED, HandleWithoutArguments<&HostedDialog::OnRecord>},
    // The dialog class's own: Enter and Escape.
    {WM_COMMAND, IDOK, BN_CLICKED, HandleWithoutArguments<&HostedDialog::OnOK>},
    {WM_COMMAND, IDCANCEL, BN_CLICKED, HandleWithoutArguments<&HostedDialog::OnCancel>},
};

bool Matches(const MessageEntry& entry, UINT message, WPARAM wParam) {
    if (entry.message != message) {
        return false;
    }
    return message != WM_COMMAND ||
           (LOWORD(wParam) == entry.controlId && HIWORD(wParam) == entry.notification);
}

INT_PTR CALLBACK MainDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    }
    auto* host = reinterpret_cast<Win32DialogHost*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (host == nullptr) {
        return FALSE;
    }
    return host->Dispatch(reinterpret_cast<std::uintptr_t>(hwnd), message, wParam, lParam);
}

INT_PTR CALLBACK AboutDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        ::EndDialog(hwnd, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

} // namespace

Win32DialogHost::Win32DialogHost(std::uintptr_t module, int aboutTemplateId)
    : module(module), aboutTemplateId(aboutTemplateId) {}

int Win32DialogHost::RunModal(HostedDialog& hosted, int templateId) {
    dialog = &hosted;
    ending = false;
    destroyed = false;
    endResult = -1;
    SetLastError(0);
    HWND created = CreateDialogParamA(AsInstance(module), MAKEINTRESOURCEA(templateId), nullptr,
                                      MainDialogProc, reinterpret_cast<LPARAM>(this));
    windowMade = created != nullptr;
    windowError = windowMade ? 0 : static_cast<int>(GetLastError());
    if (created != nullptr) {
        RunMessageLoop();
        DestroyWindow(created);
    }
    dialog = nullptr;
    window = 0;
    return endResult;
}

void Win32DialogHost::RunMessageLoop() {
    HWND hwnd = AsWindow(window);
    bool idleSeen = false;
    MSG message{};
    while (!ending && IsWindow(hwnd)) {
        if (!idleSeen && !PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            idleSeen = true;
            if (!IsWindowVisible(hwnd)) {
                ShowWindow(hwnd, SW_SHOWNORMAL);
            }
        }
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            // WM_QUIT belongs to the loop outside this dialog, as it does for DialogBox.
            if (got == 0) {
                PostQuitMessage(static_cast<int>(message.wParam));
            }
            break;
        }
        if (!IsDialogMessageA(hwnd, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

std::intptr_t Win32DialogHost::Dispatch(std::uintptr_t hwnd, unsigned message,
                                        std::uintptr_t wParam, std::intptr_t lParam) {
    if (message == WM_INITDIALOG) {
        window = hwnd;
        return dialog->OnInitDialog() ? TRUE : FALSE;
    }
    if (dialog == nullptr || destroyed || (ending && message != WM_DESTROY)) {
        return FALSE;
    }
    bool handled = false;
    const std::intptr_t result = DispatchTable(message, wParam, lParam, handled);
    if (message == WM_DESTROY) {
        destroyed = true;
    }
    return handled ? result : FALSE;
}

std::intptr_t Win32DialogHost::DispatchTable(unsigned message, std::uintptr_t wParam,
                                             std::intptr_t lParam, bool& handled) {
    for (const MessageEntry& entry : kMessageTable) {
        if (Matches(entry, message, wParam)) {
            paintLeftToDefault = false;
            const std::intptr_t result = entry.handle(*dialog, wParam, lParam);
            // A paint the dialog left to the framework goes on to the default dialog procedure.
            handled = !(message == WM_PAINT && paintLeftToDefault);
            return result;
        }
    }
    handled = false;
    return FALSE;
}

void Win32DialogHost::EndDialog(int result) {
    if (window != 0 && !ending) {
        ending = true;
        endResult = result;
        // Wakes the loop when the dialog ends from inside a nested loop (a message box).
        PostMessageA(AsWindow(window), WM_NULL, 0, 0);
    }
}

void Win32DialogHost::RunAboutBox() {
    DialogBoxParamA(AsInstance(module), MAKEINTRESOURCEA(aboutTemplateId), AsWindow(window),
                    AboutDialogProc, 0);
}

void Win32DialogHost::ShowMessageBox(const char* caption, const char* text) {
    MessageBoxA(AsWindow(window), text, caption, MB_OK);
}

bool Win32DialogHost::StartTimer(std::uintptr_t timerId, std::uint32_t periodMs) {
    return SetTimer(AsWindow(window), timerId, periodMs, nullptr) != 0;
}

void Win32DialogHost::StopTimer(std::uintptr_t timerId) {
    KillTimer(AsWindow(window), timerId);
}

int Win32DialogHost::LoadStringResource(int id, char* buffer, int size) {
    if (buffer == nullptr || size < 1) {
        return 0;
    }
    const int length = LoadStringA(AsInstance(module), static_cast<UINT>(id), buffer, size);
    if (length <= 0) {
        buffer[0] = '\0';
        return 0;
    }
    return length;
}

IconHandle Win32DialogHost::LoadIconResource(int id) {
    return reinterpret_cast<IconHandle>(LoadIconA(AsInstance(module), MAKEINTRESOURCEA(id)));
}

bool Win32DialogHost::HasSystemMenu() {
    return GetSystemMenu(AsWindow(window), FALSE) != nullptr;
}

void Win32DialogHost::AppendSystemMenuItem(std::uint32_t commandId, const char* text) {
    HMENU menu = GetSystemMenu(AsWindow(window), FALSE);
    if (menu != nullptr) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, commandId, text);
    }
}

void Win32DialogHost::DefaultSysCommand(std::uint32_t command, std::int64_t parameter) {
    DefWindowProcA(AsWindow(window), WM_SYSCOMMAND, command, static_cast<LPARAM>(parameter));
}

void Win32DialogHost::SetIcon(IconHandle icon, bool big) {
    SendMessageA(AsWindow(window), WM_SETICON, big ? ICON_BIG : ICON_SMALL,
                 static_cast<LPARAM>(icon));
}

void Win32DialogHost::SetWindowTitle(const char* text) {
    SetWindowTextA(AsWindow(window), text);
}

void Win32DialogHost::ShowMinimised() {
    ShowWindow(AsWindow(window), SW_MINIMIZE);
}

bool Win32DialogHost::IsMinimised() {
    return IsIconic(AsWindow(window)) != FALSE;
}

void Win32DialogHost::HideControl(int controlId) {
    ShowWindow(GetDlgItem(AsWindow(window), controlId), SW_HIDE);
}

void Win32DialogHost::DisableControl(int controlId) {
    EnableWindow(GetDlgItem(AsWindow(window), controlId), FALSE);
}

void Win32DialogHost::SetControlText(int controlId, const char* text) {
    SetDlgItemTextA(AsWindow(window), controlId, text);
}

HostSize Win32DialogHost::ClientSize() {
    RECT client{};
    GetClientRect(AsWindow(window), &client);
    return {client.right - client.left, client.bottom - client.top};
}

HostSize Win32DialogHost::SystemIconSize() {
    return {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
}

void Win32DialogHost::PaintIcon(IconHandle icon, int x, int y) {
    PAINTSTRUCT paint{};
    HDC context = BeginPaint(AsWindow(window), &paint);
    SendMessageA(AsWindow(window), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(context), 0);
    DrawIcon(context, x, y, AsIcon(icon));
    EndPaint(AsWindow(window), &paint);
}

void Win32DialogHost::DefaultPaint() {
    paintLeftToDefault = true;
}
