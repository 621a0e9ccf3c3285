#include "app/message_loop.h"

#include <algorithm>

namespace radu {
namespace {

template <typename T>
bool Add(std::vector<T*>& list, T* item) {
    if (item == nullptr)
        return false;
    list.push_back(item);
    return true;
}

template <typename T>
bool Remove(std::vector<T*>& list, T* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

}  // namespace

bool CMessageLoop::AddMessageFilter(CMessageFilter* filter) {
    return Add(filters, filter);
}

bool CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) {
    return Remove(filters, filter);
}

bool CMessageLoop::AddIdleHandler(CIdleHandler* handler) {
    return Add(idleHandlers, handler);
}

bool CMessageLoop::RemoveIdleHandler(CIdleHandler* handler) {
    return Remove(idleHandlers, handler);
}

bool CMessageLoop::IsIdleMessage(const MSG& msg) {
    switch (msg.message) {
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE:
        case WM_PAINT:
        case 0x0118:  // the caret's blink timer
            return false;
        default:
            return true;
    }
}

bool CMessageLoop::PreTranslateMessage(MSG* msg) {
    // Most recently added first. A filter may remove filters while it runs (a dialog that closes
    // itself), so the list is read afresh at every step.
    for (size_t i = filters.size(); i-- > 0;) {
        if (i >= filters.size())
            continue;
        if (filters[i]->PreTranslateMessage(msg))
            return true;
    }
    return false;
}

void CMessageLoop::OnIdle() {
    for (size_t i = 0; i < idleHandlers.size(); ++i)
        idleHandlers[i]->OnIdle();
}

int CMessageLoop::Run() {
    bool idle = true;
    for (;;) {
        if (idle && !::PeekMessageW(&currentMessage, nullptr, 0, 0, PM_NOREMOVE)) {
            OnIdle();
            idle = false;
        }
        const BOOL got = ::GetMessageW(&currentMessage, nullptr, 0, 0);
        if (got == -1)
            continue;  // a retrieval error is skipped
        if (!got)
            break;  // WM_QUIT
        if (!PreTranslateMessage(&currentMessage)) {
            ::TranslateMessage(&currentMessage);
            ::DispatchMessageW(&currentMessage);
        }
        if (IsIdleMessage(currentMessage))
            idle = true;
    }
    return static_cast<int>(currentMessage.wParam);
}

}  // namespace radu
