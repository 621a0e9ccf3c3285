#include "ui/accessible.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace radu::ui {
namespace {

struct OleAcc {
    decltype(&::CreateStdAccessibleObject) createStandard = nullptr;
    decltype(&::LresultFromObject) resultFromObject = nullptr;
};

template <typename Function>
void Find(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// Loaded once, at the first question, and kept: the objects handed out live as long as the process.
const OleAcc& Functions() {
    static const OleAcc functions = [] {
        OleAcc f;
        if (HMODULE module = ::LoadLibraryExW(L"oleacc.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
            Find(module, "CreateStdAccessibleObject", f.createStandard);
            Find(module, "LresultFromObject", f.resultFromObject);
        }
        return f;
    }();
    return functions;
}

std::wstring WindowText(HWND window) {
    std::vector<wchar_t> text(static_cast<size_t>(std::max(::GetWindowTextLengthW(window), 0)) + 1, L'\0');
    ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return text.data();
}

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// A text for an [out, retval] BSTR: S_FALSE with null for none, as IAccessible's properties answer.
HRESULT ReturnText(const std::wstring& text, BSTR* out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (text.empty())
        return S_FALSE;
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

// The system's standard object for the window with the control's own role, name, value, state and default
// action on top. Calls come on the window's thread (its single-threaded apartment): the control is asked
// afresh each time, so what a screen reader hears is what the window shows at that moment. Children
// (the dialog's controls) are the standard object's.
class AccessibleObject final : public IAccessible, public IOleWindow {
  public:
    AccessibleObject(HWND control, AccessibleSource& describedBy, UniqueComPtr<IAccessible> standardObject)
        : window(control), source(&describedBy), standard(std::move(standardObject)) {}

    // The control goes: from now on every call fails as that of an object whose window is gone.
    void Disconnect() {
        source = nullptr;
        standard.reset();
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr)
            return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible))
            *out = static_cast<IAccessible*>(this);
        else if (iid == __uuidof(IOleWindow))
            *out = static_cast<IOleWindow*>(this);
        else
            *out = nullptr;
        if (*out == nullptr)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(::InterlockedIncrement(&references));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = ::InterlockedDecrement(&references);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: screen readers call IAccessible's methods directly; nothing is offered by name.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info != nullptr)
            *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // IOleWindow: WindowFromAccessibleObject finds the control's window here.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
        if (out == nullptr)
            return E_POINTER;
        *out = Live() ? window : nullptr;
        return Live() ? S_OK : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // What the control adds.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child))
            return Standard([&](IAccessible* s) { return s->get_accName(child, name); });
        if (!Live())
            return CO_E_OBJNOTCONNECTED;
        return ReturnText(Describe().name, name);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!IsSelf(child))
            return Standard([&](IAccessible* s) { return s->get_accRole(child, role); });
        if (role == nullptr)
            return E_POINTER;
        if (!Live())
            return CO_E_OBJNOTCONNECTED;
        ::VariantInit(role);
        role->vt = VT_I4;
        role->lVal = Describe().role;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!IsSelf(child))
            return Standard([&](IAccessible* s) { return s->get_accState(child, state); });
        if (state == nullptr)
            return E_POINTER;
        if (!Live())
            return CO_E_OBJNOTCONNECTED;
        // Focus, visibility and availability are the standard object's: it reads them from the window.
        const HRESULT hr = standard->get_accState(child, state);
        if (FAILED(hr))
            return hr;
        if (state->vt != VT_I4) {
            ::VariantClear(state);
            state->vt = VT_I4;
            state->lVal = 0;
        }
        state->lVal |= static_cast<LONG>(Describe().addedState);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (IsSelf(child) && Live()) {
            const std::wstring own = Describe().value;
            if (!own.empty())
                return ReturnText(own, value);
        }
        return Standard([&](IAccessible* s) { return s->get_accValue(child, value); });
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (IsSelf(child) && Live()) {
            const AccessibleDescription own = Describe();
            if (own.defaultAction != nullptr)
                return ReturnText(own.defaultAction, action);
        }
        return Standard([&](IAccessible* s) { return s->get_accDefaultAction(child, action); });
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (IsSelf(child) && Live() && Describe().defaultAction != nullptr) {
            // What the user can neither see nor use cannot be pressed from a screen reader either.
            if (!::IsWindowVisible(window) || !::IsWindowEnabled(window))
                return DISP_E_MEMBERNOTFOUND;
            return source->DoAccessibleAction() ? S_OK : E_FAIL;
        }
        return Standard([&](IAccessible* s) { return s->accDoDefaultAction(child); });
    }

    // Everything else is the standard object's.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return Standard([&](IAccessible* s) { return s->get_accParent(parent); });
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        return Standard([&](IAccessible* s) { return s->get_accChildCount(count); });
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        return Standard([&](IAccessible* s) { return s->get_accChild(child, out); });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return Standard([&](IAccessible* s) { return s->get_accDescription(child, text); });
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override {
        return Standard([&](IAccessible* s) { return s->get_accHelp(child, text); });
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return Standard([&](IAccessible* s) { return s->get_accHelpTopic(file, child, topic); });
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        return Standard([&](IAccessible* s) { return s->get_accKeyboardShortcut(child, keys); });
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        return Standard([&](IAccessible* s) { return s->get_accFocus(focus); });
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        return Standard([&](IAccessible* s) { return s->get_accSelection(selection); });
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        return Standard([&](IAccessible* s) { return s->accSelect(flags, child); });
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        return Standard([&](IAccessible* s) { return s->accLocation(left, top, width, height, child); });
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return Standard([&](IAccessible* s) { return s->accNavigate(direction, start, end); });
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        return Standard([&](IAccessible* s) { return s->accHitTest(x, y, child); });
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return Standard([&](IAccessible* s) { return s->put_accName(child, name); });
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return Standard([&](IAccessible* s) { return s->put_accValue(child, value); });
    }

  private:
    ~AccessibleObject() = default;

    // The control is there to be asked: false once it went (or its window did).
    bool Live() const { return source != nullptr && ::IsWindow(window); }

    AccessibleDescription Describe() const {
        AccessibleDescription description;
        source->DescribeAccessible(description);
        return description;
    }

    template <typename Call>
    HRESULT Standard(Call call) const {
        return Live() ? call(standard.get()) : CO_E_OBJNOTCONNECTED;
    }

    LONG references = 1;
    HWND window;
    AccessibleSource* source;
    UniqueComPtr<IAccessible> standard;
};

