#include "association/DefaultApps.h"

#include "association/Catalogue.h"
#include "association/KeyPath.h"
#include "association/Registry.h"
#include "common/Com.h"
#include "common/SystemLibrary.h"
#include "common/Text.h"
#include "common/UniqueHandle.h"

#include <windows.h>

#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

namespace DefaultApps {

namespace {

// CLSID_ApplicationAssociationRegistration, spelt out: not every SDK's
// import library carries it.
constexpr GUID kAssociationRegistration{
    0x591209c7, 0x767b, 0x42b2, {0x9f, 0xba, 0x44, 0xee, 0x46, 0x15, 0xf2, 0xc7}};

using UniqueTaskText = UniqueHandle<wchar_t*, Com::TaskMemory>;

// A class's own text: its default value up to the first zero.
std::wstring TextOfClass(const std::wstring& className) {
    Registry::Value value;
    if (Registry::GetValue(HKEY_CLASSES_ROOT, className, L"", value) != Registry::kTrue)
        return {};
    const auto* text = std::get_if<std::wstring>(&value);
    return text ? text->substr(0, text->find(L'\0')) : std::wstring();
}

// What Windows calls the program that opens a class ("Fotos"), else the
// class's own text, else its name.
std::wstring ProgramOf(const std::wstring& className) {
    static const SystemLibrary shlwapi(L"shlwapi.dll");
    if (const auto query = shlwapi.Get<decltype(&AssocQueryStringW)>("AssocQueryStringW")) {
        wchar_t name[MAX_PATH]{};
        DWORD size = MAX_PATH;
        if (SUCCEEDED(query(ASSOCF_NONE, ASSOCSTR_FRIENDLYAPPNAME, className.c_str(), nullptr, name,
                            &size)) &&
            name[0] != L'\0')
            return name;
    }
    const std::wstring text = TextOfClass(className);
    return text.empty() ? className : text;
}

std::wstring EffectiveClass(IApplicationAssociationRegistration& registration,
                            std::wstring_view extension) {
    UniqueTaskText answer;
    if (FAILED(registration.QueryCurrentDefault(std::wstring(extension).c_str(), AT_FILEEXTENSION,
                                                AL_EFFECTIVE, answer.put())) ||
        !answer)
        return {};
    return answer.get();
}

// The account a process runs as, as the bytes of its token's user.
std::vector<BYTE> AccountOf(HANDLE process) {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &opened))
        return {};
    const UniqueKernelHandle token(opened);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !GetTokenInformation(token.get(), TokenUser, user.data(), size, &size))
        return {};
    return user;
}

constexpr std::wstring_view kSettingsScheme = L"ms-settings";
constexpr unsigned long kFirstWindows11Build = 22000;
constexpr GUID kShellWindows{
    0x9ba05972, 0xf6a8, 0x11cf, {0xa4, 0x42, 0x00, 0xa0, 0xc9, 0x0a, 0x8f, 0x39}};
constexpr GUID kTopLevelBrowser{
    0x4c96be40, 0x915c, 0x11cf, {0x99, 0xd3, 0x00, 0xaa, 0x00, 0x4a, 0xe8, 0x37}};

// The Windows that runs here: GetVersionEx answers as the manifest allows,
// RtlGetVersion as it is.
unsigned long WindowsBuild() {
    using Query = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    return query && query(&version) == 0 ? version.dwBuildNumber : 0;
}

struct AutomationFunctions {
    decltype(&SysAllocString) allocate = nullptr;
    decltype(&SysFreeString) free = nullptr;
};

// oleaut32 is loaded by the first text for automation, not at the start:
// most runs never ask the shell for anything.
const AutomationFunctions& Automation() {
    static const SystemLibrary oleaut32{L"oleaut32.dll"};
    static const AutomationFunctions functions{
        oleaut32.Get<decltype(&SysAllocString)>("SysAllocString"),
        oleaut32.Get<decltype(&SysFreeString)>("SysFreeString")};
    return functions;
}

class AutomationText {
public:
    explicit AutomationText(const std::wstring& text) {
        if (Automation().allocate && Automation().free)
            text_ = Automation().allocate(text.c_str());
    }
    ~AutomationText() {
        if (text_)
            Automation().free(text_);
    }
    AutomationText(const AutomationText&) = delete;
    AutomationText& operator=(const AutomationText&) = delete;
    BSTR get() const { return text_; }

private:
    BSTR text_ = nullptr;
};

template <typename Interface> ComPtr<Interface> Query(IUnknown* object) {
    ComPtr<Interface> wanted;
    if (object)
        object->QueryInterface(__uuidof(Interface), reinterpret_cast<void**>(wanted.put()));
    return wanted;
}

