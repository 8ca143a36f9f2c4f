// Message maps, declared in the framework's style:
//
//   class CMyDialog : public CDialog {
//       ...
//       afx_msg void OnPaint();
//       afx_msg void OnStart();
//       DECLARE_MESSAGE_MAP()
//   };
//
//   BEGIN_MESSAGE_MAP(CMyDialog, CDialog)
//       ON_WM_PAINT()
//       ON_BN_CLICKED(IDC_START, OnStart)
//       ON_COMMAND(ID_HELP, CWinApp::OnHelp)
//   END_MESSAGE_MAP()
//
// Handlers are named as a member call would name them: `OnStart`, or qualified with a
// base class (`CWinApp::OnHelp`) to call that class's version. Each entry is a small
// thunk that calls the handler with its own argument types, so a handler with the wrong
// signature does not compile. Entries are searched in order, the class's map first,
// then its base classes' maps.
#pragma once

#include <windows.h>

class CCmdTarget;

#define afx_msg

// Unpacks a message's parameters, calls the handler, and packs its result.
typedef LRESULT (*AFX_PMSG)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;  // WM_COMMAND: the notification code (BN_CLICKED; 0 for a command)
    UINT nID;    // WM_COMMAND: the first and last command identifiers
    UINT nLastID;
    AFX_PMSG pfn;  // null ends the map
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)        \
    const AFX_MSGMAP* theClass::GetMessageMap() const \
    {                                                 \
        return GetThisMessageMap();                   \
    }                                                 \
    const AFX_MSGMAP* theClass::GetThisMessageMap()   \
    {                                                 \
        using ThisClass [[maybe_unused]] = theClass;  \
        using TheBaseClass = baseClass;               \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                         \
    {                                                                                             \
        0, 0, 0, 0, nullptr                                                                       \
    }                                                                                             \
    }                                                                                             \
    ;                                                                                             \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
    return &messageMap;                                                                           \
    }

#define AFX_THUNK(...)                                                                                  \
    [](CCmdTarget* target, [[maybe_unused]] WPARAM wParam, [[maybe_unused]] LPARAM lParam) -> LRESULT { \
        ThisClass* self = static_cast<ThisClass*>(target);                                              \
        __VA_ARGS__;                                                                                    \
    }

#define ON_COMMAND(id, memberFxn)                                                                           \
    {                                                                                                       \
        WM_COMMAND, 0, static_cast<UINT>(id), static_cast<UINT>(id), AFX_THUNK(self->memberFxn(); return 0) \
    }                                                                                                       \
    ,

#define ON_BN_CLICKED(id, memberFxn)                                                                                 \
    {                                                                                                                \
        WM_COMMAND, BN_CLICKED, static_cast<UINT>(id), static_cast<UINT>(id), AFX_THUNK(self->memberFxn(); return 0) \
    }                                                                                                                \
    ,

// void OnPaint()
#define ON_WM_PAINT()                                           \
    {                                                           \
        WM_PAINT, 0, 0, 0, AFX_THUNK(self->OnPaint(); return 0) \
    }                                                           \
    ,

// void OnSysCommand(UINT nID, LPARAM lParam)
#define ON_WM_SYSCOMMAND()                                                                                 \
    {                                                                                                      \
        WM_SYSCOMMAND, 0, 0, 0, AFX_THUNK(self->OnSysCommand(static_cast<UINT>(wParam), lParam); return 0) \
    }                                                                                                      \
    ,

// HCURSOR OnQueryDragIcon()
#define ON_WM_QUERYDRAGICON() \
    {WM_QUERYDRAGICON, 0, 0, 0, AFX_THUNK(return reinterpret_cast<LRESULT>(self->OnQueryDragIcon()))},

// void OnTimer(UINT_PTR nIDEvent)
#define ON_WM_TIMER()                                                                        \
    {                                                                                        \
        WM_TIMER, 0, 0, 0, AFX_THUNK(self->OnTimer(static_cast<UINT_PTR>(wParam)); return 0) \
    }                                                                                        \
    ,
