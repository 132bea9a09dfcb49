#include "tools/fg/MultiplayerCodec.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

MpPosition Sample() {
    MpPosition m{};
    std::strcpy(m.callsign, "EZY12A");
    std::strcpy(m.model, "Aircraft/ufo/Models/ufo.xml");
    m.time = 1234.5;
    m.lag = 0.1;
    m.position = ToEarthFixed({50.45, 0.01, 914.4});
    m.attitude = {0.25, -1.5, 2.75};
    m.linearVelocity = {120, 0.5, -2};
    m.angularVelocity = {0.01, 0.02, 0.03};
    m.linearAcceleration = {1, 2, 3};
    m.angularAcceleration = {-1, -2, -3};
    return m;
}

std::vector<std::uint8_t> Encoded(const MpPosition& m) {
    std::vector<std::uint8_t> bytes(kMpPositionSize);
    EXPECT_EQ(EncodePosition(m, bytes.data(), bytes.size()), kMpPositionSize);
    return bytes;
}

std::uint32_t U32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
           (std::uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
}

void PutU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

void PutF64(std::vector<std::uint8_t>& bytes, std::size_t at, double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    PutU32(bytes, at, static_cast<std::uint32_t>(bits >> 32));
    PutU32(bytes, at + 4, static_cast<std::uint32_t>(bits));
}

TEST(MultiplayerCodec, WritesTheBytesFlightGearReads) {
    const std::vector<std::uint8_t> bytes = Encoded(Sample());
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "FGFS");
    EXPECT_EQ(U32At(bytes, 4), 0x00010001u);
    EXPECT_EQ(U32At(bytes, 8), 7u);
    EXPECT_EQ(U32At(bytes, 12), 232u);
    EXPECT_EQ(U32At(bytes, 20), 0u); // reply port
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[24])), "EZY12A");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[32])),
              "Aircraft/ufo/Models/ufo.xml");
    // Time, big-endian, at 128: 1234.5 is 0x40934A0000000000.
    EXPECT_EQ(U32At(bytes, 128), 0x40934A00u);
    EXPECT_EQ(U32At(bytes, 132), 0u);
    // The first attitude float, 0.25f, at 168.
    EXPECT_EQ(U32At(bytes, 168), 0x3E800000u);
    EXPECT_EQ(U32At(bytes, 228), 0u); // padding
}

TEST(MultiplayerCodec, RoundTrip) {
    const MpPosition sent = Sample();
    MpPosition got{};
    MpDecoder decoder;
    const std::vector<std::uint8_t> bytes = Encoded(sent);
    ASSERT_EQ(decoder.Decode(bytes.data(), bytes.size(), got), MpDecodeResult::Position)
        << decoder.GetErrorText();
    EXPECT_STREQ(got.callsign, sent.callsign);
    EXPECT_STREQ(got.model, sent.model);
    EXPECT_EQ(got.time, sent.time);
    EXPECT_EQ(got.lag, sent.lag);
    EXPECT_EQ(got.position.x, sent.position.x); // doubles travel exactly
    EXPECT_EQ(got.position.y, sent.position.y);
    EXPECT_EQ(got.position.z, sent.position.z);
    EXPECT_FLOAT_EQ(got.attitude.z, 2.75f);
    EXPECT_FLOAT_EQ(got.linearVelocity.x, 120.0f);
    EXPECT_FLOAT_EQ(got.angularAcceleration.y, -2.0f);
}

TEST(MultiplayerCodec, TextsAreCutAndAlwaysTerminated) {
    MpPosition long_ = Sample();
    std::memset(long_.callsign, 'A', sizeof long_.callsign); // no terminator
    std::memset(long_.model, 'm', sizeof long_.model);
    std::vector<std::uint8_t> bytes = Encoded(long_);
    EXPECT_EQ(bytes[31], 0); // the callsign field ends with a NUL
    // A sender that fills every byte of the fields.
    std::memset(&bytes[24], 'B', 8);
    std::memset(&bytes[32], 'n', 96);
    MpPosition got{};
    MpDecoder decoder;
    ASSERT_EQ(decoder.Decode(bytes.data(), bytes.size(), got), MpDecodeResult::Position);
    EXPECT_EQ(std::string(got.callsign), "BBBBBBB");
    EXPECT_EQ(std::string(got.model), std::string(95, 'n'));
}

// FlightGear sends its own aircraft with property values after the position block.
TEST(MultiplayerCodec, PropertiesAfterThePositionAreSkipped) {
    std::vector<std::uint8_t> bytes = Encoded(Sample());
    bytes.resize(401, 0xAB);
    PutU32(bytes, 12, 401);
    MpPosition got{};
    MpDecoder decoder;
    EXPECT_EQ(decoder.Decode(bytes.data(), bytes.size(), got), MpDecodeResult::Position);
}

