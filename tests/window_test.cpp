// The wizard window driven in-process through its real message loop.
// Cancel and Escape end the process, so they are tested from outside
// (program_test.cpp).
#include "association/Catalogue.h"
#include "tools/driver/WindowDriver.h"
#include "wizard/ControlIds.h"
#include "wizard/Layout.h"
#include "wizard/Root.h"
#include "wizard/Texts.h"

#include <commctrl.h>
#include <windowsx.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace driver;
namespace id = control_id;

namespace {

class WindowTest : public testing::Test {
protected:
    void SetUp() override {
        root_ = std::make_unique<Root>(GetModuleHandleW(nullptr));
        root_->Show();
        Pump();
    }

    HWND Control(int controlId) const { return FindControl(root_->Handle(), controlId); }
    void Pump() { root_->ProcessPendingEvents(); }
    void Click(int controlId) {
        SendMessageW(Control(controlId), BM_CLICK, 0, 0);
        Pump();
    }
    void Key(UINT virtualKey) {
        PostKey(virtualKey);
        Pump();
    }
    void AltKey(wchar_t letter) {
        PostAltKey(letter);
        Pump();
    }
    int VisibleScreen() const {
        int visible = 0;
        for (int index = 1; index <= 3; ++index) {
            if (IsVisibleFlag(Control(id::Screen(index)))) {
                EXPECT_EQ(visible, 0) << "two screens visible";
                visible = index;
            }
        }
        return visible;
    }
    bool TypeTicked(int index) const {
        return ListView_GetCheckState(Control(id::kTypeList), index) != 0;
    }
    void SetTypeTicked(int index, bool ticked) {
        ListView_SetCheckState(Control(id::kTypeList), index, ticked);
    }
    bool VerbTicked(int slot) const {
        return Button_GetCheck(Control(id::VerbCheckBox(slot))) == BST_CHECKED;
    }
    // The controls that Tab visits from the focused one, in order, until it
    // comes back.
    std::vector<int> TabCycle() {
        std::vector<int> visited;
        const HWND start = GetFocus();
        do {
            visited.push_back(GetDlgCtrlID(GetFocus()));
            Key(VK_TAB);
        } while (GetFocus() != start && visited.size() < 40);
        return visited;
    }

    std::unique_ptr<Root> root_;
};

std::wstring MenuText(int slot) {
    return std::wstring(catalogue::VerbAt(slot)->checkBoxCaption);
}

} // namespace

TEST_F(WindowTest, StartsOnTheTypeScreenWithEveryTypeTicked) {
    EXPECT_EQ(VisibleScreen(), 1);
    HWND list = Control(id::kTypeList);
    ASSERT_EQ(ListView_GetItemCount(list), catalogue::kFileTypeCount);
    for (int index = 0; index < catalogue::kFileTypeCount; ++index) {
        SCOPED_TRACE(index);
        std::wstring caption(64, L'\0');
        ListView_GetItemText(list, index, 0, caption.data(), static_cast<int>(caption.size()));
        EXPECT_STREQ(caption.c_str(),
                     std::wstring(catalogue::kFileTypes[index].listCaption).c_str());
        EXPECT_TRUE(TypeTicked(index));
    }
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_FOCUSED), 0);
    EXPECT_EQ(GetFocus(), list);
    EXPECT_FALSE(IsEnabled(Control(id::kBack)));
    EXPECT_TRUE(IsEnabled(Control(id::kNext)));
    EXPECT_TRUE(IsEnabled(Control(id::kCancel)));
    for (int slot = 1; slot <= 5; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_FALSE(VerbTicked(slot));
        EXPECT_EQ(WindowText(Control(id::VerbCheckBox(slot))), MenuText(slot));
        EXPECT_FALSE(IsEnabled(Control(id::VerbText(slot))));
        EXPECT_FALSE(IsEnabled(Control(id::VerbBrowse(slot))));
    }
    // All nine entries show without scrolling.
    EXPECT_EQ(ListView_GetCountPerPage(list), catalogue::kFileTypeCount);
}

