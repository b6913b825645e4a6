#include "wizard/Root.h"

#include "association/Backup.h"
#include "association/Catalogue.h"
#include "association/CurrentPrograms.h"
#include "association/Registration.h"
#include "common/Failure.h"
#include "common/FailureReport.h"
#include "common/Text.h"
#include "resources/resource_ids.h"
#include "services/ComDlgDll.h"
#include "services/FileDirPath.h"
#include "services/SpecialFolders.h"
#include "services/UserAccount.h"
#include "services/WindowsOrdner.h"
#include "wizard/AccessibleName.h"
#include "wizard/ControlIds.h"
#include "wizard/DefaultAppsOffer.h"
#include "wizard/Layout.h"
#include "wizard/Texts.h"

#include <commctrl.h>
#include <shlobj.h>
#include <windowsx.h>

#include <string>
#include <utility>

namespace {

constexpr wchar_t kRootClass[] = L"BildkranzRoot";
constexpr wchar_t kScreenClass[] = L"BildkranzScreen";
constexpr wchar_t kBarClass[] = L"BildkranzButtonBar";

constexpr DWORD kRootStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kRootExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
// Tab and access keys descend only into children that carry WS_EX_CONTROLPARENT.
constexpr DWORD kPanelExStyle = WS_EX_CONTROLPARENT;

constexpr int kTypeScreen = 1;
constexpr int kVerbScreen = 2;
constexpr int kConfirmationScreen = 3;

int ScreenDpi() {
    const UniqueScreenDc screen(GetDC(nullptr));
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}

// The system's own copy (LR_SHARED) in the size it draws, so that it lives as
// long as the class, past any one window.
HICON SharedAppIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                         GetSystemMetrics(widthMetric),
                                         GetSystemMetrics(heightMetric), LR_SHARED));
}

enum class ClassIcon { kNone, kApp };

// The title bar and the task switcher draw the class's icons. Given with the
// class, they reach the window as it is made; WM_SETICON afterwards makes the
// system take the window's icons up again for each size (under Wine 3 to 4 ms
// of a start).
void RegisterClassOnce(const wchar_t* name, WNDPROC procedure, HINSTANCE instance, int background,
                       ClassIcon icon = ClassIcon::kNone) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, name, &existing))
        return;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(background);
    windowClass.lpszClassName = name;
    if (icon == ClassIcon::kApp) {
        windowClass.hIcon = SharedAppIcon(instance, SM_CXICON, SM_CYICON);
        windowClass.hIconSm = SharedAppIcon(instance, SM_CXSMICON, SM_CYSMICON);
    }
    if (!RegisterClassExW(&windowClass))
        throw Failure(std::wstring(Texts::kNoWindowClass));
}

UniqueFont CreateUiFont(int dpi, int weight) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(9, dpi, 72);
    font.lfWeight = weight;
    font.lfCharSet = ANSI_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, Texts::kFontFace.data(), LF_FACESIZE);
    UniqueFont created(CreateFontIndirectW(&font));
    if (!created)
        throw Failure(Text::Fill(Texts::kNoFont, {Texts::kFontFace}));
    return created;
}

