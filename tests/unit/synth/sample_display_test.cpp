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

// Each wide column shows the lowest and highest of all its frames (and of 0).
// Waves with a period near the 2000-frame column's tenth used to be sampled
// at one phase per column and drawn as streaks of wrong heights.
TEST(SampleDisplay, WideColumnsShowTheirTruePeaks) {
    auto pulses = [](int frames, int period) {  // one frame of 1 and one of -1 per period
        std::vector<float> data(frames, 0.1f);
        for (int k = 3; k + 1 < frames; k += period) data[k] = 1.0f, data[k + 1] = -1.0f;
        return data;
    };
    auto sine = [](int frames, double period) {
        std::vector<float> data(frames);
        for (int k = 0; k < frames; k++) data[k] = static_cast<float>(std::sin(6.283185307179586 * (k + 0.25) / period) * 0.8);
        return data;
    };
    const struct {
        const char* name;
        std::vector<float> data;
    } waves[] = {
        {"smooth", wave(814000)},
        {"pulses every 10 frames", pulses(814000, 10)},
        {"sine of 10.05 frames", sine(814000, 10.05)},
        {"pulses every 1000 frames, scrolled", pulses(900000, 1000)},
    };
    for (const auto& w : waves) {
        DisplayFixture f;
        f.display.setWaveform(f.addInstrument(w.data));
        SampleData& r = f.record();
        const double zoom = 2000.0;
        r.framesPerColumn = zoom;
        r.viewStart = static_cast<int>(w.data.size()) - 814000;
        f.display.processPeak();
        for (int column = 0; column < 407; column++) {
            float high = 0.0f, low = -0.0f;
            for (int k = r.viewStart + column * 2000; k < r.viewStart + column * 2000 + 2000; k++) {
                high = std::max(high, w.data[k]);
                low = std::min(low, w.data[k]);
            }
            ASSERT_EQ(r.maxPeaks[column], high) << w.name << " column " << column;
            ASSERT_EQ(r.minPeaks[column], low) << w.name << " column " << column;
        }
    }
    DisplayFixture f;
    f.display.setWaveform(f.addInstrument(wave(814000)));
    EXPECT_TRUE(std::signbit(f.record().minPeaks[3]));  // all frames positive there: negative zero
}

// Columns of fractional width: every frame goes to exactly one column, the
// one in whose span the frame begins.
TEST(SampleDisplay, FractionalColumnsPartitionTheFrames) {
    DisplayFixture f;
    const int frames = 10007;  // 24.587... frames per column
    std::vector<float> data(frames, 0.0f);
    Instrument* instrument = f.addInstrument(data);
    SampleData& r = f.record();
    for (int spike : {0, 24, 25, 5003, frames - 1}) {
        f.sampleData.back()[spike] = 0.5f;  // the display's copy is taken when shown
        f.display.setWaveform(instrument);
        f.sampleData.back()[spike] = 0.0f;
        const int column = static_cast<int>(std::floor(spike / r.framesPerColumn));
        for (int i = 0; i < 407; i++) ASSERT_EQ(r.maxPeaks[i], i == column ? 0.5f : 0.0f) << spike << " " << i;
    }
}

// A stereo sample: the left channel's columns from 0, the right's from
// kSecondChannelColumn, at every zoom; the record says two channels and the
// sample's rate.
TEST(SampleDisplay, StereoSamplesShowBothChannels) {
    DisplayFixture f;
    std::vector<float> data(2 * 4070);
    for (int k = 0; k < 4070; k++) data[k] = 0.5f, data[4070 + k] = -0.25f;
    Instrument* stereo = f.addInstrument(data, 2);
    stereo->getSample(0, -1, -1)->setSamplerate(48000);
    f.display.setWaveform(stereo);
    SampleData& r = f.record();
    EXPECT_EQ(r.channels, 2);
    EXPECT_EQ(r.sampleRate, 48000);
    const int right = SampleData::kSecondChannelColumn;
    for (double zoom : {10.0, 0.5}) {
        r.framesPerColumn = zoom;
        f.display.processPeak();
        for (int column : {0, 200, 406}) {
            EXPECT_EQ(r.maxPeaks[column], 0.5f) << zoom << " " << column;
            EXPECT_EQ(r.maxPeaks[right + column], zoom < 1 ? -0.25f : 0.0f) << zoom << " " << column;
            EXPECT_EQ(r.minPeaks[right + column], zoom < 1 ? 0.0f : -0.25f) << zoom << " " << column;
        }
    }
    // An overwritten column count stays within the first channel's half.
    r.columns = 960;
    r.framesPerColumn = 1.0;
    r.maxPeaks[right] = kUntouched;
    f.display.processPeak();
    EXPECT_EQ(r.maxPeaks[right], 0.0f);
    EXPECT_EQ(r.minPeaks[right], -0.25f);

    f.display.setWaveform(f.addInstrument(wave(4070)));
    EXPECT_EQ(r.channels, 1);
    EXPECT_EQ(r.sampleRate, 44100);
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
