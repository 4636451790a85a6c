// libFuzzer target: arbitrary text as a connection string, split into its
// pairs and masked for messages.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ConnectionString.h"

namespace {

bool IsPasswordKey(std::string key)
{
    for (char& c : key)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key == "pwd" || key == "password";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const CConnectionString cs(text);
    for (const auto& [key, value] : cs.Pairs())
    {
        if (key.empty() || std::isspace(static_cast<unsigned char>(key.front())) ||
            std::isspace(static_cast<unsigned char>(key.back())))
            __builtin_trap();
        if (!cs.Has(key))
            __builtin_trap();
        // The first pair of a key answers.
        for (const auto& [other, first] : cs.Pairs())
            if (other.size() == key.size() && CConnectionString(other + "=x").Has(key))
            {
                if (cs.Get(key) != first)
                    __builtin_trap();
                break;
            }
    }

    const std::string masked = MaskPasswords(text);
    // Read back, the masked text holds no password the original held. Inside
    // brackets a ']' ends a value, so there the parser and the masking differ
    // by design. Masking may change how the rest of the text splits, so the
    // passwords are compared as sets, not pair by pair.
    if (text.find('[') == std::string::npos)
    {
        const CConnectionString again(masked);
        for (const auto& [key, value] : cs.Pairs())
        {
            if (!IsPasswordKey(key) || value.empty() || value.find("***") != std::string::npos)
                continue;
            for (const auto& [otherKey, otherValue] : again.Pairs())
                if (IsPasswordKey(otherKey) && otherValue == value)
                    __builtin_trap();
        }
    }
    return 0;
}
