// The record steps of Open that read what a crossbar and a grabber report, against
// fakes that report what the Linux layer never does.
#include "capture/capture_system.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "capture_test_support.h"

namespace {

struct PinQuery {
    BOOL input;
    LONG index;
};

class FakeCrossbar : public com::Object<IAMCrossbar> {
public:
    FakeCrossbar(LONG outputs, LONG inputs, bool countsFail) : outputs_(outputs), inputs_(inputs), fail_(countsFail) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        return Answer(iid, object, {{&IID_IUnknown, this}, {&IID_IAMCrossbar, this}});
    }
    HRESULT STDMETHODCALLTYPE get_PinCounts(LONG* outputs, LONG* inputs) override
    {
        if (fail_) {
            return E_FAIL;
        }
        *outputs = outputs_;
        *inputs = inputs_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_CrossbarPinInfo(BOOL input, LONG index, LONG* related, LONG* type) override
    {
        queries.push_back(PinQuery{input, index});
        *related = 0;
        *type = (input ? PhysConn_Video_Composite : PhysConn_Video_VideoDecoder) * 100 + index;
        return S_OK;
    }

    std::vector<PinQuery> queries;

private:
    LONG outputs_;
    LONG inputs_;
    bool fail_;
};

// Finds the given crossbar upstream, or none.
class FakeBuilder : public com::Object<ICaptureGraphBuilder2> {
public:
    explicit FakeBuilder(IAMCrossbar* crossbar) : crossbar_(crossbar) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        return Answer(iid, object, {{&IID_IUnknown, this}, {&IID_ICaptureGraphBuilder2, this}});
    }
    HRESULT STDMETHODCALLTYPE SetFiltergraph(IGraphBuilder*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindInterface(const GUID*, const GUID*, IBaseFilter*, REFIID, void** found) override
    {
        if (crossbar_ == nullptr) {
            return E_NOINTERFACE;
        }
        crossbar_->AddRef();
        *found = crossbar_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RenderStream(const GUID*, const GUID*, IUnknown*, IBaseFilter*, IBaseFilter*) override
    {
        return E_NOTIMPL;
    }

private:
    IAMCrossbar* crossbar_;
};

// Reports a connected type with a format block of the given size, and a pUnk.
class FakeGrabber : public com::Object<ISampleGrabber> {
public:
    FakeGrabber(ULONG formatBytes, BITMAPINFOHEADER header, IUnknown* extra)
        : formatBytes_(formatBytes), header_(header), extra_(extra)
    {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        return Answer(iid, object, {{&IID_IUnknown, this}, {&IID_ISampleGrabber, this}});
    }
    HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetBufferSamples(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetCurrentBuffer(LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetConnectedMediaType(AM_MEDIA_TYPE* type) override
    {
        if (formatBytes_ > 0) {
            type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(formatBytes_));
            std::memset(type->pbFormat, 0, formatBytes_);
            std::memcpy(type->pbFormat, &header_, std::min<size_t>(formatBytes_, sizeof header_));
            if (formatBytes_ >= sizeof(VIDEOINFOHEADER)) {
                reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader = header_;
            }
            type->cbFormat = formatBytes_;
        }
        if (extra_ != nullptr) {
            extra_->AddRef();
            type->pUnk = extra_;
        }
        return S_OK;
    }

private:
    ULONG formatBytes_;
    BITMAPINFOHEADER header_;
    IUnknown* extra_;
};

class DeviceRecordTest : public test_support::CaptureTest {
protected:
    void TearDown() override
    {
        capture_.ReleaseDevice(record_);
        CaptureTest::TearDown();
    }

    CaptureSystem capture_;
    CaptureDevice record_{};
};

TEST_F(DeviceRecordTest, NoCrossbarLeavesCountsAndTypesZero)
{
    record_.builder = new FakeBuilder(nullptr);
    EXPECT_EQ(-1, capture_.ReadCrossbar(record_));
    EXPECT_EQ(nullptr, record_.crossbar);
    EXPECT_EQ(0, record_.crossbarOutputCount);
    EXPECT_EQ(0, record_.crossbarInputCount);
}

TEST_F(DeviceRecordTest, FailedPinCountGivesMinusOneAndNoPinQuestions)
{
    auto* crossbar = new FakeCrossbar(2, 2, true);
    record_.builder = new FakeBuilder(crossbar);
    EXPECT_EQ(0, capture_.ReadCrossbar(record_));
    EXPECT_EQ(crossbar, record_.crossbar);
    EXPECT_EQ(-1, record_.crossbarOutputCount);
    EXPECT_EQ(-1, record_.crossbarInputCount);
    EXPECT_TRUE(crossbar->queries.empty());
    crossbar->Release();  // the record holds its own reference
}

TEST_F(DeviceRecordTest, PinsBeyondTheTenthKeepTheirCountButNoPlace)
{
    auto* crossbar = new FakeCrossbar(12, 3, false);
    record_.builder = new FakeBuilder(crossbar);
    EXPECT_EQ(0, capture_.ReadCrossbar(record_));
    EXPECT_EQ(12, record_.crossbarOutputCount);
    EXPECT_EQ(3, record_.crossbarInputCount);
    for (int pin = 0; pin < kCrossbarPinSlots; ++pin) {
        EXPECT_EQ(PhysConn_Video_VideoDecoder * 100 + pin, record_.crossbarOutputTypes[pin]);
        EXPECT_EQ(pin < 3 ? PhysConn_Video_Composite * 100 + pin : 0, record_.crossbarInputTypes[pin]);
    }
    ASSERT_EQ(13u, crossbar->queries.size());
    EXPECT_EQ(9, crossbar->queries[9].index);
    EXPECT_FALSE(crossbar->queries[9].input);
    EXPECT_TRUE(crossbar->queries[10].input);
    crossbar->Release();
}

TEST_F(DeviceRecordTest, ConnectedHeaderWithoutSizeGetsTheComputedSize)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = 161;
    header.biHeight = 121;
    header.biPlanes = 1;
    header.biBitCount = 24;
    auto* extra = new FakeBuilder(nullptr);  // any object, to see pUnk released
    record_.grabber = new FakeGrabber(sizeof(VIDEOINFOHEADER), header, extra);
    std::memset(&record_.header.bmiColors, 0, sizeof(RGBQUAD));
    capture_.ReadConnectedHeader(record_);
    EXPECT_EQ(161, record_.header.bmiHeader.biWidth);
    EXPECT_EQ(121, record_.header.bmiHeader.biHeight);
    EXPECT_EQ(484u * 121, record_.header.bmiHeader.biSizeImage);
    EXPECT_EQ(0, record_.header.bmiColors[0].rgbBlue);
    EXPECT_EQ(0u, extra->Release());  // the reference in the media type was given back
}

TEST_F(DeviceRecordTest, MissingOrShortFormatBlockLeavesTheHeaderZero)
{
    BITMAPINFOHEADER header{};
    header.biWidth = 640;
    header.biHeight = 480;
    for (ULONG bytes : {0u, static_cast<ULONG>(sizeof(VIDEOINFOHEADER) - 1)}) {
        auto* grabber = new FakeGrabber(bytes, header, nullptr);
        record_.grabber = grabber;
        capture_.ReadConnectedHeader(record_);
        const BITMAPINFO zero{};
        EXPECT_EQ(0, std::memcmp(&zero, &record_.header, sizeof zero)) << bytes;
        grabber->Release();
    }
    record_.grabber = nullptr;
}

}  // namespace
