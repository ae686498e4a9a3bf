// A float that one thread may write while others read it: every access is a
// relaxed atomic load or store, and copies copy the value.
#pragma once

#include <atomic>

class RelaxedFloat {
public:
    RelaxedFloat(float value = 0.0f) : value(value) {}  // NOLINT: converts like a float
    RelaxedFloat(const RelaxedFloat& other) : value(other.load()) {}
    RelaxedFloat& operator=(const RelaxedFloat& other) {
        store(other.load());
        return *this;
    }
    RelaxedFloat& operator=(float x) {
        store(x);
        return *this;
    }
    operator float() const { return load(); }  // NOLINT: reads like a float

    float load() const { return value.load(std::memory_order_relaxed); }
    void store(float x) { value.store(x, std::memory_order_relaxed); }

private:
    std::atomic<float> value;
};
