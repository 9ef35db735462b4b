// Adapters of framework controls join the control's window procedure chain rather than the
// window's subclass chain, and leave it in any order.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/StdCtrls.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sSkinManager.h"
#include "skin/frames/acSBUtils.h"
#include "tests/framework/FormFixture.h"
#include "tests/skin/frames/ScrollAdapterFixtures.h"

namespace parch {
namespace {

struct AdapterDestroyCounts {
    int destroy = 0;
    int ncDestroy = 0;
};

LRESULT AdapterCountDestroys(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* counts = reinterpret_cast<AdapterDestroyCounts*>(ref);
    if (msg == WM_DESTROY) ++counts->destroy;
    if (msg == WM_NCDESTROY) ++counts->ncDestroy;
    return DefSubclassProc(hwnd, msg, wp, lp);
}

class ControlAdapter : public FormFixture {
protected:
    void SetUp() override { test::FillFlatScrollSkin(manager); }

    // A list box on a shown form, with more items than it shows: its vertical bar has a range.
    TListBox* MakeScrolledList(TForm*& form) {
        form = MakeForm(300, 200);
        auto* list = Child<TListBox>(form, 10, 10, 200, 150);
        for (int i = 0; i < 60; ++i) list->Items().Add("item " + std::to_string(i));
        Show(form);
        return list;
    }

    TsSkinManager manager;
};

TEST_F(ControlAdapter, LeavesTheControlsChainInAnyOrder) {
    enum Order { AdapterFirst, ForeignFirst, ControlFirst };
    for (bool foreignInFront : {false, true})
        for (Order order : {AdapterFirst, ForeignFirst, ControlFirst}) {
            SCOPED_TRACE(std::string(foreignInFront ? "foreign in front, " : "adapter in front, ") +
                         std::to_string(order));
            TForm* form = nullptr;
            TListBox* list = MakeScrolledList(form);
            const HWND handle = list->Handle();
            int foreignSaw = 0;
            std::vector<WORD> scrolls;
            list->WindowProc = [&, old = list->WindowProc](TMessage& m) {
                if (m.Msg == WM_VSCROLL) scrolls.push_back(LOWORD(m.WParam));
                old(m);
            };
            // The window's end is watched in front of the control's window procedure.
            AdapterDestroyCounts counts;
            SetWindowSubclass(handle, &AdapterCountDestroys, 1, reinterpret_cast<DWORD_PTR>(&counts));
            TWindowProcChain::Link foreign;
            auto joinForeign = [&] {
                foreign = list->WindowProcChain().Join([&](TMessage& m, const TWndMethod& inherited) {
                    if (m.Msg == WM_USER + 7) ++foreignSaw;
                    inherited(m);
                });
            };
            if (!foreignInFront) joinForeign();
            auto adapter = std::make_unique<TacScrollWnd>(handle, &manager, "", true, list);
            if (foreignInFront) joinForeign();
            display.PumpMessages();
            EXPECT_EQ(list->Perform(SkinCommandMessage, MAKEWPARAM(0, kCmdIsSkinned), 0), 1);
            EXPECT_EQ(adapter->OwnerControl(), list);

            // The skinned bar works through the chain: the down arrow scrolls the form.
            const RECT bar = adapter->GetVertBarRect();
            display.MoveMouse((bar.left + bar.right) / 2, bar.bottom - 3);
            display.MouseDown();
            display.PumpMessages();
            display.MouseUp();
            display.PumpMessages();
            EXPECT_EQ(scrolls, (std::vector<WORD>{SB_LINEDOWN, SB_ENDSCROLL}));
            // A disabled control's bar is drawn disabled, whatever the window's own bar says.
            const POINT arrow{(bar.left + bar.right) / 2, bar.bottom - 3};
            display.MoveMouse(0, 0);
            display.PumpMessages();
            list->SetEnabled(false);
            adapter->PaintScrollBars(nullptr);
            EXPECT_NE(test::ScreenShot().Pixel(arrow.x, arrow.y), RGB(0, 200, 0));
            list->SetEnabled(true);
            adapter->PaintScrollBars(nullptr);
            EXPECT_EQ(test::ScreenShot().Pixel(arrow.x, arrow.y), RGB(0, 200, 0));

            if (order == AdapterFirst) adapter.reset();
            if (order == ForeignFirst) foreign.Leave();
            if (order == ControlFirst) {
                delete form;
                EXPECT_EQ(adapter->OwnerControl(), nullptr);
                EXPECT_TRUE(adapter->Destroyed());
            } else {
                SendMessage(handle, WM_USER + 7, 0, 0);
                EXPECT_EQ(foreignSaw, order == AdapterFirst ? 1 : 0);
                EXPECT_EQ(list->Perform(SkinCommandMessage, MAKEWPARAM(0, kCmdIsSkinned), 0),
                          order == AdapterFirst ? 0 : 1);
                delete form;
            }
            adapter.reset();
            EXPECT_EQ(counts.destroy, 1);
            EXPECT_EQ(counts.ncDestroy, 1);
            EXPECT_FALSE(IsWindow(handle));
        }
}

TEST_F(ControlAdapter, RefreshFollowsWhetherTheControlIsSkinned) {
    TForm* form = nullptr;
    TListBox* list = MakeScrolledList(form);
    TsCommonData skinData(list, true);
    skinData.SetSkinManager(&manager);
    std::unique_ptr<TacScrollWnd> adapter;

    // No section yet: not skinned, no adapter.
    RefreshScrollWnd(skinData, adapter);
    EXPECT_EQ(adapter, nullptr);

    manager.SkinData().SkinActive = true;
    manager.Tables().Sections.push_back(TsGeneralData{});
    manager.Tables().Sections.back().SectionName = "EDIT";
    skinData.SetSkinSection("EDIT");
    skinData.UpdateIndexes();
    ASSERT_TRUE(skinData.IsSkinned());
    RefreshScrollWnd(skinData, adapter);
    ASSERT_NE(adapter, nullptr);
    TacScrollWnd* first = adapter.get();
    EXPECT_EQ(GetAdapterOfWnd(list->Handle()), first);
    EXPECT_EQ(adapter->OwnerControl(), list);
    RefreshScrollWnd(skinData, adapter);
    EXPECT_EQ(adapter.get(), first);  // a live adapter stays

    adapter->Detach();  // a detached adapter is replaced
    RefreshScrollWnd(skinData, adapter);
    ASSERT_NE(adapter, nullptr);
    EXPECT_FALSE(adapter->Destroyed());
    EXPECT_EQ(GetAdapterOfWnd(list->Handle()), adapter.get());

    skinData.SetSkinSection("");  // no longer skinned: the system's bars again
    RefreshScrollWnd(skinData, adapter);
    EXPECT_EQ(adapter, nullptr);
    EXPECT_EQ(GetAdapterOfWnd(list->Handle()), nullptr);
    EXPECT_EQ(list->Perform(SkinCommandMessage, MAKEWPARAM(0, kCmdIsSkinned), 0), 0);
    delete form;
}

}  // namespace
}  // namespace parch
