// CString: a string of TCHAR, which is char in this ANSI build; texts are UTF-8.
#pragma once

#include <string>

#include <windows.h>

typedef char TCHAR;
typedef LPCSTR LPCTSTR;

class CString {
public:
    CString() = default;
    CString(LPCTSTR text) : m_text(text ? text : "") {}

    // The string resource nID of the program; FALSE and empty when there is none.
    BOOL LoadString(UINT nID);
    BOOL IsEmpty() const { return m_text.empty(); }
    int GetLength() const { return static_cast<int>(m_text.size()); }
    operator LPCTSTR() const { return m_text.c_str(); }
    CString& operator=(LPCTSTR text)
    {
        m_text = text ? text : "";
        return *this;
    }
    bool operator==(LPCTSTR text) const { return m_text == (text ? text : ""); }

private:
    std::string m_text;
};