AccessibleAnswer::AccessibleAnswer(AccessibleSource& source) : describedBy(source) {}

AccessibleAnswer::~AccessibleAnswer() {
    Disconnect();
}

bool AccessibleAnswer::Answer(HWND window, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // "Cast lParam to DWORD" (the message's contract): object IDs are negative 32-bit numbers.
    if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT)
        return false;
    const OleAcc& oleacc = Functions();
    if (oleacc.createStandard == nullptr || oleacc.resultFromObject == nullptr)
        return false;
    if (!object) {
        UniqueComPtr<IAccessible> standard;
        if (FAILED(oleacc.createStandard(window, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(standard.put()))) ||
            !standard)
            return false;
        object.reset(new AccessibleObject(window, describedBy, std::move(standard)));
    }
    // LresultFromObject takes a reference of its own for the client; the control keeps its one.
    const LRESULT answer =
        oleacc.resultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(object.get()));
    if (FAILED(static_cast<HRESULT>(answer)))
        return false;
    result = answer;
    return true;
}

void AccessibleAnswer::Disconnect() {
    if (!object)
        return;
    object->Disconnect();
    // Screen readers in other processes hold the object through COM: their references are let go here.
    ::CoDisconnectObject(static_cast<IAccessible*>(object.get()), 0);
    object.reset();
}

void AccessibleDescription::NameFromText(HWND window) {
    name = WindowText(window);
}

void AccessibleDescription::NameFromLabel(HWND label) {
    name = WindowText(label);
    while (!name.empty() && (name.back() == L':' || name.back() == L'\xFF1A' || name.back() == L' '))
        name.pop_back();
}

void AccessibleDescription::ValueFromText(HWND window) {
    value = WindowText(window);
}

}  // namespace radu::ui
