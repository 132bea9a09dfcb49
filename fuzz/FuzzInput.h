#pragma once
// Takes a fuzz input apart into the values a target needs. Taking past the end gives zeros and
// empty texts, so that every input, however short, makes a complete run.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool Empty() const { return position == size; }

    std::uint8_t TakeByte() { return position < size ? data[position++] : 0; }

    // The raw bytes of a value (zero-padded at the end of the input): every bit pattern is
    // reachable, NaNs and infinities included.
    template <typename T> T TakeRaw() {
        unsigned char bytes[sizeof(T)] = {};
        const std::size_t count = std::min(sizeof(T), size - position);
        std::memcpy(bytes, data + position, count);
        position += count;
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

    // The bytes up to the next zero byte (which is consumed) or the end: one C text.
    std::string TakeText() {
        const std::size_t start = position;
        while (position < size && data[position] != 0) {
            ++position;
        }
        std::string text(reinterpret_cast<const char*>(data + start), position - start);
        if (position < size) {
            ++position;
        }
        return text;
    }

    // Everything not taken yet, zero bytes included.
    std::string TakeRest() {
        std::string rest(reinterpret_cast<const char*>(data + position), size - position);
        position = size;
        return rest;
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
};
