#include "wizard/AccessibleName.h"

#include "common/Com.h"
#include "common/SystemLibrary.h"
#include "common/UniqueHandle.h"

#include <commctrl.h>
#include <oleacc.h>

#include <memory>
#include <new>
#include <string>
#include <utility>

namespace AccessibleName {

namespace {

// The platform functions the answer needs, looked up when the first request
// comes: imported, the accessibility library and OLE automation would load at
// every start. They stay loaded: a client may use an object handed out until
// the program ends.
struct Platform {
    decltype(&SysAllocStringLen) allocateString = nullptr;
    decltype(&CreateStdAccessibleObject) createStandardObject = nullptr;
    decltype(&LresultFromObject) resultFromObject = nullptr;

    bool Complete() const { return allocateString && createStandardObject && resultFromObject; }
};

const Platform& LoadedPlatform() {
    static const SystemLibrary automation(L"oleaut32.dll");
    static const SystemLibrary accessibility(L"oleacc.dll");
    static const Platform platform = [] {
        // Handing an object to another process takes COM on this thread.
        // Never ended: the objects handed out live as long as their clients
        // hold them. A thread that has COM already keeps it as it is.
        if (const Com::Functions* com = Com::Loaded())
            com->initialize(nullptr, COINIT_APARTMENTTHREADED);
        return Platform{
            automation.Get<decltype(&SysAllocStringLen)>("SysAllocStringLen"),
            accessibility.Get<decltype(&CreateStdAccessibleObject)>("CreateStdAccessibleObject"),
            accessibility.Get<decltype(&LresultFromObject)>("LresultFromObject")};
    }();
    return platform;
}

bool IsSelf(const VARIANT& child) {
    return V_VT(&child) == VT_I4 && V_I4(&child) == CHILDID_SELF;
}

// The platform's standard object with a name of its own. It answers only as
// IAccessible: another interface of the standard object, asked for through
// this one, would lead a client back to the standard object and its name.
// Without that, clients walk the children through get_accChild and find the
// window through get_accParent, as they do for any accessible object.
class NamedObject final : public IAccessible {
public:
    NamedObject(ComPtr<IAccessible> standard, std::wstring name,
                decltype(&SysAllocStringLen) allocateString)
        : standard_(std::move(standard)), name_(std::move(name)), allocateString_(allocateString) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (!object)
            return E_POINTER;
        if (!IsEqualIID(id, IID_IUnknown) && !IsEqualIID(id, IID_IDispatch) &&
            !IsEqualIID(id, IID_IAccessible)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // Late binding would reach the standard object's own name; clients of
    // this layer call the interface directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child))
            return standard_->get_accName(child, name);
        if (!name)
            return E_POINTER;
        *name = allocateString_(name_.data(), static_cast<UINT>(name_.size()));
        return *name ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        return standard_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return standard_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        return standard_->get_accDescription(child, description);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return standard_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return standard_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return standard_->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return standard_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG how, VARIANT child) override {
        return standard_->accSelect(how, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG left, LONG top, VARIANT* child) override {
        return standard_->accHitTest(left, top, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

private:
    ~NamedObject() = default;

    LONG references_ = 1;
    ComPtr<IAccessible> standard_;
    std::wstring name_;
    decltype(&SysAllocStringLen) allocateString_;
};

// The message's answer, or 0 when it cannot be made: then the control gives
// the standard object, as it did before.
LRESULT NamedObjectResult(HWND control, WPARAM flags, const std::wstring& name) {
    const Platform& platform = LoadedPlatform();
    if (!platform.Complete())
        return 0;
    ComPtr<IAccessible> standard;
    if (FAILED(platform.createStandardObject(control, OBJID_CLIENT, IID_IAccessible,
                                             reinterpret_cast<void**>(standard.put()))) ||
        !standard)
        return 0;
    ComPtr<IAccessible> named(new (std::nothrow)
                                  NamedObject(std::move(standard), name, platform.allocateString));
    if (!named)
        return 0;
    // A positive reference to the object; a failure is an error code.
    const LRESULT result = platform.resultFromObject(IID_IAccessible, flags, named.get());
    return result > 0 ? result : 0;
}

constexpr UINT_PTR kSubclassId = 0xACC;

LRESULT CALLBACK NamedControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR, DWORD_PTR data) {
    const auto* name = reinterpret_cast<const std::wstring*>(data);
    // The object id arrives as a 32-bit value, however wide lParam is.
    if (message == WM_GETOBJECT && static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
        try {
            if (const LRESULT result = NamedObjectResult(control, wParam, *name))
                return result;
        } catch (...) {
            // No name is better than an exception through the system's frames.
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(control, NamedControlProc, kSubclassId);
        delete name;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

} // namespace

void Give(HWND control, std::wstring_view name) {
    auto owned = std::make_unique<std::wstring>(name);
    if (SetWindowSubclass(control, NamedControlProc, kSubclassId,
                          reinterpret_cast<DWORD_PTR>(owned.get())))
        owned.release(); // the subclass frees it when the control goes
}

} // namespace AccessibleName
