// Feeds arbitrary KeyNInfo texts to the path parser: a path, when there is one, is a comma-free
// part of the text.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "keysound/config_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto path = keyvoice::ParseKeyInfoPath(text);
    if (path) {
        if (path->empty() || path->find(',') != std::string::npos)
            std::abort();
        if (text.find(*path) == std::string_view::npos)
            std::abort();
    }
    return 0;
}
