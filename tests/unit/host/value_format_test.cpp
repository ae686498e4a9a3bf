// The frame's value formatting, checked against hand-worked texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "host/audioeffect.h"

namespace {

class Formatter : public AudioEffect {
public:
    Formatter() : AudioEffect(nullptr, 1, 1) {}
    void processReplacing(float**, float**, VstInt32) override {}
};

enum Kind { Float, Int, DB, Hz, Ms };

struct Case {
    Kind kind;
    double value;
    const char* text;
};

std::string format(Formatter& f, Kind kind, double value, int maxLen = 32) {
    char text[64];
    std::memset(text, '#', sizeof text);
    switch (kind) {
        case Float: f.float2string(static_cast<float>(value), text, maxLen); break;
        case Int: f.int2string(static_cast<VstInt32>(value), text, maxLen); break;
        case DB: f.dB2string(static_cast<float>(value), text, maxLen); break;
        case Hz: f.Hz2string(static_cast<float>(value), text, maxLen); break;
        case Ms: f.ms2string(static_cast<float>(value), text, maxLen); break;
    }
    return text;
}

TEST(ValueFormat, TextsMatchTheAlgorithm) {
    const Case cases[] = {
        {Float, 1.5, "1.500000"},
        {Float, 123.25, "123.2500"},
        {Float, -1.5, "-1.50000"},
        {Float, 0.0, "0.000000"},
        {Float, 12345678.0, "2345678."},     // seven integer digits, no fraction
        {Float, -1234567.0, "-234567."},     // six with a minus
        {Float, 2.0 / 3.0, "0.666666"},      // truncated, not rounded
        {Float, 100000000.0, "Huge!"},
        {Float, -10000000.0, "Huge!"},
        {Float, std::numeric_limits<double>::quiet_NaN(), "Huge!"},
        {Int, 0, ""},
        {Int, 42, "42"},
        {Int, -7, "-7"},
        {Int, 99999999, "99999999"},
        {Int, 100000000, "Huge!"},
        {Int, -123456789, "-123456789"},
        {Int, -2147483648.0, "Huge!"},  // needs a tenth digit
        {DB, 0.0, "-oo"},
        {DB, -1.0, "-oo"},
        {DB, 1.0, "0.000000"},
        {DB, 10.0, "20.00000"},
        {Hz, 0.0, "0.000000"},
        {Hz, 441.0, "100.0000"},
        {Ms, 44100.0, "1000.000"},
    };
    Formatter f;
    for (const Case& c : cases) EXPECT_EQ(format(f, c.kind, c.value), c.text) << c.kind << " " << c.value;
}

TEST(ValueFormat, MaxLenBoundsTheCopyAndTerminates) {
    Formatter f;
    EXPECT_EQ(format(f, Float, 123.25, 3), "123");
    EXPECT_EQ(format(f, Float, 123.25, 5), "123.2");
    EXPECT_EQ(format(f, Int, 123456, 2), "12");
    EXPECT_EQ(format(f, DB, 0.0, 1), "-");
}

}  // namespace
