#include <oleauto.h>

#include <gtest/gtest.h>

namespace {

TEST(BstrTest, CopiesTheStringWithItsLength)
{
    const WCHAR text[] = L"カメラ 1";
    BSTR copy = SysAllocString(text);
    ASSERT_NE(nullptr, copy);
    EXPECT_NE(text, copy);
    EXPECT_STREQ(text, copy);
    EXPECT_EQ(5u, SysStringLen(copy));
    SysFreeString(copy);

    BSTR empty = SysAllocString(L"");
    ASSERT_NE(nullptr, empty);
    EXPECT_EQ(0u, SysStringLen(empty));
    EXPECT_EQ(L'\0', empty[0]);
    SysFreeString(empty);
}

TEST(BstrTest, NullIsNoStringAnywhere)
{
    EXPECT_EQ(nullptr, SysAllocString(nullptr));
    EXPECT_EQ(0u, SysStringLen(nullptr));
    SysFreeString(nullptr);
}

TEST(VariantTest, ClearFreesTheStringAndEmpties)
{
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(VT_EMPTY, value.vt);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(L"FriendlyName");
    EXPECT_EQ(S_OK, VariantClear(&value));  // the sanitizer run sees a leak otherwise
    EXPECT_EQ(VT_EMPTY, value.vt);
    EXPECT_EQ(nullptr, value.bstrVal);
    EXPECT_EQ(E_INVALIDARG, VariantClear(nullptr));
}

}  // namespace
