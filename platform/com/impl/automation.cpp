// BSTR strings (a 32-bit byte length in front of the characters, a terminator behind
// them) and VARIANT values.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include <oleauto.h>

namespace {

constexpr size_t kPrefixBytes = sizeof(uint32_t);

uint32_t* Prefix(BSTR string)
{
    return reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(string) - kPrefixBytes);
}

}  // namespace

BSTR SysAllocString(const OLECHAR* psz)
{
    if (psz == nullptr) {
        return nullptr;
    }
    const size_t length = std::wcslen(psz);
    const size_t bytes = length * sizeof(OLECHAR);
    if (bytes > UINT32_MAX - sizeof(OLECHAR)) {
        return nullptr;
    }
    // The prefix sits right before the characters; wchar_t needs no more alignment than it.
    static_assert(alignof(OLECHAR) <= kPrefixBytes);
    char* block = static_cast<char*>(std::malloc(kPrefixBytes + bytes + sizeof(OLECHAR)));
    if (block == nullptr) {
        return nullptr;
    }
    const uint32_t byteLength = static_cast<uint32_t>(bytes);
    std::memcpy(block, &byteLength, kPrefixBytes);
    BSTR string = reinterpret_cast<BSTR>(block + kPrefixBytes);
    std::memcpy(string, psz, bytes + sizeof(OLECHAR));
    return string;
}

void SysFreeString(BSTR bstrString)
{
    if (bstrString != nullptr) {
        std::free(Prefix(bstrString));
    }
}

UINT SysStringLen(BSTR pbstr)
{
    if (pbstr == nullptr) {
        return 0;
    }
    uint32_t byteLength;
    std::memcpy(&byteLength, Prefix(pbstr), kPrefixBytes);
    return byteLength / sizeof(OLECHAR);
}

void VariantInit(VARIANT* pvarg)
{
    std::memset(pvarg, 0, sizeof *pvarg);
    pvarg->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* pvarg)
{
    if (pvarg == nullptr) {
        return E_INVALIDARG;
    }
    if (pvarg->vt == VT_BSTR) {
        SysFreeString(pvarg->bstrVal);
    }
    VariantInit(pvarg);
    return S_OK;
}
