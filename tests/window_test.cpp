// The wizard window driven in-process through its real message loop, keys
// handed to the dialog manager as the keyboard would, from its start over
// what the registry holds. Cancel and Escape end the process, so
// program_test.cpp tries them from outside.
#include "association/Plan.h"
#include "common/Com.h"
#include "common/UniqueHandle.h"
#include "driver/WindowDriver.h"
#include "tests/support/Accessibility.h"
#include "tests/support/RegistryProbe.h"
#include "tests/support/System.h"
#include "wizard/ControlIds.h"
#include "wizard/Root.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace WindowDriver;
using namespace RegistryProbe;
namespace id = ControlIds;

namespace {

class WindowTest : public testing::Test {
protected:
    // The verb rows start with what is registered.
    void SetUp() override {
        DeleteAllAssociations();
        Start();
    }
    void Start() {
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
        for (int index = 1; index <= 3; ++index)
            if (IsVisibleFlag(Control(id::Screen(index))))
                visible = visible == 0 ? index : -1; // -1: more than one
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
    // The controls Tab visits from the focused one until it comes back.
    std::vector<int> TabCycle() {
        std::vector<int> visited;
        const HWND start = GetFocus();
        do {
            visited.push_back(GetDlgCtrlID(GetFocus()));
            Key(VK_TAB);
        } while (GetFocus() != start && visited.size() < 40);
        return visited;
    }
    // Fills a row as the browse button would.
    void FillRow(int slot, const wchar_t* program) {
        Click(id::VerbCheckBox(slot));
        SetWindowTextW(Control(id::VerbText(slot)), program);
    }

    std::unique_ptr<Root> root_;
};

// Starts once the test has put what the registry holds.
class StartUp : public WindowTest {
protected:
    void SetUp() override { DeleteAllAssociations(); }
};

// An icon drawn on a square of one colour: what shows at its centre and in
// a corner.
struct IconPixels {
    COLORREF centre;
    COLORREF corner;
};

IconPixels DrawnOn(HICON icon, int size, COLORREF background) {
    const UniqueScreenDc screen(GetDC(nullptr));
    const UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
    const UniqueBitmap canvas(CreateCompatibleBitmap(screen.get(), size, size));
    const HGDIOBJ previous = SelectObject(dc.get(), canvas.get());
    SetDCBrushColor(dc.get(), background);
    const RECT all{0, 0, size, size};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    DrawIconEx(dc.get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    const IconPixels pixels{GetPixel(dc.get(), size / 2, size / 2), GetPixel(dc.get(), 0, 0)};
    SelectObject(dc.get(), previous);
    return pixels;
}

} // namespace

TEST_F(WindowTest, StartsCentredOnTheTypeScreenWithEveryTypeTicked) {
    EXPECT_EQ(VisibleScreen(), 1);
    HWND list = Control(id::kTypeList);
    ASSERT_EQ(ListView_GetItemCount(list), 9);
    for (int index = 0; index < 9; ++index)
        EXPECT_TRUE(TypeTicked(index)) << index;
    EXPECT_EQ(ListView_GetCountPerPage(list), 9) << "all nine show without scrolling";
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_FOCUSED), 0);
    EXPECT_EQ(GetFocus(), list);
    EXPECT_FALSE(IsEnabled(Control(id::kBack)));
    EXPECT_TRUE(IsEnabled(Control(id::kNext)) && IsEnabled(Control(id::kCancel)));
    for (int screen = 2; screen <= 3; ++screen)
        EXPECT_EQ(Control(id::Screen(screen)), nullptr)
            << "screen " << screen << " is made at start, though a start shows only the first";

    const HWND window = root_->Handle();
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), WS_SYSMENU);
    RECT frame{};
    GetWindowRect(window, &frame);
    EXPECT_NEAR(frame.left + frame.right, GetSystemMetrics(SM_CXSCREEN), 2);
    EXPECT_NEAR(frame.top + frame.bottom, GetSystemMetrics(SM_CYSCREEN), 2);
}

