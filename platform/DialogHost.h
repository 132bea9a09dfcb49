#pragma once
// The window system as the main dialog's logic sees it. The dialog is plain C++: a host (a Win32
// modal dialog, a terminal, a test fake) owns the window, delivers the dialog's messages by
// calling the HostedDialog handlers, and carries out the window operations below for it.
//
// How a host drives a dialog:
//  1. RunModal(dialog, templateId) creates the window with its controls, then calls
//     dialog.OnInitDialog() once. The dialog calls back into the host from inside its handlers
//     (title, icons, system menu, timer, texts, minimise, message box).
//  2. Then the host loops, calling one handler at a time, never re-entering a handler:
//     OnTimer(id) for every tick of a timer started with StartTimer; OnSysCommand(command, 0)
//     for system-menu commands (kIdmAboutBox from the About item, kScClose when the user closes
//     the window); OnPaint() when the window needs painting; OnQueryDragIcon() when a minimised
//     window is dragged; OnOK()/OnCancel() for the Enter/Escape keys; OnStart()/OnRecord() for
//     the push buttons 1002 and 1005.
//  3. A handler ends the modal loop by calling EndDialog(result). The host lets that handler
//     return, stops delivering messages, calls dialog.OnDestroy() once, destroys the window and
//     returns the result from RunModal. Closing therefore runs:
//     OnSysCommand(kScClose) -> OnOK -> EndDialog(kIdOk) -> DefaultSysCommand -> OnDestroy.
//  4. ShowMessageBox and RunAboutBox are modal: they return when the user dismisses them, and
//     while they are open the host keeps calling OnTimer for the running timers (a nested loop).
//     No other handler runs meanwhile.
//
// Timers of a dialog whose modal loop has ended deliver nothing more, whether or not the dialog
// stopped them.

#include <cstdint>

inline constexpr char kDialogHostHeaderRevision[] =
    "%Z% Corvane QX4002:01 DialogHost.h $Revision: 1.1 $";

// A loaded icon, opaque to the dialog; 0 when none could be loaded.
using IconHandle = std::uintptr_t;

struct HostSize {
    int width;
    int height;
};

// Results and system commands of the window system, with their Win32 values.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr std::uint32_t kScClose = 0xF060;

// The message handlers of a dialog, called by its host.
class HostedDialog {
public:
    // Returns true when the host is to set the focus itself.
    virtual bool OnInitDialog() = 0;
    virtual void OnSysCommand(std::uint32_t command, std::int64_t parameter) = 0;
    virtual void OnPaint() = 0;
    virtual IconHandle OnQueryDragIcon() = 0;
    virtual void OnTimer(std::uintptr_t timerId) = 0;
    virtual void OnOK() = 0;
    virtual void OnCancel() = 0;
    virtual void OnStart() = 0;
    virtual void OnRecord() = 0;
    // The window is being destroyed after the modal loop ended.
    virtual void OnDestroy() = 0;

protected:
    ~HostedDialog() = default;
};

class DialogHost {
public:
    virtual ~DialogHost() = default;

    // The modal loop (see above). Returns the result given to EndDialog.
    virtual int RunModal(HostedDialog& dialog, int templateId) = 0;
    // Ends the modal loop once the current handler has returned.
    virtual void EndDialog(int result) = 0;
    // The About box, modal.
    virtual void RunAboutBox() = 0;
    // Modal message box owned by the dialog, with an OK button only and no icon.
    virtual void ShowMessageBox(const char* caption, const char* text) = 0;

    // A periodic timer delivered as OnTimer(timerId); false when the system refuses one.
    virtual bool StartTimer(std::uintptr_t timerId, std::uint32_t periodMs) = 0;
    // Stopping a timer that is not running does nothing.
    virtual void StopTimer(std::uintptr_t timerId) = 0;

    // The string resource `id` into buffer (size bytes, always terminated); returns its length,
    // 0 when there is none.
    virtual int LoadStringResource(int id, char* buffer, int size) = 0;
    virtual IconHandle LoadIconResource(int id) = 0;

    virtual bool HasSystemMenu() = 0;
    // Appends a separator, then a string item with the command id and text.
    virtual void AppendSystemMenuItem(std::uint32_t commandId, const char* text) = 0;
    // The framework's handling of a system command (minimise, move, close ...).
    virtual void DefaultSysCommand(std::uint32_t command, std::int64_t parameter) = 0;

    virtual void SetIcon(IconHandle icon, bool big) = 0;
    virtual void SetWindowTitle(const char* text) = 0;
    virtual void ShowMinimised() = 0;
    virtual bool IsMinimised() = 0;

    virtual void HideControl(int controlId) = 0;
    virtual void DisableControl(int controlId) = 0;
    // Shows the text in a static control; the dialog's refresh calls it once per text line.
    virtual void SetControlText(int controlId, const char* text) = 0;

    // Painting. PaintIcon paints the whole client area of the minimised window: it erases the
    // icon background (WM_ICONERASEBKGND) and draws the icon with its top left corner at x, y.
    virtual HostSize ClientSize() = 0;
    virtual HostSize SystemIconSize() = 0;
    virtual void PaintIcon(IconHandle icon, int x, int y) = 0;
    virtual void DefaultPaint() = 0;
};
