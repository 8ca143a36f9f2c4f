#include <dshow.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "preview_graph.h"
#include "tests/support/test_files.h"
#include "tests/support/video_sources.h"

namespace {

using test_support::TestInputs;

class DeviceEnumeratorTest : public test_support::ComObjectsTest {
protected:
    void SetUp() override
    {
        ComObjectsTest::SetUp();
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                         reinterpret_cast<void**>(&devices_)));
    }
    void TearDown() override
    {
        devices_->Release();
        ComObjectsTest::TearDown();
    }

    // The friendly names offered, read the way the capture system reads them.
    std::vector<std::wstring> OfferedNames()
    {
        std::vector<std::wstring> names;
        IEnumMoniker* monikers = nullptr;
        EXPECT_EQ(S_OK, devices_->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0));
        IMoniker* moniker = nullptr;
        while (monikers != nullptr && monikers->Next(1, &moniker, nullptr) == S_OK) {
            IPropertyBag* bag = nullptr;
            EXPECT_EQ(S_OK, moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)));
            VARIANT name;
            VariantInit(&name);
            EXPECT_EQ(S_OK, bag->Read(L"FriendlyName", &name, nullptr));
            names.push_back(name.bstrVal);
            VariantClear(&name);
            bag->Release();
            moniker->Release();
        }
        if (monikers != nullptr) {
            monikers->Release();
        }
        return names;
    }

    ICreateDevEnum* devices_ = nullptr;
};

TEST_F(DeviceEnumeratorTest, OffersTestCameraThenNamedSourcesInOrder)
{
    test_support::TempDir dir;
    const std::string clip = dir / "clip.avi";
    ASSERT_TRUE(test_support::WriteTestVideo(clip, 64, 48, 3));
    dshow::SetVideoInputSettings(TestInputs(true, {clip, "videotestsrc name=カメラ"}));

    const std::vector<std::wstring> expected = {L"Quenmire test camera", L"clip.avi", L"videotestsrc name=カメラ"};
    EXPECT_EQ(expected, OfferedNames());

    dshow::SetVideoInputSettings(TestInputs(false, {clip}));
    EXPECT_EQ(std::vector<std::wstring>{L"clip.avi"}, OfferedNames());
}

TEST_F(DeviceEnumeratorTest, NextHandsOutWhatIsLeftAndSaysSo)
{
    dshow::SetVideoInputSettings(TestInputs(true, {"videotestsrc"}));
    IEnumMoniker* monikers = nullptr;
    ASSERT_EQ(S_OK, devices_->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0));
    IMoniker* batch[3] = {};
    ULONG fetched = 99;
    EXPECT_EQ(S_FALSE, monikers->Next(3, batch, &fetched));
    EXPECT_EQ(2u, fetched);
    EXPECT_EQ(nullptr, batch[2]);
    EXPECT_EQ(S_FALSE, monikers->Next(1, batch + 2, nullptr));
    EXPECT_EQ(E_INVALIDARG, monikers->Next(2, batch + 2, nullptr));
    batch[0]->Release();
    batch[1]->Release();
    monikers->Release();
}

TEST_F(DeviceEnumeratorTest, NoDevicesOrAnotherCategoryGiveNoEnumerator)
{
    dshow::SetVideoInputSettings(TestInputs(false));
    IEnumMoniker* monikers = reinterpret_cast<IEnumMoniker*>(1);
    EXPECT_EQ(S_FALSE, devices_->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0));
    EXPECT_EQ(nullptr, monikers);

    dshow::SetVideoInputSettings(TestInputs(true));
    monikers = reinterpret_cast<IEnumMoniker*>(1);
    EXPECT_EQ(S_FALSE, devices_->CreateClassEnumerator(CLSID_FilterGraph, &monikers, 0));
    EXPECT_EQ(nullptr, monikers);
    EXPECT_EQ(E_POINTER, devices_->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, nullptr, 0));
}

TEST_F(DeviceEnumeratorTest, PropertyBagHasOnlyTheFriendlyNameAsText)
{
    dshow::SetVideoInputSettings(TestInputs(true));
    IEnumMoniker* monikers = nullptr;
    ASSERT_EQ(S_OK, devices_->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0));
    IMoniker* moniker = nullptr;
    ASSERT_EQ(S_OK, monikers->Next(1, &moniker, nullptr));
    IPropertyBag* bag = nullptr;
    ASSERT_EQ(S_OK, moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)));

    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    ASSERT_EQ(S_OK, bag->Read(L"FriendlyName", &value, nullptr));
    EXPECT_EQ(VT_BSTR, value.vt);
    EXPECT_STREQ(L"Quenmire test camera", value.bstrVal);
    VariantClear(&value);

    EXPECT_EQ(E_INVALIDARG, bag->Read(L"DevicePath", &value, nullptr));
    value.vt = VT_I4;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, bag->Read(L"FriendlyName", &value, nullptr));
    EXPECT_EQ(E_POINTER, bag->Read(L"FriendlyName", nullptr, nullptr));

    IUnknown* none = nullptr;
    EXPECT_EQ(E_NOINTERFACE,
              moniker->BindToStorage(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&none)));
    EXPECT_EQ(nullptr, none);
    bag->Release();
    moniker->Release();
    monikers->Release();
}

TEST_F(DeviceEnumeratorTest, BindingFailsForSourcesThatCannotBeOpened)
{
    test_support::TempDir dir;
    const std::vector<std::string> unusable = {"no-such-element-anywhere", "videotestsrc ! fakesink",
                                               "videotestsrc ! ! videoconvert"};
    for (ULONG i = 0; i < unusable.size(); ++i) {
        EXPECT_EQ(nullptr, test_support::BindDevice(TestInputs(false, unusable), i)) << unusable[i];
    }

    IBaseFilter* camera = test_support::BindDevice(TestInputs(true), 0);
    ASSERT_NE(nullptr, camera);
    IMediaControl* notAFilterInterface = nullptr;
    EXPECT_EQ(E_NOINTERFACE, camera->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&notAFilterInterface)));
    camera->Release();
}

}  // namespace