// Pixels at 96 DPI, inside each control's parent: the layout's twips / 15.
TEST_F(WindowTest, ControlsSitWhereTheLayoutPutsThemInTheirFonts) {
    const struct {
        int control;
        struct {
            LONG left, top, width, height;
        } place;
        LONG weight;
    } controls[] = {
        {id::kTypeList, {174, 129, 298, 148}, FW_NORMAL},
        {id::kLabel2, {174, 45, 286, 70}, FW_BOLD},
        {id::VerbBrowse(5), {444, 264, 31, 21}, FW_NORMAL},
    };
    Click(id::kNext);
    Click(id::VerbCheckBox(5));
    Click(id::kNext);
    ASSERT_EQ(VisibleScreen(), 3);
    for (const auto& c : controls) {
        SCOPED_TRACE(c.control);
        RECT place{};
        GetWindowRect(Control(c.control), &place);
        MapWindowPoints(nullptr, GetParent(Control(c.control)), reinterpret_cast<POINT*>(&place),
                        2);
        EXPECT_EQ(place.left, c.place.left);
        EXPECT_EQ(place.top, c.place.top);
        EXPECT_EQ(place.right - place.left, c.place.width);
        EXPECT_EQ(place.bottom - place.top, c.place.height);
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Control(c.control), WM_GETFONT, 0, 0)),
                   sizeof(font), &font);
        EXPECT_STREQ(font.lfFaceName, L"Tahoma");
        EXPECT_EQ(font.lfHeight, -12); // 9 point
        EXPECT_EQ(font.lfWeight, c.weight);
    }
}

// The icon's images are stored compressed: each size the system asks for
// must come out whole, opaque inside and transparent at the corners. The
// title bar and the task switcher draw them from the window's class.
TEST_F(WindowTest, TheTitleBarCarriesTheIconInBothSizes) {
    const struct {
        int classIndex;
        int widthMetric;
    } icons[] = {{GCLP_HICON, SM_CXICON}, {GCLP_HICONSM, SM_CXSMICON}};
    for (const auto& wanted : icons) {
        SCOPED_TRACE(wanted.classIndex);
        const auto icon =
            reinterpret_cast<HICON>(GetClassLongPtrW(root_->Handle(), wanted.classIndex));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        const UniqueBitmap colour(info.hbmColor);
        const UniqueBitmap mask(info.hbmMask);
        BITMAP bitmap{};
        GetObjectW(colour.get(), sizeof(bitmap), &bitmap);
        const int size = GetSystemMetrics(wanted.widthMetric);
        EXPECT_EQ(bitmap.bmWidth, size);
        const IconPixels onWhite = DrawnOn(icon, size, RGB(255, 255, 255));
        const IconPixels onBlack = DrawnOn(icon, size, RGB(0, 0, 0));
        EXPECT_EQ(onWhite.corner, RGB(255, 255, 255));
        EXPECT_EQ(onBlack.corner, RGB(0, 0, 0));
        EXPECT_EQ(onWhite.centre, onBlack.centre);
    }
}

TEST_F(WindowTest, TabWalksTheEnabledControlsNextBeforeBack) {
    EXPECT_EQ(TabCycle(), (std::vector<int>{id::kTypeList, id::kNext, id::kCancel}));
    Click(id::kNext);
    // Made after the bar, the screen still comes before it, for Tab as for a
    // screen reader walking the window's children.
    EXPECT_EQ(GetWindow(Control(id::kButtonBar), GW_HWNDNEXT), nullptr);
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
}

