#pragma once
// Messages and queues. Every thread that touches the window system has one queue. A message
// sent to a window of another thread is queued there and served when that thread looks at
// its queue (in GetMessage, PeekMessage, or while it waits in its own SendMessage); the sender
// serves messages sent to it meanwhile, so two threads sending to each other do not deadlock.
// Retrieval order: sent messages (served, not returned), posted messages, WM_QUIT, input,
// WM_PAINT, WM_TIMER.

#include <cstdint>
#include <functional>

#include "platform/win/WinUser.h"

namespace parch {

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
// 0 for WM_QUIT, -1 on a bad window filter, else non-zero.
BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg);
BOOL WaitMessage();
LRESULT DispatchMessage(const MSG* msg);
// Posts WM_CHAR (WM_SYSCHAR) for a WM_KEYDOWN (WM_SYSKEYDOWN) that makes a character.
BOOL TranslateMessage(const MSG* msg);
void PostQuitMessage(int exitCode);
DWORD GetMessagePos();
LONG GetMessageTime();
// True while the calling thread serves a message sent from another thread.
BOOL InSendMessage();
DWORD GetCurrentThreadId();

// Waits until done() holds, serving the messages other threads send to the calling thread
// meanwhile; posted messages stay queued. Whoever makes done() true calls WakeThread for the
// waiting thread afterwards. Returns false when timeoutMs (INFINITE: none) ran out first.
// This is how a GUI thread waits for a worker that may still need it.
constexpr DWORD INFINITE = 0xFFFFFFFF;
bool WaitServingSentMessages(const std::function<bool()>& done, DWORD timeoutMs);
void WakeThread(DWORD threadId);

}  // namespace parch

namespace parch::win {

// Runs call on the thread of the window, as a sent message would; directly when that is the
// calling thread. Returns false when the window does not exist.
bool CallOnWindowThread(HWND hwnd, const std::function<LRESULT()>& call, LRESULT& result);

// Queues call for the thread of the window without waiting for it; false when the window does
// not exist.
bool PostCallToWindowThread(HWND hwnd, std::function<LRESULT()> call);

// Queues an input message for the thread of msg.hwnd, with the key states of this moment.
// Consecutive mouse moves to one window are merged, as the input queue does. packetChar is the
// character that a VK_PACKET key stands for.
void PostInput(const MSG& msg, char16_t packetChar = 0);

// The painting layer tells the queues which window of a thread needs WM_PAINT next (or null).
// It is asked with the window system's lock held and must call no window procedure.
using PaintSource = std::function<HWND(DWORD threadId, HWND filter)>;
void SetPaintSource(PaintSource source);

// A screen that lives outside the window system (an on-screen display) brings its input in and
// shows the windows when its thread is about to wait for messages, so that every message loop
// (modal dialogs and menus included) keeps the screen alive. The pump is called without the
// window system's lock, at most every kDisplayPumpIntervalMs while the thread waits; an empty pump
// removes it.
constexpr std::uint64_t kDisplayPumpIntervalMs = 16;
using DisplayPump = std::function<void()>;
void SetDisplayPump(DWORD threadId, DisplayPump pump);

}  // namespace parch::win
