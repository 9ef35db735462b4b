#pragma once
// The message record that the framework's window procedures and message hooks work on.

#include "platform/win/WinUser.h"

namespace parch {

struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

}  // namespace parch
