// Rows of a state-vector CSV, hostile or not, converted as `trafficlog convert` converts them:
// the row parser may refuse a row but never let a value through that the data file cannot hold
// as written or that no aircraft flies, so the data file written must be clean.
#include "fuzz/FuzzConversion.h"
#include "fuzz/FuzzInput.h"

#include <cstdint>
#include <string>

namespace {
const char kHeader[] = "time,icao24,lat,lon,velocity,heading,vertrate,callsign,onground,alert,"
                       "spi,squawk,baroaltitude,geoaltitude,lastposupdate,lastcontact\n";
} // namespace

// Input: a byte whose lowest bit puts the published header before the rest (else the input
// brings its own), then the rows.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const bool withHeader = (input.TakeByte() & 1) != 0;
    const std::string rows = input.TakeRest();
    ConvertAndCheck(withHeader ? kHeader + rows : rows);
    return 0;
}
