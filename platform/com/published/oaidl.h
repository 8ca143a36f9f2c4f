// Automation types: BSTR strings and VARIANT values.
#pragma once

#include <unknwn.h>

// A length-prefixed wide string from SysAllocString; points at the first character.
typedef OLECHAR* BSTR;

typedef unsigned short VARTYPE;
enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_I4 = 3,
    VT_BSTR = 8,
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONG lVal;
        BSTR bstrVal;
    };
};