TEST_F(WindowTest, FrameTitleIconAndTexts) {
    HWND window = root_->Handle();
    EXPECT_EQ(WindowText(window), texts::kTitle);
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_EQ(GetMenu(window), nullptr);
    EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);

    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 516);
    EXPECT_EQ(client.bottom, 361);
    RECT frame{};
    GetWindowRect(window, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    const struct {
        int control;
        std::wstring_view text;
        LONG weight;
    } labels[] = {
        {id::kLabel1, texts::kLabel1, FW_NORMAL}, {id::kLabel2, texts::kLabel2, FW_BOLD},
        {id::kLabel3, texts::kLabel3, FW_NORMAL}, {id::kLabel4, texts::kLabel4, FW_NORMAL},
        {id::kNext, texts::kNext, FW_NORMAL},     {id::kBack, texts::kBack, FW_NORMAL},
        {id::kCancel, texts::kCancel, FW_NORMAL}};
    for (const auto& label : labels) {
        SCOPED_TRACE(label.control);
        HWND control = Control(label.control);
        EXPECT_EQ(WindowText(control), label.text);
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font),
                   &font);
        EXPECT_STREQ(font.lfFaceName, L"Tahoma");
        EXPECT_EQ(font.lfHeight, -12); // 9 point at 96 DPI
        EXPECT_EQ(font.lfWeight, label.weight);
    }
}

TEST_F(WindowTest, EveryControlSitsAtItsTwipsPlace) {
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96) << "the layout check needs 96 DPI";
    ReleaseDC(nullptr, screen);

    std::vector<std::pair<int, layout::Twips>> places = {{id::Screen(1), layout::kScreenPanel},
                                                         {id::Screen(2), layout::kScreenPanel},
                                                         {id::Screen(3), layout::kScreenPanel},
                                                         {id::kButtonBar, layout::kButtonBar},
                                                         {id::kNext, layout::kNext},
                                                         {id::kBack, layout::kBack},
                                                         {id::kCancel, layout::kCancel},
                                                         {id::kTypeList, layout::kTypeList},
                                                         {id::kLabel1, layout::kLabel1},
                                                         {id::kLabel2, layout::kLabel2},
                                                         {id::kLabel3, layout::kLabel3},
                                                         {id::kLabel4, layout::kLabel4},
                                                         {id::kImage1, layout::kEmblem},
                                                         {id::kImage2, layout::kEmblem},
                                                         {id::kImage3, layout::kEmblem}};
    for (int slot = 1; slot <= 5; ++slot) {
        places.push_back({id::VerbCheckBox(slot), layout::VerbCheckBox(slot)});
        places.push_back({id::VerbText(slot), layout::VerbText(slot)});
        places.push_back({id::VerbBrowse(slot), layout::VerbBrowse(slot)});
    }
    for (const auto& [control, twips] : places) {
        SCOPED_TRACE(control);
        HWND window = Control(control);
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(twips.left % 15 + twips.top % 15 + twips.width % 15 + twips.height % 15, 0);
        RECT place{};
        GetWindowRect(window, &place);
        MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&place), 2);
        EXPECT_EQ(place.left, twips.left / 15);
        EXPECT_EQ(place.top, twips.top / 15);
        EXPECT_EQ(place.right - place.left, twips.width / 15);
        EXPECT_EQ(place.bottom - place.top, twips.height / 15);
    }
}

TEST_F(WindowTest, TabOrderOnEachScreen) {
    // Back is disabled on the type screen, so Tab skips it.
    EXPECT_EQ(TabCycle(), (std::vector<int>{id::kTypeList, id::kNext, id::kCancel}));

    Click(id::kNext);
    SetFocus(Control(id::VerbCheckBox(1)));
    EXPECT_EQ(TabCycle(),
              (std::vector<int>{id::VerbCheckBox(1), id::VerbCheckBox(2), id::VerbCheckBox(3),
                                id::VerbCheckBox(4), id::VerbCheckBox(5), id::kNext, id::kBack,
                                id::kCancel}));
    // A ticked row adds its text box and its browse button after its check box.
    Click(id::VerbCheckBox(2));
    SetFocus(Control(id::VerbCheckBox(1)));
    EXPECT_EQ(TabCycle(),
              (std::vector<int>{id::VerbCheckBox(1), id::VerbCheckBox(2), id::VerbText(2),
                                id::VerbBrowse(2), id::VerbCheckBox(3), id::VerbCheckBox(4),
                                id::VerbCheckBox(5), id::kNext, id::kBack, id::kCancel}));

    Click(id::kNext);
    SetFocus(Control(id::kNext));
    EXPECT_EQ(TabCycle(), (std::vector<int>{id::kNext, id::kBack, id::kCancel}));
}

