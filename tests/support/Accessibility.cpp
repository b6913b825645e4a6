#include "tests/support/Accessibility.h"

#include "common/UniqueHandle.h"

#include <oleacc.h>

namespace Accessibility {

namespace {

Seen Read(HRESULT result, const ComPtr<IAccessible>& object) {
    Seen seen;
    seen.result = FAILED(result) ? result : object ? S_OK : E_POINTER;
    if (FAILED(seen.result))
        return seen;
    VARIANT self{};
    V_VT(&self) = VT_I4;
    V_I4(&self) = CHILDID_SELF;
    BSTR name = nullptr;
    if (object->get_accName(self, &name) == S_OK && name) {
        seen.named = true;
        seen.name.assign(name, SysStringLen(name));
    }
    SysFreeString(name);
    VARIANT role{};
    if (SUCCEEDED(object->get_accRole(self, &role)) && V_VT(&role) == VT_I4)
        seen.role = V_I4(&role);
    VariantClear(&role);
    return seen;
}

} // namespace

Seen AsReadBy(HWND control) {
    ComPtr<IAccessible> object;
    const HRESULT result =
        AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                   reinterpret_cast<void**>(object.put()));
    return Read(result, object);
}

Seen AsStandard(HWND control) {
    ComPtr<IAccessible> object;
    const HRESULT result = CreateStdAccessibleObject(control, OBJID_CLIENT, IID_IAccessible,
                                                     reinterpret_cast<void**>(object.put()));
    return Read(result, object);
}

} // namespace Accessibility
