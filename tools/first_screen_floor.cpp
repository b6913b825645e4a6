// The least program that shows what the wizard's first screen shows: the
// common controls 6 through the product's manifest, its font, the list of
// the nine types with check boxes, all ticked, the label above it and a
// 96 x 96 picture, laid out as the wizard lays them out. The benchmark sets
// the wizard's start time and memory against it: whatever the wizard needs
// beyond it is the wizard's own doing. So it holds nothing else: no registry,
// no other screens or buttons, no icon, and the picture is a plain bitmap,
// not the decoded emblem. It ends when the benchmark closes its window.
#include "association/Catalogue.h"
#include "common/UniqueHandle.h"
#include "wizard/Layout.h"
#include "wizard/Texts.h"

#include <windows.h>
#include <commctrl.h>

namespace {

constexpr wchar_t kClass[] = L"BildkranzFirstScreenFloor";
// The emblem's size at 96 DPI, in its place on the screen.
constexpr int kPictureSide = 96;

struct Floor {
    UniqueFont font;
    UniqueBitmap picture;
    // Holds the picture selected until it is deleted, before the picture.
    UniqueMemoryDc pictureDc;
    POINT picturePlace{};
};
const Floor* shown = nullptr;

// As the wizard makes its font.
UniqueFont CreateUiFont(int dpi) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(9, dpi, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = ANSI_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, Texts::kFontFace.data(), LF_FACESIZE);
    return UniqueFont(CreateFontIndirectW(&font));
}

// One colour throughout: what the picture costs is a bitmap of its size, not
// the decoding of the emblem.
bool MakePicture(Floor& made, HDC screen) {
    made.picture.reset(CreateCompatibleBitmap(screen, kPictureSide, kPictureSide));
    made.pictureDc.reset(made.picture ? CreateCompatibleDC(screen) : nullptr);
    if (!made.pictureDc)
        return false;
    SelectObject(made.pictureDc.get(), made.picture.get());
    const RECT whole{0, 0, kPictureSide, kPictureSide};
    FillRect(made.pictureDc.get(), &whole, GetSysColorBrush(COLOR_HIGHLIGHT));
    return true;
}

HWND CreateControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style,
                   DWORD exStyle, const Layout::Twips& twips, int dpi, HFONT font) {
    const RECT place = Layout::ToPixels(twips, dpi);
    HWND control =
        CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, place.left,
                        place.top, place.right - place.left, place.bottom - place.top, parent,
                        nullptr, GetModuleHandleW(nullptr), nullptr);
    if (control)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

// The list with the wizard's styles, its nine captions ticked.
bool CreateTypeList(HWND window, int dpi, HFONT font) {
    HWND list = CreateControl(window, WC_LISTVIEWW, L"",
                              WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL |
                                  LVS_SHOWSELALWAYS,
                              WS_EX_CLIENTEDGE, Layout::kTypeList, dpi, font);
    if (!list)
        return false;
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    RECT inside{};
    GetClientRect(list, &inside);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = inside.right - inside.left;
    ListView_InsertColumn(list, 0, &column);
    for (int index = 0; index < Catalogue::kFileTypeCount; ++index) {
        // The list copies the text; its item only takes a writable one.
        wchar_t caption[64]{};
        lstrcpynW(caption, Catalogue::kFileTypes[index].listCaption.data(), 64);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = caption;
        ListView_InsertItem(list, &item);
        ListView_SetCheckState(list, index, TRUE);
    }
    return true;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC target = BeginPaint(window, &paint);
        if (shown)
            BitBlt(target, shown->picturePlace.x, shown->picturePlace.y, kPictureSide, kPictureSide,
                   shown->pictureDc.get(), 0, 0, SRCCOPY);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

int Run(HINSTANCE instance) {
    Floor made;
    int dpi = 96;
    bool pictured = false;
    if (const UniqueScreenDc screen(GetDC(nullptr)); screen) {
        dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
        pictured = MakePicture(made, screen.get());
    }
    made.font = CreateUiFont(dpi);
    if (!pictured || !made.font)
        return 1;
    const RECT emblem = Layout::ToPixels(Layout::kEmblem, dpi);
    made.picturePlace = {emblem.left, emblem.top};

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
    windowClass.lpszClassName = kClass;
    if (!RegisterClassExW(&windowClass))
        return 1;
    // The wizard's window: its styles and its client area.
    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    constexpr DWORD exStyle = WS_EX_DLGMODALFRAME;
    RECT frame{0, 0, Layout::ToPixels(Layout::kClientWidth, dpi),
               Layout::ToPixels(Layout::kClientHeight, dpi)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    HWND window = CreateWindowExW(exStyle, kClass, Texts::kTitle.data(), style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                  nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    if (!CreateTypeList(window, dpi, made.font.get()) ||
        !CreateControl(window, WC_STATICW, Texts::kLabel1.data(), SS_LEFT | SS_NOPREFIX, 0,
                       Layout::kLabel1, dpi, made.font.get()))
        return 1;
    shown = &made;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window); // the first paint, before any message is read

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    shown = nullptr;
    return static_cast<int>(message.wParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // As the wizard does before it makes its first control.
    InitCommonControls();
    return Run(instance);
}