TEST_F(WindowTest, AccessKeysPressTheirButtons) {
    AltKey(L'z'); // Back is disabled on the type screen
    EXPECT_EQ(VisibleScreen(), 1);
    AltKey(L'w');
    EXPECT_EQ(VisibleScreen(), 2);
    AltKey(L'z');
    EXPECT_EQ(VisibleScreen(), 1);
    AltKey(L'W');
    Click(id::VerbCheckBox(3));
    AltKey(L'w');
    EXPECT_EQ(VisibleScreen(), 3);
    AltKey(L'z');
    EXPECT_EQ(VisibleScreen(), 2);
}

TEST_F(WindowTest, EnterPressesOnlyAFocusedButton) {
    Key(VK_RETURN); // focus in the list: no default button
    EXPECT_EQ(VisibleScreen(), 1);

    SetFocus(Control(id::kNext));
    Key(VK_RETURN);
    EXPECT_EQ(VisibleScreen(), 2);

    Click(id::VerbCheckBox(1)); // focus moves to the row's browse button
    SetFocus(Control(id::VerbCheckBox(1)));
    Key(VK_RETURN); // a check box is no push button
    EXPECT_EQ(VisibleScreen(), 2);
    EXPECT_TRUE(VerbTicked(1));

    SetFocus(Control(id::kBack));
    Key(VK_RETURN);
    EXPECT_EQ(VisibleScreen(), 1);
}

TEST_F(WindowTest, ListWarningWhenNoTypeIsTicked) {
    for (int index = 0; index < catalogue::kFileTypeCount; ++index)
        SetTypeTicked(index, false);
    SetFocus(Control(id::kNext));
    MessageBoxCatcher boxes;
    Click(id::kNext);
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(boxes.Seen()[0].title, texts::kListWarning.title);
    EXPECT_EQ(boxes.Seen()[0].text, texts::kListWarning.text);
    EXPECT_EQ(boxes.Seen()[0].icon, LoadIconW(nullptr, IDI_WARNING));
    EXPECT_EQ(boxes.Seen()[0].visibleButtons, 1);
    EXPECT_EQ(VisibleScreen(), 1);
    EXPECT_EQ(GetFocus(), Control(id::kTypeList));

    SetTypeTicked(7, true); // any one type is enough
    Click(id::kNext);
    EXPECT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(VisibleScreen(), 2);
}

TEST_F(WindowTest, VerbWarningWhenNoVerbIsTicked) {
    Click(id::kNext);
    SetFocus(Control(id::kBack));
    MessageBoxCatcher boxes;
    Click(id::kNext);
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(boxes.Seen()[0].title, texts::kVerbWarning.title);
    EXPECT_EQ(boxes.Seen()[0].text, texts::kVerbWarning.text);
    EXPECT_EQ(boxes.Seen()[0].icon, LoadIconW(nullptr, IDI_WARNING));
    EXPECT_EQ(boxes.Seen()[0].visibleButtons, 1);
    EXPECT_EQ(VisibleScreen(), 2);
    EXPECT_EQ(GetFocus(), Control(id::VerbCheckBox(1)));

    // A ticked row with an empty program field passes.
    Click(id::VerbCheckBox(5));
    EXPECT_EQ(WindowText(Control(id::VerbText(5))), L"");
    Click(id::kNext);
    EXPECT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(VisibleScreen(), 3);
}

TEST_F(WindowTest, BackAndNextKeepEveryChoice) {
    SetTypeTicked(2, false);
    SetTypeTicked(6, false);
    Click(id::kNext);
    EXPECT_TRUE(IsEnabled(Control(id::kBack)));
    Click(id::VerbCheckBox(2));
    SetWindowTextW(Control(id::VerbText(2)), L"C:\\Bild\\View.exe");
    Click(id::VerbCheckBox(4));
    Click(id::kNext);
    EXPECT_EQ(VisibleScreen(), 3);
    EXPECT_TRUE(IsEnabled(Control(id::kBack)));

    Click(id::kBack);
    EXPECT_EQ(VisibleScreen(), 2);
    EXPECT_TRUE(IsEnabled(Control(id::kBack))); // Back on the confirmation screen keeps it enabled
    Click(id::kBack);
    EXPECT_EQ(VisibleScreen(), 1);
    EXPECT_FALSE(IsEnabled(Control(id::kBack)));
    Click(id::kNext);
    Click(id::kNext);
    EXPECT_EQ(VisibleScreen(), 3);

    for (int index = 0; index < catalogue::kFileTypeCount; ++index)
        EXPECT_EQ(TypeTicked(index), index != 2 && index != 6) << index;
    for (int slot = 1; slot <= 5; ++slot)
        EXPECT_EQ(VerbTicked(slot), slot == 2 || slot == 4) << slot;
    EXPECT_EQ(WindowText(Control(id::VerbText(2))), L"C:\\Bild\\View.exe");
}

