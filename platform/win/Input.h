#pragma once
// Mouse and keyboard input. Input comes from the display back end and is queued for the
// thread of the window it goes to: the mouse to the capture window or to the window under the
// cursor (after WM_NCHITTEST, WM_MOUSEACTIVATE and WM_SETCURSOR), in client or non-client form
// by the hit-test code, with double clicks for classes that ask for them; the wheel and the
// keyboard to the focus window.

#include <array>
#include <cstdint>

#include "platform/win/WinUser.h"

namespace parch {

constexpr UINT VK_LBUTTON = 0x01;
constexpr UINT VK_RBUTTON = 0x02;
constexpr UINT VK_CANCEL = 0x03;
constexpr UINT VK_MBUTTON = 0x04;
constexpr UINT VK_BACK = 0x08;
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_SHIFT = 0x10;
constexpr UINT VK_CONTROL = 0x11;
constexpr UINT VK_MENU = 0x12;
constexpr UINT VK_PAUSE = 0x13;
constexpr UINT VK_CAPITAL = 0x14;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_SPACE = 0x20;
constexpr UINT VK_PRIOR = 0x21;
constexpr UINT VK_NEXT = 0x22;
constexpr UINT VK_END = 0x23;
constexpr UINT VK_HOME = 0x24;
constexpr UINT VK_LEFT = 0x25;
constexpr UINT VK_UP = 0x26;
constexpr UINT VK_RIGHT = 0x27;
constexpr UINT VK_DOWN = 0x28;
constexpr UINT VK_INSERT = 0x2D;
constexpr UINT VK_DELETE = 0x2E;
constexpr UINT VK_APPS = 0x5D;
constexpr UINT VK_NUMPAD0 = 0x60;
constexpr UINT VK_MULTIPLY = 0x6A;
constexpr UINT VK_ADD = 0x6B;
constexpr UINT VK_SUBTRACT = 0x6D;
constexpr UINT VK_DECIMAL = 0x6E;
constexpr UINT VK_DIVIDE = 0x6F;
constexpr UINT VK_F1 = 0x70;
constexpr UINT VK_F4 = 0x73;
constexpr UINT VK_F10 = 0x79;
constexpr UINT VK_F12 = 0x7B;
constexpr UINT VK_NUMLOCK = 0x90;
constexpr UINT VK_LSHIFT = 0xA0;
constexpr UINT VK_RSHIFT = 0xA1;
constexpr UINT VK_LCONTROL = 0xA2;
constexpr UINT VK_RCONTROL = 0xA3;
constexpr UINT VK_LMENU = 0xA4;
constexpr UINT VK_RMENU = 0xA5;
constexpr UINT VK_OEM_1 = 0xBA;
constexpr UINT VK_OEM_PLUS = 0xBB;
constexpr UINT VK_OEM_COMMA = 0xBC;
constexpr UINT VK_OEM_MINUS = 0xBD;
constexpr UINT VK_OEM_PERIOD = 0xBE;
constexpr UINT VK_OEM_2 = 0xBF;
constexpr UINT VK_OEM_3 = 0xC0;
constexpr UINT VK_OEM_4 = 0xDB;
constexpr UINT VK_OEM_5 = 0xDC;
constexpr UINT VK_OEM_6 = 0xDD;
constexpr UINT VK_OEM_7 = 0xDE;
constexpr UINT VK_PACKET = 0xE7;

constexpr UINT WM_NCMOUSEHOVER = 0x02A0;
constexpr UINT WM_NCMOUSELEAVE = 0x02A2;

inline const char* const IDC_ARROW = reinterpret_cast<const char*>(32512);
inline const char* const IDC_IBEAM = reinterpret_cast<const char*>(32513);
inline const char* const IDC_WAIT = reinterpret_cast<const char*>(32514);
inline const char* const IDC_CROSS = reinterpret_cast<const char*>(32515);
inline const char* const IDC_UPARROW = reinterpret_cast<const char*>(32516);
inline const char* const IDC_SIZENWSE = reinterpret_cast<const char*>(32642);
inline const char* const IDC_SIZENESW = reinterpret_cast<const char*>(32643);
inline const char* const IDC_SIZEWE = reinterpret_cast<const char*>(32644);
inline const char* const IDC_SIZENS = reinterpret_cast<const char*>(32645);
inline const char* const IDC_SIZEALL = reinterpret_cast<const char*>(32646);
inline const char* const IDC_NO = reinterpret_cast<const char*>(32648);
inline const char* const IDC_HAND = reinterpret_cast<const char*>(32649);
inline const char* const IDC_APPSTARTING = reinterpret_cast<const char*>(32650);
inline const char* const IDC_HELP = reinterpret_cast<const char*>(32651);

// High bit: down; low bit: toggled. GetKeyState follows the messages the thread has read,
// GetAsyncKeyState the input as it happens.
SHORT GetKeyState(int virtualKey);
SHORT GetAsyncKeyState(int virtualKey);
BOOL GetKeyboardState(BYTE* keys);

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track);
BOOL GetCursorPos(POINT* point);
// Moves the cursor as the mouse would, with the messages that follows from it.
BOOL SetCursorPos(int x, int y);

// The system cursors are handles of their own; a cursor has no picture in this layer.
HCURSOR LoadCursor(HINSTANCE instance, const char* name);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();

}  // namespace parch

namespace parch::win {

enum class MouseButton { Left, Right, Middle };

// Input from the display back end.
void InjectMouseMove(POINT screen);
void InjectMouseButton(MouseButton button, bool down);
// Touchpads and fine wheels turn by less than a notch: the display adds their motion up per
// target window and the window gets whole WHEEL_DELTA steps; what is left over is dropped when
// the target changes.
class WheelAccumulator {
public:
    // The whole steps (a multiple of WHEEL_DELTA, toward zero) that delta completes for target.
    int Add(HWND target, int delta);

private:
    HWND target_ = nullptr;
    int rest_ = 0;
};
// Sends the whole steps of the motion to the focus window (none for a partial one).
void InjectMouseWheel(int delta, bool horizontal, WheelAccumulator& motion);
void InjectKey(UINT virtualKey, bool down);
void InjectCharacter(char16_t character);

// All keys up, no click remembered, no tracking, the cursor at the origin.
void ResetInput();

// Posts a due WM_MOUSEHOVER; returns when the next one is due (UINT64_MAX: none).
std::uint64_t PollMouseTracking();

// The character a key makes under the key states (0: none); VK_PACKET stands for packet.
char16_t CharacterOfKey(UINT virtualKey, const std::array<BYTE, 256>& keys, char16_t packet);
// The MK_ flags of a mouse message from the key states at the time.
WPARAM MouseKeyFlags(const std::array<BYTE, 256>& keys);

}  // namespace parch::win