TEST_F(WindowTest, AccessKeysAndEnterPressOnlyWhatTheyMay) {
    AltKey(L'z'); // Back is disabled on the type screen
    EXPECT_EQ(VisibleScreen(), 1);
    Key(VK_RETURN); // the focus is in the list and there is no default button
    EXPECT_EQ(VisibleScreen(), 1);
    AltKey(L'W');
    EXPECT_EQ(VisibleScreen(), 2);
    Click(id::VerbCheckBox(1));
    SetFocus(Control(id::VerbCheckBox(1)));
    Key(VK_RETURN); // a check box is no push button
    EXPECT_EQ(VisibleScreen(), 2);
    EXPECT_TRUE(VerbTicked(1));
    AltKey(L'w');
    EXPECT_EQ(VisibleScreen(), 3);
    AltKey(L'z');
    EXPECT_EQ(VisibleScreen(), 2);
    SetFocus(Control(id::kBack));
    Key(VK_RETURN);
    EXPECT_EQ(VisibleScreen(), 1);
    SetFocus(Control(id::kNext));
    Key(VK_RETURN);
    EXPECT_EQ(VisibleScreen(), 2);
}

TEST_F(WindowTest, NextWarnsWithoutATypeOrAVerbAndStays) {
    for (int index = 0; index < 9; ++index)
        SetTypeTicked(index, false);
    SetFocus(Control(id::kNext));
    MessageBoxCatcher boxes;
    Click(id::kNext);
    EXPECT_EQ(VisibleScreen(), 1);
    EXPECT_EQ(GetFocus(), Control(id::kTypeList));
    SetTypeTicked(7, true);
    Click(id::kNext);
    SetFocus(Control(id::kBack));
    Click(id::kNext);
    EXPECT_EQ(VisibleScreen(), 2);
    EXPECT_EQ(GetFocus(), Control(id::VerbCheckBox(1)));
    Click(id::VerbCheckBox(5)); // a ticked row without a program passes
    Click(id::kNext);
    EXPECT_EQ(VisibleScreen(), 3);

    const HICON warning = LoadIconW(nullptr, IDI_WARNING);
    ASSERT_EQ(boxes.Seen().size(), 2u);
    EXPECT_EQ(boxes.Seen()[0].title, L" Auswahlliste überprüfen");
    EXPECT_EQ(boxes.Seen()[0].text,
              L"Es wurde keines der in der Liste vorhandenen Dateitypen zur Auswahl markiert.    ");
    EXPECT_EQ(boxes.Seen()[1].title, L" Markierungen überprüfen");
    EXPECT_EQ(boxes.Seen()[1].text,
              L"Es wurde keines der Menüeinträge für die Dateitypen zur Auswahl markiert.    ");
    for (const MessageBoxSeen& box : boxes.Seen())
        EXPECT_TRUE(box.icon == warning && box.visibleButtons == 1);
}

// A ticked row is enabled and keeps its program through unticking, Back and Next.
TEST_F(WindowTest, BackAndNextKeepEveryChoice) {
    SetTypeTicked(2, false);
    Click(id::kNext);
    FillRow(2, L"C:\\Bild\\Ansicht.exe");
    EXPECT_EQ(GetFocus(), Control(id::VerbBrowse(2)));
    Click(id::VerbCheckBox(2));
    EXPECT_FALSE(IsEnabled(Control(id::VerbText(2))) || IsEnabled(Control(id::VerbBrowse(2))));
    Click(id::VerbCheckBox(2));
    SetFocus(Control(id::VerbCheckBox(4)));
    Key(VK_SPACE); // the space bar ticks as a click does
    EXPECT_EQ(GetFocus(), Control(id::VerbBrowse(4)));
    Click(id::kNext);
    Click(id::kBack);
    Click(id::kBack);
    Click(id::kNext);
    Click(id::kNext);
    EXPECT_EQ(VisibleScreen(), 3);
    for (int index = 0; index < 9; ++index)
        EXPECT_EQ(TypeTicked(index), index != 2) << index;
    for (int slot = 1; slot <= 5; ++slot)
        EXPECT_EQ(VerbTicked(slot), slot == 2 || slot == 4) << slot;
    EXPECT_TRUE(IsEnabled(Control(id::VerbText(2))) && IsEnabled(Control(id::VerbBrowse(2))));
    EXPECT_EQ(WindowText(Control(id::VerbText(2))), L"C:\\Bild\\Ansicht.exe");
}