TEST(MultiplayerCodec, OtherMessagesAreSkippedNotRefused) {
    std::vector<std::uint8_t> bytes = Encoded(Sample());
    PutU32(bytes, 8, 1); // a chat message
    MpPosition got{};
    MpDecoder decoder;
    EXPECT_EQ(decoder.Decode(bytes.data(), bytes.size(), got), MpDecodeResult::Other);
}

struct MalformedCase {
    const char* name;
    void (*spoil)(std::vector<std::uint8_t>&);
    const char* reason;
};

const MalformedCase kMalformed[] = {
    {"empty", [](std::vector<std::uint8_t>& b) { b.clear(); }, "shorter than a message header"},
    {"cut in the header", [](std::vector<std::uint8_t>& b) { b.resize(31); },
     "shorter than a message header"},
    {"no mark", [](std::vector<std::uint8_t>& b) { b[0] = 'X'; }, "no FGFS mark"},
    {"other version", [](std::vector<std::uint8_t>& b) { PutU32(b, 4, 0x00010002); },
     "version not 1.1"},
    {"cut in the position",
     [](std::vector<std::uint8_t>& b) {
         b.resize(200);
         PutU32(b, 12, 200);
     },
     "cut short"},
    {"length says more", [](std::vector<std::uint8_t>& b) { PutU32(b, 12, 401); },
     "the header says 401 bytes, the datagram has 232"},
    {"length says less", [](std::vector<std::uint8_t>& b) { PutU32(b, 12, 100); },
     "does not match"},
    {"position not a number", [](std::vector<std::uint8_t>& b) { PutF64(b, 144, NAN); },
     "not a number"},
    {"position at the centre",
     [](std::vector<std::uint8_t>& b) {
         PutF64(b, 144, 0);
         PutF64(b, 152, 0);
         PutF64(b, 160, 0);
     },
     "not near the earth"},
    {"infinite velocity", [](std::vector<std::uint8_t>& b) { PutU32(b, 180, 0x7F800000); },
     "not a number"},
    {"largest float velocity",
     [](std::vector<std::uint8_t>& b) { PutU32(b, 188, std::bit_cast<std::uint32_t>(3.4e38f)); },
     "faster than any craft"},
    {"orbital speed and more",
     [](std::vector<std::uint8_t>& b) { PutU32(b, 180, std::bit_cast<std::uint32_t>(1.1e4f)); },
     "faster than any craft"},
};

TEST(MultiplayerCodec, MalformedDatagramsAreRefusedWithAReason) {
    for (const MalformedCase& c : kMalformed) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> bytes = Encoded(Sample());
        c.spoil(bytes);
        MpPosition got{};
        MpDecoder decoder;
        EXPECT_EQ(decoder.Decode(bytes.data(), bytes.size(), got), MpDecodeResult::Malformed);
        EXPECT_NE(decoder.FullErrorText().find(c.reason), std::string::npos)
            << decoder.FullErrorText();
    }
}

// Every prefix of a good message is refused, none read past its end (the sanitizer build
// watches the reads).
TEST(MultiplayerCodec, EveryTruncationIsRefused) {
    const std::vector<std::uint8_t> bytes = Encoded(Sample());
    MpDecoder decoder;
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + size);
        MpPosition got{};
        EXPECT_EQ(decoder.Decode(cut.data(), cut.size(), got), MpDecodeResult::Malformed) << size;
    }
}

TEST(MultiplayerCodec, TooSmallABufferIsNotWritten) {
    std::uint8_t small[kMpPositionSize - 1] = {};
    EXPECT_EQ(EncodePosition(Sample(), small, sizeof small), 0u);
    EXPECT_EQ(small[0], 0);
}

