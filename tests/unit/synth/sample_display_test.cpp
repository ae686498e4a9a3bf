// The min/max columns the editor program draws the waveform from.
#include <gtest/gtest.h>

#include <cmath>

#include "editor/sample_display.h"
#include "plugin_fixture.h"

namespace {

constexpr float kUntouched = 42.0f;

struct DisplayFixture : PluginFixture {
    DisplayFixture() {
        for (float& x : record().maxPeaks) x = kUntouched;
        for (float& x : record().minPeaks) x = kUntouched;
    }
    SampleData& record() { return *reinterpret_cast<SampleData*>(plugin->getSampleRegion()); }
    SampleDisplay display{reinterpret_cast<SampleData*>(plugin->getSampleRegion())};
};

// A wave whose frame k is known without the code under test.
std::vector<float> wave(int frames) {
    std::vector<float> data(frames);
    for (int k = 0; k < frames; k++) data[k] = static_cast<float>(std::sin(k * 0.01) * 0.5 + 0.25);
    return data;
}

TEST(SampleDisplay, ConstructionSetsTheViewFields) {
    DisplayFixture f;
    EXPECT_EQ(f.record().columns, 407);
    EXPECT_EQ(f.record().viewStart, 0);
    EXPECT_EQ(f.record().framesPerColumn, 1.0);
    EXPECT_EQ(f.record().fullFramesPerColumn, 1.0);
}

TEST(SampleDisplay, ColumnsOfTenFramesEach) {
    DisplayFixture f;
    const auto data = wave(4070);
    Instrument* instrument = f.addInstrument(data);
    instrument->getSample(0, -1, -1)->setStartPlay(33);
    f.display.setWaveform(instrument);
    SampleData& r = f.record();
    EXPECT_EQ(r.length, 4070);
    EXPECT_EQ(r.framesPerColumn, 10.0);
    EXPECT_EQ(r.fullFramesPerColumn, 10.0);
    EXPECT_EQ(r.waveformReady, 1);
    EXPECT_EQ(r.startPlay, 33);
    EXPECT_EQ(r.loopEnd, 4069);
    for (int column : {0, 1, 200, 405, 406}) {  // 406: the last ten frames, shown though the sample ends there
        float high = 0.0f, low = 0.0f;
        for (int k = column * 10; k < column * 10 + 10; k++) {
            high = std::max(high, data[k]);
            low = std::min(low, data[k]);
        }
        EXPECT_EQ(r.maxPeaks[column], high) << column;
        EXPECT_EQ(r.minPeaks[column], low) << column;
    }
}

// A view that the sample does not fill leaves no column of the sample shown
// before it.
TEST(SampleDisplay, ColumnsPastTheEndAreCleared) {
    DisplayFixture f;
    f.display.setWaveform(f.addInstrument(constant(40700, 0.9f)));
    Instrument* shorter = f.addInstrument(wave(1000));
    const struct {
        double zoom;
        int viewStart;
        int firstEmpty;  // columns from here on show nothing
    } cases[] = {
        {10.0, 0, 100},   // min/max columns
        {10.0, 500, 50},  // scrolled
        {0.5, 0, 407},    // point sampling reaches every column
        {4.0, 0, 250},    // 1000 frames in 250 columns
        {0.5, 900, 200},  // point sampling from the last hundred frames
        {10.0, 1000, 0},  // the view starts past the end
    };
    SampleData& r = f.record();
    for (const auto& c : cases) {
        f.display.setWaveform(f.addInstrument(constant(40700, 0.9f)));
        f.display.setWaveform(shorter);
        r.framesPerColumn = c.zoom;
        r.viewStart = c.viewStart;
        f.display.processPeak();
        for (int column = 0; column < 407; column++) {
            const bool shows = r.maxPeaks[column] != 0.0f || r.minPeaks[column] != 0.0f;
            ASSERT_EQ(shows, column < c.firstEmpty) << "zoom " << c.zoom << " from " << c.viewStart << " column " << column;
            ASSERT_NE(r.maxPeaks[column], 0.9f);
        }
    }
}

TEST(SampleDisplay, WideColumnsSampleEveryTenthFrame) {
    DisplayFixture f;
    const auto data = wave(814000);
    f.display.setWaveform(f.addInstrument(data));
    EXPECT_EQ(f.record().framesPerColumn, 2000.0);
    for (int column : {0, 7, 300}) {
        float high = 0.0f;
        for (int k = column * 2000; k < column * 2000 + 2000; k += 10) high = std::max(high, data[k]);
        EXPECT_EQ(f.record().maxPeaks[column], high) << column;
    }
    EXPECT_TRUE(std::signbit(f.record().minPeaks[3]));  // all frames positive there: negative zero
}

TEST(SampleDisplay, ShortSamplesArePointSampled) {
    DisplayFixture f;
    const auto data = wave(100);
    f.display.setWaveform(f.addInstrument(data));
    const double zoom = 100.0 / 407.0;
    EXPECT_EQ(f.record().framesPerColumn, zoom);
    double x = 0.0;
    for (int column = 0; column < 407; column++) {
        EXPECT_EQ(f.record().maxPeaks[column], data[static_cast<int>(x)]) << column;
        EXPECT_EQ(f.record().minPeaks[column], 0.0f) << column;
        x += zoom;
    }
}

TEST(SampleDisplay, EditorWrittenFieldsAreBounded) {
    DisplayFixture f;
    f.display.setWaveform(f.addInstrument(wave(100000)));
    SampleData& r = f.record();
    r.columns = 5000;  // beyond the arrays
    r.framesPerColumn = 10.0;
    f.display.processPeak();
    EXPECT_NE(r.maxPeaks[959], kUntouched);

    const struct {
        int viewStart;
        double zoom;
    } hostile[] = {{-50, 10.0}, {200000, 10.0}, {0, std::nan("")}, {0, -3.0}, {0, 1e300}, {-1, 0.5}};
    for (auto h : hostile) {
        r.viewStart = h.viewStart;
        r.framesPerColumn = h.zoom;
        f.display.processPeak();  // reads nothing outside the sample (checked by the sanitizers)
    }
    // A record length longer than the sample on show does not widen the reads.
    r.length = 1 << 30;
    r.viewStart = 99990;
    r.framesPerColumn = 0.5;
    f.display.processPeak();
}

TEST(SampleDisplay, KeepsShowingASampleWhoseInstrumentIsGone) {
    DisplayFixture f;
    Instrument* instrument = f.addInstrument(wave(4070));
    f.display.setWaveform(instrument);
    const float before = f.record().maxPeaks[10];
    f.plugin->getRack(0)->clear();
    f.sampleData.clear();  // the sample's frames are gone too
    f.record().maxPeaks[10] = kUntouched;
    f.display.processPeak();
    EXPECT_EQ(f.record().maxPeaks[10], before);
}

TEST(SampleDisplay, EmptySampleShowsNothing) {
    DisplayFixture f;
    Instrument* instrument = f.addInstrument(wave(10));
    instrument->getSample(0, -1, -1)->length = 0;
    f.display.setWaveform(instrument);
    EXPECT_EQ(f.record().framesPerColumn, 0.0);
    EXPECT_EQ(f.record().maxPeaks[0], 0.0f);
    EXPECT_EQ(f.record().maxPeaks[406], 0.0f);
}

}  // namespace