// The automation object of the desktop's folder view, whose ShellExecute runs
// in the shell's own process.
ComPtr<IShellDispatch2> DesktopShell() {
    ComPtr<IShellWindows> windows;
    Com::Loaded()->create(kShellWindows, nullptr, CLSCTX_LOCAL_SERVER, __uuidof(IShellWindows),
                          reinterpret_cast<void**>(windows.put()));
    if (!windows)
        return {};
    VARIANT desktop{};
    desktop.vt = VT_I4;
    desktop.lVal = CSIDL_DESKTOP;
    VARIANT none{};
    long handle = 0;
    ComPtr<IDispatch> found;
    if (windows->FindWindowSW(&desktop, &none, SWC_DESKTOP, &handle, SWFO_NEEDDISPATCH,
                              found.put()) != S_OK)
        return {};
    const auto services = Query<IServiceProvider>(found.get());
    ComPtr<IShellBrowser> browser;
    if (!services || FAILED(services->QueryService(kTopLevelBrowser, __uuidof(IShellBrowser),
                                                   reinterpret_cast<void**>(browser.put()))))
        return {};
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    if (FAILED(browser->QueryActiveShellView(view.put())) ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, __uuidof(IDispatch),
                                   reinterpret_cast<void**>(background.put()))))
        return {};
    const auto folderView = Query<IShellFolderViewDual>(background.get());
    ComPtr<IDispatch> application;
    if (!folderView || FAILED(folderView->get_Application(application.put())))
        return {};
    return Query<IShellDispatch2>(application.get());
}

// Started by the shell, the page runs as the signed-in user even when this
// program runs elevated or as another account.
bool OpenThroughTheShell(const std::wstring& link) {
    const Com::Apartment apartment; // outlives every interface below
    if (!apartment.Usable())
        return false;
    const ComPtr<IShellDispatch2> shell = DesktopShell();
    const AutomationText file(link);
    VARIANT none{};
    return shell && file.get() &&
           SUCCEEDED(shell->ShellExecute(file.get(), none, none, none, none));
}

bool OpenDirectly(const std::wstring& link) {
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_FLAG_NO_UI;
    execute.lpFile = link.c_str();
    execute.nShow = SW_SHOWNORMAL;
    static const SystemLibrary shell32(L"shell32.dll");
    const auto run = shell32.Get<decltype(&ShellExecuteExW)>("ShellExecuteExW");
    return run && run(&execute) != FALSE;
}

} // namespace

std::wstring SettingsLink(unsigned long windowsBuild, KeyPath::Scope scope) {
    std::wstring link = std::wstring(kSettingsScheme) + L":defaultapps";
    if (windowsBuild >= kFirstWindows11Build)
        link += (scope == KeyPath::Scope::kAccount ? L"?registeredAppUser="
                                                   : L"?registeredAppMachine=") +
                std::wstring(kApplicationName);
    return link;
}

bool OpenSettings() {
    // Without the scheme (Windows before 10, Wine) there is no such page,
    // and the shell would only show an error of its own.
    if (Registry::KeyExists(HKEY_CLASSES_ROOT, kSettingsScheme) != Registry::kTrue)
        return false;
    // Registered for the account alone, the program is listed as the
    // account's application, not the machine's.
    Registry::Value value;
    const bool ownAccount = Registry::GetValue(HKEY_CURRENT_USER, kKeys.registeredApplications,
                                               kApplicationName, value) == Registry::kTrue;
    const std::wstring link = SettingsLink(WindowsBuild(), ownAccount ? KeyPath::Scope::kAccount
                                                                      : KeyPath::Scope::kMachine);
    return OpenThroughTheShell(link) || OpenDirectly(link);
}

bool Effective::OwnClass() const {
    return Text::Same(effectiveClass, Catalogue::FileTypeAt(listIndex)->className);
}

std::vector<Effective> EffectiveDefaults(const std::vector<int>& listIndices) {
    const Com::Apartment apartment; // outlives the interface below
    ComPtr<IApplicationAssociationRegistration> registration;
    if (apartment.Usable())
        Com::Loaded()->create(kAssociationRegistration, nullptr, CLSCTX_INPROC_SERVER,
                              __uuidof(IApplicationAssociationRegistration),
                              reinterpret_cast<void**>(registration.put()));
    std::vector<Effective> effective;
    for (int listIndex : listIndices) {
        Effective entry{listIndex, {}, {}};
        if (registration)
            entry.effectiveClass =
                EffectiveClass(*registration.get(), Catalogue::FileTypeAt(listIndex)->extension);
        if (!entry.Unknown())
            entry.openedBy = ProgramOf(entry.effectiveClass);
        effective.push_back(std::move(entry));
    }
    return effective;
}

bool RunsAsSignedInUser() {
    // The shell's desktop runs as the signed-in user.
    DWORD shellId = 0;
    GetWindowThreadProcessId(GetShellWindow(), &shellId);
    const UniqueKernelHandle shell(
        shellId == 0 ? nullptr : OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shellId));
    const std::vector<BYTE> signedIn = shell ? AccountOf(shell.get()) : std::vector<BYTE>();
    const std::vector<BYTE> own = AccountOf(GetCurrentProcess());
    if (signedIn.empty() || own.empty())
        return true;
    return EqualSid(reinterpret_cast<const TOKEN_USER*>(signedIn.data())->User.Sid,
                    reinterpret_cast<const TOKEN_USER*>(own.data())->User.Sid) != FALSE;
}

} // namespace DefaultApps