// The forms FlightGear's table gives each id, byte for byte: the short word of a norm or of
// tenths (cut towards zero, as FlightGear writes its own), the plain id and float, the plain
// integer of the transponder's altitude; the word at the end of the position block marks what
// follows, and the header counts it.
TEST(MultiplayerCodec, PropertyValuesInTheFormsFlightGearReads) {
    const MpProperty properties[] = {
        {201, MpValueKind::Norm, 1.0},        {104, MpValueKind::Norm, 0.5},
        {104, MpValueKind::PlainFloat, 0.5},  {300, MpValueKind::Tenths, 87.36},
        {1501, MpValueKind::PlainInt, 35000}, {1504, MpValueKind::Int, 1}};
    std::vector<std::uint8_t> bytes(kMpMaxDatagram);
    const std::size_t size = EncodePosition(Sample(), bytes.data(), bytes.size(), properties);
    ASSERT_EQ(size, kMpPositionSize + 4 + 4 + 8 + 4 + 8 + 4);
    bytes.resize(size);
    EXPECT_EQ(U32At(bytes, 12), size);
    EXPECT_EQ(U32At(bytes, 228), kMpPropertiesMark);
    EXPECT_EQ(U32At(bytes, 232), 0x00C97FFFu);
    EXPECT_EQ(U32At(bytes, 236), 0x00683FFFu);
    EXPECT_EQ(U32At(bytes, 240), 0x00000068u);
    EXPECT_EQ(U32At(bytes, 244), 0x3F000000u);
    EXPECT_EQ(U32At(bytes, 248), (300u << 16) | 873u);
    EXPECT_EQ(U32At(bytes, 252), 1501u);
    EXPECT_EQ(U32At(bytes, 256), 35000u);
    EXPECT_EQ(U32At(bytes, 260), (1504u << 16) | 1u);
    // The position is read as before.
    MpPosition got{};
    MpDecoder decoder;
    EXPECT_EQ(decoder.Decode(bytes.data(), bytes.size(), got), MpDecodeResult::Position);
    const std::vector<MpProperty> read = DecodeProperties(bytes.data(), bytes.size());
    ASSERT_EQ(read.size(), 6u);
    EXPECT_EQ(read[0].id, 201);
    EXPECT_NEAR(read[0].value, 1.0, 1e-9);
    EXPECT_NEAR(read[1].value, 0.5, 1 / 32767.0);
    EXPECT_EQ(read[2].value, 0.5);
    EXPECT_NEAR(read[3].value, 87.3, 1e-9);
    EXPECT_EQ(read[4].value, 35000);
    EXPECT_EQ(read[5].value, 1);
    // Without properties the word stays 0, as before.
    EXPECT_EQ(U32At(Encoded(Sample()), 228), 0u);
}

// Values beyond a short form's range are written at its end, not wrapped round; a message
// over FlightGear's 1200 bytes, or a buffer too small for the properties, is not written.
TEST(MultiplayerCodec, PropertyValuesBeyondTheirRange) {
    const MpProperty properties[] = {{201, MpValueKind::Norm, 1.5},
                                     {211, MpValueKind::Norm, -7},
                                     {302, MpValueKind::Tenths, 5000},
                                     {1501, MpValueKind::PlainInt, 1e12}};
    std::vector<std::uint8_t> bytes(kMpMaxDatagram);
    const std::size_t size = EncodePosition(Sample(), bytes.data(), bytes.size(), properties);
    const std::vector<MpProperty> read = DecodeProperties(bytes.data(), size);
    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read[0].value, 1.0);
    EXPECT_NEAR(read[1].value, -32768 / 32767.0, 1e-9);
    EXPECT_NEAR(read[2].value, 3276.7, 1e-9);
    EXPECT_EQ(read[3].value, 2147483647);
    std::vector<std::uint8_t> small(size - 1);
    EXPECT_EQ(EncodePosition(Sample(), small.data(), small.size(), properties), 0u);
    const std::vector<MpProperty> many(250, {104, MpValueKind::Norm, 0});
    EXPECT_EQ(EncodePosition(Sample(), bytes.data(), bytes.size(), many), 0u);
    EXPECT_EQ(EncodePosition(Sample(), bytes.data(), bytes.size(), std::span(many).first(242)),
              kMpMaxDatagram);
}

// What FlightGear would not take: another mark drops them all, an unknown id ends the reading.
TEST(MultiplayerCodec, PropertiesFlightGearWouldNotRead) {
    const MpProperty properties[] = {
        {104, MpValueKind::Norm, 0.5}, {105, MpValueKind::Norm, 1}, {201, MpValueKind::Norm, 1}};
    std::vector<std::uint8_t> bytes(kMpMaxDatagram);
    bytes.resize(EncodePosition(Sample(), bytes.data(), bytes.size(), properties));
    PutU32(bytes, 236, (9999u << 16) | 1u);
    EXPECT_EQ(DecodeProperties(bytes.data(), bytes.size()).size(), 1u);
    PutU32(bytes, 228, 0x12345678);
    EXPECT_TRUE(DecodeProperties(bytes.data(), bytes.size()).empty());
    for (const std::uint16_t id : {104, 211, 302, 312, 392, 1501, 1504}) {
        EXPECT_TRUE(KindOfProperty(id).has_value()) << id;
    }
    for (const std::uint16_t id : {0, 103, 303, 400, 1502, 65535}) {
        EXPECT_FALSE(KindOfProperty(id).has_value()) << id;
    }
}

} // namespace
