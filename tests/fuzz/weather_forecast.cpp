// The forecast response reader on arbitrary bytes. It answers with either a forecast or a reason,
// never both nor neither, and a forecast it accepts always has what the card draws from.
#include "check.hpp"

#include "weather/parse.hpp"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ts::weather;
    const ParseResult r = parse_forecast(std::string_view(reinterpret_cast<const char*>(data), size));
    FUZZ_CHECK(r.forecast.has_value() == (r.error == ErrorKind::None));
    if (!r.forecast) {
        FUZZ_CHECK(r.error == ErrorKind::InvalidJson || r.error == ErrorKind::MissingField ||
                   r.error == ErrorKind::WrongType || r.error == ErrorKind::WrongLength);
        return 0;
    }
    FUZZ_CHECK(r.forecast->days.size() >= kMinDays && r.forecast->hours.size() >= kMinHours);
    return 0;
}