TEST_F(WindowTest, DeleteOrBackspaceClearARowOtherKeysLeaveItAlone) {
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
        SCOPED_TRACE(testing::Message() << press.key << press.shift << press.control);
        FillRow(2, L"C:\\Bild\\Ansicht.exe");
        SetFocus(Control(id::VerbText(2)));
        {
            HeldModifiers held(press.shift, press.control);
            Key(press.key);
        }
        EXPECT_EQ(WindowText(Control(id::VerbText(2))), L"");
        EXPECT_FALSE(VerbTicked(2) || IsEnabled(Control(id::VerbText(2))) ||
                     IsEnabled(Control(id::VerbBrowse(2))));
        EXPECT_EQ(GetFocus(), Control(id::VerbCheckBox(2)));
    }

    FillRow(1, L"C:\\Bild\\Ansicht.exe");
    HWND text = Control(id::VerbText(1));
    SetFocus(text);
    for (UINT key : {UINT{'A'}, UINT{VK_END}, UINT{VK_INSERT}, UINT{VK_F2}})
        Key(key);
    for (wchar_t character : {L'x', L'\b', L'1'}) {
        PostCharacter(character);
        Pump();
    }
    SendMessageW(text, WM_PASTE, 0, 0);
    SendMessageW(text, WM_CUT, 0, 0);
    EXPECT_EQ(WindowText(text), L"C:\\Bild\\Ansicht.exe");
    EXPECT_TRUE(VerbTicked(1));
}

// Every control of every screen as a screen reader asks for it. Those whose
// captions do not say what they are for have their names; every other
// control keeps the platform's standard name, and no control's role differs
// from the standard one. end_to_end_test asks from another process.
TEST_F(WindowTest, AScreenReaderHearsWhatEachControlIsFor) {
    const Com::Apartment com;
    Click(id::kNext);
    Click(id::VerbCheckBox(2)); // one enabled row among disabled ones
    Click(id::kNext);           // the last screen is made once shown
    Click(id::kBack);
    std::vector<HWND> controls;
    FirstWindow(
        [&](HWND control) {
            controls.push_back(control);
            return false;
        },
        root_->Handle());
    int named = 0;
    for (HWND control : controls) {
        const int controlId = GetDlgCtrlID(control);
        SCOPED_TRACE(testing::Message() << "control " << controlId);
        const Accessibility::Seen seen = Accessibility::AsReadBy(control);
        const Accessibility::Seen standard = Accessibility::AsStandard(control);
        ASSERT_EQ(seen.result, S_OK) << standard.result;
        EXPECT_EQ(seen.role, standard.role);
        const auto* expected =
            std::find_if(std::begin(Accessibility::kNames), std::end(Accessibility::kNames),
                         [&](const auto& entry) { return entry.control == controlId; });
        if (expected == std::end(Accessibility::kNames)) {
            EXPECT_EQ(seen.named, standard.named);
            EXPECT_EQ(seen.name, standard.name);
            continue;
        }
        ++named;
        EXPECT_TRUE(seen.named);
        EXPECT_EQ(seen.name, expected->name) << System::Ascii(seen.name);
        if (controlId >= id::VerbText(1) && controlId <= id::VerbText(5)) {
            EXPECT_EQ(seen.role, ROLE_SYSTEM_TEXT);
            EXPECT_EQ(IsEnabled(control), controlId == id::VerbText(2));
            EXPECT_FALSE(IsVisibleFlag(Control(controlId - id::VerbText(1) + id::VerbLabel(1))))
                << "the label that names it shows";
        }
    }
    EXPECT_EQ(named, 11);
}