// The window's frame around the laid-out client area, in the middle of the
// screen: made there, it is not moved after it is made.
RECT CentredFrame(int dpi) {
    RECT frame{0, 0, Layout::ToPixels(Layout::kClientWidth, dpi),
               Layout::ToPixels(Layout::kClientHeight, dpi)};
    AdjustWindowRectEx(&frame, kRootStyle, FALSE, kRootExStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    return {left, top, left + width, top + height};
}

bool IsPushButton(HWND control) {
    wchar_t className[16]{};
    GetClassNameW(control, className, 16);
    if (lstrcmpiW(className, WC_BUTTONW) != 0)
        return false;
    const LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

} // namespace

Root::Root(HINSTANCE instance)
    : instance_(instance),
      scope_(Registration::MayRegisterForAllUsers() ? KeyPath::Scope::kMachine
                                                    : KeyPath::Scope::kAccount) {
    Form_Initialize();
    dpi_ = ScreenDpi();
    font_ = CreateUiFont(dpi_, FW_NORMAL);
    emblem_.emplace(instance_, IDR_EMBLEM);

    RegisterClassOnce(kRootClass, WindowProc, instance_, COLOR_3DFACE, ClassIcon::kApp);
    RegisterClassOnce(kScreenClass, PanelProc, instance_, COLOR_3DFACE);
    RegisterClassOnce(kBarClass, PanelProc, instance_, COLOR_WINDOW);

    const RECT frame = CentredFrame(dpi_);
    window_ = CreateWindowExW(kRootExStyle, kRootClass, Texts::kTitle.data(), kRootStyle,
                              frame.left, frame.top, frame.right - frame.left,
                              frame.bottom - frame.top, nullptr, nullptr, instance_, this);
    if (!window_)
        throw Failure(std::wstring(Texts::kNoWindow));
    CreateControls();
    Form_Load();
}

Root::~Root() {
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

// --- Creation. Controls are created in tab order: the z-order is the order in
// which Tab walks them.

namespace {

struct ControlSpec {
    const wchar_t* className;
    std::wstring_view text;
    DWORD style;
    DWORD exStyle;
    Layout::Twips place;
    int id;
};

HWND CreateControl(HWND parent, const ControlSpec& spec, HFONT font, int dpi) {
    const RECT place = Layout::ToPixels(spec.place, dpi);
    const std::wstring text(spec.text);
    HWND control = CreateWindowExW(
        spec.exStyle, spec.className, text.c_str(), WS_CHILD | spec.style, place.left, place.top,
        place.right - place.left, place.bottom - place.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
    if (!control)
        throw Failure(std::wstring(Texts::kNoControl));
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

// The emblem is drawn by the window (WM_DRAWITEM), at the same place on every screen.
void CreateEmblem(HWND screen, int id, int dpi) {
    CreateControl(screen, {WC_STATICW, L"", WS_VISIBLE | SS_OWNERDRAW, 0, Layout::kEmblem, id},
                  nullptr, dpi);
}

// A check box reaches a pixel into the text box below it and, lying above it,
// would paint over the box's frame; its region stops where the box begins.
// Its rectangle stays as laid out.
void ClipWhereItOverlaps(HWND upper, HWND lower) {
    RECT above{};
    RECT below{};
    GetWindowRect(upper, &above);
    GetWindowRect(lower, &below);
    if (above.bottom <= below.top)
        return;
    HRGN visible = CreateRectRgn(0, 0, above.right - above.left, below.top - above.top);
    if (visible && !SetWindowRgn(upper, visible, FALSE))
        DeleteObject(visible); // the window owns the region only when it was set
}

// "Programm für „Öffnen“": what a screen reader calls a verb row's text box.
std::wstring ProgramName(int slot) {
    return std::wstring(Texts::kProgramNameOpening) +
           std::wstring(Catalogue::VerbAt(slot)->Name()) + std::wstring(Texts::kProgramNameClosing);
}

} // namespace

// The first screen and the bar are made here; the other two screens, panel
// and controls, the first time each is to be shown (MakeScreenOnce), so that
// a start builds what it shows and nothing more.
void Root::CreateControls() {
    ShowScreen(kTypeScreen, true);
    CreateButtonBar();
}

void Root::MakeScreenOnce(int index) {
    if (pScreens(index))
        return;
    HWND screen = CreateScreenPanel(index);
    pScreens(index) = screen;
    if (index == kTypeScreen) {
        CreateTypeScreen(screen);
    } else if (index == kVerbScreen) {
        CreateVerbScreen(screen);
        FillVerbRows();
    } else if (index == kConfirmationScreen) {
        CreateConfirmationScreen(screen);
    }
}

// The screens lie on top of each other and only one is ever visible, so
// their order among themselves does not matter to Tab; the bar comes after
// them all. A new window goes last, so a screen made after the bar is moved
// to the front.
HWND Root::CreateScreenPanel(int index) {
    HWND screen = CreateControl(window_,
                                {kScreenClass, L"", WS_CLIPSIBLINGS, kPanelExStyle,
                                 Layout::kScreenPanel, ControlIds::Screen(index)},
                                font_.get(), dpi_);
    if (pPanels_)
        SetWindowPos(screen, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return screen;
}

void Root::CreateTypeScreen(HWND screen) {
    lFiletyps_ = CreateControl(screen,
                               {WC_LISTVIEWW, L"",
                                WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER |
                                    LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                                WS_EX_CLIENTEDGE, Layout::kTypeList, ControlIds::kTypeList},
                               font_.get(), dpi_);
    ListView_SetExtendedListViewStyle(lFiletyps_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    // Wine's accessibility layer names a list view only by its window text,
    // which a list view does not show, or by the list's own answer; that
    // answer names it on Windows as well.
    AccessibleName::Give(lFiletyps_, Texts::kTypeListName);
    RECT inside{};
    GetClientRect(lFiletyps_, &inside);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = inside.right - inside.left;
    ListView_InsertColumn(lFiletyps_, 0, &column);
    for (int index = 0; index < Catalogue::kFileTypeCount; ++index) {
        std::wstring caption(Catalogue::kFileTypes[index].listCaption);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = caption.data();
        ListView_InsertItem(lFiletyps_, &item);
    }
    CreateControl(screen,
                  {WC_STATICW, Texts::kLabel1, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0,
                   Layout::kLabel1, ControlIds::kLabel1},
                  font_.get(), dpi_);
    CreateEmblem(screen, ControlIds::kImage2, dpi_);
}

void Root::CreateVerbScreen(HWND screen) {
    for (int slot = Catalogue::kFirstVerbSlot;
         slot < Catalogue::kFirstVerbSlot + Catalogue::kVerbCount; ++slot) {
        const int row = slot - Catalogue::kFirstVerbSlot;
        verbCheckBoxes_[row] =
            CreateControl(screen,
                          {WC_BUTTONW, Catalogue::VerbAt(slot)->checkBoxCaption,
                           WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, Layout::VerbCheckBox(slot),
                           ControlIds::VerbCheckBox(slot)},
                          font_.get(), dpi_);
        const std::wstring programName = ProgramName(slot);
        // The accessibility layer names a text box after the nearest static
        // text created before it, shown or not. Hidden and without a tab
        // stop, this one shows nothing and takes no key.
        CreateControl(screen,
                      {WC_STATICW, programName, SS_LEFT | SS_NOPREFIX, 0, Layout::VerbText(slot),
                       ControlIds::VerbLabel(slot)},
                      font_.get(), dpi_);
        verbTexts_[row] = CreateControl(
            screen,
            {WC_EDITW, L"", WS_VISIBLE | WS_TABSTOP | WS_DISABLED | ES_READONLY | ES_AUTOHSCROLL,
             WS_EX_CLIENTEDGE, Layout::VerbText(slot), ControlIds::VerbText(slot)},
            font_.get(), dpi_);
        SetWindowSubclass(verbTexts_[row], VerbTextProc, static_cast<UINT_PTR>(slot),
                          reinterpret_cast<DWORD_PTR>(this));
        ClipWhereItOverlaps(verbCheckBoxes_[row], verbTexts_[row]);
        verbBrowseButtons_[row] = CreateControl(
            screen,
            {WC_BUTTONW, Texts::kBrowse, WS_VISIBLE | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, 0,
             Layout::VerbBrowse(slot), ControlIds::VerbBrowse(slot)},
            font_.get(), dpi_);
        // A button is named by its caption, and "..." tells nothing.
        AccessibleName::Give(verbBrowseButtons_[row],
                             programName + std::wstring(Texts::kChooseProgramEnding));
    }
    CreateEmblem(screen, ControlIds::kImage1, dpi_);
}

void Root::CreateConfirmationScreen(HWND screen) {
    const DWORD labelStyle = WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
    // Registering for the account alone, the screen says so and where the
    // backups go.
    const bool forAccount = scope_ == KeyPath::Scope::kAccount;
    const std::wstring label2 =
        forAccount ? Text::Fill(Texts::kLabel2Account, {Text::Quoted(UserAccount::Name())})
                   : std::wstring(Texts::kLabel2);
    const std::wstring label3 =
        forAccount ? Text::Fill(Texts::kLabel3Account, {Text::Quoted(Backup::BackupFolder(scope_))})
                   : std::wstring(Texts::kLabel3);
    // Only this screen writes in bold: a start does not make the font.
    boldFont_ = CreateUiFont(dpi_, FW_BOLD);
    CreateControl(screen, {WC_STATICW, label2, labelStyle, 0, Layout::kLabel2, ControlIds::kLabel2},
                  boldFont_.get(), dpi_);
    CreateControl(screen, {WC_STATICW, label3, labelStyle, 0, Layout::kLabel3, ControlIds::kLabel3},
                  font_.get(), dpi_);
    CreateControl(screen,
                  {WC_STATICW, Texts::kLabel4, labelStyle, 0, Layout::kLabel4, ControlIds::kLabel4},
                  font_.get(), dpi_);
    CreateEmblem(screen, ControlIds::kImage3, dpi_);
}

void Root::CreateButtonBar() {
    pPanels_ = CreateControl(window_,
                             {kBarClass, L"", WS_VISIBLE | WS_BORDER | WS_CLIPSIBLINGS,
                              kPanelExStyle, Layout::kButtonBar, ControlIds::kButtonBar},
                             font_.get(), dpi_);
    const DWORD buttonStyle = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    bWeiter_ = CreateControl(
        pPanels_, {WC_BUTTONW, Texts::kNext, buttonStyle, 0, Layout::kNext, ControlIds::kNext},
        font_.get(), dpi_);
    bZurück_ = CreateControl(
        pPanels_, {WC_BUTTONW, Texts::kBack, buttonStyle, 0, Layout::kBack, ControlIds::kBack},
        font_.get(), dpi_);
    BAbbrechen_ = CreateControl(
        pPanels_,
        {WC_BUTTONW, Texts::kCancel, buttonStyle, 0, Layout::kCancel, ControlIds::kCancel},
        font_.get(), dpi_);
}

void Root::Show() {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    SetForegroundWindow(window_);
    SetFocus(lFiletyps_);
}

// --- Messages

int Root::RunMessageLoop() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

void Root::ProcessPendingEvents() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (!IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

LRESULT CALLBACK Root::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Root*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Root*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    // An exception must not unwind through the system's frames.
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        ReportUnexpectedFailure(std::current_exception());
    }
}

// The panels pass what their controls report on to the window, where the
// reactions live.
LRESULT CALLBACK Root::PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
        return SendMessageW(GetAncestor(panel, GA_ROOT), message, wParam, lParam);
    default:
        return DefWindowProcW(panel, message, wParam, lParam);
    }
}

LRESULT CALLBACK Root::VerbTextProc(HWND text, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR slot, DWORD_PTR self) {
    if (message == WM_KEYDOWN) {
        try {
            const int shift = (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) |
                              (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
                              (GetKeyState(VK_MENU) < 0 ? 4 : 0);
            reinterpret_cast<Root*>(self)->tChecker_KeyDown(static_cast<int>(slot),
                                                            static_cast<WORD>(wParam), shift);
        } catch (...) {
            ReportUnexpectedFailure(std::current_exception());
        }
    }
    return DefSubclassProc(text, message, wParam, lParam);
}

LRESULT Root::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_DRAWITEM:
        DrawEmblem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_SETCURSOR:
        // The hourglass over the whole window while the registration runs;
        // the controls ask their parents first.
        if (busy_) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_CLOSE:
        if (!registering_)
            DestroyWindow(window_);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        window_ = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void Root::OnCommand(int id, int notification) {
    if (id == IDOK) {
        // The dialog manager's Enter when no default button exists.
        PressFocusedButton();
        return;
    }
    if (notification != BN_CLICKED)
        return;
    switch (id) {
    case ControlIds::kNext:
        bWeiter_Click();
        return;
    case ControlIds::kBack:
        bZurück_Click();
        return;
    case ControlIds::kCancel:
        // Escape arrives here whatever Cancel's state; a disabled Cancel is not pressed.
        if (IsWindowEnabled(BAbbrechen_))
            BAbbrechen_Click();
        return;
    default:
        break;
    }
    for (int slot = 1; slot <= Catalogue::kVerbCount; ++slot) {
        if (id == ControlIds::VerbCheckBox(slot))
            cChecker_Click(slot);
        else if (id == ControlIds::VerbBrowse(slot))
            bChecker_Click(slot);
    }
}

void Root::PressFocusedButton() {
    HWND focus = GetFocus();
    if (focus && IsChild(window_, focus) && IsPushButton(focus) && IsWindowEnabled(focus))
        SendMessageW(focus, BM_CLICK, 0, 0);
}

void Root::DrawEmblem(const DRAWITEMSTRUCT& item) const {
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_3DFACE));
    emblem_->Draw(item.hDC, {item.rcItem.left, item.rcItem.top}, GetSysColor(COLOR_3DFACE));
}

void Root::ShowMessage(std::wstring_view title, std::wstring_view text, UINT icon, HWND owner) {
    const std::wstring caption(title);
    const std::wstring body(text);
    MessageBoxW(owner, body.c_str(), caption.c_str(), MB_OK | icon);
}

// --- Start-up and navigation

void Root::Form_Initialize() {
    InitCommonControls();
}

void Root::Form_Load() {
    // One message ticks the whole list; item by item it took twice as long
    // (under Wine about 1 ms of a start).
    ListView_SetCheckState(lFiletyps_, -1, TRUE);
    ListView_SetItemState(lFiletyps_, 0, LVIS_FOCUSED | LVIS_SELECTED,
                          LVIS_FOCUSED | LVIS_SELECTED);
    EnableButton(bZurück_, false);
    GetAttributes();
    ProcessPendingEvents();
}

// A disabled control loses the focus and the keyboard would be left with
// none; the focus moves on to the next control instead.
void Root::EnableButton(HWND button, bool enabled) {
    if (!enabled && GetFocus() == button)
        SetFocus(GetNextDlgTabItem(window_, button, FALSE));
    EnableWindow(button, enabled ? TRUE : FALSE);
}

// The panel's own visibility, whether or not the window is shown yet; a
// screen not made yet has never been shown.
bool Root::ScreenVisible(int index) const {
    HWND screen = pScreens(index);
    return screen && (GetWindowLongPtrW(screen, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Root::ShowScreen(int index, bool visible) {
    if (visible)
        MakeScreenOnce(index);
    if (HWND screen = pScreens(index))
        ShowWindow(screen, visible ? SW_SHOW : SW_HIDE);
}

int Root::TickedTypeCount() const {
    int ticked = 0;
    const int count = ListView_GetItemCount(lFiletyps_);
    for (int index = 0; index < count; ++index)
        ticked += ListView_GetCheckState(lFiletyps_, index) ? 1 : 0;
    return ticked;
}

bool Root::AnyVerbTicked() const {
    for (int slot = 1; slot <= Catalogue::kVerbCount; ++slot) {
        if (Button_GetCheck(cChecker(slot)) != BST_UNCHECKED)
            return true;
    }
    return false;
}

void Root::bWeiter_Click() {
    if (ScreenVisible(kTypeScreen)) {
        if (TickedTypeCount() == 0) {
            ShowMessage(Texts::kListWarning.title, Texts::kListWarning.text, MB_ICONWARNING,
                        window_);
            SetFocus(lFiletyps_);
            return;
        }
        ShowScreen(kVerbScreen, true);
        ShowScreen(kTypeScreen, false);
        EnableButton(bZurück_, true);
    } else if (ScreenVisible(kVerbScreen)) {
        if (!AnyVerbTicked()) {
            ShowMessage(Texts::kVerbWarning.title, Texts::kVerbWarning.text, MB_ICONWARNING,
                        window_);
            SetFocus(cChecker(1));
            return;
        }
        ShowScreen(kConfirmationScreen, true);
        ShowScreen(kVerbScreen, false);
        EnableButton(bZurück_, true);
    } else if (ScreenVisible(kConfirmationScreen)) {
        // A second click already queued finds this set and does nothing.
        if (registering_)
            return;
        registering_ = true;
        EnableButton(bZurück_, false);
        ProcessPendingEvents();
        SetAttributes();
        ShowWindow(window_, SW_HIDE);
        ProcessPendingEvents();
        ShowOutcome();
        ExitProcess(0);
    }
}

void Root::bZurück_Click() {
    if (ScreenVisible(kVerbScreen)) {
        ShowScreen(kTypeScreen, true);
        ShowScreen(kVerbScreen, false);
        EnableButton(bZurück_, false);
    } else if (ScreenVisible(kConfirmationScreen)) {
        ShowScreen(kVerbScreen, true);
        ShowScreen(kConfirmationScreen, false);
        EnableButton(bZurück_, true);
    }
}

// Ends the program at once: nothing is asked, shown or written.
void Root::BAbbrechen_Click() {
    ExitProcess(0);
}

// --- Verb rows

void Root::SetVerbTick(int slot, int state) {
    if (Button_GetCheck(cChecker(slot)) == state)
        return;
    Button_SetCheck(cChecker(slot), state);
    cChecker_Click(slot);
}

// Called for the user's clicks and for the ticks set from what was found at
// start, while the row cannot be seen yet: only a click moves the focus.
void Root::cChecker_Click(int slot) {
    const BOOL ticked = Button_GetCheck(cChecker(slot)) == BST_CHECKED;
    EnableWindow(tChecker(slot), ticked);
    EnableWindow(bChecker(slot), ticked);
    if (ticked && IsWindowVisible(cChecker(slot)))
        SetFocus(bChecker(slot));
}

namespace {

constexpr int kProgramFilesFolder = CSIDL_PROGRAM_FILES;

std::wstring WindowText(HWND control) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

} // namespace

// The dialog starts in the folder of the program the row names, else in the
// program files folder. A cancel leaves the row as it was.
void Root::bChecker_Click(int slot) {
    std::wstring folder = SpecialFolders::SpecialFolderPath(kProgramFilesFolder);
    if (folder.empty())
        folder = WindowsOrdner::WindowsDirectory();
    const std::wstring current = WindowText(tChecker(slot));
    if (!current.empty())
        folder = FileDirPath::DirectoryOfPath(current);
    const std::wstring name =
        ComDlgDll::OpenFileDialog(window_, Texts::kProgramDialogTitle, folder, L"",
                                  Texts::kProgramDialogFilter, Texts::kProgramDialogExtension);
    if (const auto program = FileDirPath::ChosenProgramPath(std::move(folder), name))
        SetWindowTextW(tChecker(slot), program->c_str());
}

void Root::tChecker_KeyDown(int slot, WORD key, int) {
    if (key != VK_DELETE && key != VK_BACK)
        return;
    SetWindowTextW(tChecker(slot), L"");
    SetVerbTick(slot, BST_UNCHECKED);
    SetFocus(cChecker(slot));
}

// --- Registry work

// Called once, from Form_Load: the rows do not exist yet and show what was
// read once they are made.
void Root::GetAttributes() {
    programsFound_ = CurrentPrograms::Read(scope_);
}

void Root::FillVerbRows() {
    for (int slot = 1; slot <= Catalogue::kVerbCount; ++slot) {
        const std::wstring& program = programsFound_[slot - 1];
        SetWindowTextW(tChecker(slot), program.c_str());
        SetVerbTick(slot, program.empty() ? BST_UNCHECKED : BST_CHECKED);
    }
}

Plan::Choices Root::ReadChoices() const {
    Plan::Choices choices;
    choices.scope = scope_;
    const int count = ListView_GetItemCount(lFiletyps_);
    for (int index = 0; index < count; ++index) {
        if (ListView_GetCheckState(lFiletyps_, index))
            choices.tickedTypes.push_back(index);
    }
    for (int slot = 1; slot <= Catalogue::kVerbCount; ++slot) {
        if (Button_GetCheck(cChecker(slot)) == BST_CHECKED)
            choices.tickedVerbs.push_back({slot, WindowText(tChecker(slot))});
    }
    return choices;
}

void Root::SetAttributes() {
    busy_ = true;
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    EnableButton(BAbbrechen_, false);
    EnableButton(bWeiter_, false);
    ProcessPendingEvents();
    const std::wstring folder = Backup::BackupFolder(scope_);
    // The account's own folder may not be there yet.
    FileDirPath::CreateFolders(folder);
    Registration::Register(ReadChoices(), folder, *this);
    busy_ = false;
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    EnableButton(BAbbrechen_, true);
    ProcessPendingEvents();
}

// The window is hidden by now: the messages have no owner.
void Root::ShowOutcome() {
    if (scope_ == KeyPath::Scope::kAccount) {
        const Texts::Message& message =
            allValuesWritten_ ? Texts::kSuccessAccount : Texts::kIncompleteAccount;
        const std::wstring text = Texts::MessageText(
            Text::Fill(message.text, {Text::Quoted(UserAccount::Name()),
                                      Text::Quoted(Backup::BackupFolder(scope_))}));
        ShowMessage(message.title, text, allValuesWritten_ ? MB_ICONINFORMATION : MB_ICONWARNING,
                    nullptr);
    } else if (allValuesWritten_) {
        ShowMessage(Texts::kSuccess.title, Texts::kSuccess.text, MB_ICONINFORMATION, nullptr);
    } else {
        ShowMessage(Texts::kIncomplete.title, Texts::kIncomplete.text, MB_ICONWARNING, nullptr);
    }
    if (allValuesWritten_)
        DefaultAppsOffer::Offer(Plan::TypesWithOpenCommand(ReadChoices()));
}

void Root::Registered(const Registration::Outcome& outcome) {
    allValuesWritten_ = outcome.Complete();
}
