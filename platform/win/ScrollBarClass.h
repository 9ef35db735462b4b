#pragma once
// The "scrollbar" window class: a bar of its own (SBS_HORZ or SBS_VERT) that tells its parent
// through WM_HSCROLL/WM_VSCROLL with its handle in LParam, or a size grip (SBS_SIZEGRIP) that
// sizes its top-level window by the bottom-right corner. Its values are set with the scroll
// functions and SB_CTL, or with the SBM_ messages.

namespace parch::win {

void RegisterScrollBarClass();

}  // namespace parch::win
