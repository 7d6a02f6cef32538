// What keeps a kiosk a kiosk on Windows 10/11 beyond the key hooks: the display and the system
// kept awake, and the touch screen's edge swipes off while in full screen.
#include "kiosk.h"
#include <propsys.h>

namespace {

EXECUTION_STATE WINAPI real_execution_state(EXECUTION_STATE flags) { return SetThreadExecutionState(flags); }

// System.EdgeGesture.DisableTouchWhenFullscreen on the window's property store. Windows before 8
// have no such property, and Windows before 7 not the function: nothing happens there.
bool real_edge_gesture(HWND window, bool disable) {
    typedef HRESULT(WINAPI * GetStoreFn)(HWND, REFIID, void **);
    HMODULE shell = GetModuleHandleA("shell32.dll");
    GetStoreFn get = shell ? reinterpret_cast<GetStoreFn>(
                                 reinterpret_cast<void *>(GetProcAddress(shell, "SHGetPropertyStoreForWindow")))
                           : nullptr;
    if (!get) return false;
    static const IID kPropertyStore = {0x886d8eeb, 0x8cf2, 0x4446, {0x8d, 0x02, 0xcd, 0xba, 0x1d, 0xbd, 0xcf, 0x99}};
    static const PROPERTYKEY kDisableTouchWhenFullscreen = {
        {0x32CE38B2, 0x2C9A, 0x41B1, {0x9B, 0xC5, 0xB3, 0x78, 0x43, 0x94, 0xAA, 0x44}}, 2};
    IPropertyStore *store = nullptr;
    if (FAILED(get(window, kPropertyStore, reinterpret_cast<void **>(&store))) || !store) return false;
    PROPVARIANT value;
    PropVariantInit(&value);
    value.vt = VT_BOOL;
    value.boolVal = disable ? VARIANT_TRUE : VARIANT_FALSE;
    HRESULT hr = store->SetValue(kDisableTouchWhenFullscreen, value);
    if (SUCCEEDED(hr)) hr = store->Commit();
    store->Release();
    return SUCCEEDED(hr);
}

ExecutionStateFn g_execution_state = real_execution_state;
EdgeGestureFn g_edge_gesture = real_edge_gesture;

}  // namespace

ExecutionStateFn set_execution_state_fn(ExecutionStateFn fn) {
    ExecutionStateFn old = g_execution_state;
    g_execution_state = fn ? fn : real_execution_state;
    return old;
}

EdgeGestureFn set_edge_gesture_fn(EdgeGestureFn fn) {
    EdgeGestureFn old = g_edge_gesture;
    g_edge_gesture = fn ? fn : real_edge_gesture;
    return old;
}

void keep_awake(bool on) {
    g_execution_state(on ? ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
}

bool disable_edge_gestures(HWND window, bool disable) { return g_edge_gesture(window, disable); }

void watch_session(HWND window, bool on) {
    typedef BOOL(WINAPI * RegisterFn)(HWND, DWORD);
    typedef BOOL(WINAPI * UnregisterFn)(HWND);
    static HMODULE wts = nullptr;
    if (on) {
        if (!wts) wts = LoadLibraryA("wtsapi32.dll");
        RegisterFn reg = wts ? reinterpret_cast<RegisterFn>(reinterpret_cast<void *>(
                                   GetProcAddress(wts, "WTSRegisterSessionNotification")))
                             : nullptr;
        if (reg) reg(window, 0);  // NOTIFY_FOR_THIS_SESSION
    } else if (wts) {
        UnregisterFn unreg = reinterpret_cast<UnregisterFn>(
            reinterpret_cast<void *>(GetProcAddress(wts, "WTSUnRegisterSessionNotification")));
        if (unreg) unreg(window);
        FreeLibrary(wts);
        wts = nullptr;
    }
}
