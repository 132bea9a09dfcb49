#pragma once
// The main dialog as a real Win32 modal dialog, made from the program's dialog templates. The
// window procedure dispatches through the dialog's message table; the host carries out the
// window operations the dialog asks for. Only one dialog runs at a time per host.
//
// The host runs its own modal loop, as the dialog framework does, rather than DialogBox: a
// dialog that minimises itself while it initialises must stay minimised, and the window is
// shown normally at the first idle moment only when the dialog has not shown it itself.

#include "platform/DialogHost.h"

#include <cstdint>

inline constexpr char kWin32DialogHostHeaderRevision[] =
    "%Z% Corvane QX4005:06 Win32DialogHost.h $Revision: 1.1 $";

class Win32DialogHost final : public DialogHost {
public:
    // `module` is the HINSTANCE whose resources hold the templates, strings and icons;
    // aboutTemplateId names the About box's template.
    Win32DialogHost(std::uintptr_t module, int aboutTemplateId);
    ~Win32DialogHost() override = default;

    Win32DialogHost(const Win32DialogHost&) = delete;
    Win32DialogHost& operator=(const Win32DialogHost&) = delete;

    // -1 when the window could not be made.
    int RunModal(HostedDialog& dialog, int templateId) override;
    void EndDialog(int result) override;
    void RunAboutBox() override;
    void ShowMessageBox(const char* caption, const char* text) override;

    bool StartTimer(std::uintptr_t timerId, std::uint32_t periodMs) override;
    void StopTimer(std::uintptr_t timerId) override;

    int LoadStringResource(int id, char* buffer, int size) override;
    IconHandle LoadIconResource(int id) override;

    bool HasSystemMenu() override;
    void AppendSystemMenuItem(std::uint32_t commandId, const char* text) override;
    void DefaultSysCommand(std::uint32_t command, std::int64_t parameter) override;

    void SetIcon(IconHandle icon, bool big) override;
    void SetWindowTitle(const char* text) override;
    void ShowMinimised() override;
    bool IsMinimised() override;

    void HideControl(int controlId) override;
    void DisableControl(int controlId) override;
    void SetControlText(int controlId, const char* text) override;

    HostSize ClientSize() override;
    HostSize SystemIconSize() override;
    void PaintIcon(IconHandle icon, int x, int y) override;
    void DefaultPaint() override;

    // The window of the running dialog (an HWND), 0 outside RunModal.
    std::uintptr_t Window() const { return window; }
    // Whether the last RunModal could make its window (Wine without a display cannot), and if
    // not, the system's code of that failure (0 when the system named none).
    bool WindowMade() const { return windowMade; }
    int WindowError() const { return windowError; }

    // Window procedure glue; not for other callers.
    std::intptr_t Dispatch(std::uintptr_t hwnd, unsigned message, std::uintptr_t wParam,
                           std::intptr_t lParam);

private:
    void RunMessageLoop();
    std::intptr_t DispatchTable(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                                bool& handled);

    std::uintptr_t module;
    int aboutTemplateId;
    HostedDialog* dialog = nullptr;
    std::uintptr_t window = 0;
    bool ending = false;
    int endResult = 0;
    bool destroyed = false;
    bool paintLeftToDefault = false;
    bool windowMade = false;
    int windowError = 0;
};