// --- The verb rows

TEST_F(WindowTest, TickingARowEnablesItAndFocusesItsBrowseButton) {
    Click(id::kNext);
    Click(id::VerbCheckBox(3));
    EXPECT_TRUE(IsEnabled(Control(id::VerbText(3))));
    EXPECT_TRUE(IsEnabled(Control(id::VerbBrowse(3))));
    EXPECT_EQ(GetFocus(), Control(id::VerbBrowse(3)));

    // Unticking keeps the text; ticking again shows it, enabled.
    SetWindowTextW(Control(id::VerbText(3)), L"C:\\Tools\\view.exe");
    Click(id::VerbCheckBox(3));
    EXPECT_FALSE(IsEnabled(Control(id::VerbText(3))));
    EXPECT_FALSE(IsEnabled(Control(id::VerbBrowse(3))));
    EXPECT_EQ(WindowText(Control(id::VerbText(3))), L"C:\\Tools\\view.exe");
    Click(id::VerbCheckBox(3));
    EXPECT_TRUE(IsEnabled(Control(id::VerbText(3))));
    EXPECT_EQ(WindowText(Control(id::VerbText(3))), L"C:\\Tools\\view.exe");

    // The space bar ticks as a click does.
    SetFocus(Control(id::VerbCheckBox(4)));
    Key(VK_SPACE);
    EXPECT_TRUE(VerbTicked(4));
    EXPECT_EQ(GetFocus(), Control(id::VerbBrowse(4)));
}

TEST_F(WindowTest, DeleteOrBackspaceClearsARowWhateverModifiersAreHeld) {
    Click(id::kNext);
    const struct {
        UINT key;
        bool shift;
        bool control;
    } presses[] = {{VK_DELETE, false, false},
                   {VK_BACK, false, false},
                   {VK_DELETE, true, false},
                   {VK_BACK, false, true},
                   {VK_DELETE, true, true}};
    for (const auto& press : presses) {
        SCOPED_TRACE(testing::Message()
                     << press.key << " shift " << press.shift << " control " << press.control);
        Click(id::VerbCheckBox(2));
        SetWindowTextW(Control(id::VerbText(2)), L"C:\\Bild\\View.exe");
        SetFocus(Control(id::VerbText(2)));
        {
            HeldModifiers held(press.shift, press.control);
            Key(press.key);
        }
        EXPECT_EQ(WindowText(Control(id::VerbText(2))), L"");
        EXPECT_FALSE(VerbTicked(2));
        EXPECT_FALSE(IsEnabled(Control(id::VerbText(2))));
        EXPECT_FALSE(IsEnabled(Control(id::VerbBrowse(2))));
        EXPECT_EQ(GetFocus(), Control(id::VerbCheckBox(2)));
    }
}

TEST_F(WindowTest, OtherKeysAndTypingLeaveARowAlone) {
    Click(id::kNext);
    Click(id::VerbCheckBox(1));
    HWND text = Control(id::VerbText(1));
    SetWindowTextW(text, L"C:\\Bild\\View.exe");
    SetFocus(text);
    for (UINT key : {UINT{'A'}, UINT{VK_END}, UINT{VK_INSERT}, UINT{VK_F2}})
        Key(key);
    for (wchar_t character : {L'x', L'\b', L'1'}) {
        PostCharacter(character);
        Pump();
    }
    SendMessageW(text, WM_PASTE, 0, 0);
    SendMessageW(text, WM_CUT, 0, 0);
    EXPECT_EQ(WindowText(text), L"C:\\Bild\\View.exe");
    EXPECT_TRUE(VerbTicked(1));
    EXPECT_EQ(GetFocus(), text);
}