// Started over programs registered for the reference class: each row shows
// its own, and no row took the focus.
TEST_F(StartUp, RowsShowTheProgramsRegisteredForTheReferenceClassAndMoveNoFocus) {
    const std::wstring commands = L"ACDC_BMP\\shell\\";
    const std::wstring viewer = L"C:\\Programme\\Mein Bild\\Betrachter.exe";
    PutText(commands + L"Open\\Command", nullptr, Plan::CommandValue(viewer));
    PutText(commands + L"Edit\\Command", nullptr, L"C:\\Tools\\edit.exe %1");
    // Stored without its terminator.
    ASSERT_TRUE(PutRaw(ClassesPath(commands + L"Quickview\\Command"), L"", REG_SZ,
                       Utf16Bytes(L"C:\\Tools\\quick.exe \"%1\"")));
    // No text: as if not there, not the slot before's program.
    ASSERT_TRUE(PutRaw(ClassesPath(commands + L"Resample\\Command"), L"", REG_DWORD,
                       std::string("\7\0\0\0", 4)));
    PutText(commands + L"uPrint\\Command", nullptr, L"\"%1\"");
    Start();
    EXPECT_EQ(GetFocus(), Control(id::kTypeList));
    Click(id::kNext);
    const std::pair<std::wstring, bool> rows[] = {{viewer, true},
                                                  {L"C:\\Tools\\edit.exe", true},
                                                  {L"C:\\Tools\\quick.exe", true},
                                                  {L"", false},
                                                  {L"\"%1\"", true}};
    for (int slot = 1; slot <= 5; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(WindowText(Control(id::VerbText(slot))), rows[slot - 1].first);
        EXPECT_EQ(VerbTicked(slot), rows[slot - 1].second);
        EXPECT_EQ(IsEnabled(Control(id::VerbBrowse(slot))), rows[slot - 1].second);
    }
    EXPECT_FALSE(IsChild(Control(id::Screen(2)), GetFocus()));
}

// Where this process may not write for all users the wizard registers for the
// account: its rows show the account's own program where it has one, else the
// machine's, and the confirmation screen says for whom.
TEST_F(StartUp, ForTheAccountRowsShowItsOwnProgramsElseTheMachinesAndTheScreenSaysSo) {
    PutText(L"ACDC_BMP\\shell\\Open\\Command", nullptr, L"C:\\Alle\\open.exe \"%1\"");
    PutText(L"ACDC_BMP\\shell\\Edit\\Command", nullptr, L"C:\\Alle\\edit.exe \"%1\"");
    const std::wstring own = L"C:\\Konto\\open.exe \"%1\"";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER,
                              L"Software\\Classes\\ACDC_BMP\\shell\\Open\\Command", nullptr, REG_SZ,
                              own.c_str(), static_cast<DWORD>((own.size() + 1) * 2)),
              ERROR_SUCCESS);
    const MachineClassesReadOnly locked;
    ASSERT_TRUE(locked.Holds()) << "the stand-in for a user without rights does not hold";
    Start();
    Click(id::kNext);
    EXPECT_EQ(WindowText(Control(id::VerbText(1))), L"C:\\Konto\\open.exe");
    EXPECT_EQ(WindowText(Control(id::VerbText(2))), L"C:\\Alle\\edit.exe");
    EXPECT_EQ(WindowText(Control(id::VerbText(3))), L"");
    Click(id::kNext);
    ASSERT_EQ(VisibleScreen(), 3);
    const std::wstring confirmation = WindowText(Control(id::kLabel2));
    EXPECT_NE(confirmation.find(L"nur f\u00FCr Ihr Benutzerkonto \u201E"), std::wstring::npos)
        << System::Ascii(confirmation);
    EXPECT_NE(WindowText(Control(id::kLabel3)).find(L"Im Ordner \u201E"), std::wstring::npos);
}
