// The airports index as the bridge finds it in the user's cache folder, its tables any bytes:
// the header and the check sum are made right here, so that the tables themselves are what the
// index must judge. An index restored keeps every airport's runways within its table and every
// runway's airport within its own, answers a question about any place without reading past what
// it holds, and saves back to the bytes it came from; one refused holds nothing.
#include "aviation/Airports.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string kStamp = "apt.dat 2024";

template <typename T> void Append(std::vector<std::uint8_t>& bytes, const T& value) {
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&value);
    bytes.insert(bytes.end(), raw, raw + sizeof value);
}

// The cache file's form, as the index writes it: a header, the stamp, the tables and a 64-bit
// FNV-1a sum of all before it.
std::vector<std::uint8_t> CacheFile(std::uint32_t airports, std::uint32_t runways,
                                    const std::string& tables) {
    std::vector<std::uint8_t> bytes = {'C', 'V', 'A', 'P', 'T', 'I', 'X', '1'};
    for (const std::uint32_t field :
         {static_cast<std::uint32_t>(sizeof(Airport)), static_cast<std::uint32_t>(sizeof(Runway)),
          airports, runways, static_cast<std::uint32_t>(kStamp.size())}) {
        Append(bytes, field);
    }
    bytes.insert(bytes.end(), kStamp.begin(), kStamp.end());
    bytes.insert(bytes.end(), tables.begin(), tables.end());
    std::uint64_t sum = 1469598103934665603ull;
    for (const std::uint8_t byte : bytes) {
        sum = (sum ^ byte) * 1099511628211ull;
    }
    Append(bytes, sum);
    return bytes;
}

void CheckRestored(const AirportIndex& index, FuzzInput& places) {
    for (const Airport& airport : index.Airports()) {
        FUZZ_CHECK(std::memchr(airport.code, '\0', kAirportCodeSize) != nullptr);
        for (const Runway& runway : index.RunwaysOf(airport)) {
            FUZZ_CHECK(&index.AirportOf(runway) >= index.Airports().data() &&
                       &index.AirportOf(runway) < index.Airports().data() + index.AirportCount());
        }
    }
    std::array<const Runway*, 8> near{};
    for (int i = 0; i < 4; ++i) {
        const auto latitude = places.TakeRaw<double>();
        const auto longitude = places.TakeRaw<double>();
        const auto metres = static_cast<double>(places.TakeRaw<std::uint16_t>()) * 10.0;
        const Airport* nearest = index.Nearest(latitude, longitude, metres);
        FUZZ_CHECK(nearest == nullptr ||
                   (nearest >= index.Airports().data() &&
                    nearest < index.Airports().data() + index.AirportCount()));
        const int found = index.RunwaysNear(latitude, longitude, metres, near);
        FUZZ_CHECK(found >= 0);
    }
}

} // namespace

// Input: the airports and the runways the header counts (a byte each), 64 bytes of places to
// ask about, then the tables.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint32_t airports = input.TakeByte();
    const std::uint32_t runways = input.TakeByte();
    std::string questions;
    for (int i = 0; i < 64; ++i) {
        questions += static_cast<char>(input.TakeByte());
    }
    const std::vector<std::uint8_t> file = CacheFile(airports, runways, input.TakeRest());
    AirportIndex index;
    if (!index.Restore(file, kStamp)) {
        FUZZ_CHECK(index.AirportCount() == 0 && index.RunwayCount() == 0);
        return 0;
    }
    FUZZ_CHECK(index.AirportCount() == airports && index.RunwayCount() == runways);
    FUZZ_CHECK(index.Save(kStamp) == file);
    FuzzInput places(reinterpret_cast<const std::uint8_t*>(questions.data()), questions.size());
    CheckRestored(index, places);
    return 0;
}
