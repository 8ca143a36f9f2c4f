// Objects that the framework makes for handles the program has no object for
// (CWnd::FromHandle, CDC::FromHandle, CMenu::FromHandle). They stay valid until the
// outermost message loop goes idle, then go.
#pragma once

#include <map>
#include <memory>

#include <windows.h>

namespace afx {

template <typename Object, typename Handle>
class TemporaryObjects {
public:
    Object* For(Handle handle, Handle Object::*member)
    {
        std::unique_ptr<Object>& slot = objects_[handle];
        if (!slot) {
            slot = std::make_unique<Object>();
            (*slot).*member = handle;
        }
        return slot.get();
    }
    void Clear() { objects_.clear(); }

private:
    std::map<Handle, std::unique_ptr<Object>> objects_;
};

// Ends every temporary object.
void ClearTemporaryObjects();

// A message loop of the framework (the application's or a dialog's) while it runs.
class MessageLoopScope {
public:
    MessageLoopScope();
    ~MessageLoopScope();
    MessageLoopScope(const MessageLoopScope&) = delete;
    MessageLoopScope& operator=(const MessageLoopScope&) = delete;

    // GetMessageA for the loop; when the queue is empty and this is the outermost loop,
    // temporary objects are cleared first.
    BOOL NextMessage(MSG* message) const;
};

}  // namespace afx
