// vandrelctl's JSON import: any text either is refused or gives a
// configuration that exports and reads back to the same bytes.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "config/ConfigJson.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto config = std::make_unique<vandrel::config::Configuration>();
    std::string error;
    if (!vandrel::config::configurationFromJson(text, *config, error)) return 0;
    auto back = std::make_unique<vandrel::config::Configuration>();
    if (!vandrel::config::configurationFromJson(vandrel::config::configurationToJson(*config), *back, error)) std::abort();
    if (std::memcmp(&config->image, &back->image, sizeof config->image) != 0 ||
        std::memcmp(&config->records, &back->records, sizeof config->records) != 0 ||
        std::memcmp(&config->macros, &back->macros, sizeof config->macros) != 0)
        std::abort();
    return 0;
}
