#include "com_ptr.h"

#include <gtest/gtest.h>

#include <utility>

#include <objbase.h>

#include "com_server.h"

namespace {

// Counts every AddRef and Release and never deletes itself, so that a test can see the
// balance after the owners are gone.
class Counted : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown) {
            AddRef();
            *object = static_cast<IUnknown*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        ++addRefs;
        return static_cast<ULONG>(++references);
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ++releases;
        return static_cast<ULONG>(--references);
    }

    int references = 1;  // the creator's
    int addRefs = 0;
    int releases = 0;
};

// An out-parameter call in the manner of CoCreateInstance: hands over one new reference.
HRESULT HandOut(Counted* object, IUnknown** out)
{
    object->AddRef();
    *out = object;
    return S_OK;
}

TEST(ComPtrTest, AdoptTakesTheReferenceAndShareAddsOne)
{
    Counted object;
    {
        const ComPtr<IUnknown> adopted = ComPtr<IUnknown>::Adopt(&object);
        EXPECT_EQ(&object, adopted.Get());
        EXPECT_EQ(0, object.addRefs);
        {
            const ComPtr<IUnknown> shared = ComPtr<IUnknown>::Share(&object);
            EXPECT_EQ(2, object.references);
        }
        EXPECT_EQ(1, object.references);
    }
    EXPECT_EQ(0, object.references);
    EXPECT_EQ(1, object.addRefs);

    // Nothing held, nothing given back.
    const ComPtr<IUnknown> empty = ComPtr<IUnknown>::Share(nullptr);
    EXPECT_FALSE(empty);
    EXPECT_TRUE(empty == nullptr);
}

TEST(ComPtrTest, CopiesAddAReferenceAndMovesHandTheirsOver)
{
    Counted object;
    object.references = 0;
    {
        ComPtr<IUnknown> first = ComPtr<IUnknown>::Share(&object);
        ComPtr<IUnknown> copy = first;
        EXPECT_EQ(2, object.references);
        EXPECT_TRUE(copy == first);

        ComPtr<IUnknown> moved = std::move(first);
        EXPECT_EQ(nullptr, first.Get());
        EXPECT_EQ(&object, moved.Get());
        EXPECT_EQ(2, object.references);

        // Assigning over a held reference gives that one back; assigning an owner its own
        // reference keeps the count.
        copy = moved;
        EXPECT_EQ(2, object.references);
        copy = ComPtr<IUnknown>();
        EXPECT_EQ(1, object.references);
        ComPtr<IUnknown>& same = moved;
        moved = std::move(same);
        EXPECT_EQ(1, object.references);
        EXPECT_EQ(&object, moved.Get());
    }
    EXPECT_EQ(0, object.references);
    EXPECT_EQ(object.addRefs, object.releases);
}

TEST(ComPtrTest, ResetAndDetachEndOwnership)
{
    Counted object;
    ComPtr<IUnknown> owner = ComPtr<IUnknown>::Adopt(&object);
    owner.Reset();
    EXPECT_EQ(0, object.references);
    EXPECT_EQ(nullptr, owner.Get());
    owner.Reset();  // again: nothing more given back
    EXPECT_EQ(1, object.releases);

    object.references = 1;
    owner = ComPtr<IUnknown>::Adopt(&object);
    IUnknown* detached = owner.Detach();
    EXPECT_EQ(&object, detached);
    EXPECT_FALSE(owner);
    EXPECT_EQ(1, object.references);  // now the caller's
    EXPECT_EQ(1, object.releases);
}

TEST(ComPtrTest, OutParametersReplaceWhatWasHeldWithoutLosingAReference)
{
    Counted first;
    Counted second;
    ComPtr<IUnknown> owner;
    ASSERT_EQ(S_OK, HandOut(&first, owner.Put()));
    EXPECT_EQ(2, first.references);
    // Filling the owner again gives the first reference back before the second comes in.
    ASSERT_EQ(S_OK, HandOut(&second, owner.Put()));
    EXPECT_EQ(1, first.references);
    EXPECT_EQ(&second, owner.Get());
    // The typed-for-QueryInterface form.
    ASSERT_EQ(S_OK, second.QueryInterface(IID_IUnknown, owner.PutVoid()));
    EXPECT_EQ(2, second.references);
    owner.Reset();
    EXPECT_EQ(1, second.references);
    EXPECT_EQ(first.addRefs, first.releases);
    EXPECT_EQ(second.addRefs, second.releases);
}

// A class of ours that can be recovered from its interfaces.
class Recoverable : public com::Object<IPropertyBag, IEnumMoniker> {
public:
    static const IID kObjectIid;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        return Answer(iid, object,
                      {{&IID_IUnknown, static_cast<IPropertyBag*>(this)},
                       {&IID_IPropertyBag, static_cast<IPropertyBag*>(this)},
                       {&IID_IEnumMoniker, static_cast<IEnumMoniker*>(this)},
                       ObjectEntry(kObjectIid)});
    }
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR, VARIANT*, IErrorLog*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Next(ULONG, IMoniker**, ULONG*) override { return S_FALSE; }
};
const IID Recoverable::kObjectIid = {0x5A17C0DE, 0x0001, 0x0002, {9, 8, 7, 6, 5, 4, 3, 2}};

TEST(QueryObjectTest, FindsOurObjectBehindEachInterfaceAndNothingElse)
{
    const long baseline = com::LiveObjectCount();
    {
        const auto object = ComPtr<Recoverable>::Adopt(new Recoverable);
        IEnumMoniker* second = static_cast<IEnumMoniker*>(object.Get());
        IPropertyBag* first = static_cast<IPropertyBag*>(object.Get());
        for (IUnknown* face : {static_cast<IUnknown*>(first), static_cast<IUnknown*>(second)}) {
            const ComPtr<Recoverable> found = com::QueryObject<Recoverable>(face);
            EXPECT_EQ(object.Get(), found.Get());
        }

        Counted foreign;
        EXPECT_FALSE(com::QueryObject<Recoverable>(&foreign));
        EXPECT_EQ(foreign.addRefs, foreign.releases);
        EXPECT_FALSE(com::QueryObject<Recoverable>(nullptr));
        EXPECT_EQ(baseline + 1, com::LiveObjectCount());
    }
    EXPECT_EQ(baseline, com::LiveObjectCount()) << "a reference was not given back";
}

}  // namespace
