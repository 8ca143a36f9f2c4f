#include <objbase.h>

#include <gtest/gtest.h>

#include <thread>

#include "com_server.h"

namespace {

const CLSID kTestClass = {0x1234ABCD, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};

// A class with two interfaces, to see identity and reference counting.
class TwoFaced : public com::Object<IPropertyBag, IEnumMoniker> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        return Answer(iid, object,
                      {{&IID_IUnknown, static_cast<IPropertyBag*>(this)},
                       {&IID_IPropertyBag, static_cast<IPropertyBag*>(this)},
                       {&IID_IEnumMoniker, static_cast<IEnumMoniker*>(this)}});
    }
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR, VARIANT*, IErrorLog*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Next(ULONG, IMoniker**, ULONG*) override { return S_FALSE; }
};

class ComRuntimeTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, CoInitialize(nullptr));
        previous_ = com::RegisterServerClass(kTestClass, com::CreateInstance<TwoFaced>);
        baseline_ = com::LiveObjectCount();
    }
    void TearDown() override
    {
        EXPECT_EQ(baseline_, com::LiveObjectCount()) << "a reference was not given back";
        com::RegisterServerClass(kTestClass, previous_);
        CoUninitialize();
    }

    com::ClassFactory previous_ = nullptr;
    long baseline_ = 0;
};

TEST_F(ComRuntimeTest, CreatesRegisteredClassesWithOneReference)
{
    IPropertyBag* bag = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyBag,
                                     reinterpret_cast<void**>(&bag)));
    ASSERT_NE(nullptr, bag);
    EXPECT_EQ(baseline_ + 1, com::LiveObjectCount());

    // Every interface of one object answers with the same IUnknown.
    IEnumMoniker* enumerator = nullptr;
    ASSERT_EQ(S_OK, bag->QueryInterface(IID_IEnumMoniker, reinterpret_cast<void**>(&enumerator)));
    IUnknown* viaBag = nullptr;
    IUnknown* viaEnumerator = nullptr;
    bag->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaBag));
    enumerator->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaEnumerator));
    EXPECT_EQ(viaBag, viaEnumerator);

    IMoniker* none = reinterpret_cast<IMoniker*>(1);
    EXPECT_EQ(E_NOINTERFACE, bag->QueryInterface(IID_IMoniker, reinterpret_cast<void**>(&none)));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(E_POINTER, bag->QueryInterface(IID_IUnknown, nullptr));

    // One reference from creation and three from QueryInterface.
    EXPECT_EQ(3u, viaEnumerator->Release());
    EXPECT_EQ(2u, viaBag->Release());
    EXPECT_EQ(1u, enumerator->Release());
    EXPECT_EQ(0u, bag->Release());
}

TEST_F(ComRuntimeTest, RefusesWhatItCannotCreate)
{
    const CLSID unknownClass = {0x0BADC0DE, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(unknownClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);

    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(kTestClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);

    IUnknown* outer = reinterpret_cast<IUnknown*>(&object);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, CoCreateInstance(kTestClass, outer, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    EXPECT_EQ(nullptr, object);

    // An interface the class lacks: nothing is handed out and the new object is gone.
    EXPECT_EQ(E_NOINTERFACE, CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IMoniker, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(E_POINTER, CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr));

    // Removing the class makes it unknown; registering again brings it back.
    EXPECT_EQ(com::CreateInstance<TwoFaced>, com::RegisterServerClass(kTestClass, nullptr));
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    EXPECT_EQ(nullptr, com::RegisterServerClass(kTestClass, com::CreateInstance<TwoFaced>));
}

TEST_F(ComRuntimeTest, ObjectsAreCreatedOnlyOnThreadsInCom)
{
    EXPECT_EQ(S_FALSE, CoInitialize(nullptr));  // already in COM from SetUp
    CoUninitialize();

    HRESULT elsewhere = S_OK;
    void* object = reinterpret_cast<void*>(1);
    std::thread([&] {
        elsewhere = CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object);
    }).join();
    EXPECT_EQ(CO_E_NOTINITIALIZED, elsewhere);
    EXPECT_EQ(nullptr, object);
}

}  // namespace
